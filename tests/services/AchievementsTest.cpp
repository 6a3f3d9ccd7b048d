// Achievements: from completions and counts to states, data sources,
// rewards and the selected profile's record.
#include "services/AchievementManager.h"
#include "core/DataSource.h"
#include "services/User.h"
#include "services/UserManager.h"

#include "ServicesFixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vorn::AchievementManager;
using vorn::DataSource;
using vorn::UserManager;
using vorn::Value;

const char* kList = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<array>"
                    "<dict><key>ID</key><string>show_me</string><key>title</key><string>Show me</string>"
                    "<key>reward</key><integer>50</integer></dict>"
                    "<dict><key>ID</key><string>ten_wins</string><key>title</key><string>Ten wins</string>"
                    "<key>count</key><integer>10</integer><key>reward</key><integer>5</integer></dict>"
                    "<string>stray</string>"
                    "</array>\n</plist>\n";

// Counts the users file's writes.
struct CountingSaver : UserManager::Saver {
    void save(const std::string&, const vorn::Data&) override { ++saves; }
    int saves = 0;
};

class Achievements : public vorn::test::ServicesTest {
protected:
    Achievements() {
        writeData("data/achievements.plist", kList);
        UserManager::setSaver(&saver);
    }
    ~Achievements() override { UserManager::setSaver(nullptr); }

    static vorn::Achievement& get(const std::string& id) { return AchievementManager::instance()->achievement(id); }
    static Value source(const std::string& name) { return DataSource::get("@achievements." + name)->value(); }
    vorn::User* player(const std::string& name) {
        vorn::User* user = UserManager::instance()->addUser(name);
        frame();
        frame();
        return user;
    }
    // Saves caused by the action, each in a frame of its own.
    int savesOf(const std::function<void()>& action) {
        const int before = saver.saves;
        action();
        UserManager::instance()->flushPendingSave();
        return saver.saves - before;
    }

    CountingSaver saver;
};

TEST_F(Achievements, CompletionSetsStateAndRewardCounts) {
    vorn::User* p1 = player("P1");
    EXPECT_EQ(source("show_me.state"), Value("not_earned"));
    EXPECT_EQ(savesOf([] { get("show_me").setCompletion(50.0f); }), 1);
    EXPECT_EQ(savesOf([] { get("show_me").setCompletion(50.0f); }), 0);
    EXPECT_EQ(source("show_me.completion"), Value(0.5f));

    get("show_me").setCompletion(100.0f);
    EXPECT_EQ(source("show_me.state"), Value("earned"));
    EXPECT_EQ(source("show_me.completion"), Value(1.0f));
    EXPECT_EQ(source("has_rewards"), Value(true));
    EXPECT_EQ(source("rewards_count"), Value(1LL));
    EXPECT_EQ(p1->getValue("achievementCompletions").get("show_me"), Value(100.0f));

    p1->getResource("gold").set(10);
    get("show_me").collectGoldReward();
    EXPECT_EQ(p1->getResource("gold").amount(), 60);
    EXPECT_EQ(source("show_me.state"), Value("rewarded"));
    EXPECT_EQ(source("rewards_count"), Value(0LL));
    EXPECT_EQ(p1->getValue("achievementRewards").at(0), Value("show_me"));
    get("show_me").collectGoldReward();
    EXPECT_EQ(p1->getResource("gold").amount(), 60);
    // Falling below 100 brings it back; reaching it again shows it rewarded.
    get("show_me").setCompletion(20.0f);
    EXPECT_EQ(source("show_me.state"), Value("not_earned"));
    get("show_me").setCompletion(100.0f);
    EXPECT_EQ(source("show_me.state"), Value("rewarded"));
}

TEST_F(Achievements, CountedAchievementsRaiseAndAdd) {
    vorn::User* p1 = player("P1");
    vorn::Achievement& wins = get("ten_wins");
    EXPECT_TRUE(wins.hasCount);
    wins.raiseCount(5);
    EXPECT_FLOAT_EQ(wins.completion(), 50.0f);
    wins.raiseCount(3);
    EXPECT_EQ(wins.currentCount(), 5);
    wins.raiseCount(12);
    EXPECT_EQ(wins.currentCount(), 12);
    EXPECT_FLOAT_EQ(wins.completion(), 100.0f);
    wins.addCount(-9);
    EXPECT_EQ(p1->getValue("achievementCounts").get("ten_wins"), Value(3LL));
    EXPECT_FLOAT_EQ(wins.completion(), 30.0f);
    // Not counted: counts change nothing.
    get("show_me").raiseCount(4);
    EXPECT_EQ(get("show_me").currentCount(), 0);
}

TEST_F(Achievements, AnUnknownIdIsMadeOnDemandAndCounts) {
    player("P1");
    get("secret").setCompletion(100.0f);
    EXPECT_EQ(source("secret.state"), Value("earned"));
    EXPECT_EQ(source("rewards_count"), Value(1LL));
    EXPECT_EQ(AchievementManager::instance()->achievements().size(), 3u);
}

TEST_F(Achievements, SwitchingPlayersRepublishesForTheNewOne) {
    player("P1");
    get("show_me").setCompletion(100.0f);
    vorn::User* p2 = player("P2");
    EXPECT_EQ(source("show_me.state"), Value("not_earned"));
    EXPECT_EQ(source("show_me.completion"), Value(0.0f));
    EXPECT_EQ(p2->getValue("achievementCompletions").type(), Value::DICT);
    UserManager::instance()->selectUser(UserManager::instance()->users()[0]);
    EXPECT_EQ(source("show_me.state"), Value("earned"));
}

// A callback meant for one earning clears itself, or hands over to another,
// and then reads its own capture (too long for std::function's inline
// buffer, so a closure freed under it is caught).
TEST_F(Achievements, AnEarnedCallbackMayClearOrReplaceItself) {
    struct Reset {
        ~Reset() { AchievementManager::setEarnedCallback(nullptr); }
    } reset;
    for (const bool replace : {false, true}) {
        SCOPED_TRACE(replace ? "replaced" : "cleared");
        player(replace ? "P2" : "P1");
        std::vector<std::string> heard;
        const std::string tag = "the first callback, with a capture longer than any inline buffer";
        AchievementManager::setEarnedCallback([&heard, tag, replace](const std::string& id) {
            if (replace) AchievementManager::setEarnedCallback([&heard](const std::string& next) { heard.push_back(next); });
            else AchievementManager::setEarnedCallback(nullptr);
            heard.push_back(tag + " " + id);
        });
        get("show_me").setCompletion(100.0f);
        get("ten_wins").raiseCount(10);
        EXPECT_EQ(heard, replace ? (std::vector<std::string>{tag + " show_me", "ten_wins"})
                                 : (std::vector<std::string>{tag + " show_me"}));
        AchievementManager::setEarnedCallback(nullptr);
    }
}

TEST_F(Achievements, WithNoPlayerEverythingReadsZeroAndNothingChanges) {
    vorn::Achievement& a = get("show_me");
    EXPECT_EQ(a.completion(), 0.0f);
    EXPECT_EQ(savesOf([&] {
                  a.setCompletion(100.0f);
                  a.collectGoldReward();
                  get("ten_wins").raiseCount(20);
              }),
              0);
    EXPECT_EQ(source("show_me.state"), Value("not_earned"));
}

TEST_F(Achievements, ALocaleTextReplacesTheFilesText) {
    writeData("data/locales/locales.txt", "en\n");
    writeData("data/default_locale.txt", "en");
    writeData("data/locales/en/texts.strings", "\"achievement_show_me_title\" = \"Look!\";\n");
    EXPECT_EQ(get("show_me").localizedTitle(), "Look!");
    EXPECT_EQ(get("ten_wins").localizedTitle(), "Ten wins");
}

} // namespace
