#pragma once

#include "widgets/Toggle.h"

namespace vorn {

// One member of a group of radio buttons that share a data source, each
// with a value of its own. A click writes the member's value to the source;
// each member shows itself selected exactly when the source holds its
// value (compared as text).
class RadioButton : public Toggle {
public:
    RadioButton();
    ~RadioButton() override;

    // "on_change", "dataSource" and "value".
    void setProperties(const Attributes& attributes) override;
    // Follows the source without publishing and without the script.
    void onValueChanged(const Value& value) override;

    // Makes this member the group's choice: publishes, shows, runs "on_change".
    void select();
    // Only selecting does something: the source deselects a member.
    void setSelected(bool selected);
    bool isSelected() const { return selected_; }
    void setValue(const Value& value) { value_ = value; }
    const Value& getValue() const { return value_; }

protected:
    bool isOn() const override { return selected_; }
    void onClick() override {
        if (!selected_) select();
    }

private:
    Value value_;
    bool selected_ = false;
};

} // namespace vorn
