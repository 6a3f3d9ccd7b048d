#include "scene/CompositeActions.h"

#include "scene/Easing.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace vorn {

namespace {

std::unique_ptr<IntervalAction> asInterval(std::unique_ptr<Action> action) {
    if (auto* interval = dynamic_cast<IntervalAction*>(action.get())) {
        action.release();
        return std::unique_ptr<IntervalAction>(interval);
    }
    return nullptr;
}

} // namespace

Sequence::Sequence(IntervalAction* const* actions, int count) {
    for (int i = 0; i < count; ++i) append(std::unique_ptr<IntervalAction>(actions[i]));
}

void Sequence::append(std::unique_ptr<IntervalAction> action) {
    if (!action) return;
    const float start = duration_;
    const float end = start + action->getDuration();
    entries_.push_back(Entry{start, end, std::move(action)});
    duration_ = end;
}

void Sequence::addChild(std::unique_ptr<Action> child) { append(asInterval(std::move(child))); }

void Sequence::onStart() {
    referenceT_ = 0.0f;
    current_ = 0;
    // Started over (by a repeat): every child starts again when reached,
    // so a function in it is called every time round.
    for (Entry& entry : entries_) entry.action->stop();
    IntervalAction::onStart();
}

bool Sequence::isDone() const {
    return IntervalAction::isDone() && current_ >= static_cast<int>(entries_.size()) - 1;
}

void Sequence::update(float t) {
    if (entries_.empty()) return;
    const float T = t * duration_;
    const bool forward = t > referenceT_;
    const float edge = forward ? 1.0f : 0.0f;
    const int stepBy = forward ? 1 : -1;
    const int count = static_cast<int>(entries_.size());
    for (;;) {
        Entry& entry = entries_[static_cast<std::size_t>(current_)];
        if (!entry.action->isStarted()) entry.action->start(target_);
        if (entry.end != entry.start) {
            const float local = (T - entry.start) / (entry.end - entry.start);
            entry.action->update(local > 0.0f ? local : 0.0f);
            if (!(local >= 1.0f)) return;
        }
        const int next = current_ + stepBy;
        if (next < 0 || next >= count) {
            // A last child without duration still gets its final update.
            if (forward && entry.end == entry.start) entry.action->update(edge);
            return;
        }
        entry.action->update(edge);
        current_ = next;
    }
}

bool Sequence::holds(std::type_index type) const {
    return Action::holds(type) ||
           std::any_of(entries_.begin(), entries_.end(), [type](const Entry& e) { return e.action->holds(type); });
}

Spawn::Spawn(IntervalAction* const* actions, int count) {
    for (int i = 0; i < count; ++i) {
        if (!actions[i]) continue;
        duration_ = std::max(duration_, actions[i]->getDuration());
        children_.emplace_back(actions[i]);
    }
}

void Spawn::addChild(std::unique_ptr<Action> child) {
    std::unique_ptr<IntervalAction> interval = asInterval(std::move(child));
    if (!interval) return;
    duration_ = std::max(duration_, interval->getDuration());
    children_.push_back(std::move(interval));
}

void Spawn::onStart() {
    for (const auto& child : children_) child->stop();
    duration_ = 0.0f;
    for (const auto& child : children_) duration_ = std::max(duration_, child->getDuration());
    IntervalAction::onStart();
}

void Spawn::update(float t) {
    const float T = t * duration_;
    for (const auto& child : children_) {
        if (!child->isStarted()) child->start(target_);
        const float d = child->getDuration();
        const float q = d != 0.0f ? T / d : 1.0f;
        child->update(q < 1.0f ? q : 1.0f);
    }
}

bool Spawn::holds(std::type_index type) const {
    return Action::holds(type) ||
           std::any_of(children_.begin(), children_.end(), [type](const auto& c) { return c->holds(type); });
}

RepeatAction::RepeatAction(IntervalAction* inner) : inner_(inner) {}

void RepeatAction::addChild(std::unique_ptr<Action> child) {
    if (std::unique_ptr<IntervalAction> interval = asInterval(std::move(child))) inner_ = std::move(interval);
}

void RepeatAction::onStart() {
    if (inner_) inner_->start(target_);
}

bool RepeatAction::isDone() const { return !inner_ && started_; }

void RepeatAction::step(float dt) {
    if (!inner_) return;
    inner_->step(dt);
    if (inner_->isDone()) {
        const float overshoot = inner_->getElapsed() - inner_->getDuration();
        inner_->restart();
        inner_->step(overshoot);
    }
}

bool RepeatAction::holds(std::type_index type) const { return Action::holds(type) || (inner_ && inner_->holds(type)); }

EasingAction::EasingAction(IntervalAction* inner) : inner_(inner) {
    if (inner_) duration_ = inner_->getDuration();
}

EasingAction::EasingAction(IntervalAction* inner, Curve curve) : EasingAction(inner) { curve_ = std::move(curve); }

void EasingAction::setup(const Attributes& attributes) {
    IntervalAction::setup(attributes);
    const auto function = attributes.find("function");
    if (function != attributes.end()) curve_ = easingByName(function->second.toString());
}

void EasingAction::addChild(std::unique_ptr<Action> child) {
    if (std::unique_ptr<IntervalAction> interval = asInterval(std::move(child))) {
        inner_ = std::move(interval);
        duration_ = inner_->getDuration();
    }
}

void EasingAction::onStart() {
    if (inner_) inner_->start(target_);
    IntervalAction::onStart();
}

void EasingAction::update(float t) {
    if (!inner_) return;
    if (t >= 1.0f) {
        // The end is exactly 1 to the inner action, whatever rounding the
        // curve gives there.
        inner_->update(1.0f);
        return;
    }
    float eased = curve_ ? curve_(t) : t;
    // Exactly 1 means the end (a switch into a hidden state hides then), so
    // a curve that touches 1 on its way passes just below it.
    if (eased == 1.0f) eased = std::nextafter(1.0f, 0.0f);
    inner_->update(eased);
}

bool EasingAction::holds(std::type_index type) const { return Action::holds(type) || (inner_ && inner_->holds(type)); }

} // namespace vorn
