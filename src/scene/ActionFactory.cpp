#include "scene/ActionFactory.h"

#include "scene/CompositeActions.h"
#include "scene/SimpleActions.h"

#include <tinyxml2.h>

namespace vorn {

namespace {

template <typename T>
Action* make() {
    return new T();
}

} // namespace

ActionFactory* ActionFactory::instance() {
    static ActionFactory* factory = new ActionFactory();
    return factory;
}

ActionFactory::ActionFactory() {
    creators_ = {
        {"sequence", make<Sequence>},   {"spawn", make<Spawn>},       {"wait", make<WaitAction>},
        {"easing", make<EasingAction>}, {"move", make<MoveAction>},   {"move_to", make<MoveToAction>},
        {"repeat", make<RepeatAction>}, {"rotate", make<RotateAction>}, {"rotate_to", make<RotateToAction>},
        {"scale", make<ScaleAction>},   {"color", make<ColorAction>},
    };
}

std::unique_ptr<Action> ActionFactory::createOwned(const tinyxml2::XMLElement* element) {
    if (!element) return nullptr;
    const auto creator = creators_.find(element->Name());
    if (creator == creators_.end()) return nullptr;
    std::unique_ptr<Action> action(creator->second());
    action->loadFromXML(element);
    return action;
}

Action* ActionFactory::create(const tinyxml2::XMLElement* element) { return createOwned(element).release(); }

} // namespace vorn
