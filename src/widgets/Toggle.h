#pragma once

#include "widgets/ValueWidget.h"

namespace vorn {

// A check box or a radio button. Its looks are the direct children
// "default", "active" and "pressed", and the marks "mark" and "off_mark"
// show whether it is on; without children of its own it gets a grey box
// with a white mark. A release over it is its click, handled in mouseUp
// as a button handles its own.
class Toggle : public ValueWidget {
public:
    void loadChildren(const tinyxml2::XMLElement* element) override;
    void onSetup() override;
    void draw() override {}
    bool mouseDown(const glm::vec2& point, eButtonName button) override;
    bool mouseUp(const glm::vec2& point, eButtonName button) override;

    // Showing a look hides the marks, so they are set again after every look.
    void updateMarks();

protected:
    virtual bool isOn() const = 0;
    virtual void onClick() = 0;

private:
    void addDefaultLook();
};

} // namespace vorn
