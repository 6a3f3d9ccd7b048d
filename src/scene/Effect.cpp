#include "scene/Effect.h"

#include "core/Log.h"
#include "core/ResourceManager.h"
#include "core/Scheduler.h"
#include "core/XMLDocument.h"

namespace vorn {

Effect::Effect() { setAutoRemove(true, false); }

Effect::~Effect() = default;

void Effect::onEnterStage() {
    // Once: an effect that leaves and enters again must not count its time
    // twice per frame.
    if (scheduled_) return;
    scheduled_ = true;
    Scheduler::instance()->add(this);
}

void Effect::onChildrenEnteredStage() { setAutoRemove(true, true); }

void Effect::onUpdate(float dt) { elapsed_ += dt; }

bool Effect::canBeRemoved() const { return elapsed_ > lifetime_ || Node::canBeRemoved(); }

std::shared_ptr<Effect> Node::addEffect(const std::string& path, const glm::vec2& position) {
    const auto document = std::dynamic_pointer_cast<XMLDocument>(ResourceManager::instance()->getResource(path));
    if (!document || !document->root()) {
        // The resource manager has said why; an empty effect would only
        // linger for its lifetime.
        log("Effect %s not added (node name: %s)", path.c_str(), name_.c_str());
        return nullptr;
    }
    auto effect = std::make_shared<Effect>();
    effect->loadFromFile(path);
    effect->setAnchorCentered(true);
    effect->setPosition(position);
    // Played over what the player is clicking (a "+10" over the next tile, a
    // sound of no size at the centre): it must never take the click.
    effect->setEnabled(false);
    addChild(effect);
    // Later state switches of this node reach the effect but not its parts.
    effect->setStateStop(true);
    return effect;
}

std::shared_ptr<Effect> Node::addEffectAtCenter(const std::string& path) { return addEffect(path, halfSize()); }

} // namespace vorn
