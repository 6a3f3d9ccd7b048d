#pragma once

#include <string>

namespace vorn {

// One achievement of "data/achievements.plist". Its progress lives in the
// selected profile ("achievementCompletions", "achievementCounts",
// "achievementRewards"); the two caches are dropped whenever the selected
// profile changes.
struct Achievement {
    std::string ID;
    std::string title;
    std::string description;
    std::string earnedDescription;
    long long reward = 0;
    bool hasCount = false;
    long long targetCount = 0;
    bool completionCached = false;
    float cachedCompletion = 0.0f;
    bool rewardedCached = false;
    bool cachedRewarded = false;

    // In percent; 0 with no profile selected.
    float completion();
    bool isRewarded();
    long long currentCount();
    // The one progress call the game makes; saves when the value changes.
    void setCompletion(float percent);
    // Progress of counted achievements: raising only goes up, adding goes
    // either way.
    void raiseCount(long long n);
    void addCount(long long delta);
    // Adds the reward to the resource once the achievement is complete.
    void collectReward(const std::string& resource);
    void collectGoldReward();

    std::string localizedTitle() const;
    std::string localizedDescription() const;
    std::string localizedEarnedDescription() const;

private:
    void setCountCompletion(long long n);
};

} // namespace vorn
