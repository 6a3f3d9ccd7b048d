// Hint, undo and reshuffle spend the player's units and count their uses;
// without units they open their shop, where packs are bought with gold.
#include "GameFixture.h"

#include "services/AchievementManager.h"
#include "core/VM.h"
#include "scene/Effect.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

namespace {

using screens::test::GameFixture;
using vorn::test::LogCapture;

class Powerups : public GameFixture {
protected:
    float achievement(const char* id) { return vorn::AchievementManager::instance()->achievement(id).completion(); }
    // Sound effects the screen dropped on itself.
    std::size_t effects() { return game->findChildrenOfType(typeid(vorn::Effect), false).size(); }
    // A level without a tutorial, so that no panel covers the board.
    void openPlain() {
        useLevels(entry("2", "data/levels/002.plist", 180) + ", " + entry("4", "data/levels/004.plist", 240));
        open("4", [](GameScene& screen) { screen.boardSeed = 17; });
    }
};

// The pair the board would light first is taken and comes back through
// undo: a hint asked for while it flies back lights a pair that can be
// clicked now, one that its landing does not put out.
TEST_F(Powerups, AHintIsPaidOnlyForAPairThatCanBeClickedNow) {
    openPlain();
    const mahjong::Board::Move first = freePairs().front();
    click(first.first);
    click(first.second);
    step(2.0f);
    setCounter("hint", 2);
    vorn::VM::execute("undo()");
    step(0.1f);
    vorn::VM::execute("hint()");
    std::vector<std::shared_ptr<mahjong::Tile>> lit;
    for (const auto& tile : game->board->tiles) {
        if (tile->showsHint()) lit.push_back(tile);
    }
    ASSERT_EQ(counter("hint"), 1);
    ASSERT_EQ(lit.size(), 2u);
    for (const auto& tile : lit) {
        EXPECT_TRUE(tile->isEnabled());
        EXPECT_EQ(tile->parent(), game->board.get());
        EXPECT_EQ(tile->getPosition(), tile->pixelPosition());
    }
    step(2.0f);
    EXPECT_TRUE(lit[0]->showsHint() && lit[1]->showsHint()) << "the paid hint went out";
}

// The no-moves popup's undo looks disabled and takes no click while there
// is no pair to take back.
TEST_F(Powerups, TheNoMovesUndoIsDisabledWithNothingToTakeBack) {
    openPlain();
    const auto button = std::dynamic_pointer_cast<vorn::Node>(game->findNode("noTurnsUndo"));
    ASSERT_TRUE(button);
    const auto look = [&button] {
        std::string shown;
        for (const auto& child : button->children())
            if (child->isVisible()) shown += (shown.empty() ? "" : "+") + child->getName();
        return shown;
    };
    game->onNoTurns();
    step(0.5f);
    EXPECT_FALSE(button->isEnabled());
    EXPECT_EQ(look(), "disabled");
    const glm::vec3 centre = button->getWorldCenter();
    run.app.mouseDown({centre.x, centre.y}, vorn::BUTTON_LEFT);
    run.app.mouseUp({centre.x, centre.y}, vorn::BUTTON_LEFT);
    step(0.1f);
    EXPECT_EQ(game->getCurrentState(), "no_turns");
    EXPECT_EQ(counter("undo"), 3);
    game->popState();
    step(0.5f);

    // With a pair to take back it is the undo it always was.
    ASSERT_TRUE(matchOnePair());
    game->onNoTurns();
    step(0.5f);
    EXPECT_TRUE(button->isEnabled());
    EXPECT_EQ(look(), "default");
    run.app.mouseDown({centre.x, centre.y}, vorn::BUTTON_LEFT);
    run.app.mouseUp({centre.x, centre.y}, vorn::BUTTON_LEFT);
    step(0.1f);
    EXPECT_EQ(counter("undo"), 2);
    EXPECT_EQ(game->getCurrentState(), "default");
}

TEST_F(Powerups, AHintSpendsAUnitOnceUntilTheNextMatch) {
    openPlain();
    setCounter("hint", 1);
    vorn::VM::execute("hint()");
    EXPECT_TRUE(game->board->hintShown);
    EXPECT_EQ(counter("hint"), 0);
    EXPECT_EQ(game->hintsUsed, 1);
    EXPECT_EQ(counter("hintsUsed"), 1);
    EXPECT_FLOAT_EQ(achievement("show_me"), 10.0f);
    // None left: the shop, and nothing else.
    vorn::VM::execute("hint()");
    EXPECT_EQ(game->getCurrentState(), "hint_shop");
    EXPECT_EQ(game->hintsUsed, 1);
    game->popState();
    step(0.6f);

    // With units, a second hint before the next match is refused and free.
    setCounter("hint", 5);
    vorn::VM::execute("hint()");
    EXPECT_EQ(counter("hint"), 5);
    EXPECT_EQ(game->hintsUsed, 1);
    ASSERT_TRUE(matchOnePair());
    vorn::VM::execute("hint()");
    EXPECT_EQ(counter("hint"), 4);
    EXPECT_EQ(counter("hintsUsed"), 2);
}

TEST_F(Powerups, UndoTakesBackTheLastPairAndNothingWithoutOne) {
    openPlain();
    vorn::VM::execute("undo()");
    EXPECT_EQ(counter("undo"), 3);
    EXPECT_EQ(game->undosUsed, 0);
    const int tiles = game->board->tileCount();
    ASSERT_TRUE(matchOnePair());
    EXPECT_EQ(game->board->tileCount(), tiles - 2);
    const std::size_t before = effects();
    vorn::VM::execute("undo()");
    EXPECT_EQ(counter("undo"), 2);
    EXPECT_EQ(game->undosUsed, 1);
    EXPECT_EQ(effects(), before + 1);
    step(1.0f);
    EXPECT_EQ(game->board->tileCount(), tiles);
    // The lifetime count drives "reconsider": 30 at the third, 100 from the tenth.
    setCounter("undosUsed", 2);
    ASSERT_TRUE(matchOnePair());
    vorn::VM::execute("undo()");
    EXPECT_FLOAT_EQ(achievement("reconsider"), 30.0f);
    setCounter("undosUsed", 12);
    step(1.0f);
    ASSERT_TRUE(matchOnePair());
    vorn::VM::execute("undo()");
    EXPECT_EQ(achievement("reconsider"), 100.0f);
    // None left: the shop.
    setCounter("undo", 0);
    vorn::VM::execute("undo()");
    EXPECT_EQ(game->getCurrentState(), "undo_shop");
}

// A stack of three beside a single tile: whatever the deal, once the top of
// the stack and the single tile are gone (or at once, when they differ) the
// two tiles left lie one on the other and cannot be taken.
TEST_F(Powerups, ABoardWithoutMovesOpensItsPopupAndAReshuffleClosesIt) {
    useLevels(entry("2", layout("stack.plist", {{4, 2, 0}, {4, 2, 1}, {4, 2, 2}, {10, 2, 0}}), 100));
    open("2");
    if (game->getCurrentState() != "no_turns") {
        ASSERT_TRUE(matchOnePair());
        step(0.5f);
    }
    EXPECT_EQ(game->getCurrentState(), "no_turns");
    const int tiles = game->board->tileCount();
    const std::size_t before = effects();
    vorn::VM::execute("reshuffle()");
    EXPECT_EQ(counter("reshuffle"), 1);
    EXPECT_EQ(game->reshufflesUsed, 1);
    EXPECT_EQ(counter("reshufflesUsed"), 1);
    EXPECT_FLOAT_EQ(achievement("reshuffle_it"), 10.0f);
    EXPECT_EQ(effects(), before + 1);
    EXPECT_EQ(game->getCurrentState(), "default");
    EXPECT_TRUE(game->stateStack().empty());
    step(2.0f);
    EXPECT_EQ(game->board->tileCount(), tiles);
    // Without units the shop opens over the popup, and nothing is dealt.
    game->onNoTurns();
    setCounter("reshuffle", 0);
    vorn::VM::execute("reshuffle()");
    EXPECT_EQ(game->getCurrentState(), "reshuffle_shop");
    EXPECT_EQ(game->reshufflesUsed, 1);
}

// Exactly enough gold is not enough: the price must be below the gold held.
TEST_F(Powerups, APackIsBoughtOnlyWithMoreGoldThanItsPrice) {
    openPlain();
    struct Case {
        long long gold;
        bool bought;
    };
    for (const Case& c : {Case{60, false}, Case{59, false}, Case{61, true}, Case{300, true}}) {
        setCounter("gold", c.gold);
        setCounter("hint", 0);
        game->openHintShop();
        vorn::VM::execute("buyPowerupPack('hint_small')");
        if (c.bought) {
            EXPECT_EQ(counter("gold"), c.gold - 60) << c.gold;
            EXPECT_EQ(counter("hint"), 3) << c.gold;
            EXPECT_EQ(game->getCurrentState(), "default") << c.gold;
        } else {
            EXPECT_EQ(counter("gold"), c.gold) << c.gold;
            EXPECT_EQ(counter("hint"), 0) << c.gold;
            EXPECT_EQ(game->getCurrentState(), "gold_shop") << c.gold;
            // Closing the gold shop returns to the power-up's shop.
            game->popState();
            EXPECT_EQ(game->getCurrentState(), "hint_shop") << c.gold;
            game->popState();
        }
        EXPECT_TRUE(game->stateStack().empty()) << c.gold;
    }
}

TEST_F(Powerups, AnUnknownPackIsRefusedWithALogLine) {
    openPlain();
    setCounter("gold", 300);
    game->openUndoShop();
    for (const char* pack : {"no_such_pack", "", "hint_small.price"}) {
        LogCapture log;
        GameScene::buyPowerupPack(pack);
        EXPECT_EQ(log.count("nothing bought"), 1) << pack;
        EXPECT_EQ(counter("gold"), 300) << pack;
        EXPECT_EQ(game->getCurrentState(), "undo_shop") << pack;
    }
}

TEST_F(Powerups, PackPricesAndCountsArePublishedOnEntry) {
    openPlain();
    const std::pair<const char*, long long> cases[] = {{"hint_small_price", 60},   {"hint_small_count", 3},
                                                       {"undo_large_price", 100},  {"undo_large_count", 10},
                                                       {"reshuffle_small_price", 80}, {"reshuffle_large_count", 6}};
    for (const auto& [name, value] : cases) EXPECT_EQ(source(name).asLongLong(), value) << name;
}

// No units, no board: a power-up never touches the board then.
TEST_F(Powerups, APowerupWithoutUnitsOnlyOpensItsShop) {
    openPlain();
    setCounter("reshuffle", 0);
    setCounter("undo", 0);
    ASSERT_TRUE(matchOnePair());
    const int tiles = game->board->tileCount();
    vorn::VM::execute("undo()");
    EXPECT_EQ(game->getCurrentState(), "undo_shop");
    game->popState();
    vorn::VM::execute("reshuffle()");
    EXPECT_EQ(game->getCurrentState(), "reshuffle_shop");
    step(1.0f);
    EXPECT_EQ(game->board->tileCount(), tiles);
    EXPECT_EQ(game->undosUsed + game->reshufflesUsed, 0);
}

} // namespace
