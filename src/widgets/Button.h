#pragma once

#include "core/Event.h"
#include "scene/Node.h"

#include <string>

namespace vorn {

// The push button of scene files. Its looks are the direct children named
// "default", "active", "pressed" and "disabled", one shown at a time. A
// release over the enabled button plays the click effect, runs "on_click"
// and then posts ClickEvent, in that order; every release over it counts,
// wherever the press began.
class Button : public Node {
public:
    class ClickEvent : public Event {
    public:
        using Event::Event;
    };

    // State switches of ancestors stop here.
    Button();
    ~Button() override;

    bool mouseDown(const glm::vec2& point, eButtonName button) override;
    bool mouseUp(const glm::vec2& point, eButtonName button) override;
    // "on_click", "text", "key" (wins over "text") and "dataSource".
    void setProperties(const Attributes& attributes) override;
    // The label and the data source go to every text below the button.
    void loadChildren(const tinyxml2::XMLElement* element) override;
    void onSetup() override;
    void draw() override {}
    void onEnabledChanged() override;

    // Translucent rectangles the button's size, labelled with its name
    // when it has one.
    void createDefaultLook();

    const std::string& getOnClick() const { return onClick_; }
    const std::string& getText() const { return text_; }
    const std::string& getDataSourceName() const { return dataSourceName_; }

private:
    std::string onClick_;
    std::string text_;
    std::string dataSourceName_;
};

} // namespace vorn
