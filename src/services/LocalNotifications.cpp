#include "services/LocalNotifications.h"

namespace vorn {

LocalNotifications* LocalNotifications::instance() {
    static LocalNotifications* notifications = new LocalNotifications();
    return notifications;
}

void LocalNotifications::cancelAll() { scheduled_.clear(); }

void LocalNotifications::schedule(std::int64_t when, const std::string& text) { scheduled_.emplace_back(when, text); }

} // namespace vorn
