#pragma once

#include "core/Timer.h"

#include <cstdint>
#include <functional>

namespace vorn {

class User;

// The selected player's lives: at most five, one more each refill interval
// until full, and periods of unlimited lives. Ticks once a second, publishes
// "@lm." data sources and saves into the profile after every change. It
// follows the selected profile: when another player is selected, that
// player's lives are read before anything else happens.
class LifeManager {
public:
    static LifeManager* instance();
    LifeManager(const LifeManager&) = delete;
    LifeManager& operator=(const LifeManager&) = delete;

    // The clock lives are counted on: system time in nanoseconds since the
    // epoch. For tests; set before the manager is made. Empty: the real one.
    static void setClock(std::function<std::int64_t()> clock);

    // For tests: the real clock again, the manager off the scheduler, and
    // the next instance() makes it afresh (in place) from the configuration
    // and the selected profile of that moment. Its listener is the event
    // dispatcher's, which a test reset clears as well. Does nothing to a
    // manager never made.
    static void resetForTests();

    long long lives() const;
    bool isFull() const;
    bool hasLife() const;
    bool canAddLife() const;
    bool isUnlimited() const { return unlimited_; }

    void addLife();
    void useLife();
    void setUnlimited(bool on);

    void update();
    void updateState();
    void load();
    void save();
    void scheduleNotifications();

private:
    LifeManager();

    static std::int64_t now();
    void setLives(long long n);
    // Reads the selected profile when it is not the one read last; false
    // (with a log line when asked) while no profile is selected.
    bool follow(const char* action);

    Timer timer_;
    std::int64_t refillStart_ = 0;
    bool unlimited_ = false;
    std::int64_t unlimitedDue_ = 0;
    long long initialLives_ = 5;
    long long maxLives_ = 5;
    long long lifeAddInterval_ = 30;
    long long unlimitedLivesDuration_ = 7200;
    // The profile whose lives are held; compared only, never used.
    const User* owner_ = nullptr;
};

} // namespace vorn
