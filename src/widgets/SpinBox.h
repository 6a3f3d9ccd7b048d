#pragma once

#include "core/Event.h"
#include "core/Value.h"
#include "widgets/ValueWidget.h"

#include <string>
#include <vector>

namespace vorn {

// Chooses one of a list of named options, or steps a whole number when it
// has none. The child text "text" shows the choice; a spin box without
// children of its own gets that text between two buttons, "-" and "+",
// that step without wrapping. Every choice is published to the bound data
// source, runs "on_change" and posts ChangeEvent.
class SpinBox : public ValueWidget {
public:
    class ChangeEvent : public Event {
    public:
        using Event::Event;
    };

    struct Option {
        std::string name;
        Value value;
    };

    SpinBox();
    ~SpinBox() override;

    // Ordinary children, then one option per "option" element.
    void loadChildren(const tinyxml2::XMLElement* element) override;
    void onSetup() override;
    void draw() override {}
    void onValueChanged(const Value& value) override;

    // Shown from the next choice or set-up on.
    void addOption(const Option& option);
    // The option whose value has the same text, or the number itself
    // without options. Choosing the value already held does nothing.
    void setValue(const Value& value);
    void updateText();
    void setupMinimalistic();
    // The buttons' steps; nothing at either end of the options.
    void stepBack();
    void stepForward();

    const Value& getValue() const { return value_; }
    int getCurrent() const { return current_; }
    const std::vector<Option>& options() const { return options_; }

private:
    void parseOption(const tinyxml2::XMLElement* element);

    Value value_{0};
    std::vector<Option> options_;
    int current_ = 0;
};

} // namespace vorn
