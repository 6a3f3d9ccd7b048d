#include "services/Achievement.h"

#include "services/AchievementManager.h"
#include "core/Localization.h"
#include "core/Locale.h"
#include "services/User.h"
#include "services/UserManager.h"

#include <cmath>
#include <exception>

namespace vorn {

namespace {

User* selected() { return UserManager::instance()->currentUser(); }

float floatOf(const Value& v) {
    try {
        return v.asFloat();
    } catch (const std::exception&) {
        return 0.0f;
    }
}

long long integerOf(const Value& v) {
    try {
        return v.asLongLong();
    } catch (const std::exception&) {
        return 0;
    }
}

} // namespace

float Achievement::completion() {
    if (completionCached) return cachedCompletion;
    User* user = selected();
    if (user == nullptr) return 0.0f;
    cachedCompletion = floatOf(user->getOrCreate("achievementCompletions", Value::DICT).get(ID));
    completionCached = true;
    return cachedCompletion;
}

bool Achievement::isRewarded() {
    if (rewardedCached) return cachedRewarded;
    cachedRewarded = false;
    if (User* user = selected()) {
        const Value& rewards = user->getOrCreate("achievementRewards", Value::ARRAY);
        for (unsigned i = 0; i < rewards.size(); ++i) {
            if (rewards.at(i).type() != Value::ARRAY && rewards.at(i).type() != Value::DICT &&
                rewards.at(i).toString() == ID) {
                cachedRewarded = true;
                break;
            }
        }
    }
    rewardedCached = true;
    return cachedRewarded;
}

long long Achievement::currentCount() {
    User* user = selected();
    if (!hasCount || user == nullptr) return 0;
    return integerOf(user->getOrCreate("achievementCounts", Value::DICT).get(ID));
}

void Achievement::setCompletion(float percent) {
    if (completionCached && cachedCompletion == percent) return;
    User* user = selected();
    if (user == nullptr) return;
    Value& table = user->getOrCreate("achievementCompletions", Value::DICT);
    if (floatOf(table.get(ID)) == percent) return;
    table.set(Value(percent), ID);
    cachedCompletion = percent;
    completionCached = true;
    AchievementManager::instance()->updateDataSource(ID);
    UserManager::instance()->userDataChanged();
}

void Achievement::setCountCompletion(long long n) {
    float percent = 100.0f;
    if (n <= targetCount && targetCount != 0) {
        percent = static_cast<float>(static_cast<long double>(n) * 100.0L / static_cast<long double>(targetCount));
    }
    setCompletion(percent);
}

void Achievement::raiseCount(long long n) {
    User* user = selected();
    if (!hasCount || user == nullptr || n <= currentCount()) return;
    user->getOrCreate("achievementCounts", Value::DICT).set(Value(n), ID);
    setCountCompletion(n);
}

void Achievement::addCount(long long delta) {
    User* user = selected();
    if (!hasCount || user == nullptr) return;
    long long n = 0;
    if (__builtin_add_overflow(currentCount(), delta, &n)) return;
    user->getOrCreate("achievementCounts", Value::DICT).set(Value(n), ID);
    setCountCompletion(n);
}

void Achievement::collectReward(const std::string& resource) {
    User* user = selected();
    if (user == nullptr || completion() < 100.0f || isRewarded()) return;
    user->getResource(resource).add(reward);
    user->getOrCreate("achievementRewards", Value::ARRAY).push_back(Value(ID));
    UserManager::instance()->userDataChanged();
    cachedRewarded = true;
    rewardedCached = true;
    AchievementManager::instance()->updateDataSource(ID);
}

void Achievement::collectGoldReward() { collectReward("gold"); }

std::string Achievement::localizedTitle() const {
    return Localization::instance()->current()->text("achievement_" + ID + "_title", title);
}

std::string Achievement::localizedDescription() const {
    return Localization::instance()->current()->text("achievement_" + ID + "_description", description);
}

std::string Achievement::localizedEarnedDescription() const {
    return Localization::instance()->current()->text("achievement_" + ID + "_edescription", earnedDescription);
}

} // namespace vorn
