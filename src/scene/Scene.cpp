#include "scene/Scene.h"

#include "app/Application.h"

#include <glm/matrix.hpp>

#include <utility>

namespace vorn {

Scene::Scene(Application* application) : application_(application) {
    Application* app = application ? application : Application::instance();
    if (app) setSize(app->designSize());
}

Scene::~Scene() = default;

void Scene::load(const std::string& path) {
    file_ = path;
    loadFromFile(path);
}

void Scene::reload() {
    if (file_.empty()) return;
    exitStage();
    removeAllChildren();
    loadFromFile(file_);
    enterStage();
}

void Scene::setState(const std::string& name) {
    sceneState_ = name;
    Node::setState(name);
}

void Scene::switchState(const std::string& name, float time) {
    sceneState_ = name;
    Node::switchState(name, time, 0.0f, true);
}

void Scene::pushState() {
    if (!sceneState_.empty()) stateStack_.push_back(sceneState_);
}

void Scene::popState() {
    if (stateStack_.empty()) return;
    onPopState(sceneState_);
    // The hook may have popped the stack itself, down to nothing.
    if (stateStack_.empty()) return;
    std::string previous = std::move(stateStack_.back());
    stateStack_.pop_back();
    setState(previous);
}

void Scene::setMouseCapture(std::shared_ptr<Node> node) { capture_ = node; }

void Scene::releaseMouseCapture(const std::shared_ptr<Node>& node) { releaseMouseCapture(node.get()); }

void Scene::releaseMouseCapture(Node* node) {
    if (node && capture_.lock().get() == node) capture_.reset();
}

void Scene::setFocus(std::shared_ptr<Node> node) {
    if (const std::shared_ptr<Node> old = focus_.lock()) old->onFocusLost();
    focus_ = node;
    if (node) node->onFocusGained();
}

void Scene::releaseFocus(const std::shared_ptr<Node>& node) {
    const std::shared_ptr<Node> current = focus_.lock();
    if (!node || current != node) return;
    current->onFocusLost();
    focus_.reset();
}

bool Scene::keyDown(int key) {
    if (const std::shared_ptr<Node> capture = capture_.lock()) return capture->keyDown(key);
    if (const std::shared_ptr<Node> focus = focus_.lock()) return focus->keyDown(key);
    return Node::keyDown(key);
}

bool Scene::keyUp(int key) {
    if (const std::shared_ptr<Node> capture = capture_.lock()) return capture->keyUp(key);
    return Node::keyUp(key);
}

bool Scene::textInput(const std::string& text) {
    if (const std::shared_ptr<Node> focus = focus_.lock()) return focus->textInput(text);
    return Node::textInput(text);
}

glm::vec2 Scene::capturePoint(Node& node, const glm::vec2& point) const {
    Node* parent = node.parent();
    if (!parent) return point;
    const glm::vec4 p = glm::inverse(parent->getWorldTransform()) * glm::vec4(point.x, point.y, 0.0f, 1.0f);
    return {p.x, p.y};
}

bool Scene::mouseDown(const glm::vec2& point, eButtonName button) {
    lastPointer_ = point;
    if (const std::shared_ptr<Node> capture = capture_.lock()) {
        return capture->mouseDown(capturePoint(*capture, point), button);
    }
    return Node::mouseDown(point, button);
}

bool Scene::mouseUp(const glm::vec2& point, eButtonName button) {
    lastPointer_ = point;
    if (const std::shared_ptr<Node> capture = capture_.lock()) {
        return capture->mouseUp(capturePoint(*capture, point), button);
    }
    if (dragged_) {
        drop();
        return true;
    }
    return Node::mouseUp(point, button);
}

bool Scene::mouseMove(const glm::vec2& point, eButtonName button) {
    lastPointer_ = point;
    if (const std::shared_ptr<Node> capture = capture_.lock()) {
        return capture->mouseMove(capturePoint(*capture, point), button);
    }
    if (const std::shared_ptr<Node> dragged = dragged_) {
        dragged->setPosition(point);
        onDragOver(dragged, dropPoint());
        return true;
    }
    return Node::mouseMove(point, button);
}

void Scene::startDrag(const std::shared_ptr<Node>& node) {
    if (!node) return;
    const std::shared_ptr<Node> keep = node;
    dragged_ = keep;
    dragOriginParent_ = keep->getParent();
    dragOriginPosition_ = keep->getPosition();
    const glm::vec3 world = keep->getWorldPosition();
    keep->setPosition(world.x, world.y);
    addChild(keep);
    keep->onStartDrag();
    keep->setPosition(lastPointer_);
}

glm::vec2 Scene::dropPoint() const { return lastPointer_ - dragged_->getAnchor() + dragged_->getDropOffset(); }

void Scene::drop() {
    const std::shared_ptr<Node> dragged = dragged_;
    const bool accepted = onDrop(dragged, dropPoint());
    if (accepted) {
        // A target that took the node under itself keeps it.
        detachChild(dragged);
    } else {
        dragged->setPosition(dragOriginPosition_);
        detachChild(dragged);
        if (dragOriginParent_) dragOriginParent_->addChild(dragged);
        dragged->onCancelDrag();
    }
    if (dragged_ == dragged) dragged_.reset();
}

} // namespace vorn
