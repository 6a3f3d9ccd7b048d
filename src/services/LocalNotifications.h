#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace vorn {

// Reminders shown by the system at a given time. This platform shows none;
// what the game asked for is kept, so it can be looked at.
class LocalNotifications {
public:
    static LocalNotifications* instance();
    LocalNotifications(const LocalNotifications&) = delete;
    LocalNotifications& operator=(const LocalNotifications&) = delete;

    void cancelAll();
    // when: system time in nanoseconds since the epoch.
    void schedule(std::int64_t when, const std::string& text);

    const std::vector<std::pair<std::int64_t, std::string>>& scheduled() const { return scheduled_; }

private:
    LocalNotifications() = default;
    std::vector<std::pair<std::int64_t, std::string>> scheduled_;
};

} // namespace vorn
