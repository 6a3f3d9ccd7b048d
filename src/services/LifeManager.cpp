#include "services/LifeManager.h"

#include "core/Config.h"
#include "core/DataSource.h"
#include "core/EventDispatcher.h"
#include "services/LocalNotifications.h"
#include "core/Log.h"
#include "core/Scheduler.h"
#include "services/User.h"
#include "services/UserManager.h"

#include <chrono>
#include <new>
#include <exception>

namespace vorn {

namespace {

constexpr std::int64_t kSecond = 1000000000;
// A century: longer settings could not be counted in nanoseconds.
constexpr long long kLongestSetting = 100LL * 366 * 24 * 3600;

std::function<std::int64_t()>& clock() {
    static std::function<std::int64_t()> c;
    return c;
}

long long configured(const char* key, long long fallback) {
    const Value& v = Config::instance()->get(key);
    if (v.isNil()) return fallback;
    long long n = fallback;
    try {
        n = v.asLongLong();
    } catch (const std::exception&) {
        log("LifeManager: \"%s\" is not a number, %lld used", key, fallback);
        return fallback;
    }
    if (n < 1 || n > kLongestSetting) {
        log("LifeManager: \"%s\" = %lld is out of range, %lld used", key, n, fallback);
        return fallback;
    }
    return n;
}

long long integerOf(const Value& v) {
    try {
        return v.asLongLong();
    } catch (const std::exception&) {
        return 0;
    }
}

DataSource* livesSource() { return DataSource::get("@lm.lives"); }

} // namespace

namespace {

LifeManager* made = nullptr;
bool remakeAtNextUse = false;

} // namespace

LifeManager* LifeManager::instance() {
    static LifeManager* manager = made = new LifeManager();
    if (remakeAtNextUse) {
        remakeAtNextUse = false;
        manager->~LifeManager();
        new (manager) LifeManager();
    }
    return manager;
}

void LifeManager::resetForTests() {
    clock() = nullptr;
    if (made == nullptr) return;
    Scheduler::instance()->remove(&made->timer_);
    remakeAtNextUse = true;
}

void LifeManager::setClock(std::function<std::int64_t()> c) { clock() = std::move(c); }

std::int64_t LifeManager::now() {
    if (clock()) return clock()();
    using namespace std::chrono;
    return duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
}

LifeManager::LifeManager()
    : timer_(1.0f, [this] {
          update();
          timer_.start();
      }) {
    lifeAddInterval_ = configured("lifeManager.lifeAddInterval", 30);
    unlimitedLivesDuration_ = configured("lifeManager.unlimitedLivesDuration", 7200);
    refillStart_ = now();
    DataSource::get("@lm.state")->set(Value("full"));
    livesSource()->set(Value(maxLives_));
    load();
    // The new player's lives are shown at once, not at the next tick.
    EventDispatcher::instance()->addListener(UserManager::instance(), typeid(UserManager::SelectedUserChangedEvent),
                                             [this](Event*) { update(); });
    timer_.start();
    update();
    scheduleNotifications();
}

long long LifeManager::lives() const { return integerOf(livesSource()->value()); }

void LifeManager::setLives(long long n) { livesSource()->set(Value(n)); }

bool LifeManager::isFull() const { return lives() >= maxLives_; }

bool LifeManager::hasLife() const { return lives() > 0; }

bool LifeManager::canAddLife() const { return lives() < maxLives_; }

bool LifeManager::follow(const char* action) {
    const User* user = UserManager::instance()->currentUser();
    if (user == nullptr) {
        if (action != nullptr) log("LifeManager::%s: no player selected", action);
        return false;
    }
    if (user != owner_) load();
    return true;
}

void LifeManager::load() {
    User* user = UserManager::instance()->currentUser();
    owner_ = user;
    if (user == nullptr) {
        log("LifeManager::load: no player selected");
        return;
    }
    long long saved = user->getResource("lives").amount();
    if (saved < 0) {
        log("LifeManager::load: %lld lives read as 0", saved);
        saved = 0;
    }
    setLives(saved);
    const std::int64_t t = now();
    const long long start = integerOf(user->getValue("lifeManagerStart"));
    refillStart_ = start != 0 ? start * kSecond : t;
    const long long due = integerOf(user->getValue("lifeManagerUnlimitedDue"));
    if (due != 0) {
        unlimitedDue_ = due * kSecond;
        unlimited_ = t < unlimitedDue_;
    } else {
        // Another player's unlimited period is not this one's.
        unlimitedDue_ = t;
        unlimited_ = false;
    }
    updateState();
}

void LifeManager::save() {
    User* user = UserManager::instance()->currentUser();
    if (user == nullptr) {
        log("LifeManager::save: no player selected");
        return;
    }
    user->getResource("lives").set(lives());
    user->setValue(Value(isFull() ? 0LL : static_cast<long long>(refillStart_ / kSecond)), "lifeManagerStart");
    user->setValue(Value(unlimited_ ? static_cast<long long>(unlimitedDue_ / kSecond) : 0LL), "lifeManagerUnlimitedDue");
    UserManager::instance()->userDataChanged();
    scheduleNotifications();
}

void LifeManager::update() {
    const User* before = owner_;
    if (!follow(nullptr)) return;
    if (owner_ != before) scheduleNotifications();
    const bool full = isFull();
    if (full && !unlimited_) return;
    if (unlimited_) {
        if (now() >= unlimitedDue_) {
            setUnlimited(false);
            return;
        }
        DataSource::get("@lm.unlimitedTime")->set(Value(static_cast<long long>((unlimitedDue_ - now()) / kSecond)));
        return;
    }
    const std::int64_t interval = lifeAddInterval_ * kSecond;
    while (!isFull() && now() >= refillStart_ + interval) {
        setLives(lives() + 1);
        refillStart_ += interval;
        updateState();
        save();
    }
    if (!isFull()) {
        DataSource::get("@lm.lifeAddTime")->set(Value(static_cast<long long>((refillStart_ + interval - now()) / kSecond)));
    }
}

void LifeManager::updateState() {
    const char* state = unlimited_ ? "unlimited" : (isFull() ? "full" : "wait");
    DataSource::get("@lm.state")->set(Value(state));
    DataSource::get("@lm.hasLife")->set(Value(hasLife()));
}

void LifeManager::addLife() {
    if (!follow("addLife") || isFull()) return;
    setLives(lives() + 1);
    refillStart_ = now();
    updateState();
    save();
    update();
}

void LifeManager::useLife() {
    if (!follow("useLife") || unlimited_ || lives() <= 0) return;
    const bool wasFull = isFull();
    setLives(lives() - 1);
    // The refill clock starts with the first life missing; a clock left over
    // from the last refill would hand the life straight back. A clock set
    // back in time starts it again too.
    if (wasFull || refillStart_ > now()) refillStart_ = now();
    updateState();
    save();
    update();
}

void LifeManager::setUnlimited(bool on) {
    if (!follow("setUnlimited")) return;
    if (!unlimited_ && on) {
        unlimitedDue_ = now() + unlimitedLivesDuration_ * kSecond;
        while (!isFull()) addLife();
    }
    unlimited_ = on;
    updateState();
    save();
    update();
}

void LifeManager::scheduleNotifications() {
    LocalNotifications* notifications = LocalNotifications::instance();
    const long long n = lives();
    const std::int64_t interval = lifeAddInterval_ * kSecond;
    if (isFull() || unlimited_) {
        notifications->cancelAll();
    } else if (n == maxLives_ - 1) {
        notifications->cancelAll();
        notifications->schedule(refillStart_ + interval, "Lives are fully recharged. Continue your journey!");
    } else if (n <= 0) {
        notifications->cancelAll();
        notifications->schedule(refillStart_ + interval, "Hurry up! You have got another life");
        notifications->schedule(refillStart_ + maxLives_ * interval, "Lives are fully recharged. Continue your journey!");
    }
}

} // namespace vorn
