#include "widgets/CheckBox.h"

#include "core/DataSource.h"
#include "core/EventDispatcher.h"
#include "core/InputEvents.h"
#include "core/VM.h"
#include "scene/LoadContext.h"
#include "widgets/BoundValue.h"
#include "widgets/ToggleLook.h"

#include <memory>
#include <optional>

namespace vorn {

CheckBox::CheckBox() { setStateStop(true); }

CheckBox::~CheckBox() = default;

void CheckBox::setProperties(const Attributes& attributes) {
    Node::setProperties(attributes);
    LoadContext::each(attributes, [&](const std::string& key, const Value& value) {
        if (key == "on_change") {
            onChange_ = value.toString();
        } else if (key == "dataSource") {
            setDataSource(value.toString());
        }
    });
}

void CheckBox::loadChildren(const tinyxml2::XMLElement* element) {
    Node::loadChildren(element);
    if (children().empty()) addDefaultToggleLook(*this);
}

void CheckBox::onSetup() {
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
        setChecked(!checked_);
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

void CheckBox::onEnterStage() {
    Node::onEnterStage();
    connect();
}

void CheckBox::updateMarks() { showToggleMarks(*this, checked_); }

void CheckBox::setChecked(bool checked) {
    if (checked == checked_) return;
    // The script may drop the last other owner of the box; the event
    // comes after it.
    const std::shared_ptr<Node> self = weak_from_this().lock();
    checked_ = checked;
    // The source answers at once with the state just stored.
    if (!getDataSourceName().empty()) getDataSource()->set(Value(checked));
    updateMarks();
    if (!onChange_.empty()) {
        const std::string script = onChange_;
        VM::execute(script);
    }
    EventDispatcher::instance()->post(new ChangeEvent(this));
}

void CheckBox::onValueChanged(const Value& value) {
    if (const std::optional<bool> checked = boundBool(value, "CheckBox", getDataSourceName())) setChecked(*checked);
}

} // namespace vorn
