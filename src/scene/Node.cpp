#include "scene/Node.h"

#include "core/EventDispatcher.h"
#include "core/Log.h"
#include "core/ResourceManager.h"
#include "core/XMLDocument.h"
#include "render/ImageData.h"
#include "render/Texture.h"
#include "scene/Action.h"
#include "scene/ActionFactory.h"
#include "scene/ActionManager.h"
#include "scene/ChildWalk.h"
#include "scene/LoadContext.h"

#include <algorithm>
#include <exception>
#include <utility>

namespace vorn {

Node::Node() = default;

Node::Node(const tinyxml2::XMLElement* element) { load(element); }

Node::Node(const std::string& path) { loadFromFile(path); }

Node::~Node() {
    for (const auto& child : children_) {
        if (child->parent_ == this) child->parent_ = nullptr;
    }
    unregisterStateDataSourceListener();
    ActionManager::instance()->removeTarget(this);
    EventDispatcher::instance()->removeSource(this);
}

std::shared_ptr<Node> Node::getParent() { return parent_ ? parent_->shared_from_this() : nullptr; }

bool Node::canBeRemoved() const { return children_.empty() && !visible_; }

void Node::setPosition(const glm::vec2& position) {
    position_ = position;
    transformDirty_ = true;
}

void Node::setAnchor(const glm::vec2& anchor) {
    anchor_ = anchor;
    anchorCentered_ = false;
    transformDirty_ = true;
}

void Node::setAnchorCentered(bool centered) {
    if (centered == anchorCentered_) return;
    anchorCentered_ = centered;
    if (centered) anchor_ = halfSize();
    transformDirty_ = true;
}

void Node::setRotation(float degrees) {
    angle_ = degrees;
    transformDirty_ = true;
}

void Node::rotate(float degrees) {
    angle_ += degrees;
    if (angle_ >= 360.0f) angle_ -= 360.0f;
    transformDirty_ = true;
}

void Node::setScale(const glm::vec2& scale) {
    scale_ = scale;
    transformDirty_ = true;
}

void Node::setSize(const glm::vec2& size) {
    size_ = size;
    sizeSet_ = true;
    // A centred anchor follows at once, so the next draw and hit test (and
    // any layout reading the anchor) see the node where it belongs.
    if (anchorCentered_) {
        anchor_ = halfSize();
        transformDirty_ = true;
    }
    onSizeChanged();
}

void Node::setEnabled(bool enabled) {
    enabled_ = enabled;
    onEnabledChanged();
}

void Node::setTransform(const glm::mat4& extra) {
    extraTransform_ = extra;
    hasExtraTransform_ = true;
    transformDirty_ = true;
}

void Node::setAutoRemove(bool value, bool recursive) {
    autoRemove_ = value;
    if (!recursive) return;
    for (const auto& child : children_) child->setAutoRemove(value, true);
}

void Node::setActionFinishedCallback(std::function<void(Action*)> callback) { actionFinished_ = std::move(callback); }

Rect Node::getBounds() const {
    return Rect(position_.x - anchor_.x, position_.y - anchor_.y, size_.x * scale_.x, size_.y * scale_.y);
}

bool Node::intersects(const Node& other) const { return getBounds().intersects(other.getBounds()); }

void Node::addChild(const std::shared_ptr<Node>& child) {
    if (!child) return;
    for (const Node* n = this; n; n = n->parent_) {
        if (n == child.get()) {
            log("Node::addChild: a node cannot hold itself or its ancestor (%s)", child->name_.c_str());
            return;
        }
    }
    // The caller's pointer may be the old parent's list entry.
    const std::shared_ptr<Node> keep = child;
    if (keep->parent_) keep->parent_->detachChild(keep.get());
    keep->parent_ = this;
    children_.push_back(keep);
    if (onStage_ && !keep->onStage_) keep->enterStage();
    keep->transformDirty_ = true;
    onChildAdded(keep);
}

void Node::addChild(Node* child) {
    if (!child) return;
    std::shared_ptr<Node> owner = child->weak_from_this().lock();
    if (!owner) owner.reset(child);
    addChild(owner);
}

void Node::releaseHovered(const Node* child) {
    if (hovered_ && hovered_.get() == child) hovered_.reset();
}

std::shared_ptr<Node> Node::detachChild(Node* child) {
    const auto found =
        std::find_if(children_.begin(), children_.end(), [child](const auto& c) { return c.get() == child; });
    if (!child || found == children_.end()) return nullptr;
    std::shared_ptr<Node> removed = std::move(*found);
    children_.erase(found);
    removed->parent_ = nullptr;
    releaseHovered(removed.get());
    onChildrenRemoved();
    return removed;
}

std::shared_ptr<Node> Node::detachChild(const std::shared_ptr<Node>& child) { return detachChild(child.get()); }

void Node::removeChild(Node* child) { detachChild(child); }

void Node::removeChild(const std::shared_ptr<Node>& child) { detachChild(child.get()); }

void Node::removeAllChildren() {
    Children removed = std::move(children_);
    children_.clear();
    for (const auto& child : removed) {
        if (child->parent_ == this) child->parent_ = nullptr;
    }
    const std::shared_ptr<Node> hovered = std::move(hovered_);
    hovered_.reset();
    onChildrenRemoved();
}

std::shared_ptr<Node> Node::firstChild() const { return children_.empty() ? nullptr : children_.front(); }

std::shared_ptr<Node> Node::lastChild() const { return children_.empty() ? nullptr : children_.back(); }

Node::Children Node::getDescendants() const {
    Children result;
    for (const auto& child : children_) {
        result.push_back(child);
        const Children below = child->getDescendants();
        result.insert(result.end(), below.begin(), below.end());
    }
    return result;
}

Node::Children Node::findChildrenOfType(const std::type_info& type, bool recursive) const {
    return findChildren(
        [&type](const std::shared_ptr<Node>& n) {
            const Node& node = *n;
            return typeid(node) == type;
        },
        recursive, false);
}

Node::Children Node::findChildren(const std::function<bool(const std::shared_ptr<Node>&)>& predicate, bool recursive,
                                  bool visibleOnly) const {
    Children result;
    for (const auto& child : children_) {
        if (predicate(child)) result.push_back(child);
        if (!recursive || (visibleOnly && !child->visible_)) continue;
        const Children below = child->findChildren(predicate, true, visibleOnly);
        result.insert(result.end(), below.begin(), below.end());
    }
    return result;
}

std::vector<Node*> Node::getAncestors() const {
    std::vector<Node*> chain;
    for (Node* p = parent_; p; p = p->parent_) chain.push_back(p);
    std::reverse(chain.begin(), chain.end());
    return chain;
}

void Node::setup() {
    {
        ChildWalk walk(*this);
        for (std::size_t i = 0; i < walk.size(); ++i) {
            if (Node* child = walk.at(i)) child->setup();
        }
    }
    if (!setUp_) {
        onSetup();
        setUp_ = true;
    }
}

void Node::enterStage() {
    if (stageEntryBlocked_) return;
    // A hook below may drop the last other owner of this node.
    const std::shared_ptr<Node> self = weak_from_this().lock();
    if (!setUp_) setup();
    if (!onStage_) {
        onStage_ = true;
        onEnterStage();
        layoutInParent();
        captureDefaultState();
        if (!action_.empty()) runActionFile();
        if (!stateDataSource_.empty()) registerStateDataSourceListener();
    }
    {
        ChildWalk walk(*this);
        for (std::size_t i = 0; i < walk.size(); ++i) {
            Node* child = walk.at(i);
            // A hook may already have entered it (adding a child to a node
            // on stage enters it).
            if (child && !child->onStage_) child->enterStage();
        }
    }
    onChildrenEnteredStage();
}

void Node::exitStage() {
    const std::shared_ptr<Node> self = weak_from_this().lock();
    onExitStage();
    onStage_ = false;
    ActionManager::instance()->removeTarget(this);
    unregisterStateDataSourceListener();
    ChildWalk walk(*this);
    for (std::size_t i = 0; i < walk.size(); ++i) {
        if (Node* child = walk.at(i)) child->exitStage();
    }
}

void Node::runAction(Action* action) {
    if (!action) {
        log("ERROR: null action requested in runAction");
        return;
    }
    std::unique_ptr<Action> owned(action);
    owned->start(shared_from_this());
    ActionManager::instance()->addAction(owned.release());
}

void Node::runActionFile() {
    states_["default"].applyTo(*this);
    ActionManager::instance()->removeTarget(this);
    const auto document = std::dynamic_pointer_cast<XMLDocument>(ResourceManager::instance()->getResource(action_));
    // A missing or malformed file has been logged by the resource manager;
    // the node then runs nothing.
    if (!document || !document->root()) return;
    const LoadContext::File file(action_, "Action file");
    if (!file.entered()) return;
    std::unique_ptr<Action> action;
    try {
        action = ActionFactory::instance()->createOwned(document->root());
    } catch (const std::exception& e) {
        log("Can't open or parse: %s [%s]", action_.c_str(), e.what());
        return;
    }
    runAction(action.release());
}

} // namespace vorn
