#include "widgets/RadioButton.h"

#include "core/DataSource.h"
#include "core/EventDispatcher.h"
#include "core/InputEvents.h"
#include "core/VM.h"
#include "scene/LoadContext.h"
#include "widgets/ToggleLook.h"

#include <functional>
#include <memory>

namespace vorn {

RadioButton::RadioButton() = default;

RadioButton::~RadioButton() = default;

void RadioButton::setProperties(const Attributes& attributes) {
    Node::setProperties(attributes);
    LoadContext::each(attributes, [&](const std::string& key, const Value& value) {
        if (key == "on_change") {
            onChange_ = value.toString();
        } else if (key == "dataSource") {
            setDataSource(value.toString());
        } else if (key == "value") {
            value_ = value;
        }
    });
}

void RadioButton::loadChildren(const tinyxml2::XMLElement* element) {
    Node::loadChildren(element);
    if (children().empty()) addDefaultToggleLook(*this);
}

void RadioButton::onSetup() {
    if (children().empty()) addDefaultToggleLook(*this);
    showOnlyChild("default");
    updateMarks();
    auto* dispatcher = EventDispatcher::instance();
    const auto on = [this, dispatcher](const std::type_info& type, std::function<void()> reaction) {
        dispatcher->addListener(this, new EventListener(type, [reaction](Event*) { reaction(); }), true);
    };
    on(typeid(MouseDownEvent), [this] {
        showPressedLook(*this);
        updateMarks();
    });
    on(typeid(MouseUpEvent), [this] {
        const std::shared_ptr<Node> self = shared_from_this();
        if (!selected_) select();
        showOnlyChild("active");
        updateMarks();
    });
    on(typeid(MouseEnterEvent), [this] {
        showOnlyChild("active");
        updateMarks();
    });
    on(typeid(MouseLeaveEvent), [this] {
        showOnlyChild("default");
        updateMarks();
    });
}

void RadioButton::onEnterStage() {
    Node::onEnterStage();
    connect();
}

void RadioButton::updateMarks() { showToggleMarks(*this, selected_); }

void RadioButton::select() {
    selected_ = true;
    // Every member hears the source at once: the others let go, this one
    // finds its own value.
    if (!getDataSourceName().empty()) getDataSource()->set(value_);
    updateMarks();
    if (!onChange_.empty()) {
        const std::string script = onChange_;
        VM::execute(script);
    }
}

void RadioButton::setSelected(bool selected) {
    if (selected == selected_ || !selected) return;
    select();
}

void RadioButton::onValueChanged(const Value& value) {
    const bool selected = value.toString() == value_.toString();
    if (selected == selected_) return;
    selected_ = selected;
    updateMarks();
}

} // namespace vorn
