// The album on the game's own scene file and data: which page it opens on,
// the parts list and the places, parts dragged through the scene's drag and
// drop onto their own artifact and onto others, what reaches the users file
// and when, the completed-place popup, page turns, the first-visit tutorial,
// the developer key, and what the album leaves behind once it is gone.
#include "AlbumFixture.h"

#include "core/DataSource.h"
#include "core/Keys.h"
#include "core/StringUtils.h"
#include "core/VM.h"
#include "screens/MapScene.h"
#include "scene/Image.h"
#include "services/AchievementManager.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace album {
namespace {

using vorn::DataSource;

int page() { return DataSource::get("currentAlbumPage")->value().asInt(); }
void setPage(int n) { DataSource::get("currentAlbumPage")->set(Value(n)); }

TEST_F(AlbumTest, OpensOnTheFirstPlaceNotCompleteWithTheCollectedPartsListedInOrder) {
    std::vector<std::string> placed = partsOfPlace(1);
    const std::vector<std::string> second = partsOfPlace(2);
    placed.insert(placed.end(), second.begin(), second.end());
    placed.push_back("3/a1-camera-1");
    player({"5/a2-amphora-3", "3/a1-camera-2", "4/a1-mask-1"}, placed);
    auto scene = open();

    EXPECT_EQ(page(), 3);
    EXPECT_EQ(listedParts(), (std::vector<std::string>{"3/a1-camera-2", "4/a1-mask-1", "5/a2-amphora-3"}));
    // One place per artifact of the book, each over its artifact's node.
    const auto places = scene->findChildrenOfType(typeid(ArtifactPlaceNode), true);
    ASSERT_EQ(places.size(), 36u);
    for (const auto& node : places) {
        EXPECT_EQ(node->getParent()->getName(), std::dynamic_pointer_cast<ArtifactPlaceNode>(node)->groupId());
        EXPECT_EQ(node->getSize(), glm::vec2(200.0f, 200.0f));
    }
    // Placed parts show where the table puts them, nothing else does.
    auto perfume = placeNode("1/a1-perfume");
    EXPECT_EQ(shownParts(*perfume).size(), 4u);
    EXPECT_EQ(shownParts(*perfume)[0], ArtifactManager::instance()->partPosition("1/a1-perfume-1"));
    EXPECT_EQ(shownParts(*placeNode("3/a1-camera")).size(), 1u);
    EXPECT_TRUE(shownParts(*placeNode("4/a1-mask")).empty());
    // Only the page of the place shows.
    auto pages = scene->findNode("pages");
    for (const auto& child : pages->children()) EXPECT_EQ(child->isVisible(), child->getName() == "3");
}

TEST_F(AlbumTest, WithNothingCollectedTheListIsEmptyAndEveryPlacedPartStillShows) {
    player({}, {"1/a3-plate-2", "9/a4-dolphin-4"});
    open();
    EXPECT_EQ(page(), 1);
    EXPECT_TRUE(listedParts().empty());
    EXPECT_EQ(shownParts(*placeNode("1/a3-plate")).size(), 1u);
    EXPECT_EQ(shownParts(*placeNode("9/a4-dolphin")).size(), 1u);
}

TEST_F(AlbumTest, APartDroppedOnItsArtifactIsPlacedAndInTheUsersFileBeforeTheNextFrame) {
    player({"1/a2-lavender-3", "1/a1-perfume-1"}, {});
    open();
    auto place = placeNode("1/a2-lavender");
    const std::size_t effectsBefore = effectsOn(*place);

    dropOnPlace("1/a2-lavender-3", "1/a2-lavender");

    // No frame has run since the release: what the screen now shows is on disk.
    const Value saved = savedProfile("P1");
    EXPECT_EQ(idsOf(saved.get("placedParts")), (std::vector<std::string>{"1/a2-lavender-3"}));
    EXPECT_EQ(idsOf(saved.get("collectedParts")), (std::vector<std::string>{"1/a1-perfume-1"}));
    EXPECT_FALSE(ArtifactManager::instance()->hasUnsavedChanges());

    EXPECT_EQ(shownParts(*place),
              (std::vector<glm::vec2>{ArtifactManager::instance()->partPosition("1/a2-lavender-3")}));
    EXPECT_EQ(listedParts(), (std::vector<std::string>{"1/a1-perfume-1"}));
    EXPECT_FALSE(partNode("1/a2-lavender-3"));
    // The place effect and its sound; the artifact is not complete yet.
    EXPECT_EQ(effectsOn(*place), effectsBefore + 2);
    EXPECT_EQ(album()->draggedNode(), nullptr);
    EXPECT_FLOAT_EQ(vorn::AchievementManager::instance()->achievement("provence").completion(), 100.0f / 16.0f);
}

TEST_F(AlbumTest, APartDroppedOnAnotherArtifactGoesBackToItsTileAsItWas) {
    player({"1/a2-lavender-3"}, {});
    open();
    auto part = partNode("1/a2-lavender-3");
    auto tile = part->getParent();
    const glm::vec2 position = part->getPosition();
    const glm::vec2 anchor = part->getAnchor();
    const std::string before = vorn::readTextFile(UserManager::instance()->usersFilePath());

    vorn::test::LogCapture log;
    dropOnPlace("1/a2-lavender-3", "1/a1-perfume");
    EXPECT_NE(log.text().find("ArtifactPartNode::onCancelDrag origAnchor: 42.000000 42.000000"), std::string::npos)
        << log.text();

    EXPECT_EQ(part->getParent(), tile);
    EXPECT_EQ(part->getPosition(), position);
    EXPECT_EQ(part->getAnchor(), anchor);
    EXPECT_TRUE(shownParts(*placeNode("1/a1-perfume")).empty());
    EXPECT_TRUE(shownParts(*placeNode("1/a2-lavender")).empty());
    EXPECT_TRUE(ArtifactManager::instance()->isCollected("1/a2-lavender-3"));
    EXPECT_EQ(vorn::readTextFile(UserManager::instance()->usersFilePath()), before);

    // Dropped back in the list or on the page's paper, it is refused the same way.
    dropPartAt("1/a2-lavender-3", centre(*album()->findNode("partsWindow")));
    dropPartAt("1/a2-lavender-3", topLeft(*album()->findNode("book")) + glm::vec2(300.0f, 20.0f));
    EXPECT_EQ(part->getParent(), tile);
    EXPECT_EQ(listedParts(), (std::vector<std::string>{"1/a2-lavender-3"}));

    // And it still goes where it belongs afterwards.
    dropOnPlace("1/a2-lavender-3", "1/a2-lavender");
    EXPECT_TRUE(ArtifactManager::instance()->isPlaced("1/a2-lavender-3"));
}

TEST_F(AlbumTest, ThePlaceJudgesByTheCornerOfThePartsBoxNotByThePointer) {
    player({"2/a2-anchor-1", "2/a2-anchor-2"}, {}, true);
    open();
    setPage(2);
    auto place = placeNode("2/a2-anchor");
    const glm::vec2 corner = topLeft(*place);

    // Grabbed at its centre, the box's corner is 42 px up and left of the
    // pointer: the pointer inside the place with the corner outside is refused...
    dropPartAt("2/a2-anchor-1", corner + glm::vec2(-20.0f, 30.0f));
    EXPECT_FALSE(ArtifactManager::instance()->isPlaced("2/a2-anchor-1"));
    // ...and the corner just inside with the pointer past the far edge is taken.
    auto part = partNode("2/a2-anchor-2");
    const glm::vec2 grab = topLeft(*part) + glm::vec2(80.0f, 80.0f);
    drag(grab, corner + glm::vec2(190.0f, 190.0f) + glm::vec2(80.0f, 80.0f));
    EXPECT_TRUE(ArtifactManager::instance()->isPlaced("2/a2-anchor-2"));
}

TEST_F(AlbumTest, APartGrabbedNearItsEdgeStaysUnderThePointerAtThatPoint) {
    player({"1/a4-hat-2"}, {});
    open();
    auto part = partNode("1/a4-hat-2");
    const glm::vec2 grab = topLeft(*part) + glm::vec2(80.0f, 26.0f);
    run.app.mouseMove(grab, vorn::BUTTON_LEFT);
    run.app.mouseDown(grab, vorn::BUTTON_LEFT);
    ASSERT_EQ(album()->draggedNode(), part);
    EXPECT_EQ(part->parent(), album().get());
    for (const glm::vec2 pointer : {glm::vec2(500.0f, 300.0f), glm::vec2(120.0f, 640.0f), glm::vec2(0.0f, 0.0f)}) {
        run.app.mouseMove(pointer, vorn::BUTTON_LEFT);
        frames(1.0f / 60.0f);
        EXPECT_EQ(part->localToWorld({80.0f, 26.0f}), pointer);
    }
    run.app.mouseUp({0.0f, 0.0f}, vorn::BUTTON_LEFT);
    EXPECT_EQ(part->getAnchor(), glm::vec2(42.0f, 42.0f));
}

TEST_F(AlbumTest, ASecondButtonDuringADragLiftsNothingElse) {
    player({"1/a4-hat-1", "1/a4-hat-3"}, {});
    open();
    auto part = partNode("1/a4-hat-1");
    auto tile = part->getParent();
    const glm::vec2 grab = centre(*part);
    run.app.mouseMove(grab, vorn::BUTTON_LEFT);
    run.app.mouseDown(grab, vorn::BUTTON_LEFT);
    const glm::vec2 away(400.0f, 300.0f);
    run.app.mouseMove(away, vorn::BUTTON_LEFT);
    frames(1.0f / 60.0f);
    // The right button goes down over the part hanging under the pointer.
    run.app.mouseDown(away, vorn::BUTTON_RIGHT);
    EXPECT_EQ(album()->draggedNode(), part);
    run.app.mouseUp(away, vorn::BUTTON_RIGHT);
    run.app.mouseUp(away, vorn::BUTTON_LEFT);
    EXPECT_EQ(album()->draggedNode(), nullptr);
    EXPECT_EQ(part->getParent(), tile);
    EXPECT_EQ(listedParts(), (std::vector<std::string>{"1/a4-hat-1", "1/a4-hat-3"}));
}

TEST_F(AlbumTest, APlacementTheCollectionRefusesShowsNothingAndReturnsThePart) {
    player({"1/a1-perfume-2"}, {});
    open();
    // The record no longer holds the part (another copy of the game placed
    // it meanwhile, say); the list still shows its tile.
    User* user = UserManager::instance()->currentUser();
    user->setValue(idArray({}), "collectedParts");
    user->setValue(idArray({"1/a1-perfume-2"}), "placedParts");
    ArtifactManager::instance()->publishCounts();
    auto place = placeNode("1/a1-perfume");
    const std::size_t effects = effectsOn(*place);

    vorn::test::LogCapture log;
    dropOnPlace("1/a1-perfume-2", "1/a1-perfume");
    EXPECT_NE(log.text().find("refused"), std::string::npos) << log.text();
    EXPECT_TRUE(shownParts(*place).empty());
    EXPECT_EQ(effectsOn(*place), effects);
    EXPECT_EQ(listedParts(), (std::vector<std::string>{"1/a1-perfume-2"}));
}

TEST_F(AlbumTest, TheLastPartOfAnArtifactPlaysTheCompletionAndTheLastOfAPlaceOpensItsPopup) {
    std::vector<std::string> venice = partsOfPlace(4);
    const std::string last = "4/a3-lantern-2";
    const std::string other = "5/a1-helmet-1";
    std::erase(venice, last);
    player({last, "4/a1-mask-1", other}, {});
    // Placed except two: the mask's first part and the lantern's second.
    User* user = UserManager::instance()->currentUser();
    std::vector<std::string> placed;
    for (const std::string& id : venice) {
        if (id != "4/a1-mask-1") placed.push_back(id);
    }
    user->setValue(idArray(placed), "placedParts");
    ArtifactManager::instance()->publishCounts();
    auto scene = open();
    // Earlier places are not complete: the album opens on the first of them.
    ASSERT_EQ(page(), 1);
    setPage(4);

    auto mask = placeNode("4/a1-mask");
    const std::size_t maskEffects = effectsOn(*mask);
    dropOnPlace("4/a1-mask-1", "4/a1-mask");
    EXPECT_EQ(effectsOn(*mask), maskEffects + 3);
    EXPECT_EQ(scene->getCurrentState(), "default");

    auto lantern = placeNode("4/a3-lantern");
    dropOnPlace(last, "4/a3-lantern");
    EXPECT_EQ(effectsOn(*lantern), 3u);
    EXPECT_EQ(scene->getCurrentState(), "venice");
    EXPECT_EQ(scene->stateStack(), (std::vector<std::string>{"default"}));
    EXPECT_FLOAT_EQ(vorn::AchievementManager::instance()->achievement("venice").completion(), 100.0f);
    frames(0.6f);
    EXPECT_TRUE(scene->findNode("placeComplete")->isVisible());
    // The popup holds the pointer: the list behind it takes no press.
    const glm::vec2 helmet = centre(*partNode(other));
    run.app.mouseDown(helmet, vorn::BUTTON_LEFT);
    EXPECT_EQ(scene->draggedNode(), nullptr);
    run.app.mouseUp(helmet, vorn::BUTTON_LEFT);

    // Its button closes it, and the page is as it was.
    auto button = scene->findNode("continue");
    const glm::vec2 click = centre(*button);
    run.app.mouseMove(click, vorn::BUTTON_LEFT);
    run.app.mouseDown(click, vorn::BUTTON_LEFT);
    run.app.mouseUp(click, vorn::BUTTON_LEFT);
    frames(0.6f);
    EXPECT_EQ(scene->getCurrentState(), "default");
    EXPECT_FALSE(scene->findNode("placeComplete")->isVisible());
    EXPECT_EQ(page(), 4);
    for (const auto& child : scene->findNode("pages")->children())
        EXPECT_EQ(child->isVisible(), child->getName() == "4");
    EXPECT_EQ(listedParts(), (std::vector<std::string>{other}));
}

TEST_F(AlbumTest, PagesTurnBetweenTheFirstAndTheLastWithASoundEachTime) {
    player({}, {});
    auto scene = open();
    struct Turn {
        const char* command;
        int from;
        int to;
    };
    const std::vector<Turn> turns = {
        {"nextPage()", 1, 2}, {"prevPage()", 2, 1}, {"prevPage()", 1, 1}, {"nextPage()", 8, 9}, {"nextPage()", 9, 9},
    };
    for (const Turn& t : turns) {
        setPage(t.from);
        frames(6.0f); // earlier flip sounds are gone
        const std::size_t before = effectsOn(*scene);
        vorn::VM::execute(t.command);
        EXPECT_EQ(page(), t.to) << t.command << " from " << t.from;
        EXPECT_EQ(effectsOn(*scene), before + (t.from == t.to ? 0u : 1u)) << t.command << " from " << t.from;
    }

    // The buttons of the book do the same.
    setPage(5);
    for (const char* name : {"nextPage", "nextPage", "prevPage"}) {
        const glm::vec2 at = centre(*scene->findNode(name));
        run.app.mouseMove(at, vorn::BUTTON_LEFT);
        run.app.mouseDown(at, vorn::BUTTON_LEFT);
        run.app.mouseUp(at, vorn::BUTTON_LEFT);
        frames(0.1f);
    }
    EXPECT_EQ(page(), 6);
    for (const auto& child : scene->findNode("pages")->children())
        EXPECT_EQ(child->isVisible(), child->getName() == "6");
}

TEST_F(AlbumTest, TheFirstVisitOpensTheTutorialASecondLaterAndTheFirstPlacementClosesIt) {
    player({"1/a1-perfume-1", "1/a1-perfume-2"}, {}, false);
    auto scene = std::make_shared<AlbumScene>();
    run.app.runScene(scene, "appear");
    EXPECT_TRUE(UserManager::instance()->currentUser()->getValue("insideAlbumTutorialShown").asBool());
    frames(0.95f);
    EXPECT_TRUE(savedProfile("P1").get("insideAlbumTutorialShown").asBool());
    EXPECT_EQ(scene->getCurrentState(), "default");
    frames(0.1f);
    EXPECT_EQ(scene->getCurrentState(), "albumTutorial");
    EXPECT_TRUE(scene->isTutorialShowing());
    EXPECT_TRUE(scene->isEnabled());
    frames(0.6f);
    EXPECT_TRUE(scene->findNode("tutorial")->isVisible());

    // The tutorial does not stand in the way of the drag it asks for.
    dropOnPlace("1/a1-perfume-1", "1/a1-perfume");
    EXPECT_TRUE(ArtifactManager::instance()->isPlaced("1/a1-perfume-1"));
    EXPECT_EQ(scene->getCurrentState(), "albumTutorial");
    frames(1.0f / 60.0f);
    EXPECT_EQ(scene->getCurrentState(), "default");
    EXPECT_FALSE(scene->isTutorialShowing());
    frames(0.6f);
    EXPECT_FALSE(scene->findNode("tutorial")->isVisible());

    // A second visit has no tutorial.
    auto again = open();
    frames(1.5f);
    EXPECT_EQ(again->getCurrentState(), "default");
}

TEST_F(AlbumTest, ATutorialClosedByEscapeLeavesTheNextPopupAlone) {
    std::vector<std::string> crete = partsOfPlace(9);
    const std::string last = crete.back();
    crete.pop_back();
    player({last}, crete, false);
    auto scene = std::make_shared<AlbumScene>();
    run.app.runScene(scene, "appear");
    frames(1.2f);
    ASSERT_EQ(scene->getCurrentState(), "albumTutorial");
    EXPECT_TRUE(run.app.keyDown(vorn::KEY_ESCAPE));
    EXPECT_EQ(scene->getCurrentState(), "default");
    EXPECT_FALSE(scene->isTutorialShowing());
    frames(0.6f);

    setPage(9);
    dropOnPlace(last, ArtifactManager::groupOfPart(last));
    EXPECT_EQ(scene->getCurrentState(), "crete");
    frames(0.5f);
    EXPECT_EQ(scene->getCurrentState(), "crete");
    EXPECT_TRUE(run.app.keyDown(vorn::KEY_ESCAPE));
    EXPECT_EQ(scene->getCurrentState(), "default");
    // Escape with nothing open changes nothing and is still the album's key.
    EXPECT_TRUE(run.app.keyDown(vorn::KEY_ESCAPE));
    EXPECT_EQ(scene->getCurrentState(), "default");
}

TEST_F(AlbumTest, APlacementUnderAPopupOverTheTutorialClosesNeither) {
    std::vector<std::string> naples = partsOfPlace(6);
    const std::string last = naples.back();
    naples.pop_back();
    player({last}, naples, false);
    auto scene = std::make_shared<AlbumScene>();
    run.app.runScene(scene, "appear");
    frames(1.2f);
    ASSERT_EQ(scene->getCurrentState(), "albumTutorial");
    setPage(6);
    // The popup of a completed place opens over the tutorial in the same drop.
    dropOnPlace(last, ArtifactManager::groupOfPart(last));
    EXPECT_EQ(scene->getCurrentState(), "naples");
    frames(0.5f);
    EXPECT_EQ(scene->getCurrentState(), "naples");
    scene->popState();
    EXPECT_EQ(scene->getCurrentState(), "albumTutorial");
}

TEST_F(AlbumTest, TheDeveloperKeyTakesEveryPartOffUntilTheNextPlacementSaves) {
    const std::string folder = vorn::Platform::instance()->writableFolder(run.app.dataFolderName());
    vorn::test::writeBytes(folder + "/devmode.txt", "1");
    player({"1/a3-plate-1"}, {"1/a3-plate-2", "2/a1-compass-1"});
    auto scene = open();
    EXPECT_FALSE(scene->keyDown(vorn::KEY_F7));
    EXPECT_TRUE(run.app.keyDown(vorn::KEY_F8));
    EXPECT_EQ(listedParts(), (std::vector<std::string>{"1/a3-plate-1", "1/a3-plate-2", "2/a1-compass-1"}));
    EXPECT_EQ(scene->findChildrenOfType(typeid(ArtifactPlaceNode), true).size(), 36u);
    for (const auto& place : scene->findChildrenOfType(typeid(ArtifactPlaceNode), true)) {
        EXPECT_TRUE(shownParts(*place).empty());
    }
    EXPECT_EQ(idsOf(savedProfile("P1").get("placedParts")).size(), 2u);

    dropOnPlace("1/a3-plate-2", "1/a3-plate");
    const Value saved = savedProfile("P1");
    EXPECT_EQ(idsOf(saved.get("placedParts")), (std::vector<std::string>{"1/a3-plate-2"}));
    EXPECT_EQ(idsOf(saved.get("collectedParts")), (std::vector<std::string>{"1/a3-plate-1", "2/a1-compass-1"}));
}

TEST_F(AlbumTest, WithoutDeveloperModeF8IsAnOrdinaryKey) {
    player({}, {"1/a3-plate-2"});
    open();
    EXPECT_FALSE(run.app.keyDown(vorn::KEY_F8));
    EXPECT_TRUE(ArtifactManager::instance()->isPlaced("1/a3-plate-2"));
}

TEST_F(AlbumTest, TheAlbumLeavesNoListenerOrCallbackBehindWhenItGoes) {
    std::vector<std::string> rome = partsOfPlace(5);
    const std::string last = rome.back();
    rome.pop_back();
    player({last}, rome);
    std::weak_ptr<AlbumScene> gone;
    {
        auto scene = open();
        gone = scene;
        EXPECT_EQ(vorn::EventDispatcher::instance()->listenerCount(ArtifactManager::instance()), 1u);
        EXPECT_TRUE(ArtifactManager::instance()->hasPlaceCompleteCallback());
        run.app.runScene(std::make_shared<vorn::Scene>(&run.app));
        EXPECT_EQ(vorn::EventDispatcher::instance()->listenerCount(ArtifactManager::instance()), 0u);
        EXPECT_FALSE(ArtifactManager::instance()->hasPlaceCompleteCallback());
    }
    frames(0.1f);
    EXPECT_TRUE(gone.expired());
    // Placing now (the win of a level, another screen) reaches no album.
    ASSERT_TRUE(ArtifactManager::instance()->placePart(last));
    frames(0.1f);

    // An album that enters again (the developer's reload) listens again, once.
    player({}, {});
    auto scene = open();
    scene->reload();
    EXPECT_EQ(vorn::EventDispatcher::instance()->listenerCount(ArtifactManager::instance()), 1u);
    EXPECT_TRUE(ArtifactManager::instance()->hasPlaceCompleteCallback());
    EXPECT_EQ(scene->findChildrenOfType(typeid(ArtifactPlaceNode), true).size(), 36u);
}

TEST_F(AlbumTest, EnteringTheStageAgainLaysNoSecondPlaceOverAnArtifact) {
    player({"1/a1-perfume-1"}, {"1/a1-perfume-2"});
    auto scene = open();
    scene->exitStage();
    scene->enterStage();
    EXPECT_EQ(scene->findChildrenOfType(typeid(ArtifactPlaceNode), true).size(), 36u);
    EXPECT_EQ(shownParts(*placeNode("1/a1-perfume")).size(), 1u);
    EXPECT_EQ(listedParts().size(), 1u);
}

TEST_F(AlbumTest, NothingShownAsPlacedIsLostToAKillAndARestartBringsEveryPartBack) {
    // The first run: parts handed over as a won level does, one dragged into
    // place, and the process killed before it draws another frame.
    const pid_t first = fork();
    ASSERT_NE(first, -1);
    if (first == 0) {
        player({}, {"2/a3-soap-2"});
        ArtifactManager* artifacts = ArtifactManager::instance();
        for (const char* id : {"2/a3-soap-4", "7/a2-owl-2", "2/a3-soap-1"}) artifacts->collectPart(id);
        artifacts->saveIfChanged();
        UserManager::instance()->userDataChanged();
        open();
        setPage(2);
        dropOnPlace("2/a3-soap-4", "2/a3-soap");
        if (!artifacts->isPlaced("2/a3-soap-4") || shownParts(*placeNode("2/a3-soap")).size() != 2) _exit(2);
        raise(SIGKILL);
        _exit(3);
    }
    int status = 0;
    ASSERT_EQ(waitpid(first, &status, 0), first);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << "the first run ended with " << status;

    // The second run reads the users file as the program starts.
    ASSERT_NE(UserManager::instance()->currentUser(), nullptr);
    EXPECT_EQ(UserManager::instance()->currentUser()->name(), "P1");
    ArtifactManager::instance()->publishCounts();
    open();
    setPage(2);
    EXPECT_EQ(shownParts(*placeNode("2/a3-soap")).size(), 2u);
    EXPECT_EQ(listedParts(), (std::vector<std::string>{"2/a3-soap-1", "7/a2-owl-2"}));
    EXPECT_EQ(DataSource::get("collectedPartsCount")->value(), Value(2LL));
}

TEST_F(AlbumTest, ToMapLeavesForANewMapAndTheMapOpensANewAlbum) {
    player({"3/a2-trophy-1"}, {});
    std::weak_ptr<AlbumScene> first;
    {
        auto scene = open();
        first = scene;
        const glm::vec2 at = centre(*scene->findNode("mapButton"));
        run.app.mouseMove(at, vorn::BUTTON_LEFT);
        run.app.mouseDown(at, vorn::BUTTON_LEFT);
        run.app.mouseUp(at, vorn::BUTTON_LEFT);
    }
    frames(0.1f);
    ASSERT_TRUE(std::dynamic_pointer_cast<MapScene>(run.app.runningScene()));
    EXPECT_TRUE(first.expired());
    EXPECT_FALSE(ArtifactManager::instance()->hasPlaceCompleteCallback());
    frames(1.5f);

    vorn::VM::execute("openAlbum()");
    auto again = album();
    ASSERT_TRUE(again);
    frames(0.6f);
    EXPECT_EQ(page(), 1);
    EXPECT_EQ(listedParts(), (std::vector<std::string>{"3/a2-trophy-1"}));
    vorn::VM::execute("toMap()");
    EXPECT_TRUE(std::dynamic_pointer_cast<MapScene>(run.app.runningScene()));
}

TEST_F(AlbumTest, PageCommandsOnlyActOnARunningAlbum) {
    player({}, {});
    run.app.runScene(std::make_shared<vorn::Scene>(&run.app));
    AlbumScene::setupScripting();
    setPage(3);
    vorn::VM::execute("nextPage(); prevPage(); prevPage()");
    EXPECT_EQ(page(), 3);
}

} // namespace
} // namespace album
