#pragma once

#include "core/Event.h"
#include "scene/DataSourceListener.h"
#include "scene/Node.h"

#include <string>

namespace vorn {

// A box that a click checks and unchecks, bound both ways to a BOOL data
// source. Every change, from the pointer or from the source, runs
// "on_change" and posts ChangeEvent; only a change of its own is published.
class CheckBox : public virtual Node, public virtual DataSourceListener {
public:
    class ChangeEvent : public Event {
    public:
        using Event::Event;
    };

    CheckBox();
    ~CheckBox() override;

    // "on_change" and "dataSource".
    void setProperties(const Attributes& attributes) override;
    void loadChildren(const tinyxml2::XMLElement* element) override;
    void onSetup() override;
    void draw() override {}
    void onEnterStage() override;
    void onValueChanged(const Value& value) override;

    void setChecked(bool checked);
    bool isChecked() const { return checked_; }
    void updateMarks();

private:
    bool checked_ = false;
    std::string onChange_;
};

} // namespace vorn
