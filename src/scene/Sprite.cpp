#include "scene/Sprite.h"

#include "scene/Animation.h"
#include "scene/NodeFactory.h"

#include <tinyxml2.h>

#include <cstring>

namespace vorn {

Sprite::Sprite() : handle_(std::make_shared<Sprite*>(this)) {}

Sprite::Sprite(const std::string& path) : Sprite() { loadFromFile(path); }

Sprite::~Sprite() {
    handle_.reset();
    stopAnimation();
    removeAllChildren();
}

void Sprite::loadChildren(const tinyxml2::XMLElement* element) {
    if (!element) return;
    for (const tinyxml2::XMLElement* child = element->FirstChildElement(); child; child = child->NextSiblingElement()) {
        if (std::strcmp(child->Name(), "animations") == 0) {
            loadAnimations(child);
            container_ = std::make_shared<Node>();
            container_->setFillParent(true);
            addChild(container_);
        } else if (std::shared_ptr<Node> node = NodeFactory::instance().create(child)) {
            addChild(node);
        }
    }
}

void Sprite::fit(Node& animation) {
    animation.setSize(size_);
    animation.setAnchorCentered(true);
    animation.setPosition(halfSize());
}

void Sprite::loadAnimations(const tinyxml2::XMLElement* element) {
    if (!element) return;
    for (const tinyxml2::XMLElement* child = element->FirstChildElement(); child; child = child->NextSiblingElement()) {
        const std::shared_ptr<Node> animation = NodeFactory::instance().create(child);
        if (!animation) continue;
        animations_[animation->getName()] = animation;
        fit(*animation);
        animation->setVisible(false);
        animation->setActionFinishedCallback([handle = std::weak_ptr<Sprite*>(handle_)](Action*) {
            const std::shared_ptr<Sprite*> alive = handle.lock();
            if (!alive) return;
            Sprite& sprite = **alive;
            // Owned by now; kept for the switch, which may drop other owners.
            const std::shared_ptr<Node> keep = sprite.weak_from_this().lock();
            sprite.play("default");
        });
    }
}

void Sprite::onEnterStage() { play("default"); }

void Sprite::onSizeChanged() {
    if (!current_) return;
    current_->setVisible(true);
    fit(*current_);
}

void Sprite::play(const std::string& name) { play(name, nullptr); }

void Sprite::play(const std::string& name, std::function<void()> finish) {
    if (!setUp_) setup();
    const auto found = animations_.find(name);
    if (found == animations_.end()) return;
    const std::shared_ptr<Node> animation = found->second;
    stopAnimation();
    if (!container_) {
        // Only when code loaded the animations itself.
        container_ = std::make_shared<Node>();
        container_->setFillParent(true);
        addChild(container_);
    }
    current_ = animation;
    animation->setVisible(true);
    fit(*animation);
    animation->captureDefaultState();
    container_->addChild(animation);
    if (finish) {
        if (auto* frames = dynamic_cast<Animation*>(animation.get())) frames->setFinishCallback(std::move(finish));
    }
}

void Sprite::stopAnimation() {
    if (!current_) return;
    const std::shared_ptr<Node> animation = current_;
    animation->exitStage();
    animation->setVisible(false);
    if (container_) container_->detachChild(animation);
    current_.reset();
}

void Sprite::reset() {
    stopAnimation();
    removeAllChildren();
}

std::shared_ptr<Node> Sprite::getAnimation(const std::string& name) const {
    const auto found = animations_.find(name);
    return found == animations_.end() ? nullptr : found->second;
}

std::vector<std::string> Sprite::getAnimationNames() const {
    std::vector<std::string> names;
    names.reserve(animations_.size());
    for (const auto& entry : animations_) names.push_back(entry.first);
    return names;
}

} // namespace vorn
