#pragma once

#include "core/Color.h"
#include "scene/Action.h"
#include "scene/Node.h"

#include <glm/vec2.hpp>

#include <functional>

namespace vorn {

// The simple actions each change one property of their target over their
// duration. Their start captures what they need from the target; every
// update(t) writes the property for progress t, unclamped, so eased
// progress outside [0, 1] overshoots.

// Moves by an offset ("x", "y").
class MoveAction : public IntervalAction {
public:
    MoveAction() = default;
    MoveAction(const glm::vec2& offset, float duration) : IntervalAction(duration), offset_(offset) {}

    void setup(const Attributes& attributes) override;
    void onStart() override;
    void update(float t) override;

protected:
    glm::vec2 offset_{0.0f, 0.0f};
    glm::vec2 start_{0.0f, 0.0f};
    glm::vec2 end_{0.0f, 0.0f};
};

// Moves to a destination ("x", "y"); with no duration it is there at once.
class MoveToAction : public MoveAction {
public:
    MoveToAction() = default;
    MoveToAction(const glm::vec2& to, float duration);

    void setup(const Attributes& attributes) override;
    void onStart() override;
};

// Turns by an angle in degrees ("angle").
class RotateAction : public IntervalAction {
public:
    RotateAction() = default;
    RotateAction(float angle, float duration) : IntervalAction(duration), angle_(angle) {}

    void setup(const Attributes& attributes) override;
    void onStart() override;
    void update(float t) override;

protected:
    float angle_ = 0.0f;
    float start_ = 0.0f;
    float end_ = 0.0f;
};

// Turns to an angle ("angle"), not by the shorter way: 350 to 10 turns back
// through 340 degrees.
class RotateToAction : public RotateAction {
public:
    RotateToAction() = default;
    RotateToAction(float angle, float duration);

    void setup(const Attributes& attributes) override;
    void onStart() override;
};

// Scales to a destination ("x", "y"); a missing component scales towards 0.
class ScaleAction : public IntervalAction {
public:
    ScaleAction() = default;
    ScaleAction(const glm::vec2& to, float duration) : IntervalAction(duration), end_(to) {}

    void setup(const Attributes& attributes) override;
    void onStart() override;
    void update(float t) override;

private:
    glm::vec2 change_{0.0f, 0.0f};
    glm::vec2 start_{0.0f, 0.0f};
    glm::vec2 end_{0.0f, 0.0f};
};

// Changes the colour to a destination ("color", hex text).
class ColorAction : public IntervalAction {
public:
    ColorAction() = default;
    ColorAction(const Color& to, float duration) : IntervalAction(duration), end_(to) {}

    void setup(const Attributes& attributes) override;
    void onStart() override;
    void update(float t) override;

private:
    Color start_;
    Color end_;
};

class WaitAction : public IntervalAction {
public:
    WaitAction() = default;
    explicit WaitAction(float duration) : IntervalAction(duration) {}
};

// No duration; done as soon as it is started.
class InstantAction : public IntervalAction {
public:
    InstantAction() = default;

    bool isDone() const override { return started_; }
};

// Calls a function with the target at its start: at once when run alone,
// when reached inside a sequence.
class FunctionAction : public InstantAction {
public:
    using Function = std::function<void(Node*)>;

    explicit FunctionAction(Function function) : function_(std::move(function)) {}

    // Throws std::bad_function_call without a function.
    void onStart() override;

private:
    Function function_;
};

// Carries a node from a snapshot of its values to a state. Showing and
// enabling happen when the switch starts, hiding when it ends, so that no
// easing curve can keep a node from showing.
class StateSwitchAction : public IntervalAction {
public:
    StateSwitchAction(const Node::State& from, const Node::State& to, float duration);

    void onStart() override;
    void update(float t) override;

    const Node::State& from() const { return from_; }
    const Node::State& to() const { return to_; }

private:
    Node::State from_;
    Node::State to_;
};

} // namespace vorn
