#include "services/AchievementManager.h"

#include "core/DataSource.h"
#include "core/Log.h"
#include "core/ResourceManager.h"
#include "core/Value.h"

#include <exception>

namespace vorn {

std::function<void(const std::string&)> AchievementManager::earnedCallback_;

namespace {

long long integerOf(const Value& v, const std::string& id, const char* key) {
    try {
        return v.asLongLong();
    } catch (const std::exception&) {
        log("achievements.plist: \"%s\" of %s is not a number, read as 0", key, id.c_str());
        return 0;
    }
}

std::string textOf(const Value& v) {
    return v.type() == Value::ARRAY || v.type() == Value::DICT ? std::string() : v.toString();
}

} // namespace

namespace {

AchievementManager* made = nullptr;
bool readAtNextUse = false;

} // namespace

AchievementManager* AchievementManager::instance() {
    static AchievementManager* manager = made = new AchievementManager();
    if (readAtNextUse) {
        readAtNextUse = false;
        manager->load();
    }
    return manager;
}

void AchievementManager::resetForTests() {
    earnedCallback_ = nullptr;
    if (made == nullptr) return;
    for (Achievement* a : made->achievements_) delete a;
    made->achievements_.clear();
    made->indexById_.clear();
    readAtNextUse = true;
}

AchievementManager::AchievementManager() { load(); }

void AchievementManager::setEarnedCallback(std::function<void(const std::string&)> callback) {
    earnedCallback_ = std::move(callback);
}

void AchievementManager::load() {
    const Value list = Value::fromPlistFile(ResourceManager::instance()->getPath("data/achievements.plist"));
    if (list.isSet() && list.type() != Value::ARRAY) {
        log("achievements.plist: not a list of achievements, none read");
        return;
    }
    for (unsigned i = 0; i < list.size(); ++i) {
        const Value& entry = list.at(i);
        if (entry.type() != Value::DICT) {
            log("achievements.plist: entry %u is not a dictionary, skipped", i + 1);
            continue;
        }
        auto* a = new Achievement();
        a->ID = textOf(entry.get("ID"));
        a->title = textOf(entry.get("title"));
        a->description = textOf(entry.get("description"));
        a->earnedDescription = textOf(entry.get("earnedDescription"));
        a->reward = integerOf(entry.get("reward"), a->ID, "reward");
        a->hasCount = entry.get("count").isSet();
        a->targetCount = a->hasCount ? integerOf(entry.get("count"), a->ID, "count") : 0;
        append(a);
        updateDataSource(a->ID);
    }
}

Achievement& AchievementManager::append(Achievement* a) {
    achievements_.push_back(a);
    indexById_[a->ID] = achievements_.size() - 1;
    return *a;
}

Achievement& AchievementManager::achievement(const std::string& id) {
    auto it = indexById_.find(id);
    if (it != indexById_.end()) return *achievements_[it->second];
    auto* a = new Achievement();
    a->ID = id;
    return append(a);
}

void AchievementManager::updateDataSource(const std::string& id) {
    Achievement& a = achievement(id);
    const float c = a.completion();
    const std::string prefix = "@achievements." + id;
    if (c >= 100.0f) {
        DataSource::get(prefix + ".state")->set(Value(a.isRewarded() ? "rewarded" : "earned"));
        // A callback meant for one earning may clear or replace itself.
        if (const auto callback = earnedCallback_) callback(id);
    } else {
        DataSource::get(prefix + ".state")->set(Value("not_earned"));
    }
    DataSource::get(prefix + ".completion")->set(Value(c / 100.0f));
    long long waiting = 0;
    for (Achievement* other : achievements_) {
        if (other->completion() >= 100.0f && !other->isRewarded()) ++waiting;
    }
    DataSource::get("@achievements.has_rewards")->set(Value(waiting > 0));
    DataSource::get("@achievements.rewards_count")->set(Value(waiting));
}

void AchievementManager::refreshAll() {
    for (Achievement* a : achievements_) {
        a->completionCached = false;
        a->rewardedCached = false;
    }
    for (std::size_t i = 0; i < achievements_.size(); ++i) updateDataSource(achievements_[i]->ID);
}

} // namespace vorn
