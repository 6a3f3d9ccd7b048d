// The application's answers to the engine and the gifts of a new profile.
#include "core/Config.h"
#include "services/ResourceCounter.h"
#include "services/User.h"
#include "services/UserManager.h"
#include "screens/MahjongApp.h"

#include "ScreensFixture.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using vorn::test::ScreensTest;

TEST(MahjongAppTest, DesignSizeFollowsTheDesktopShape) {
    struct Case {
        glm::vec2 desktop;
        glm::vec2 design;
    };
    const Case cases[] = {
        {{1920, 1080}, {1365.3334f, 768}}, {{1280, 1024}, {960, 768}}, {{1000, 1000}, {768, 768}},
        {{1080, 1920}, {1024, 768}},       {{1024, 768}, {1024, 768}},
    };
    MahjongApp app;
    for (const Case& c : cases) {
        vorn::Platform::instance()->setDesktopSizeForTesting(c.desktop);
        const glm::vec2 size = app.designSize();
        EXPECT_NEAR(size.x, c.design.x, 0.01f) << c.desktop.x << " x " << c.desktop.y;
        EXPECT_EQ(size.y, c.design.y);
    }
    // Without a size of the test's own the platform's desktop counts (an X
    // server's, when the suite runs under one); a desktop of no size gives
    // 1024 x 768.
    vorn::Platform::instance()->setDesktopSizeForTesting({0, 0});
    const glm::vec2 desktop = vorn::Platform::instance()->desktopSize();
    if (desktop.x <= 0.0f || desktop.y <= 0.0f) {
        EXPECT_EQ(app.designSize(), glm::vec2(1024.0f, 768.0f));
    }
    EXPECT_EQ(app.windowTitle(), "Mahjong");
    EXPECT_EQ(app.dataFolderName(), "VoyaluneMahjong");
    EXPECT_FALSE(app.queryFlag());
}

class GiftsTest : public ScreensTest {
protected:
    static long long amount(vorn::User* user, const char* name) { return user->getResource(name).amount(); }
};

TEST_F(GiftsTest, ANewProfileGetsTheConfiguredAmountsOnce) {
    vorn::UserManager* users = vorn::UserManager::instance();
    users->setNewUserCallback(&MahjongApp::giveInitialResources);
    vorn::User* ann = users->addUser("Ann");
    ASSERT_TRUE(ann);
    // data/config.plist: 300 gold, 3 hints, 2 reshuffles, 3 undos.
    EXPECT_EQ(amount(ann, "gold"), 300);
    EXPECT_EQ(amount(ann, "hint"), 3);
    EXPECT_EQ(amount(ann, "reshuffle"), 2);
    EXPECT_EQ(amount(ann, "undo"), 3);
    EXPECT_TRUE(ann->getValue("initialResourcesGiven").asBool());
    MahjongApp::giveInitialResources(ann);
    EXPECT_EQ(amount(ann, "gold"), 300);
    // Saved with the gifts.
    users->flushPendingSave();
    const std::string saved = vorn::test::readBytes(users->usersFilePath());
    EXPECT_NE(saved.find("initialResourcesGiven"), std::string::npos);
    EXPECT_NE(saved.find("<integer>300</integer>"), std::string::npos);
}

TEST_F(GiftsTest, OnlyAMissingMarkCounts) {
    vorn::User* bob = addPlayer("Bob");
    ASSERT_TRUE(bob);
    bob->setValue(vorn::Value(false), "initialResourcesGiven");
    MahjongApp::giveInitialResources(bob);
    EXPECT_EQ(amount(bob, "gold"), 0);
    MahjongApp::giveInitialResources(nullptr);
}

TEST_F(GiftsTest, AConfigurationWithoutAmountsStillMarksTheProfile) {
    // A data tree of the test's own whose configuration names no gifts.
    vorn::test::TempDir tree;
    std::filesystem::create_directories(tree.path() / "data");
    vorn::test::writeBytes(tree.file("data/config.plist"),
                           "<plist><dict><key>initialGold</key><string>lots</string></dict></plist>");
    vorn::ResourceManager::instance()->addSearchPath(tree.path().string());
    vorn::Config::instance()->load();
    vorn::User* cy = addPlayer("Cy");
    ASSERT_TRUE(cy);
    vorn::test::LogCapture log;
    MahjongApp::giveInitialResources(cy);
    EXPECT_EQ(log.count("config initialGold is no amount"), 1) << log.text();
    for (const char* name : {"gold", "hint", "reshuffle", "undo"}) {
        EXPECT_EQ(amount(cy, name), 0) << name;
        EXPECT_FALSE(cy->getValue("resourceAmounts").get(name).isNil()) << name;
    }
    EXPECT_TRUE(cy->getValue("initialResourcesGiven").asBool());
}

TEST_F(GiftsTest, MissingDataEndsTheRunWithStatusOne) {
    vorn::test::LogCapture log;
    MahjongApp::stopForMissingData("data/levels.json holds no playable level");
    EXPECT_TRUE(run.app.isQuitRequested());
    EXPECT_EQ(run.app.exitStatus(), 1);
    EXPECT_EQ(log.count("Error: data/levels.json holds no playable level; the game cannot run without it"), 1);
}

} // namespace
