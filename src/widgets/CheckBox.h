#pragma once

#include "core/Event.h"
#include "widgets/Toggle.h"

namespace vorn {

// A box that a click checks and unchecks, bound both ways to a BOOL data
// source. Every change, from the pointer or from the source, runs
// "on_change" and posts ChangeEvent; only a change of its own is published.
class CheckBox : public Toggle {
public:
    class ChangeEvent : public Event {
    public:
        using Event::Event;
    };

    CheckBox();
    ~CheckBox() override;

    void onValueChanged(const Value& value) override;

    void setChecked(bool checked);
    bool isChecked() const { return checked_; }

protected:
    bool isOn() const override { return checked_; }
    void onClick() override { setChecked(!checked_); }

private:
    bool checked_ = false;
};

} // namespace vorn
