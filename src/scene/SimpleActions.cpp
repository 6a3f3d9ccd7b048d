#include "scene/SimpleActions.h"

#include "scene/LoadContext.h"

#include <utility>

namespace vorn {

namespace {

// A bad number leaves the fallback, with a log line.
float attribute(const Action::Attributes& attributes, const char* key, float fallback) {
    float read = fallback;
    LoadContext::find(attributes, key, [&read](const Value& value) { read = value.asFloat(); });
    return read;
}

} // namespace

void MoveAction::setup(const Attributes& attributes) {
    IntervalAction::setup(attributes);
    offset_ = {attribute(attributes, "x", offset_.x), attribute(attributes, "y", offset_.y)};
}

void MoveAction::onStart() {
    start_ = target_->getPosition();
    end_ = start_ + offset_;
    IntervalAction::onStart();
}

void MoveAction::update(float t) { target_->setPosition(start_ + t * offset_); }

MoveToAction::MoveToAction(const glm::vec2& to, float duration) : MoveAction() {
    setDuration(duration);
    end_ = to;
}

void MoveToAction::setup(const Attributes& attributes) {
    IntervalAction::setup(attributes);
    end_ = {attribute(attributes, "x", end_.x), attribute(attributes, "y", end_.y)};
}

void MoveToAction::onStart() {
    start_ = target_->getPosition();
    offset_ = end_ - start_;
    IntervalAction::onStart();
    if (duration_ == 0.0f) target_->setPosition(end_);
}

void RotateAction::setup(const Attributes& attributes) {
    IntervalAction::setup(attributes);
    angle_ = attribute(attributes, "angle", angle_);
}

void RotateAction::onStart() {
    start_ = target_->getRotation();
    end_ = start_ + angle_;
    IntervalAction::onStart();
}

void RotateAction::update(float t) { target_->setRotation(start_ + t * angle_); }

RotateToAction::RotateToAction(float angle, float duration) {
    setDuration(duration);
    end_ = angle;
}

void RotateToAction::setup(const Attributes& attributes) {
    IntervalAction::setup(attributes);
    end_ = attribute(attributes, "angle", end_);
}

void RotateToAction::onStart() {
    start_ = target_->getRotation();
    angle_ = end_ - start_;
    IntervalAction::onStart();
}

void ScaleAction::setup(const Attributes& attributes) {
    IntervalAction::setup(attributes);
    end_ = {attribute(attributes, "x", end_.x), attribute(attributes, "y", end_.y)};
}

void ScaleAction::onStart() {
    start_ = target_->getScale();
    change_ = end_ - start_;
    IntervalAction::onStart();
}

void ScaleAction::update(float t) { target_->setScale(start_ + t * change_); }

void ColorAction::setup(const Attributes& attributes) {
    IntervalAction::setup(attributes);
    const auto color = attributes.find("color");
    if (color != attributes.end()) end_ = Color(color->second.toString());
}

void ColorAction::onStart() {
    start_ = target_->getColor();
    IntervalAction::onStart();
    if (duration_ == 0.0f) target_->setColor(end_);
}

void ColorAction::update(float t) { target_->setColor(Color::lerp(start_, end_, t)); }

void FunctionAction::onStart() { function_(target_.get()); }

StateSwitchAction::StateSwitchAction(const Node::State& from, const Node::State& to, float duration)
    : IntervalAction(duration), from_(from), to_(to) {}

void StateSwitchAction::onStart() {
    if (to_.hasVisible && to_.visible) target_->setVisible(true);
    if (to_.hasEnabled) target_->setEnabled(to_.enabled);
    IntervalAction::onStart();
}

void StateSwitchAction::update(float t) {
    Node& node = *target_;
    const auto mix = [t](auto from, auto to) { return from + (to - from) * t; };
    if (to_.hasPosition) node.setPosition(mix(from_.position, to_.position));
    if (to_.hasX) node.setPosition(mix(from_.position.x, to_.position.x), node.getPosition().y);
    if (to_.hasY) node.setPosition(node.getPosition().x, mix(from_.position.y, to_.position.y));
    if (to_.hasSize) node.setSize(mix(from_.size, to_.size));
    if (to_.hasScale) node.setScale(mix(from_.scale, to_.scale));
    if (to_.hasAngle) node.setRotation(mix(from_.angle, to_.angle));
    if (to_.hasColor) node.setColor(Color::lerp(from_.color, to_.color, t));
    // Progress is exactly 1 only at the end (the easing action sees to that).
    if (to_.hasVisible && !to_.visible && t == 1.0f) node.setVisible(false);
}

} // namespace vorn
