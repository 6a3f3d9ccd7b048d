#pragma once

#include "scene/DataSourceListener.h"
#include "scene/Node.h"

namespace vorn {

// Sets a number between min and max by dragging a knob along a horizontal
// or vertical track, bound both ways to a REAL data source. The knob's
// centre runs from half the track's thickness after one end to half the
// thickness before the other. A press anywhere on the slider jumps the knob
// there and the drag follows the pointer even outside the slider.
class Slider : public virtual Node, public virtual DataSourceListener {
public:
    enum Orientation { HORIZONTAL = 0, VERTICAL = 1 };

    Slider();
    ~Slider() override;

    bool mouseDown(const glm::vec2& point, eButtonName button) override;
    bool mouseUp(const glm::vec2& point, eButtonName button) override;
    bool mouseMove(const glm::vec2& point, eButtonName button) override;
    // "dataSource", "min", "max", "key_filename" / "keyFilename" (the
    // knob's picture, scaled to the thickness) and "orientation".
    void setProperties(const Attributes& attributes) override;
    // Without children and knob: a grey track and a light green knob.
    void loadChildren(const tinyxml2::XMLElement* element) override;
    void onEnterStage() override;
    void onValueChanged(const Value& value) override;

    // Clamped to [min, max], published, and the knob moved.
    void setValue(float value);
    float getValue() const { return value_; }
    // The value under a point of the parent's space, not clamped; min
    // where the track has no length to run along.
    float valueAt(const glm::vec2& point) const;
    // Replaces the knob (null takes it away).
    void setKnob(Node* knob);
    Node* getKnob() const { return knob_; }
    void updateKnob();
    // The knob is neither resized nor moved.
    void setOrientation(int orientation) { vertical_ = orientation == VERTICAL ? 1 : 0; }
    bool isVertical() const { return vertical_ != 0; }
    float getMin() const { return min_; }
    float getMax() const { return max_; }
    bool isDragging() const { return dragging_; }

private:
    float thickness() const;

    float value_ = 0.0f;
    float min_ = 0.0f;
    float max_ = 1.0f;
    int vertical_ = HORIZONTAL;
    Node* knob_ = nullptr;
    bool dragging_ = false;
};

} // namespace vorn
