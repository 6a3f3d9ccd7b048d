// Lives over time the test controls: refills, unlimited periods, what is
// published and saved, and following the selected player.
#include "core/DataSource.h"
#include "services/LifeManager.h"
#include "services/LocalNotifications.h"
#include "services/User.h"
#include "services/UserManager.h"

#include "ServicesFixture.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

using vorn::DataSource;
using vorn::LifeManager;
using vorn::LocalNotifications;
using vorn::User;
using vorn::UserManager;
using vorn::Value;

constexpr std::int64_t kSecond = 1000000000;
// Seconds since the epoch at the test's start.
constexpr std::int64_t kStart = 1700000000;

class Lives : public vorn::test::ServicesTest {
protected:
    Lives() {
        LifeManager::setClock([this] { return now_; });
    }
    ~Lives() override { LifeManager::setClock(nullptr); }

    // Time passes by whole seconds, with the once-a-second tick of each.
    void pass(int seconds) {
        for (int i = 0; i < seconds; ++i) {
            now_ += kSecond;
            frame(0.5f);
            frame(0.5f + 1e-3f);
        }
    }
    static Value lm(const std::string& key) { return DataSource::get("@lm." + key)->value(); }
    User* player(const std::string& name) { return UserManager::instance()->addUser(name); }

    std::int64_t now_ = kStart * kSecond;
};

TEST_F(Lives, ANewPlayerWaitsForAFirstLife) {
    User* p1 = player("P1");
    LifeManager* lives = LifeManager::instance();
    EXPECT_EQ(lm("lives"), Value(0LL));
    EXPECT_EQ(lm("state"), Value("wait"));
    EXPECT_EQ(lm("hasLife"), Value(false));
    EXPECT_EQ(lm("lifeAddTime"), Value(30LL));
    pass(10);
    EXPECT_EQ(lm("lifeAddTime"), Value(20LL));
    pass(20);
    EXPECT_EQ(lives->lives(), 1);
    EXPECT_EQ(lm("hasLife"), Value(true));
    EXPECT_EQ(p1->getResource("lives").amount(), 1);
    EXPECT_EQ(p1->getValue("lifeManagerStart"), Value(kStart + 30));
    EXPECT_EQ(DataSource::get("@resources.lives")->value(), Value(1LL));
}

TEST_F(Lives, ALongAbsenceIsMadeUpToTheMaximum) {
    User* p1 = player("P1");
    p1->getResource("lives").set(2);
    p1->setValue(Value(kStart - 95), "lifeManagerStart");
    LifeManager::instance();
    EXPECT_EQ(lm("lives"), Value(5LL));
    EXPECT_EQ(lm("state"), Value("full"));
    EXPECT_EQ(p1->getValue("lifeManagerStart"), Value(0LL));
    EXPECT_TRUE(LocalNotifications::instance()->scheduled().empty());
}

TEST_F(Lives, UsingAndAddingLives) {
    User* p1 = player("P1");
    p1->getResource("lives").set(5);
    LifeManager* lives = LifeManager::instance();
    pass(100);
    lives->addLife();
    EXPECT_EQ(lives->lives(), 5);
    // The refill clock starts with the first life used, not at the last refill.
    lives->useLife();
    EXPECT_EQ(lives->lives(), 4);
    EXPECT_EQ(lm("state"), Value("wait"));
    EXPECT_EQ(p1->getValue("lifeManagerStart"), Value(kStart + 100));
    const auto& planned = LocalNotifications::instance()->scheduled();
    ASSERT_EQ(planned.size(), 1u);
    EXPECT_EQ(planned[0].first, (kStart + 130) * kSecond);
    EXPECT_EQ(planned[0].second, "Lives are fully recharged. Continue your journey!");
    pass(29);
    EXPECT_EQ(lives->lives(), 4);
    pass(1);
    EXPECT_EQ(lives->lives(), 5);

    for (int i = 0; i < 5; ++i) lives->useLife();
    EXPECT_EQ(lm("hasLife"), Value(false));
    EXPECT_EQ(planned.size(), 2u);
    EXPECT_EQ(planned[0].second, "Hurry up! You have got another life");
    EXPECT_EQ(planned[1].first, now_ + 5 * 30 * kSecond);
    lives->useLife();
    EXPECT_EQ(lives->lives(), 0);
}

TEST_F(Lives, UnlimitedLivesFillUpCountDownAndEnd) {
    User* p1 = player("P1");
    p1->getResource("lives").set(2);
    LifeManager* lives = LifeManager::instance();
    lives->setUnlimited(true);
    EXPECT_EQ(lives->lives(), 5);
    EXPECT_EQ(lm("state"), Value("unlimited"));
    EXPECT_EQ(p1->getValue("lifeManagerUnlimitedDue"), Value(kStart + 7200));
    pass(1);
    EXPECT_EQ(lm("unlimitedTime"), Value(7199LL));
    lives->useLife();
    EXPECT_EQ(lives->lives(), 5);
    // Switching on again does not extend the period.
    lives->setUnlimited(true);
    EXPECT_EQ(p1->getValue("lifeManagerUnlimitedDue"), Value(kStart + 7200));
    pass(7199);
    EXPECT_EQ(lm("state"), Value("full"));
    EXPECT_FALSE(lives->isUnlimited());
    EXPECT_EQ(p1->getValue("lifeManagerUnlimitedDue"), Value(0LL));
}

TEST_F(Lives, AnUnlimitedPeriodOutlivesARestart) {
    User* p1 = player("P1");
    p1->getResource("lives").set(5);
    p1->setValue(Value(kStart + 600), "lifeManagerUnlimitedDue");
    LifeManager::instance();
    EXPECT_EQ(lm("state"), Value("unlimited"));
    EXPECT_EQ(lm("unlimitedTime"), Value(600LL));
}

TEST_F(Lives, AClockSetBackRestartsTheRefill) {
    User* p1 = player("P1");
    p1->getResource("lives").set(3);
    p1->setValue(Value(kStart + 1000), "lifeManagerStart");
    LifeManager* lives = LifeManager::instance();
    lives->useLife();
    EXPECT_EQ(p1->getValue("lifeManagerStart"), Value(kStart));
}

TEST_F(Lives, TheManagerFollowsTheSelectedPlayer) {
    User* p1 = player("P1");
    p1->getResource("lives").set(1);
    User* p2 = player("P2");
    p2->getResource("lives").set(4);
    p2->setValue(Value(kStart - 10), "lifeManagerStart");
    p2->setValue(Value(kStart + 300), "lifeManagerUnlimitedDue");
    UserManager::instance()->selectUser(p1);
    LifeManager* lives = LifeManager::instance();
    EXPECT_EQ(lives->lives(), 1);

    UserManager::instance()->selectUser(p2);
    frame();
    EXPECT_EQ(lm("state"), Value("unlimited"));
    // A tick never writes one player's lives into another's profile.
    pass(3);
    EXPECT_EQ(p1->getResource("lives").amount(), 1);
    lives->useLife();
    EXPECT_EQ(p2->getResource("lives").amount(), 4);
    UserManager::instance()->selectUser(p1);
    lives->useLife();
    EXPECT_EQ(p1->getResource("lives").amount(), 0);
    EXPECT_FALSE(lives->isUnlimited());
    EXPECT_EQ(p2->getResource("lives").amount(), 4);
}

TEST_F(Lives, WithNoPlayerNothingChangesAndTheLogSaysWhy) {
    vorn::test::LogCapture log;
    LifeManager* lives = LifeManager::instance();
    lives->useLife();
    lives->addLife();
    lives->setUnlimited(true);
    pass(60);
    EXPECT_EQ(lives->lives(), 5);
    EXPECT_FALSE(lives->isUnlimited());
    EXPECT_EQ(log.count("no player selected"), 4);
    EXPECT_FALSE(std::filesystem::exists(userFile("users.xml")));
}

TEST_F(Lives, ConfiguredIntervalsAreUsedWhenSensible) {
    configure("<key>lifeManager</key><dict><key>lifeAddInterval</key><integer>5</integer>"
              "<key>unlimitedLivesDuration</key><integer>-3</integer></dict>");
    player("P1");
    vorn::test::LogCapture log;
    LifeManager* lives = LifeManager::instance();
    pass(5);
    EXPECT_EQ(lives->lives(), 1);
    lives->setUnlimited(true);
    EXPECT_EQ(UserManager::instance()->currentUser()->getValue("lifeManagerUnlimitedDue"), Value(kStart + 5 + 7200));
    EXPECT_EQ(log.count("out of range"), 1);
}

} // namespace
