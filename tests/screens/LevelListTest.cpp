// The level list read from levels.json texts, the stars a score is worth,
// and the selected player's next level and stars.
#include "services/User.h"
#include "services/UserManager.h"
#include "screens/Level.h"
#include "screens/LevelList.h"
#include "support/HeadlessApp.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vorn::test::LogCapture;

// One well-formed entry on the first real layout.
std::string entry(const std::string& uid, long long maxScore = 1000) {
    return "\"" + uid + "\": {\"filename\": \"data/levels/001.plist\", \"maxScore\": " + std::to_string(maxScore) +
           ", \"artifacts\": [\"1/a1-perfume-" + uid + "\", \"2/a1-x-1\"], \"design\": \"kept\"}";
}

std::string listOf(int count) {
    std::string text = "{";
    for (int i = 1; i <= count; ++i) text += (i > 1 ? ", " : "") + entry(std::to_string(i));
    return text + "}";
}

TEST(LevelTest, StarsAreFractionsOfTheFullMarks) {
    LevelList list;
    list.read("{" + entry("1", 1000) + ", " + entry("2", 0) + ", " + entry("3", 7) + "}", "test");
    const auto level = list.find("1");
    ASSERT_TRUE(level);
    // The thresholds are 300.0000119 and 600.0000238.
    const std::vector<std::pair<long long, int>> cases = {{0, 1}, {299, 1}, {300, 1}, {301, 2}, {600, 2},
                                                          {601, 3}, {5000, 3}, {-40, 1}};
    for (const auto& [score, stars] : cases) EXPECT_EQ(level->starsForScore(score), stars) << score;
    // Full marks of 0: every score reaches both thresholds.
    for (long long score : {0LL, 1LL, 1000LL}) EXPECT_EQ(list.find("2")->starsForScore(score), 3);
    // 7 x 0.6f = 4.2000001: 4 is not enough, 5 is.
    EXPECT_EQ(list.find("3")->starsForScore(4), 2);
    EXPECT_EQ(list.find("3")->starsForScore(5), 3);
}

TEST(LevelTest, LevelHoldsItsLayoutAndItsEntry) {
    LevelList list;
    LogCapture log;
    list.read("{" + entry("12", 870) + "}", "test");
    const auto level = list.find("12");
    ASSERT_TRUE(level);
    EXPECT_EQ(level->uid(), "12");
    EXPECT_EQ(level->filename(), "data/levels/001.plist");
    EXPECT_EQ(level->maxScore(), 870);
    EXPECT_EQ(level->artifacts(), (std::vector<std::string>{"1/a1-perfume-12", "2/a1-x-1"}));
    EXPECT_FALSE(level->places.empty());
    EXPECT_EQ(level->path, "data/levels/001.plist");
    EXPECT_EQ(level->entry().at("design"), "kept");
    EXPECT_EQ(log.count("loading level 12"), 1);
}

TEST(LevelListTest, LevelsAreOrderedAsTextAndFoundByUid) {
    LevelList list;
    list.read(listOf(12), "test");
    std::vector<std::string> order;
    for (const auto& [uid, level] : list.levels) order.push_back(uid);
    EXPECT_EQ(order, (std::vector<std::string>{"1", "10", "11", "12", "2", "3", "4", "5", "6", "7", "8", "9"}));
    EXPECT_TRUE(list.find("10"));
    EXPECT_FALSE(list.find("13"));
    EXPECT_FALSE(list.find(""));
    EXPECT_EQ(list.levels.size(), 12u);
}

TEST(LevelListTest, TheRealListHoldsEveryLevel) {
    const LevelList* list = LevelList::instance();
    ASSERT_EQ(list->levels.size(), 144u);
    for (int i = 1; i <= 144; ++i) {
        const auto level = list->find(std::to_string(i));
        ASSERT_TRUE(level) << i;
        EXPECT_GT(level->maxScore(), 0) << i;
        EXPECT_FALSE(level->artifacts().empty()) << i;
    }
}

TEST(LevelListTest, BrokenEntriesAreLeftOutWithALineNamingThem) {
    struct Case {
        const char* entry;
        const char* logged;
    };
    const std::vector<Case> cases = {
        {R"("b": {"maxScore": 5, "artifacts": []})", "level b left out: \"filename\""},
        {R"("b": {"filename": 3, "maxScore": 5, "artifacts": []})", "level b left out: \"filename\""},
        {R"("b": {"filename": "data/levels/001.plist", "artifacts": []})", "level b left out: \"maxScore\""},
        {R"("b": {"filename": "data/levels/001.plist", "maxScore": "5", "artifacts": []})",
         "level b left out: \"maxScore\""},
        {R"("b": {"filename": "data/levels/001.plist", "maxScore": 5.5, "artifacts": []})",
         "level b left out: \"maxScore\""},
        {R"("b": {"filename": "data/levels/001.plist", "maxScore": 5})", "level b left out: \"artifacts\""},
        {R"("b": {"filename": "data/levels/001.plist", "maxScore": 5, "artifacts": "1/a-b"})",
         "level b left out: \"artifacts\""},
        {R"("b": {"filename": "data/levels/001.plist", "maxScore": 5, "artifacts": [1]})",
         "level b left out: \"artifacts\""},
        {R"("b": [1, 2])", "level b left out: \"entry\""},
        {R"("b": {"filename": "data/levels/none.plist", "maxScore": 5, "artifacts": []})",
         "level b left out: its layout data/levels/none.plist has no places"},
    };
    for (const Case& c : cases) {
        LevelList list;
        LogCapture log;
        list.read("{" + entry("a") + ", " + c.entry + "}", "levels.json");
        EXPECT_TRUE(list.find("a")) << c.entry;
        EXPECT_FALSE(list.find("b")) << c.entry;
        EXPECT_EQ(log.count(c.logged), 1) << c.entry << "\n" << log.text();
    }
}

TEST(LevelListTest, AFileThatIsNoListGivesNoLevels) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "Can't open or parse: levels.json"},
        {"{\"1\": {", "Can't open or parse: levels.json"},
        {"[1, 2]", "levels.json: the level list is not an object"},
        {"\"text\"", "levels.json: the level list is not an object"},
        {"null", ""},
    };
    for (const auto& [text, logged] : cases) {
        LevelList list;
        list.read(listOf(2), "levels.json");
        LogCapture log;
        list.read(text, "levels.json");
        EXPECT_TRUE(list.empty()) << text;
        if (!logged.empty()) {
            EXPECT_EQ(log.count(logged), 1) << text << "\n" << log.text();
        }
    }
}

class ProgressTest : public ::testing::Test {
protected:
    ProgressTest() { LevelList::replaceForTesting(listOf(144)); }

    vorn::User* addPlayer(const std::string& name) { return vorn::UserManager::instance()->addUser(name); }
    static void setResult(vorn::User* user, const std::string& uid, const vorn::Value& score) {
        user->getOrCreate("levelResults", vorn::Value::DICT).set(score, uid);
    }

    vorn::test::HeadlessRun run_;
};

TEST_F(ProgressTest, ANewPlayerStartsAtLevelOneWithNoStars) {
    vorn::User* user = addPlayer("Ann");
    ASSERT_TRUE(user);
    LevelList* list = LevelList::instance();
    EXPECT_EQ(list->nextLevelUid(), "1");
    EXPECT_EQ(list->totalStars(), 0);
    // Asking made the results, empty.
    EXPECT_EQ(user->getValue("levelResults").type(), vorn::Value::DICT);
    EXPECT_TRUE(user->getValue("levelResults").keys().empty());
}

TEST_F(ProgressTest, TheNextLevelIsTheFirstWithoutAResult) {
    vorn::User* user = addPlayer("Ann");
    ASSERT_TRUE(user);
    LevelList* list = LevelList::instance();
    for (int i = 1; i <= 10; ++i) setResult(user, std::to_string(i), vorn::Value(100LL));
    EXPECT_EQ(list->nextLevelUid(), "11");
    // A gap is the next level, whatever lies beyond it.
    setResult(user, "12", vorn::Value(5LL));
    user->getValue("levelResults").erase("4");
    EXPECT_EQ(list->nextLevelUid(), "4");
    for (int i = 1; i <= 144; ++i) setResult(user, std::to_string(i), vorn::Value(1LL));
    EXPECT_EQ(list->nextLevelUid(), "");
    // Levels the file may list beyond 144 are never offered.
    LevelList::replaceForTesting(listOf(150));
    EXPECT_EQ(list->nextLevelUid(), "");
}

TEST_F(ProgressTest, StarsCountOnlyRatedResultsOfTheProgression) {
    vorn::User* user = addPlayer("Ann");
    ASSERT_TRUE(user);
    LevelList::replaceForTesting(listOf(150));
    LevelList* list = LevelList::instance();
    setResult(user, "7", vorn::Value(1000LL));   // 3
    setResult(user, "1", vorn::Value(450LL));    // 2
    setResult(user, "2", vorn::Value("0"));      // 1, stored as text
    setResult(user, "145", vorn::Value(1000LL)); // beyond the progression
    setResult(user, "x", vorn::Value(1000LL));   // no level number
    setResult(user, "3", vorn::Value("many"));   // no number at all
    LogCapture log;
    EXPECT_EQ(list->totalStars(), 6);
    EXPECT_EQ(log.count("levelResults 3 is no score"), 1);
    // A result for a level this data set lacks is not rated.
    LevelList::replaceForTesting("{" + entry("1") + ", " + entry("2") + "}");
    EXPECT_EQ(list->totalStars(), 3);
}

TEST_F(ProgressTest, WithoutASelectedPlayerNothingIsCreated) {
    ASSERT_EQ(vorn::UserManager::instance()->currentUser(), nullptr);
    EXPECT_EQ(LevelList::instance()->nextLevelUid(), "1");
    EXPECT_EQ(LevelList::instance()->totalStars(), 0);
}

} // namespace
