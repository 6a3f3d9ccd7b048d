#pragma once

#include "services/Achievement.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace vorn {

// The achievements listed in "data/achievements.plist", and their state for
// the selected profile, published as "@achievements." data sources.
class AchievementManager {
public:
    // Made, and the list read, on first use.
    static AchievementManager* instance();
    AchievementManager(const AchievementManager&) = delete;
    AchievementManager& operator=(const AchievementManager&) = delete;

    // The achievement of that ID; an unknown ID gets a new empty one.
    Achievement& achievement(const std::string& id);
    const std::vector<Achievement*>& achievements() const { return achievements_; }
    // Publishes ".state", ".completion" and the two reward counts.
    void updateDataSource(const std::string& id);
    // Forgets the caches and publishes every achievement anew.
    void refreshAll();

    // Called with the ID whenever an achievement is published as complete.
    static void setEarnedCallback(std::function<void(const std::string&)> callback);

    // For tests: no achievement and no earned callback; the list is read
    // again at the next instance(). Does nothing when never made.
    static void resetForTests();

private:
    AchievementManager();
    void load();
    Achievement& append(Achievement* a);

    std::vector<Achievement*> achievements_;
    std::map<std::string, std::size_t> indexById_;
    static std::function<void(const std::string&)> earnedCallback_;
};

} // namespace vorn
