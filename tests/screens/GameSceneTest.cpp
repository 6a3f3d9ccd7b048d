// The game screen with real levels: the board fitted between the side
// columns, the score display, a level played to the win by clicking the
// pairs the board offers, the rewards and results kept, the win paid once,
// and the screen's lifetime.
#include "GameFixture.h"

#include "services/AchievementManager.h"
#include "app/Application.h"
#include "core/Data.h"
#include "core/DataSource.h"
#include "core/Keys.h"
#include "core/Platform.h"
#include "core/VM.h"
#include "scene/ActionManager.h"
#include "scene/Effect.h"
#include "screens/MapScene.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using screens::test::GameFixture;
using vorn::test::LogCapture;

class GameScreen : public GameFixture {};

float expectedScale(const GameScene& game) {
    const glm::vec2 room = game.findNode("board")->getSize() - glm::vec2(300.0f, 50.0f);
    const glm::vec2 layout = game.board->layoutSize;
    return std::clamp(std::min(room.x / layout.x, room.y / layout.y), 0.2f, 1.0f);
}

TEST_F(GameScreen, TheBoardIsFittedIntoItsNodeAndCentredOverTheLevelsBackground) {
    const std::string small = layout("small.plist", {{0, 0, 0}, {2, 0, 0}}, 1, "");
    useLevels(entry("1", "data/levels/001.plist", 170) + ", " + entry("2", "data/levels/144.plist", 1370) + ", " +
              entry("3", small, 100));
    for (const std::string uid : {"1", "2", "3"}) {
        open(uid, [](GameScene& scene) {
            auto marker = std::make_shared<vorn::Node>();
            marker->setName("boardMarker");
            scene.addChild(marker);
        });
        const float s = expectedScale(*game);
        EXPECT_EQ(game->board->getScale(), glm::vec2(s, s)) << uid;
        EXPECT_EQ(game->board->getAnchor(), game->board->center()) << uid;
        EXPECT_EQ(game->board->getPosition(), game->halfSize()) << uid;
        EXPECT_EQ(game->board->parent(), game->findNode("board").get());
        const auto marker = game->findNode("boardMarker");
        EXPECT_EQ(marker->getSize(), game->board->getSize());
        EXPECT_EQ(marker->getScale(), game->board->getScale());
        EXPECT_EQ(marker->getAnchor(), game->board->getAnchor());
        EXPECT_EQ(marker->getPosition(), game->board->getPosition());
        // The background node holds the level's picture, covering the screen.
        const auto background = game->findNode("background");
        ASSERT_FALSE(background->children().empty()) << uid;
    }
    // A layout smaller than the room is never shown larger than it is.
    EXPECT_EQ(game->board->getScale().x, 1.0f);
    // The 1024 x 768 room less the side columns: the tallest layout is
    // fitted by its width or its height, whichever is tighter.
    open("2");
    const glm::vec2 layoutSize = game->board->layoutSize;
    EXPECT_FLOAT_EQ(game->board->getScale().x, std::min(724.0f / layoutSize.x, 718.0f / layoutSize.y));
}

TEST_F(GameScreen, ALayoutWithoutABackgroundGetsTheFirstOne) {
    useLevels(entry("1", layout("plain.plist", {{0, 0, 0}, {2, 0, 0}}, 1, ""), 100) + ", " +
              entry("2", layout("named.plist", {{0, 0, 0}, {2, 0, 0}}, 1, "5.xml"), 100));
    std::string loaded[2];
    for (int i = 0; i < 2; ++i) {
        LogCapture log;
        open(i == 0 ? "1" : "2");
        const std::string text = log.text();
        loaded[i] = text.find("data/scenes/game/backgrounds/1.xml") != std::string::npos   ? "1.xml"
                    : text.find("data/scenes/game/backgrounds/5.xml") != std::string::npos ? "5.xml"
                                                                                          : "none";
    }
    EXPECT_EQ(loaded[0], "1.xml");
    EXPECT_EQ(loaded[1], "5.xml");
}

TEST_F(GameScreen, ScoreProgressIsAShareOfTheFullMarksAndFullWithoutAny) {
    useLevels(entry("1", "data/levels/001.plist", 1000) + ", " + entry("2", "data/levels/001.plist", 0));
    open("1");
    EXPECT_EQ(source("scoreProgress").asFloat(), 0.0f);
    EXPECT_EQ(source("levelStars").asInt(), 1);
    game->onScoreChanged(600);
    EXPECT_FLOAT_EQ(source("scoreProgress").asFloat(), 0.6f);
    EXPECT_EQ(source("levelStars").asInt(), 2);
    game->onScoreChanged(1500);
    EXPECT_FLOAT_EQ(source("scoreProgress").asFloat(), 1.5f);
    // Full marks of 0: no division, the bar is full and the stars are all won.
    open("2");
    for (long long score : {0LL, 10LL}) {
        game->onScoreChanged(score);
        EXPECT_EQ(source("scoreProgress").asFloat(), 1.0f) << score;
        EXPECT_EQ(source("levelStars").asInt(), 3) << score;
    }
}

TEST_F(GameScreen, TheModeIsPublishedForTheGoalDisplay) {
    const std::vector<std::pair<std::string, std::string>> cases = {{"1", "all"}, {"6", "gold"}, {"11", "bears"}};
    for (const auto& [uid, mode] : cases) {
        std::make_shared<GameScene>(LevelList::instance()->find(uid));
        EXPECT_EQ(source("gameMode").toString(), mode) << uid;
    }
}

TEST_F(GameScreen, ALevelPlayedToTheWinShowsThePopupAndKeepsTheResults) {
    const long long goldBefore = counter("gold");
    open("1");
    ASSERT_TRUE(playToWin());
    const long long score = source("score").asLongLong();
    const int stars = game->level->starsForScore(score);
    EXPECT_GT(score, 0);
    EXPECT_EQ(game->getCurrentState(), "win");
    EXPECT_EQ(game->moves, 11);
    EXPECT_EQ(source("levelStars").asInt(), stars);
    long long paid = 25;
    for (int k = 1; k <= stars; ++k) paid += k == 1 ? 10 : k == 2 ? 20 : 40;
    EXPECT_EQ(source("levelGold").asLongLong(), paid);
    EXPECT_EQ(counter("gold"), goldBefore + paid);
    EXPECT_EQ(counter("totalScore"), score);
    EXPECT_EQ(counter("tilesRemoved"), 22);
    EXPECT_EQ(player->getValue("levelResults").get("1").asLongLong(), score);
    EXPECT_EQ(vorn::AchievementManager::instance()->achievement("beginner").completion(), 100.0f);
    EXPECT_FLOAT_EQ(vorn::AchievementManager::instance()->achievement("apprentice").completion(), 20.0f);
    // The board takes no more clicks.
    EXPECT_FALSE(game->board->isEnabled());
    // The last pair's points rise in their own layer, drawn under the popup.
    const auto points = game->findNode("scoreEffects");
    ASSERT_TRUE(points);
    EXPECT_FALSE(points->findChildrenOfType(typeid(vorn::Effect), false).empty());
    const auto& layers = game->children();
    const auto at = [&layers](const std::shared_ptr<vorn::Node>& node) {
        return std::find(layers.begin(), layers.end(), node) - layers.begin();
    };
    EXPECT_LT(at(points), at(game->findNode("winPopup")));

    // The win effect plays in its holder 0.8 s after the popup opened.
    const auto holder = game->findNode("winEffectHolder");
    ASSERT_TRUE(holder);
    auto effects = [&holder] { return holder->findChildrenOfType(typeid(vorn::Effect), false).size(); };
    EXPECT_EQ(effects(), 0u);
    step(1.0f);
    EXPECT_EQ(effects(), 1u);

    // Written to the users file.
    vorn::UserManager::instance()->flushPendingSave();
    const vorn::Value saved = vorn::Value::fromPlistFile(vorn::UserManager::instance()->usersFilePath());
    const vorn::Value& profile = saved.get("users").at(0);
    EXPECT_EQ(profile.get("levelResults").get("1").asLongLong(), score);
    EXPECT_EQ(profile.get("resourceAmounts").get("gold").asLongLong(), goldBefore + paid);
    EXPECT_EQ(profile.get("resourceAmounts").get("tilesRemoved").asLongLong(), 22);
}

TEST_F(GameScreen, AWinInAModeThatPlaysOnIsPaidOnceAndStopsTheBoard) {
    open("6");
    ASSERT_EQ(game->level->mode, 2);
    ASSERT_TRUE(playToWin(isGoldPair));
    // The gold pair may come out last; a replay then leaves tiles behind.
    for (int replay = 0; replay < 5 && game->board->tiles.empty(); ++replay) {
        vorn::VM::execute("popState(); restart()");
        step(4.0f);
        ASSERT_TRUE(playToWin(isGoldPair));
    }
    const long long gold = counter("gold");
    const long long total = counter("totalScore");
    const auto stack = game->stateStack();
    // Tiles remain, and they take no clicks.
    ASSERT_FALSE(game->board->tiles.empty());
    EXPECT_FALSE(game->board->isEnabled());
    const mahjong::Board::Move left = game->board->findMoves().empty() ? mahjong::Board::Move()
                                                                      : game->board->findMoves().front();
    if (left.first) {
        // Straight to the board's node: the popup would take a real click.
        const auto host = game->findNode("board");
        for (const auto& tile : {left.first, left.second}) {
            const glm::vec2 at = tile->localToWorld(tile->halfSize());
            host->mouseDown(at, vorn::BUTTON_LEFT);
            host->mouseUp(at, vorn::BUTTON_LEFT);
        }
        EXPECT_FALSE(game->board->selected);
        EXPECT_EQ(left.first->parent(), game->board.get());
    }
    // A further report from the board pays nothing and stacks no popup.
    game->board->onWin();
    EXPECT_EQ(counter("gold"), gold);
    EXPECT_EQ(counter("totalScore"), total);
    EXPECT_EQ(game->stateStack(), stack);
    // A replay is a new game, paid again: at least the win, and exactly
    // what its popup shows (which stars are paid again is the table test's
    // below).
    vorn::VM::execute("popState(); restart()");
    step(4.0f);
    EXPECT_TRUE(game->board->isEnabled());
    ASSERT_TRUE(playToWin(isGoldPair));
    const long long shown = vorn::DataSource::get("levelGold")->value().asLongLong();
    EXPECT_GE(shown, 25);
    EXPECT_EQ(counter("gold"), gold + shown);
}

// A replay is paid the win and only the stars it reaches for the first
// time; the best score is kept, and only a better one replaces it.
TEST_F(GameScreen, RepeatedWinsPayNewStarsOnlyAndKeepTheBestScore) {
    useLevels(entry("1", "data/levels/001.plist", 1000));
    open("1");
    struct Case {
        long long score;
        long long paid;
        long long best;
        const char* starLines;
    };
    const Case cases[] = {
        {450, 25 + 20 + 10, 450, "21"}, // first win, 2 stars
        {320, 25, 450, ""},             // lower, 2 stars
        {450, 25, 450, ""},             // the best again is no new best
        {700, 25 + 40, 700, "3"},       // 3 stars at last
    };
    for (const Case& c : cases) {
        game->restart();
        step(4.0f);
        vorn::DataSource::get("score")->set(vorn::Value(c.score));
        const long long before = counter("gold");
        LogCapture log;
        game->win();
        std::string lines;
        for (char k : std::string("321")) {
            if (log.count(std::string("adding score for star ") + k)) lines += k;
        }
        EXPECT_EQ(lines, c.starLines) << c.score;
        EXPECT_EQ(counter("gold") - before, c.paid) << c.score;
        EXPECT_EQ(source("levelGold").asLongLong(), c.paid) << c.score;
        EXPECT_EQ(player->getValue("levelResults").get("1").asLongLong(), c.best) << c.score;
        game->popState();
    }
    EXPECT_EQ(counter("totalScore"), 450 + 320 + 450 + 700);
}

TEST_F(GameScreen, TileCountersDriveTheirAchievements) {
    open("1");
    auto& achievements = *vorn::AchievementManager::instance();
    setCounter("tilesRemoved", 10000);
    game->onTileRemoved(std::make_shared<mahjong::Tile>(3));
    EXPECT_EQ(achievements.achievement("ten_thousands").completion(), 100.0f);
    EXPECT_FLOAT_EQ(achievements.achievement("twenty_thousands").completion(), 50.005f);
    setCounter("tilesRemoved", 19999);
    game->onTileRemoved(std::make_shared<mahjong::Tile>(3));
    EXPECT_EQ(achievements.achievement("twenty_thousands").completion(), 100.0f);

    game->onTileRemoved(std::make_shared<mahjong::GoldTile>());
    game->onTileRemoved(std::make_shared<mahjong::BearTile>());
    EXPECT_EQ(counter("specialTilesRemoved"), 2);
    EXPECT_EQ(counter("goldTilesRemoved"), 1);
    EXPECT_FLOAT_EQ(achievements.achievement("magic_tiles").completion(), 0.8f);
    EXPECT_FLOAT_EQ(achievements.achievement("golden_tiles").completion(), 1.0f);
}

// The last pair sits where its flight left it; popups opening and closing
// over it (state switches of the whole scene) leave it there.
TEST_F(GameScreen, TheLastPairStaysPutThroughPopups) {
    useLevels(entry("2", "data/levels/002.plist", 180));
    open("2");
    ASSERT_TRUE(matchOnePair());
    step(2.0f);
    const auto area = game->findNode("lastTiles");
    std::vector<std::pair<glm::vec2, glm::vec2>> placed;
    for (const auto& tile : area->children()) placed.emplace_back(tile->getPosition(), tile->getScale());
    ASSERT_FALSE(placed.empty());
    game->onNoTurns();
    step(1.0f);
    game->popState();
    step(1.0f);
    ASSERT_EQ(area->children().size(), placed.size());
    for (std::size_t i = 0; i < placed.size(); ++i) {
        EXPECT_EQ(area->children()[i]->getPosition(), placed[i].first) << i;
        EXPECT_EQ(area->children()[i]->getScale(), placed[i].second) << i;
    }
}

TEST_F(GameScreen, RestartDealsAgainAndClearsTheGameCountsOnly) {
    open("1");
    ASSERT_TRUE(matchOnePair());
    ASSERT_TRUE(matchOnePair());
    vorn::VM::execute("hint()");
    ASSERT_EQ(game->moves, 2);
    ASSERT_EQ(game->hintsUsed, 1);
    const auto oldBoard = game->board;
    vorn::VM::execute("restart()");
    EXPECT_NE(game->board, oldBoard);
    EXPECT_EQ(game->moves, 0);
    EXPECT_EQ(game->hintsUsed, 0);
    EXPECT_EQ(counter("hint"), 2);
    EXPECT_EQ(counter("hintsUsed"), 1);
    step(4.0f);
    EXPECT_EQ(game->board->tileCount(), 22);
    EXPECT_EQ(source("score").asInt(), 0);
}

// The screen goes while a pair is still flying and a tutorial is pending:
// nothing it registered may reach it afterwards.
TEST_F(GameScreen, LeavingTheStageDropsEverythingThatCouldCallTheScreen) {
    open("1");
    ASSERT_TRUE(game->isTutorialPending() || game->tutorialShown);
    ASSERT_TRUE(matchOnePair());
    ASSERT_TRUE(matchOnePair());
    const std::shared_ptr<mahjong::Board> board = game->board;
    std::weak_ptr<GameScene> gone = game;
    run.run();
    EXPECT_FALSE(game->actionFinishedCallback());
    EXPECT_FALSE(board->onWin);
    EXPECT_FALSE(board->onMatch);
    EXPECT_FALSE(board->onScoreChanged);
    game.reset();
    EXPECT_TRUE(gone.expired());
    step(3.0f);
}

// The win popup's own button runs "toMap": the screen whose button is being
// released is replaced during the release, and goes only once it is over.
// The press on the last tile opens a popup; its release, wherever the
// pointer is, clicks none of the popup's buttons. The next click does.
TEST_F(GameScreen, ThePressThatOpensAPopupDoesNotClickItsButtons) {
    struct Case {
        const char* popup;
        const char* button;
        const char* state;
    };
    for (const Case& c : {Case{"win", "winReplay", "win"}, Case{"no moves", "noTurnsRestart", "no_turns"}}) {
        SCOPED_TRACE(c.popup);
        open("1");
        const std::string state = c.state;
        std::shared_ptr<mahjong::Tile> last;
        if (state == "win") {
            while (game->board->tiles.size() > 2) ASSERT_TRUE(matchOnePair());
            const auto pairs = freePairs();
            ASSERT_FALSE(pairs.empty());
            click(pairs.front().first);
            last = pairs.front().second;
        } else {
            // Every tile but one pair and one odd tile taken off: the pair is the last move.
            const auto pairs = freePairs();
            ASSERT_FALSE(pairs.empty());
            const auto [a, b] = pairs.front();
            std::shared_ptr<mahjong::Tile> odd;
            for (const auto& t : game->board->tiles)
                if (t != a && t != b && !mahjong::tileTypesMatch(t->type, a->type)) odd = t;
            ASSERT_TRUE(odd);
            for (const auto& t : std::vector<std::shared_ptr<mahjong::Tile>>(game->board->tiles)) {
                if (t == a || t == b || t == odd) continue;
                game->board->removeTile(t, true);
                game->board->removeChild(t);
            }
            click(a);
            last = b;
        }
        const auto button = game->findNode(c.button);
        ASSERT_TRUE(button);
        const glm::vec2 over = button->localToWorld(button->halfSize());
        const long long moves = game->moves;
        game->mouseDown(last->localToWorld(last->halfSize()), vorn::BUTTON_LEFT);
        EXPECT_EQ(game->getCurrentState(), state);
        game->mouseUp(over, vorn::BUTTON_LEFT);
        step(0.5f);
        EXPECT_EQ(game->getCurrentState(), state);
        EXPECT_EQ(game->moves, moves + 1) << "restarted by the release";
        // A click of its own, once the popup has opened, restarts.
        step(0.5f);
        const glm::vec2 opened = button->localToWorld(button->halfSize());
        game->mouseDown(opened, vorn::BUTTON_LEFT);
        game->mouseUp(opened, vorn::BUTTON_LEFT);
        step(0.5f);
        EXPECT_EQ(game->getCurrentState(), "default");
        EXPECT_EQ(game->moves, 0);
    }
}

TEST_F(GameScreen, TheMapButtonOfTheWinPopupLeavesForANewMap) {
    open("1");
    game->win();
    step(1.0f);
    const auto button = game->findNode("winMap");
    ASSERT_TRUE(button);
    const glm::vec2 at = button->localToWorld(button->halfSize());
    std::weak_ptr<GameScene> gone = game;
    game.reset();
    run.app.mouseDown(at, vorn::BUTTON_LEFT);
    run.app.mouseUp(at, vorn::BUTTON_LEFT);
    EXPECT_TRUE(std::dynamic_pointer_cast<MapScene>(run.app.runningScene()));
    EXPECT_TRUE(gone.expired());
    step(1.0f);
}

TEST_F(GameScreen, CommandsActOnlyOnARunningGameScreen) {
    open("1");
    run.run();
    const long long hints = counter("hint");
    for (const char* command : {"hint()", "undo()", "reshuffle()", "restart()", "hideTutorial()"}) {
        vorn::VM::execute(command);
    }
    EXPECT_EQ(counter("hint"), hints);
    EXPECT_EQ(game->hintsUsed, 0);
}

TEST_F(GameScreen, ASceneFileWithoutABoardNodeEndsTheProgramWithStatus1) {
    LogCapture log;
    open("1", [](GameScene& scene) {
        const auto host = scene.findNode("board");
        host->parent()->removeChild(host.get());
    });
    EXPECT_GE(log.count("has no node \"board\""), 1);
    EXPECT_TRUE(run.app.isQuitRequested());
    EXPECT_EQ(run.app.exitStatus(), 1);
    EXPECT_FALSE(game->board);
    // Nothing that needs the board may fail without it.
    for (const char* command : {"hint()", "undo()", "reshuffle()", "restart()"}) vorn::VM::execute(command);
    game->win();
    step(1.0f);
}

TEST_F(GameScreen, WithoutDeveloperModeTheLetterKeysAreLeftToTheScene) {
    open("1");
    for (int key : {vorn::KEY_W, vorn::KEY_L, vorn::KEY_H, vorn::KEY_T}) game->keyDown(key);
    EXPECT_FALSE(game->isWon());
    EXPECT_FALSE(game->developerActionUsed);
    EXPECT_FALSE(game->board->hintShown);
    EXPECT_TRUE(game->stateStack().empty() || game->getCurrentState() == "tutorial");
}

// In developer mode W wins (without the analytics event), L opens the
// no-moves popup, U and H act on the board directly, spending nothing.
TEST_F(GameScreen, DeveloperKeysActAtOnceInDeveloperMode) {
    vorn::test::writeBytes(vorn::Platform::instance()->writableFolder(run.app.dataFolderName()) + "/devmode.txt",
                           "1\n");
    useLevels(entry("2", "data/levels/002.plist", 180));
    open("2");
    EXPECT_TRUE(game->keyDown(vorn::KEY_L));
    EXPECT_EQ(game->getCurrentState(), "no_turns");
    EXPECT_TRUE(game->developerActionUsed);
    game->popState();
    step(0.6f);
    ASSERT_TRUE(matchOnePair());
    const auto undos = counter("undo");
    EXPECT_TRUE(game->keyDown(vorn::KEY_U));
    EXPECT_TRUE(game->board->undoRecords.empty());
    EXPECT_TRUE(game->keyDown(vorn::KEY_H));
    EXPECT_TRUE(game->board->hintShown);
    EXPECT_EQ(counter("undo"), undos);
    EXPECT_EQ(counter("hint"), 3);
    EXPECT_EQ(game->undosUsed + game->hintsUsed, 0);
    EXPECT_TRUE(game->keyDown(vorn::KEY_T));
    EXPECT_EQ(game->getCurrentState(), "tutorial");
    EXPECT_FALSE(game->tutorialShown);
    EXPECT_TRUE(game->keyDown(vorn::KEY_W));
    EXPECT_TRUE(game->isWon());
    EXPECT_EQ(game->getCurrentState(), "win");
}

} // namespace
