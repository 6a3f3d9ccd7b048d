// A level's tutorial: pushed a second after the entry animation ends,
// closed by the player's first useful action, and never pushed once that
// action came first.
#include "GameFixture.h"

#include "core/VM.h"

#include <gtest/gtest.h>

namespace {

using screens::test::GameFixture;

class Tutorials : public GameFixture {
protected:
    // The screen run as the map runs it, stepped only until the deal is
    // under way: the entry animation takes 0.6 s.
    std::shared_ptr<GameScene> enter(const std::string& uid,
                                     const std::function<void(GameScene&)>& beforeEntry = nullptr) {
        game = std::make_shared<GameScene>(LevelList::instance()->find(uid));
        if (beforeEntry) beforeEntry(*game);
        run.app.runScene(game, "appear");
        return game;
    }
    // The tutorial's node: a child of the scene with a look for "tutorial"
    // and no name (effects may have been added after it).
    std::shared_ptr<vorn::Node> tutorialNode() const {
        for (const auto& child : game->children()) {
            if (child->getName().empty() && child->hasState("tutorial")) return child;
        }
        return nullptr;
    }
};

TEST_F(Tutorials, ATutorialShowsASecondAfterTheEntryAndTheFirstMatchClosesIt) {
    enter("1");
    step(0.5f);
    EXPECT_FALSE(game->tutorialShown);
    step(0.2f);
    // The entry is over: the tutorial waits, and the screen's own flag is off.
    EXPECT_TRUE(game->tutorialShown);
    EXPECT_TRUE(game->isTutorialPending());
    EXPECT_FALSE(game->isEnabled());
    ASSERT_TRUE(tutorialNode());
    EXPECT_EQ(game->lastChild(), tutorialNode());
    step(0.8f);
    EXPECT_EQ(game->getCurrentState(), "default");
    step(0.2f);
    EXPECT_EQ(game->getCurrentState(), "tutorial");
    EXPECT_TRUE(game->isEnabled());
    step(1.0f);
    EXPECT_TRUE(tutorialNode()->isVisible());

    step(2.0f);
    ASSERT_TRUE(matchOnePair());
    EXPECT_FALSE(game->tutorialShown);
    EXPECT_EQ(game->getCurrentState(), "default");
    EXPECT_TRUE(game->stateStack().empty());
    step(1.0f);
    ASSERT_TRUE(tutorialNode());
    EXPECT_FALSE(tutorialNode()->isVisible());
    // It stays closed for the rest of the game, and a restart brings no other.
    ASSERT_TRUE(matchOnePair());
    game->restart();
    step(3.0f);
    EXPECT_EQ(game->getCurrentState(), "default");
    EXPECT_FALSE(game->tutorialShown);
}

TEST_F(Tutorials, APowerupTutorialGivesAUnitOnlyToAPlayerWithoutOne) {
    for (long long held : {0LL, 3LL}) {
        setCounter("hint", held);
        enter("3");
        step(2.0f);
        EXPECT_EQ(game->getCurrentState(), "tutorial") << held;
        EXPECT_EQ(counter("hint"), held <= 0 ? 1 : held) << held;
        // The hint itself closes it.
        vorn::VM::execute("hint()");
        EXPECT_EQ(game->getCurrentState(), "default") << held;
        EXPECT_FALSE(game->tutorialShown) << held;
    }
}

// The player matches a pair during the wait: the tutorial is cancelled
// rather than pushed later with nothing left to close it.
TEST_F(Tutorials, AnActionDuringTheWaitCancelsThePendingTutorial) {
    enter("1");
    step(0.8f);
    ASSERT_TRUE(game->isTutorialPending());
    ASSERT_TRUE(matchOnePair());
    EXPECT_FALSE(game->tutorialShown);
    EXPECT_FALSE(game->isTutorialPending());
    EXPECT_TRUE(game->isEnabled());
    step(3.0f);
    EXPECT_EQ(game->getCurrentState(), "default");
    EXPECT_TRUE(game->stateStack().empty());
    ASSERT_TRUE(tutorialNode());
    EXPECT_FALSE(tutorialNode()->isVisible());
}

// An entry switch that waits or eases first still ends in a switch from
// "appear" to "default", and the tutorial still follows it.
TEST_F(Tutorials, TheTriggerFindsTheEntrySwitchInsideItsWrappers) {
    enter("1", [](GameScene& scene) { scene.addTransition("appear", "default", {0.6f, 0.4f}); });
    step(1.9f);
    EXPECT_EQ(game->getCurrentState(), "default");
    EXPECT_TRUE(game->isTutorialPending());
    step(0.2f);
    EXPECT_EQ(game->getCurrentState(), "tutorial");
}

TEST_F(Tutorials, HideTutorialClosesOnlyAShownTutorial) {
    useLevels(entry("2", "data/levels/002.plist", 180) + ", " + entry("5", "data/levels/005.plist", 290));
    enter("2");
    step(3.0f);
    EXPECT_FALSE(tutorialNode());
    EXPECT_FALSE(game->tutorialShown);
    vorn::VM::execute("hideTutorial()");
    EXPECT_EQ(game->getCurrentState(), "default");
    // The developer's switch to the state adds no tutorial of its own, so a
    // match does not close it.
    game->pushState();
    game->setState("tutorial");
    ASSERT_TRUE(matchOnePair());
    EXPECT_EQ(game->getCurrentState(), "tutorial");

    enter("5");
    step(2.0f);
    ASSERT_EQ(game->getCurrentState(), "tutorial");
    vorn::VM::execute("hideTutorial()");
    EXPECT_EQ(game->getCurrentState(), "default");
    EXPECT_FALSE(game->tutorialShown);
    vorn::VM::execute("hideTutorial()");
    EXPECT_EQ(game->getCurrentState(), "default");
}

// The no-moves popup opened over a tutorial: the reshuffle that closes the
// popup closes the tutorial under it too, instead of bringing it back with
// nothing left to close it.
TEST_F(Tutorials, APowerupClosesTheNoMovesPopupAndTheTutorialUnderIt) {
    enter("8");
    step(2.0f);
    ASSERT_EQ(game->getCurrentState(), "tutorial");
    game->onNoTurns();
    ASSERT_EQ(game->getCurrentState(), "no_turns");
    vorn::VM::execute("reshuffle()");
    EXPECT_EQ(game->getCurrentState(), "default");
    EXPECT_FALSE(game->tutorialShown);
    EXPECT_TRUE(game->stateStack().empty());
}

} // namespace
