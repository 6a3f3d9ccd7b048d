#include "widgets/ToggleLook.h"

#include "scene/Image.h"
#include "scene/Node.h"

#include <cstdint>
#include <memory>

namespace vorn {

void addDefaultToggleLook(Node& widget) {
    const glm::vec2 size = widget.getSize();
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
        widget.addChild(rectangle);
    }
}

void showToggleMarks(Node& widget, bool on) {
    if (const auto mark = widget.findChild("mark", false)) mark->setVisible(on);
    if (const auto off = widget.findChild("off_mark", false)) off->setVisible(!on);
}

void showPressedLook(Node& widget) {
    if (!widget.showOnlyChild("pressed")) widget.showOnlyChild("active");
}

} // namespace vorn
