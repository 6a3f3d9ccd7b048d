#pragma once

#include "scene/Action.h"

#include <functional>
#include <memory>
#include <vector>

namespace vorn {

// Composites own their inner actions and drive them with start and update
// only (the repeat alone steps its inner action). Only interval actions are
// taken as inner actions; others are dropped. An empty composite runs its
// own time, or none, and finishes without touching anything.

// Plays its children one after another. A duration set before the children
// were added (the "d" of an XML element) becomes a gap before the first.
class Sequence : public IntervalAction {
public:
    Sequence() = default;
    // Takes ownership of the actions, not of the array.
    Sequence(IntervalAction* const* actions, int count);

    void addChild(std::unique_ptr<Action> child) override;
    void onStart() override;
    bool isDone() const override;
    void update(float t) override;
    const Action* find(std::type_index type) const override;

    std::size_t size() const { return entries_.size(); }

private:
    struct Entry {
        float start;
        float end;
        std::unique_ptr<IntervalAction> action;
    };
    void append(std::unique_ptr<IntervalAction> action);

    std::vector<Entry> entries_;
    float referenceT_ = 0.0f;
    int current_ = 0;
};

// Plays its children side by side; as long as the longest.
class Spawn : public IntervalAction {
public:
    Spawn() = default;
    Spawn(IntervalAction* const* actions, int count);

    void addChild(std::unique_ptr<Action> child) override;
    void onStart() override;
    void update(float t) override;
    const Action* find(std::type_index type) const override;

private:
    std::vector<std::unique_ptr<IntervalAction>> children_;
};

// Plays one action over and over, never done; a later child replaces an
// earlier one. The time an inner run overshoots its end starts the next.
class RepeatAction : public IntervalAction {
public:
    RepeatAction() = default;
    explicit RepeatAction(IntervalAction* inner);

    void addChild(std::unique_ptr<Action> child) override;
    void onStart() override;
    // Without an inner action, done once started.
    bool isDone() const override;
    void step(float dt) override;
    const Action* find(std::type_index type) const override;

private:
    std::unique_ptr<IntervalAction> inner_;
};

// Plays one action with its progress passed through a curve; as long as
// its inner action.
class EasingAction : public IntervalAction {
public:
    using Curve = std::function<float(float)>;

    EasingAction() = default;
    explicit EasingAction(IntervalAction* inner);
    EasingAction(IntervalAction* inner, Curve curve);

    // "function": the curve's name.
    void setup(const Attributes& attributes) override;
    void addChild(std::unique_ptr<Action> child) override;
    void onStart() override;
    void update(float t) override;
    const Action* find(std::type_index type) const override;
    void setEasing(Curve curve) { curve_ = std::move(curve); }

private:
    std::unique_ptr<IntervalAction> inner_;
    Curve curve_;
};

} // namespace vorn
