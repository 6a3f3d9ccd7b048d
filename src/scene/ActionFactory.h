#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace tinyxml2 {
class XMLElement;
}

namespace vorn {

class Action;

// Makes actions from action XML by element name: "sequence", "spawn",
// "wait", "easing", "move", "move_to", "repeat", "rotate", "rotate_to",
// "scale", "color". Names are matched exactly.
class ActionFactory {
public:
    static ActionFactory* instance();

    ActionFactory(const ActionFactory&) = delete;
    ActionFactory& operator=(const ActionFactory&) = delete;

    // A new action read from the element, owned by the caller; null for a
    // null element or an unknown name. Throws what Value's conversions
    // throw, leaving nothing behind.
    Action* create(const tinyxml2::XMLElement* element);
    std::unique_ptr<Action> createOwned(const tinyxml2::XMLElement* element);

private:
    ActionFactory();

    std::map<std::string, std::function<Action*()>> creators_;
};

} // namespace vorn
