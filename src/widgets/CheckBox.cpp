#include "widgets/CheckBox.h"

#include "core/EventDispatcher.h"
#include "widgets/BoundValue.h"

#include <memory>
#include <optional>

namespace vorn {

CheckBox::CheckBox() { setStateStop(true); }

CheckBox::~CheckBox() = default;

void CheckBox::setChecked(bool checked) {
    if (checked == checked_) return;
    // The script may drop the last other owner of the box; the event
    // comes after it.
    const std::shared_ptr<Node> self = weak_from_this().lock();
    checked_ = checked;
    publish(Value(checked));
    updateMarks();
    runOnChange();
    EventDispatcher::instance()->post(new ChangeEvent(this));
}

void CheckBox::onValueChanged(const Value& value) {
    if (const std::optional<bool> checked = boundBool(value, "CheckBox", getDataSourceName())) setChecked(*checked);
}

} // namespace vorn
