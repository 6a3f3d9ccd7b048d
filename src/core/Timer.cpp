#include "core/Timer.h"

#include <utility>

namespace vorn {

Timer::Timer(float interval, std::function<void()> callback)
    : interval_(interval), callback_(std::move(callback)) {}

void Timer::start() {
    if (running_) {
        return;
    }
    running_ = true;
    fired_ = false;
    elapsed_ = 0.0f;
    Scheduler::instance()->add(this);
}

void Timer::onUpdate(float dt) {
    if (!running_) {
        return;
    }
    elapsed_ += dt;
    if (!(elapsed_ > interval_)) {
        return;
    }
    Scheduler::instance()->remove(this);
    running_ = false;
    fired_ = true;
    if (callback_) {
        // The callback may destroy the timer's owner and the timer with it,
        // so it runs from a copy and nothing here is touched afterwards.
        std::function<void()> callback = callback_;
        callback();
    }
}

} // namespace vorn
