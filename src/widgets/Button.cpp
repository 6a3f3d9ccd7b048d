#include "widgets/Button.h"

#include "core/EventDispatcher.h"
#include "core/InputEvents.h"
#include "core/Localization.h"
#include "core/Locale.h"
#include "core/VM.h"
#include "scene/Image.h"
#include "scene/LoadContext.h"
#include "scene/Text.h"
#include "widgets/UiDefaults.h"

#include <cstdint>
#include <memory>

namespace vorn {

namespace {

struct Look {
    const char* name;
    std::uint32_t color;
    glm::vec2 position;
};

} // namespace

Button::Button() { setStateStop(true); }

Button::~Button() = default;

void Button::setProperties(const Attributes& attributes) {
    Node::setProperties(attributes);
    std::string key;
    LoadContext::each(attributes, [&](const std::string& name, const Value& value) {
        if (name == "on_click") {
            onClick_ = value.toString();
        } else if (name == "text") {
            text_ = value.toString();
        } else if (name == "key") {
            key = value.toString();
        } else if (name == "dataSource") {
            dataSourceName_ = value.toString();
        }
    });
    if (!key.empty()) text_ = Localization::instance()->current()->text(key);
}

void Button::loadChildren(const tinyxml2::XMLElement* element) {
    Node::loadChildren(element);
    if (children().empty()) createDefaultLook();
    if (text_.empty() && dataSourceName_.empty()) return;
    for (const auto& node : findChildrenOfType(typeid(Text), true)) {
        auto* text = dynamic_cast<Text*>(node.get());
        if (!text) continue;
        if (!text_.empty()) text->setText(text_);
        if (!dataSourceName_.empty()) text->setDataSource(dataSourceName_);
    }
}

void Button::createDefaultLook() {
    const glm::vec2 size = getSize();
    if (!getName().empty()) {
        const Look looks[] = {{"default", 0xA0A0A0A0u, {0, 0}},
                              {"active", 0xA0AAD696u, {0, 0}},
                              {"pressed", 0xA0AAD696u, {2, 2}}};
        for (const Look& look : looks) {
            auto holder = std::make_shared<Node>();
            holder->setName(look.name);
            holder->setSize(size);
            holder->setPosition(look.position);
            holder->addChild(std::make_shared<Image>(size, Color(look.color)));
            auto label = std::make_shared<Text>();
            label->setText(getName());
            label->setCenterParent(true);
            holder->addChild(label);
            addChild(holder);
        }
        return;
    }
    const Look looks[] = {{"default", 0xA0A0A0A0u, {0, 0}},
                          {"active", 0xFFAAD696u, {0, 0}},
                          {"pressed", 0xFFAAD696u, {2, 2}}};
    for (const Look& look : looks) {
        auto rectangle = std::make_shared<Image>(size, Color(look.color));
        rectangle->setName(look.name);
        rectangle->setPosition(look.position);
        addChild(rectangle);
    }
}

void Button::onSetup() {
    if (children().empty()) createDefaultLook();
    showOnlyChild("default");
    auto* dispatcher = EventDispatcher::instance();
    dispatcher->addListener(this, new EventListener(typeid(MouseEnterEvent), [this](Event*) { showOnlyChild("active"); }),
                            true);
    dispatcher->addListener(this, new EventListener(typeid(MouseLeaveEvent), [this](Event*) { showOnlyChild("default"); }),
                            true);
}

bool Button::mouseDown(const glm::vec2& point, eButtonName) {
    if (isEnabled() && !showOnlyChild("pressed")) showOnlyChild("active");
    return containsPoint(point);
}

bool Button::mouseUp(const glm::vec2& point, eButtonName) {
    // The script may replace the scene and with it the last other owner of
    // this button; the event is posted after it.
    const std::shared_ptr<Node> self = shared_from_this();
    const bool inside = containsPoint(point);
    if (!isEnabled()) {
        addEffectAtCenter(UiDefaults::instance()->inactiveClickEffect());
        return inside;
    }
    showOnlyChild("active");
    addEffectAtCenter(UiDefaults::instance()->clickEffect());
    if (!onClick_.empty()) {
        const std::string script = onClick_;
        VM::execute(script);
    }
    EventDispatcher::instance()->post(new ClickEvent(this));
    return inside;
}

void Button::onEnabledChanged() { showOnlyChild(isEnabled() ? "default" : "disabled"); }

} // namespace vorn
