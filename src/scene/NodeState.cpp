#include "scene/Node.h"

#include "core/DataSource.h"
#include "core/EventDispatcher.h"
#include "scene/ActionManager.h"
#include "scene/ChildWalk.h"
#include "scene/CompositeActions.h"
#include "scene/Easing.h"
#include "scene/LoadContext.h"
#include "scene/SimpleActions.h"

#include <tinyxml2.h>

#include <cmath>
#include <optional>
#include <string>
#include <utility>

namespace vorn {

namespace {

bool has(const tinyxml2::XMLElement* e, const char* name) { return e->Attribute(name) != nullptr; }

bool flag(const tinyxml2::XMLElement* e, const char* name) { return Value(e->Attribute(name)).asBool(); }

} // namespace

Node::State::State(const Node& node) : State(node, std::string()) {}

Node::State::State(const Node& node, const std::string& stateName)
    : position(node.position_), size(node.size_), scale(node.scale_), color(node.color_), angle(node.angle_),
      visible(node.visible_), enabled(node.enabled_), hasPosition(true), hasSize(true), hasScale(true),
      hasAngle(true), hasColor(true), hasVisible(true), hasEnabled(true), name(stateName) {}

Node::State Node::State::parse(const tinyxml2::XMLElement* e) {
    State state;
    if (!e) return state;
    const LoadContext::Element context(e);
    // Each number on its own: a bad one is left out as if it were not there.
    const auto number = [e](const char* attribute) -> std::optional<float> {
        const char* text = e->Attribute(attribute);
        if (!text) return std::nullopt;
        std::optional<float> read;
        LoadContext::attribute(attribute, Value(text), [&] { read = Value(text).asFloat(); });
        return read;
    };
    const std::optional<float> x = number("x"), y = number("y");
    if (x && y) {
        state.position = {*x, *y};
        state.hasPosition = true;
    } else if (x) {
        state.position.x = *x;
        state.hasX = true;
    } else if (y) {
        state.position.y = *y;
        state.hasY = true;
    }
    const std::optional<float> w = number("w"), h = number("h");
    if (w && h) {
        state.size = {*w, *h};
        state.hasSize = true;
    }
    const std::optional<float> scaleX = number("scale_x"), scaleY = number("scale_y");
    if (scaleX && scaleY) {
        state.scale = {*scaleX, *scaleY};
        state.hasScale = true;
    }
    if (const std::optional<float> s = number("scale")) {
        state.scale = {*s, *s};
        state.hasScale = true;
    }
    if (const std::optional<float> angle = number("angle")) {
        state.angle = *angle;
        state.hasAngle = true;
    }
    if (has(e, "color")) {
        state.color = Color(std::string(e->Attribute("color")));
        state.hasColor = true;
    }
    if (has(e, "visible")) {
        state.visible = flag(e, "visible");
        state.hasVisible = true;
    }
    if (has(e, "enabled")) {
        state.enabled = flag(e, "enabled");
        state.hasEnabled = true;
    }
    if (has(e, "easing")) state.easing = e->Attribute("easing");
    if (has(e, "name")) state.name = e->Attribute("name");
    return state;
}

void Node::State::applyTo(Node& node) const {
    if (hasPosition) node.setPosition(position);
    if (hasX) node.setPosition(position.x, node.position_.y);
    if (hasY) node.setPosition(node.position_.x, position.y);
    if (hasSize) node.setSize(size);
    if (hasScale) node.setScale(scale);
    if (hasAngle) node.setRotation(angle);
    if (hasColor) node.setColor(color);
    if (hasVisible) node.setVisible(visible);
    if (hasEnabled) node.setEnabled(enabled);
}

void Node::addState(const State& state) { states_[state.name] = state; }

void Node::addTransition(const std::string& from, const std::string& to, const Transition& transition) {
    transitions_[from + "-" + to] = transition;
}

void Node::setState(const std::string& name) {
    Transition transition;
    const auto found = transitions_.find(currentState_ + "-" + name);
    if (found != transitions_.end()) transition = found->second;
    switchState(name, transition.time, transition.delay, false);
}

void Node::switchState(const std::string& name, float time, float delay, bool recursive) {
    if (name == currentState_) return;
    // The snapshot carries the name of the state being left, so that whoever
    // hears of the finished switch can tell where it came from.
    const std::string previous = std::exchange(currentState_, name);
    const auto found = states_.find(name);
    if (found != states_.end()) {
        // A switch still under way would otherwise land after this one and
        // leave the node in the older state, whatever wait or curve wraps it.
        ActionManager::instance()->removeTargetActions(this, typeid(StateSwitchAction), true);
        const State& target = found->second;
        if (time != 0.0f) {
            IntervalAction* action = new StateSwitchAction(State(*this, previous), target, time);
            if (!target.easing.empty()) action = new EasingAction(action, easingByName(target.easing));
            if (delay != 0.0f) {
                IntervalAction* steps[] = {new WaitAction(delay), action};
                action = new Sequence(steps, 2);
            }
            runAction(action);
        } else {
            target.applyTo(*this);
        }
    }
    if (stateStop_) return;
    ChildWalk walk(*this);
    for (std::size_t i = 0; i < walk.size(); ++i) {
        Node* child = walk.at(i);
        if (!child) continue;
        if (recursive) child->switchState(name, time, delay, true);
        else child->setState(name);
    }
}

void Node::captureDefaultState() {
    if (!states_.contains("default")) states_["default"] = State(*this, "default");
}

void Node::setStateDataSource(const std::string& name) {
    unregisterStateDataSourceListener();
    stateDataSource_ = name;
}

void Node::registerStateDataSourceListener() {
    if (stateDataSource_.empty() || stateListener_) return;
    DataSource* source = DataSource::get(stateDataSource_);
    stateListener_ = new EventListener(typeid(DataSource::ChangedEvent), [this](Event* event) {
        if (auto* changed = dynamic_cast<DataSource*>(event->source())) setState(changed->value().toString());
    });
    EventDispatcher::instance()->addListener(source, stateListener_, false);
    setState(source->value().toString());
}

void Node::unregisterStateDataSourceListener() {
    if (!stateListener_) return;
    EventListener* listener = stateListener_;
    stateListener_ = nullptr;
    EventDispatcher::instance()->removeListener(listener);
}

} // namespace vorn
