#include "widgets/Toggle.h"

#include "core/EventDispatcher.h"
#include "core/InputEvents.h"
#include "scene/Image.h"

#include <cstdint>
#include <memory>

namespace vorn {

void Toggle::addDefaultLook() {
    const glm::vec2 size = getSize();
    struct Look {
        const char* name;
        glm::vec2 size;
        std::uint32_t color;
        glm::vec2 position;
    };
    const Look looks[] = {{"default", size, 0xA0A0A0A0u, {0, 0}},
                          {"active", size, 0xFFAAD696u, {0, 0}},
                          {"pressed", size, 0xFFAAD696u, {2, 2}},
                          {"mark", size - glm::vec2(8, 8), 0xFFFFFFFFu, {4, 4}}};
    for (const Look& look : looks) {
        auto rectangle = std::make_shared<Image>(look.size, Color(look.color));
        rectangle->setName(look.name);
        rectangle->setPosition(look.position);
        addChild(rectangle);
    }
}

void Toggle::loadChildren(const tinyxml2::XMLElement* element) {
    Node::loadChildren(element);
    if (children().empty()) addDefaultLook();
}

void Toggle::onSetup() {
    if (children().empty()) addDefaultLook();
    showOnlyChild("default");
    updateMarks();
    auto* dispatcher = EventDispatcher::instance();
    dispatcher->addListener(this, new EventListener(typeid(MouseEnterEvent), [this](Event*) {
                                showOnlyChild("active");
                                updateMarks();
                            }),
                            true);
    dispatcher->addListener(this, new EventListener(typeid(MouseLeaveEvent), [this](Event*) {
                                showOnlyChild("default");
                                updateMarks();
                            }),
                            true);
}

bool Toggle::mouseDown(const glm::vec2& point, eButtonName button) {
    if (!Node::mouseDown(point, button)) return false;
    if (!showOnlyChild("pressed")) showOnlyChild("active");
    updateMarks();
    return true;
}

bool Toggle::mouseUp(const glm::vec2& point, eButtonName button) {
    // The script may replace the scene and with it the last other owner of
    // this widget.
    const std::shared_ptr<Node> self = weak_from_this().lock();
    if (!Node::mouseUp(point, button)) return false;
    onClick();
    showOnlyChild("active");
    updateMarks();
    return true;
}

void Toggle::updateMarks() {
    const bool on = isOn();
    if (const auto mark = findChild("mark", false)) mark->setVisible(on);
    if (const auto off = findChild("off_mark", false)) off->setVisible(!on);
}

} // namespace vorn
