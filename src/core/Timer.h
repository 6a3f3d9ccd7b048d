#pragma once

#include "core/Scheduler.h"

#include <functional>

namespace vorn {

// A one-shot delay on the scheduler. Once more than the interval has passed
// since start(), the timer takes itself off the scheduler and runs its
// callback, which may start it again. At most one firing per frame; time
// past the interval is dropped.
class Timer : public Scheduleable {
public:
    Timer(float interval, std::function<void()> callback);
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Does nothing while running: the count is not restarted.
    void start();
    void onUpdate(float dt) override;

    float interval() const { return interval_; }
    bool isRunning() const { return running_; }
    bool hasFired() const { return fired_; }
    float elapsed() const { return elapsed_; }

private:
    float interval_;
    bool running_ = false;
    bool fired_ = false;
    float elapsed_ = 0.0f;
    std::function<void()> callback_;
};

} // namespace vorn
