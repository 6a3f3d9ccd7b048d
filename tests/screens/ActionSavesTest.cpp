// One player action on the game screen reaches the disk in one write: the
// program killed right after the first write that follows the action keeps
// either all of it or none of it, never the score without the gold or the
// gold without the pack.
#include "GameFixture.h"

#include "core/Data.h"
#include "core/VM.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using screens::test::GameFixture;

// Stands for the disk of a program killed once its first save is through:
// that save is kept, later ones never happen.
struct KilledAfterFirstWrite : vorn::UserManager::Saver {
    void save(const std::string&, const vorn::Data& data) override {
        if (!disk) disk = data;
    }
    std::optional<vorn::Data> disk;
};

class ActionSaves : public GameFixture {
protected:
    ~ActionSaves() override { vorn::UserManager::setSaver(nullptr); }

    // The tester's profile as the killed program left it.
    static vorn::Value onDisk(const KilledAfterFirstWrite& killed) {
        if (!killed.disk) return vorn::Value();
        std::vector<std::string> problems;
        const vorn::Value root = vorn::UserManager::readUsersData(*killed.disk, &problems);
        const vorn::Value& users = root.get("users");
        for (unsigned i = 0; i < users.size(); ++i) {
            if (users.at(i).get("name").toString() == "Tester") return users.at(i);
        }
        return vorn::Value();
    }
    static long long amount(const vorn::Value& profile, const std::string& name) {
        const vorn::Value& entry = profile.get("resourceAmounts").get(name);
        return entry.isSet() ? entry.asLongLong() : 0;
    }

    // Four tiles side by side, all free: two pairs, whatever the deal.
    void openFourTiles() {
        useLevels(entry("4", layout("four.plist", {{0, 0, 0}, {6, 0, 0}, {12, 0, 0}, {18, 0, 0}}), 100));
        open("4", [](GameScene& screen) { screen.boardSeed = 3; });
    }
};

TEST_F(ActionSaves, AWinIsOneWrite) {
    struct Case {
        const char* name;
        std::function<void(ActionSaves&)> win;
    };
    const Case cases[] = {
        {"the last pair clicked", [](ActionSaves& f) { ASSERT_TRUE(f.matchOnePair()); }},
        {"a win from elsewhere", [](ActionSaves& f) { f.game->win(); }},
    };
    for (const Case& c : cases) {
        setCounter("gold", 300);
        setCounter("totalScore", 1000);
        openFourTiles();
        ASSERT_TRUE(matchOnePair()) << c.name;
        // The saves of the first pair are through.
        step(1.0f);
        KilledAfterFirstWrite killed;
        vorn::UserManager::setSaver(&killed);
        c.win(*this);
        step(0.1f);
        vorn::UserManager::setSaver(nullptr);
        ASSERT_TRUE(game->isWon()) << c.name;

        const long long score = source("score").asLongLong();
        const long long gold = source("levelGold").asLongLong();
        ASSERT_GT(gold, 0) << c.name;
        const vorn::Value profile = onDisk(killed);
        ASSERT_TRUE(profile.isSet()) << c.name << ": nothing written";
        EXPECT_EQ(amount(profile, "totalScore"), 1000 + score) << c.name;
        EXPECT_EQ(amount(profile, "gold"), 300 + gold) << c.name;
        const vorn::Value& best = profile.get("levelResults").get("4");
        EXPECT_TRUE(best.isSet() && best.asLongLong() == score) << c.name << ": the best score is not kept";
        player->getOrCreate("levelResults", vorn::Value::DICT).erase("4");
    }
}

TEST_F(ActionSaves, APurchaseIsOneWrite) {
    openFourTiles();
    setCounter("gold", 300);
    setCounter("hint", 0);
    game->openHintShop();
    step(1.0f);
    KilledAfterFirstWrite killed;
    vorn::UserManager::setSaver(&killed);
    vorn::VM::execute("buyPowerupPack('hint_small')");
    step(0.1f);
    vorn::UserManager::setSaver(nullptr);
    ASSERT_EQ(counter("hint"), 3);
    const vorn::Value profile = onDisk(killed);
    ASSERT_TRUE(profile.isSet()) << "nothing written";
    EXPECT_EQ(amount(profile, "gold"), 240);
    EXPECT_EQ(amount(profile, "hint"), 3);
}

} // namespace
