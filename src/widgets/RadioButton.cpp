#include "widgets/RadioButton.h"

#include "scene/LoadContext.h"

namespace vorn {

RadioButton::RadioButton() = default;

RadioButton::~RadioButton() = default;

void RadioButton::setProperties(const Attributes& attributes) {
    ValueWidget::setProperties(attributes);
    LoadContext::each(attributes, [&](const std::string& key, const Value& value) {
        if (key == "value") value_ = value;
    });
}

void RadioButton::select() {
    selected_ = true;
    // Every member hears the source at once: the others let go, this one
    // finds its own value.
    publish(value_);
    updateMarks();
    runOnChange();
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
