// The map: level buttons from the player's results, the strip centred on
// the current level, the first-run popups, the player list, the commands
// and keys, and what the map leaves behind when it goes.
#include "core/DataSource.h"
#include "core/EventDispatcher.h"
#include "core/InputEvents.h"
#include "core/Keys.h"
#include "core/VM.h"
#include "scene/Text.h"
#include "screens/Level.h"
#include "screens/LevelList.h"
#include "screens/MapScene.h"
#include "screens/ScreenLinks.h"
#include "widgets/Button.h"
#include "widgets/DragBox.h"
#include "widgets/NodeList.h"

#include "ScreensFixture.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using vorn::test::ScreensTest;

// A screen standing in for the game screen: it remembers its level.
class FakeGame : public vorn::Scene {
public:
    explicit FakeGame(std::shared_ptr<Level> l) : vorn::Scene(vorn::Application::instance()), level(std::move(l)) {}
    std::shared_ptr<Level> level;
};

class MapSceneTest : public ScreensTest {
protected:
    MapSceneTest() {
        screenLinks::setSceneMakersForTesting(
            [](const std::shared_ptr<Level>& level) { return std::make_shared<FakeGame>(level); },
            [] { return std::make_shared<vorn::Scene>(vorn::Application::instance()); });
    }
    ~MapSceneTest() override { screenLinks::setSceneMakersForTesting(nullptr, nullptr); }

    std::shared_ptr<MapScene> openMap() { return show(std::make_shared<MapScene>()); }

    struct Look {
        bool enabled;
        bool starsShown;
        std::string stars; // the one child of "stars" shown
        std::string number;
    };
    Look look(int level) const {
        Look l{};
        const auto button = find("l" + std::to_string(level));
        if (!button) return l;
        const auto b = button->findChild("b", false);
        const auto stars = button->findChild("stars", false);
        l.enabled = b->isEnabled();
        l.starsShown = stars->isVisible();
        for (const auto& child : stars->children()) {
            if (child->isVisible()) l.stars += child->getName();
        }
        for (const auto& text : b->findChildrenOfType(typeid(vorn::Text), true)) {
            l.number = dynamic_cast<vorn::Text&>(*text).getText();
        }
        return l;
    }
    static std::shared_ptr<FakeGame> game(const vorn::test::HeadlessRun& r) {
        return std::dynamic_pointer_cast<FakeGame>(r.app.runningScene());
    }
};

TEST_F(MapSceneTest, ANewPlayerStandsAtLevelOneAndIsWelcomedAfterASecond) {
    vorn::User* ann = addPlayer("Ann");
    ASSERT_TRUE(ann);
    const auto map = openMap();
    const Look first = look(1);
    EXPECT_TRUE(first.enabled);
    EXPECT_TRUE(first.starsShown);
    EXPECT_EQ(first.stars, "0");
    EXPECT_EQ(first.number, "1");
    for (int level : {2, 3, 17, 144}) {
        const Look l = look(level);
        EXPECT_FALSE(l.enabled) << level;
        EXPECT_FALSE(l.starsShown) << level;
        EXPECT_EQ(l.number, std::to_string(level));
    }
    // Level 1 lies at the strip's start: the strip cannot move further.
    const auto box = find<vorn::DragBox>("levelsDragbox");
    ASSERT_TRUE(box);
    EXPECT_EQ(box->getDisplacement().x, 0.0f);
    // The strip reaches its last panel on this screen: 18432 wide on 1024.
    EXPECT_EQ(box->getMinDisplacement().x, -17408.0f);

    EXPECT_TRUE(ann->getValue("welcomeTutorialShown").asBool());
    frames(0.9f);
    EXPECT_EQ(map->getCurrentState(), "default");
    frames(0.2f);
    EXPECT_EQ(map->getCurrentState(), "welcome");
    EXPECT_TRUE(map->isEnabled());
    // Saved once the popup was decided on.
    vorn::UserManager::instance()->flushPendingSave();
    EXPECT_NE(vorn::test::readBytes(vorn::UserManager::instance()->usersFilePath()).find("welcomeTutorialShown"),
              std::string::npos);

    // Closing the popup leaves the levels as the map set them.
    run.app.keyDown(vorn::KEY_ESCAPE);
    EXPECT_EQ(map->getCurrentState(), "default");
    frames(0.6f);
    EXPECT_FALSE(look(2).enabled);
    EXPECT_FALSE(look(2).starsShown);
    EXPECT_EQ(look(1).stars, "0");
    // Once seen, never again.
    const auto again = openMap();
    frames(1.5f);
    EXPECT_EQ(again->getCurrentState(), "default");
}

TEST_F(MapSceneTest, ResultsGiveStarsAndTheFirstGapIsCurrent) {
    vorn::User* ann = addPlayer("Ann");
    ann->setValue(vorn::Value(true), "welcomeTutorialShown");
    // Full marks on level 1, two fifths of them on level 2.
    const auto full = [](int level) { return LevelList::instance()->find(std::to_string(level))->maxScore(); };
    setResult(ann, 1, full(1));
    setResult(ann, 2, full(2) * 2 / 5);
    setResult(ann, 4, 1);
    openMap();
    EXPECT_EQ(look(1).stars, "3");
    EXPECT_EQ(look(2).stars, "2");
    EXPECT_TRUE(look(2).enabled);
    const Look third = look(3);
    EXPECT_TRUE(third.enabled);
    EXPECT_EQ(third.stars, "0");
    // A result beyond the current level does not open it.
    EXPECT_FALSE(look(4).enabled);
    EXPECT_FALSE(look(4).starsShown);
}

TEST_F(MapSceneTest, TheCurrentLevelIsCentredOnTheStrip) {
    vorn::User* ann = addPlayer("Ann");
    ann->setValue(vorn::Value(true), "welcomeTutorialShown");
    for (int i = 1; i < 40; ++i) setResult(ann, i, 1000);
    openMap();
    const auto box = find<vorn::DragBox>("levelsDragbox");
    const auto forty = find("l40");
    ASSERT_TRUE(box && forty);
    // Centred, or moved by less than half the levels' pitch where the centred
    // view would cut a level at the screen's edge (MapLayoutTest).
    const glm::vec3 centre = forty->getWorldPosition();
    EXPECT_NEAR(box->getDisplacement().x + forty->getPosition().x, 512.0f, 62.0f);
    EXPECT_NEAR(centre.x, 512.0f, 62.0f);
}

TEST_F(MapSceneTest, EveryLevelWonOpensEveryButtonAndPlayNextSaysSo) {
    vorn::User* ann = addPlayer("Ann");
    ann->setValue(vorn::Value(true), "welcomeTutorialShown");
    for (int i = 1; i <= 144; ++i) setResult(ann, i, 1);
    const auto map = openMap();
    for (int level : {1, 77, 144}) {
        EXPECT_TRUE(look(level).enabled) << level;
        EXPECT_EQ(look(level).stars, "1") << level;
    }
    EXPECT_EQ(find<vorn::DragBox>("levelsDragbox")->getDisplacement().x, 0.0f);
    vorn::test::LogCapture log;
    vorn::VM::execute("playNext()");
    EXPECT_EQ(map->getCurrentState(), "allComplete");
    EXPECT_EQ(log.count("all levels complete"), 1);
    EXPECT_EQ(run.app.runningScene(), map);
}

TEST_F(MapSceneTest, AShortLevelListLocksTheButtonsItLacks) {
    // Ten levels only, and a player who won them all.
    std::string text = "{";
    for (int i = 1; i <= 10; ++i) {
        text += (i > 1 ? ", " : "") + std::string("\"") + std::to_string(i) +
                "\": {\"filename\": \"data/levels/001.plist\", \"maxScore\": 100, \"artifacts\": []}";
    }
    LevelList::replaceForTesting(text + "}");
    vorn::User* ann = addPlayer("Ann");
    ann->setValue(vorn::Value(true), "welcomeTutorialShown");
    for (int i = 1; i <= 10; ++i) setResult(ann, i, 100);
    std::shared_ptr<MapScene> map;
    {
        vorn::test::LogCapture log;
        map = openMap();
        EXPECT_GE(log.count("map: no level 11 in the level list; shown locked"), 1) << log.text();
    }
    EXPECT_TRUE(look(10).enabled);
    EXPECT_EQ(look(10).stars, "3");
    EXPECT_FALSE(look(11).enabled);
    EXPECT_FALSE(look(12).enabled);
    // Nothing to play there.
    vorn::test::LogCapture log;
    vorn::VM::execute("playNext()");
    vorn::VM::execute("play('11')");
    vorn::VM::execute("play('abc')");
    EXPECT_EQ(run.app.runningScene(), map);
    EXPECT_EQ(log.count("map: no level 11 in the level list; nothing to play"), 2);
    EXPECT_EQ(log.count("map: no level abc in the level list; nothing to play"), 1);
}

TEST_F(MapSceneTest, ClickingALevelPlaysIt) {
    vorn::User* ann = addPlayer("Ann");
    ann->setValue(vorn::Value(true), "welcomeTutorialShown");
    setResult(ann, 1, 10);
    std::weak_ptr<MapScene> map = openMap();
    // Locked: nothing happens.
    click(centreOf(*find("l3")));
    run.step(1.0f / 60.0f);
    EXPECT_EQ(run.app.runningScene(), map.lock());
    // The listener that runs the game is the map's own: the map goes
    // while it runs.
    click(centreOf(*find("l1")));
    run.step(1.0f / 60.0f);
    const auto played = game(run);
    ASSERT_TRUE(played);
    EXPECT_EQ(played->level->uid(), "1");
    EXPECT_TRUE(map.expired());
}

TEST_F(MapSceneTest, PlayNextAndTheCommandsThatNeedAMap) {
    vorn::User* ann = addPlayer("Ann");
    ann->setValue(vorn::Value(true), "welcomeTutorialShown");
    setResult(ann, 1, 10);
    openMap();
    vorn::VM::execute("playNext()");
    ASSERT_TRUE(game(run));
    EXPECT_EQ(game(run)->level->uid(), "2");
    // Off the map these do nothing.
    vorn::VM::execute("playNext(); addUser(); deleteSelectedUser(); openCrossPromo('nowhere')");
    EXPECT_TRUE(game(run));
    // "play" and "openAlbum" act from any screen.
    vorn::VM::execute("play('5')");
    EXPECT_EQ(game(run)->level->uid(), "5");
    vorn::VM::execute("openAlbum()");
    EXPECT_FALSE(game(run));
}

TEST_F(MapSceneTest, PlayersArePickedAddedAndDeleted) {
    vorn::User* ann = addPlayer("Ann");
    vorn::User* bob = addPlayer("Bob");
    ann->setValue(vorn::Value(true), "welcomeTutorialShown");
    bob->setValue(vorn::Value(true), "welcomeTutorialShown");
    setResult(ann, 1, 10);
    const auto map = openMap();
    const auto list = find<vorn::NodeList>("userList");
    ASSERT_TRUE(list);
    ASSERT_EQ(list->children().size(), 2u);
    auto entryName = [&](std::size_t i) {
        return dynamic_cast<vorn::Text&>(*list->children()[i]->findChild("text", false)).getText();
    };
    auto selected = [&](std::size_t i) { return list->children()[i]->findChild("selection", false)->isVisible(); };
    EXPECT_EQ(entryName(0), "Ann");
    EXPECT_EQ(entryName(1), "Bob");
    EXPECT_FALSE(selected(0));
    EXPECT_TRUE(selected(1));
    EXPECT_FALSE(look(2).enabled);

    // A press on Ann's entry, whose own listener rebuilds the list.
    vorn::VM::execute("pushAndSetState('users')");
    frames(0.5f);
    click(centreOf(*list->children()[0]));
    EXPECT_EQ(vorn::UserManager::instance()->currentUser(), ann);
    ASSERT_EQ(list->children().size(), 2u);
    EXPECT_TRUE(selected(0));
    EXPECT_FALSE(selected(1));
    // The level buttons follow the new player.
    EXPECT_TRUE(look(2).enabled);

    // A new player from the popup; a name taken stays in the popup.
    vorn::VM::execute("pushAndSetState('new_user')");
    vorn::DataSource::get("new_user_name")->set(vorn::Value("Bob"));
    vorn::VM::execute("addUser()");
    EXPECT_EQ(map->getCurrentState(), "new_user");
    vorn::DataSource::get("new_user_name")->set(vorn::Value("Cy"));
    vorn::VM::execute("addUser()");
    EXPECT_EQ(map->getCurrentState(), "users");
    ASSERT_EQ(list->children().size(), 3u);
    EXPECT_EQ(vorn::UserManager::instance()->currentUser()->name(), "Cy");
    EXPECT_TRUE(selected(2));

    vorn::VM::execute("deleteSelectedUser()");
    EXPECT_EQ(list->children().size(), 2u);
    vorn::VM::execute("deleteSelectedUser()");
    vorn::VM::execute("deleteSelectedUser()");
    EXPECT_EQ(list->children().size(), 1u);
    EXPECT_EQ(vorn::UserManager::instance()->users().size(), 1u);
}

TEST_F(MapSceneTest, TheAddButtonClosesAtSevenPlayers) {
    for (int i = 0; i < 6; ++i) addPlayer("P" + std::to_string(i))->setValue(vorn::Value(true), "welcomeTutorialShown");
    const auto map = openMap();
    const auto add = find("addUserButton");
    ASSERT_TRUE(add);
    EXPECT_TRUE(add->isEnabled());
    vorn::DataSource::get("new_user_name")->set(vorn::Value("Seventh"));
    vorn::VM::execute("pushAndSetState('users'); pushAndSetState('new_user'); addUser()");
    EXPECT_FALSE(add->isEnabled());
    // The screen's own state switches leave it as the map set it.
    run.app.keyDown(vorn::KEY_ESCAPE);
    frames(0.5f);
    EXPECT_EQ(map->getCurrentState(), "default");
    EXPECT_FALSE(add->isEnabled());
}

TEST_F(MapSceneTest, SyncingAgainKeepsOneListenerPerButton) {
    vorn::User* ann = addPlayer("Ann");
    ann->setValue(vorn::Value(true), "welcomeTutorialShown");
    const auto map = openMap();
    auto* dispatcher = vorn::EventDispatcher::instance();
    const auto b = find("l1")->findChild("b", false);
    const std::size_t before = dispatcher->listenerCount(b.get());
    map->syncLevels();
    map->syncLevels();
    EXPECT_EQ(dispatcher->listenerCount(b.get()), before);
    const auto list = find("userList");
    const std::size_t users = dispatcher->listenerCount(list->children()[0].get());
    map->syncUsers();
    EXPECT_EQ(dispatcher->listenerCount(list->children()[0].get()), users);
}

TEST_F(MapSceneTest, AMapThatLeftHearsNothingMore) {
    vorn::User* ann = addPlayer("Ann");
    vorn::User* bob = addPlayer("Bob");
    ann->setValue(vorn::Value(true), "welcomeTutorialShown");
    setResult(bob, 1, 10);
    auto* dispatcher = vorn::EventDispatcher::instance();
    const std::size_t before = dispatcher->listenerCount(vorn::UserManager::instance());
    auto kept = openMap();
    EXPECT_EQ(dispatcher->listenerCount(vorn::UserManager::instance()), before + 1);
    run.app.runScene(std::make_shared<vorn::Scene>(&run.app), "appear");
    EXPECT_EQ(dispatcher->listenerCount(vorn::UserManager::instance()), before);
    // Its buttons stay as they were when another player is picked.
    const bool l2 = kept->findNode("l2")->findChild("b", false)->isEnabled();
    vorn::UserManager::instance()->selectUser(bob == vorn::UserManager::instance()->currentUser() ? ann : bob);
    run.step(1.0f / 60.0f);
    EXPECT_EQ(kept->findNode("l2")->findChild("b", false)->isEnabled(), l2);
    kept.reset();
    vorn::UserManager::instance()->selectUser(ann);
    run.step(1.0f / 60.0f);
}

TEST_F(MapSceneTest, TheAlbumTutorialComesOnceWithTheFirstParts) {
    vorn::User* ann = addPlayer("Ann");
    ann->setValue(vorn::Value(true), "welcomeTutorialShown");
    vorn::Value parts(vorn::Value::ARRAY);
    parts.push_back(vorn::Value("1/a1-perfume-1"));
    ann->setValue(parts, "collectedParts");
    const auto map = openMap();
    EXPECT_TRUE(vorn::DataSource::get("collectedPartsAvailable")->value().asBool());
    EXPECT_EQ(vorn::DataSource::get("collectedPartsCount")->value().asLongLong(), 1);
    frames(1.1f);
    EXPECT_EQ(map->getCurrentState(), "albumTutorial");
    EXPECT_TRUE(ann->getValue("albumTutorialShown").asBool());
    const auto again = openMap();
    frames(1.5f);
    EXPECT_EQ(again->getCurrentState(), "default");
}

// The album's badge shows the parts waiting to be placed from the moment
// the map enters, before any frame has delivered a change: with a part
// waiting at the first entry, and none left on the way back from the album.
TEST_F(MapSceneTest, TheAlbumBadgeEntersWithTheCurrentCounts) {
    vorn::User* ann = addPlayer("Ann");
    ann->setValue(vorn::Value(true), "welcomeTutorialShown");
    ann->setValue(vorn::Value(true), "albumTutorialShown");
    const struct {
        const char* what;
        std::vector<std::string> collected;
        bool shown;
    } cases[] = {{"a part waiting", {"1/a1-perfume-1"}, true}, {"the part since placed", {}, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        vorn::Value parts(vorn::Value::ARRAY);
        for (const std::string& id : c.collected) parts.push_back(vorn::Value(id));
        ann->setValue(parts, "collectedParts");
        const auto map = std::make_shared<MapScene>();
        run.app.runScene(map, "appear");
        const auto badge = map->findNode("albumBadge");
        ASSERT_NE(badge, nullptr);
        EXPECT_EQ(badge->isVisible(), c.shown);
        run.step(1.0f / 60.0f);
        EXPECT_EQ(badge->isVisible(), c.shown);
    }
}

TEST_F(MapSceneTest, DeveloperKeys) {
    vorn::test::writeBytes(userFolder() + "/devmode.txt", "1");
    vorn::User* ann = addPlayer("Ann");
    ann->setValue(vorn::Value(true), "welcomeTutorialShown");
    ann->setValue(vorn::Value(true), "albumTutorialShown");
    const auto map = openMap();
    const long long gold = ann->getResource("gold").amount();
    run.app.keyDown(vorn::KEY_G);
    EXPECT_EQ(ann->getResource("gold").amount(), gold + 100);
    run.app.keyDown(vorn::KEY_X);
    EXPECT_EQ(map->getCurrentState(), "developer_levels");
    run.app.keyDown(vorn::KEY_N);
    EXPECT_EQ(map->getCurrentState(), "new_user");
    run.app.keyDown(vorn::KEY_ESCAPE);
    run.app.keyDown(vorn::KEY_ESCAPE);
    EXPECT_EQ(map->getCurrentState(), "default");
    run.app.keyDown(vorn::KEY_F8);
    EXPECT_FALSE(ann->getValue("welcomeTutorialShown").asBool());
    EXPECT_FALSE(ann->getValue("albumTutorialShown").asBool());
    for (int key : {vorn::KEY_L, vorn::KEY_D, vorn::KEY_U}) run.app.keyDown(key);
}

TEST_F(MapSceneTest, WithoutDeveloperModeTheKeysDoNothing) {
    vorn::User* ann = addPlayer("Ann");
    ann->setValue(vorn::Value(true), "welcomeTutorialShown");
    const auto map = openMap();
    const long long gold = ann->getResource("gold").amount();
    for (int key : {vorn::KEY_G, vorn::KEY_X, vorn::KEY_N, vorn::KEY_F8, vorn::KEY_5, vorn::KEY_ENTER}) {
        run.app.keyDown(key);
    }
    EXPECT_EQ(ann->getResource("gold").amount(), gold);
    EXPECT_EQ(map->getCurrentState(), "default");
    EXPECT_EQ(run.app.runningScene(), map);
    EXPECT_TRUE(ann->getValue("welcomeTutorialShown").asBool());
}

// Developer mode: digits typed on the bare map name a level, Enter plays it.
TEST_F(MapSceneTest, ADeveloperTypesALevelsNumberToPlayIt) {
    vorn::test::writeBytes(userFolder() + "/devmode.txt", "1");
    vorn::User* ann = addPlayer("Ann");
    ann->setValue(vorn::Value(true), "welcomeTutorialShown");
    ann->setValue(vorn::Value(true), "albumTutorialShown");
    vorn::test::LogCapture log;
    std::weak_ptr<MapScene> map = openMap();

    // Under a popup the digits are not taken; Enter alone plays nothing.
    run.app.keyDown(vorn::KEY_X);
    run.app.keyDown(vorn::KEY_7);
    run.app.keyDown(vorn::KEY_ESCAPE);
    ASSERT_EQ(map.lock()->getCurrentState(), "default");
    run.app.keyDown(vorn::KEY_ENTER);
    EXPECT_EQ(run.app.runningScene(), map.lock());

    for (int key : {vorn::KEY_1, vorn::KEY_2, vorn::KEY_ENTER}) run.app.keyDown(key);
    run.step(1.0f / 60.0f);
    ASSERT_TRUE(game(run));
    EXPECT_EQ(game(run)->level->uid(), "12");
    EXPECT_TRUE(map.expired());

    // A number the list lacks plays nothing and is forgotten.
    map = openMap();
    for (int key : {vorn::KEY_9, vorn::KEY_9, vorn::KEY_9, vorn::KEY_ENTER}) run.app.keyDown(key);
    EXPECT_EQ(run.app.runningScene(), map.lock());
    for (int key : {vorn::KEY_7, vorn::KEY_ENTER}) run.app.keyDown(key);
    ASSERT_TRUE(game(run));
    EXPECT_EQ(game(run)->level->uid(), "7");
    // Of four digits the last three count.
    openMap();
    for (int key : {vorn::KEY_1, vorn::KEY_1, vorn::KEY_4, vorn::KEY_4, vorn::KEY_ENTER}) run.app.keyDown(key);
    ASSERT_TRUE(game(run));
    EXPECT_EQ(game(run)->level->uid(), "144");
    EXPECT_EQ(log.count("map: play level 12"), 1);
    EXPECT_EQ(log.count("map: no level 999 in the level list; nothing to play"), 1);
}

// A scene file that lacks what the map looks for still makes a map.
TEST_F(MapSceneTest, AMapFileWithoutItsNodesIsSkippedWithoutAFault) {
    vorn::test::TempDir tree;
    std::filesystem::create_directories(tree.path() / "data/scenes");
    vorn::test::writeBytes(tree.file("data/scenes/map.sg.xml"),
                           "<scene><container name=\"l1\"/><container name=\"l2\"><button name=\"b\"/></container>"
                           "<image name=\"userList\"/></scene>");
    vorn::ResourceManager::instance()->addSearchPath(tree.path().string());
    vorn::User* ann = addPlayer("Ann");
    vorn::test::LogCapture log;
    const auto map = openMap();
    frames(1.2f);
    EXPECT_GE(log.count("map: level button 1 to 2 lacks \"b\" or \"stars\"; skipped"), 1) << log.text();
    vorn::VM::execute("playNext()");
    EXPECT_TRUE(game(run));
    EXPECT_TRUE(ann->getValue("welcomeTutorialShown").asBool());
}

TEST_F(MapSceneTest, NoSelectedPlayerIsNoFault) {
    vorn::test::LogCapture log;
    const auto map = openMap();
    frames(1.2f);
    EXPECT_EQ(log.count("map: no player selected"), 1);
    EXPECT_TRUE(look(1).enabled);
    EXPECT_FALSE(look(2).enabled);
}

} // namespace
