#pragma once

#include "core/Value.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <typeindex>

namespace tinyxml2 {
class XMLElement;
}

namespace vorn {

class Node;

// A timed change of one node, its target. Made by code or read from an
// action file, started on its node (Node::runAction) and from then on owned
// and stepped by the action manager, or owned and driven by the composite
// it sits in.
class Action {
public:
    using Attributes = std::map<std::string, Value>;

    Action() = default;
    virtual ~Action();
    Action(const Action&) = delete;
    Action& operator=(const Action&) = delete;

    // An action element: its attributes through setup, then its child
    // elements as inner actions. A bad value leaves its attribute out, with
    // a log line (LoadContext).
    virtual void loadFromXML(const tinyxml2::XMLElement* element);
    // "content" names an action file read into this action first.
    virtual void setup(const Attributes& attributes);
    // Kinds without inner actions drop the child.
    virtual void addChild(std::unique_ptr<Action> child);
    virtual void onStart() {}
    virtual void onFinish() {}
    virtual bool isDone() const { return started_; }
    virtual void step(float) {}
    // Whether this action is of that exact class or holds one that is.
    bool holds(std::type_index type) const { return find(type) != nullptr; }
    // This action when it is of that exact class, else the first inner
    // action that is, looking through every wrapper; null when none is.
    virtual const Action* find(std::type_index type) const;

    void start(std::shared_ptr<Node> target);
    void restart();
    void finish();
    void stop();
    bool isStarted() const { return started_; }
    std::shared_ptr<Node> getTarget() const { return target_; }
    Node* target() const { return target_.get(); }

protected:
    bool started_ = false;
    std::shared_ptr<Node> target_;
};

// Turns elapsed time into progress t in [0, 1] and hands it to update.
class IntervalAction : public Action {
public:
    IntervalAction() = default;
    // A negative duration is taken as 0, with a log line.
    explicit IntervalAction(float duration);

    // "d": the duration in seconds; a negative one is 0.
    void setup(const Attributes& attributes) override;
    void onStart() override;
    void onFinish() override;
    // Once the elapsed time reaches a positive duration; at once without one.
    bool isDone() const override;
    void step(float dt) override;
    virtual void update(float) {}

    float getDuration() const { return duration_; }
    void setDuration(float duration);
    float getElapsed() const { return static_cast<float>(elapsed_); }

protected:
    float duration_ = 0.0f;
    // Summed in double: a second of 1/120 s float steps summed in float
    // falls short of the second.
    double elapsed_ = 0.0;
};

// Hands the target and every progress value to a function.
class IntervalFunctionAction : public IntervalAction {
public:
    using Function = std::function<void(Node*, float)>;

    IntervalFunctionAction(float duration, Function function);
    explicit IntervalFunctionAction(Function function);

    // Throws std::bad_function_call without a function.
    void update(float t) override;

private:
    Function function_;
};

} // namespace vorn
