// Play: clicks, pairs, score and multiplier, hint, undo, the removal flight
// and the end of a level in each mode.

#include "BoardFixture.h"
#include "Layouts.h"

#include "support/LogCapture.h"

namespace mahjong::test {
namespace {

using BoardPlay = BoardFixture;

// Removes one pair by clicking it.
void clickPair(BoardFixture& f, const Board::Move& move) {
    ASSERT_TRUE(move.first && move.second);
    f.click(move.first);
    f.click(move.second);
}

// Hand-placed tiles, for the cases that need chosen types.
std::shared_ptr<Tile> place(Board& board, int type, const TilePosition& at) {
    std::shared_ptr<Tile> tile = type == kGoldType   ? std::make_shared<GoldTile>()
                                 : type == kBearType ? std::shared_ptr<Tile>(std::make_shared<BearTile>())
                                                     : std::make_shared<Tile>(type);
    tile->setGridPosition(at, true);
    board.addTile(tile);
    board.addChild(tile);
    return tile;
}

TEST_F(BoardPlay, ClearingTheTurtleWins) {
    deal(layout(turtle()), 11);
    int pairs = 0;
    while (!board->tiles.empty()) {
        Board::Move move = someMove();
        if (!move.first) {
            board->reshuffle();
            step(1.0f);
            continue;
        }
        clickPair(*this, move);
        ++pairs;
        step(0.1f);
    }
    EXPECT_EQ(pairs, 72);
    EXPECT_EQ(wins, 1);
    EXPECT_EQ(matches, 72);
    EXPECT_EQ(removed.size(), 144u);
    EXPECT_EQ(dataSource("tilesToPairCount"), 0);
    step(2.0f);
    EXPECT_EQ(tilesIn(*lastTiles), 144u);
}

// The board tells of each change once its tiles have their places: the deal
// and a reshuffle at their closing step, a pair as it leaves, an undone
// pair as each tile lands. A tile's place then maps to the point a click
// at its centre reaches.
TEST_F(BoardPlay, ChangesAreToldWhenTheTilesHaveTheirPlaces) {
    std::vector<std::pair<std::string, std::size_t>> told;
    board = std::make_shared<Board>(layout(turtle()));
    board->randomEngine.seed(5);
    board->setScale({0.5f, 0.5f});
    board->setOnChange([&](const std::string& why) {
        told.emplace_back(why, board->tiles.size());
        EXPECT_TRUE(gridMatchesList()) << why;
        if (why != "after deal") return;
        for (const auto& tile : board->tiles) {
            const glm::vec2 centre = board->localToWorld(tile->pixelPosition());
            const glm::vec2 clicked = tile->localToWorld(tile->halfSize());
            EXPECT_NEAR(centre.x, clicked.x, 0.01f);
            EXPECT_NEAR(centre.y, clicked.y, 0.01f);
        }
    });
    scene->addChild(board);
    step(1.0f);
    EXPECT_TRUE(told.empty()) << "told while the tiles fly in";
    step(5.0f);
    using Told = std::vector<std::pair<std::string, std::size_t>>;
    EXPECT_EQ(told, (Told{{"after deal", 144}}));

    clickPair(*this, someMove());
    EXPECT_EQ(told.back(), std::make_pair(std::string("after pair"), std::size_t{142}));
    ASSERT_TRUE(board->undo());
    EXPECT_EQ(told.size(), 2u) << "told before the undone pair landed";
    step(1.0f);
    EXPECT_EQ(told, (Told{{"after deal", 144}, {"after pair", 142}, {"after undo", 144}, {"after undo", 144}}));

    board->reshuffle();
    step(3.0f);
    EXPECT_EQ(told.back(), std::make_pair(std::string("after reshuffle"), std::size_t{144}));
    EXPECT_EQ(told.size(), 5u);
}

TEST_F(BoardPlay, ClickRules) {
    board = std::make_shared<Board>(layout({}));
    board->setSize({1024.0f, 768.0f});
    scene->addChild(board);
    const auto a = place(*board, 35, {0, 0, 0});
    const auto b = place(*board, 37, {6, 0, 0});
    const auto c = place(*board, 5, {12, 0, 0});
    const auto covered = place(*board, 35, {20, 0, 0});
    place(*board, 9, {20, 0, 1});
    board->sortTiles();
    step(0.1f);
    click(a);
    EXPECT_EQ(board->selected, a);
    click(covered);  // locked: not even reported
    EXPECT_EQ(board->selected, a);
    click(a);
    EXPECT_EQ(board->selected, nullptr);
    click(c);
    click(a);  // no match: the selection moves
    EXPECT_EQ(board->selected, a);
    click(b);  // 35 and 37 are one group
    EXPECT_EQ(board->tiles.size(), 3u);
    EXPECT_EQ(dataSource("score"), 10);
    EXPECT_EQ(board->selected, nullptr);
}

TEST_F(BoardPlay, MultiplierRisesWithQuickPairsAndDecays) {
    struct Case {
        const char* name;
        std::vector<float> gaps;  // seconds before each pair
        long long multiplier;
        float fill;
        long long score;
    };
    const Case cases[] = {
        {"one pair", {0.0f}, 1, 0.4f, 10},
        {"three quick pairs", {0.0f, 0.5f, 0.5f}, 2, 1.0f, 30},
        {"four quick pairs", {0.0f, 0.5f, 0.5f, 0.5f}, 3, 1.0f, 50},
        {"slow pairs never build up", {0.0f, 4.5f, 4.5f}, 1, 0.4f, 30},
    };
    for (const Case& c : cases) {
        board = std::make_shared<Board>(layout({}));
        scene->addChild(board);
        vorn::DataSource::get("score")->set(vorn::Value(0));
        for (std::size_t i = 0; i < c.gaps.size(); ++i) {
            step(c.gaps[i]);
            const int x = static_cast<int>(i) * 8;
            const auto first = place(*board, 3, {x, 0, 0});
            const auto second = place(*board, 3, {x + 4, 0, 0});
            board->tileClicked(first);
            board->tileClicked(second);
        }
        EXPECT_EQ(board->multiplier, c.multiplier) << c.name;
        EXPECT_NEAR(board->multiplierFill, c.fill, 0.02f) << c.name;
        EXPECT_EQ(dataSource("scoreMultiplier"), c.multiplier) << c.name;
        EXPECT_EQ(dataSource("score"), c.score) << c.name;
        scene->removeChild(board);
        run.run();
        scene = run.app.runningScene();
        scene->addChild(lastTiles);
        scene->addChild(lastTilesEffect);
    }
}

TEST_F(BoardPlay, AFullBarEmptiesInTenSecondsOverTheMultiplier) {
    board = std::make_shared<Board>(layout({}));
    scene->addChild(board);
    for (int i = 0; i < 3; ++i) {
        board->tileClicked(place(*board, 3, {i * 8, 0, 0}));
        board->tileClicked(place(*board, 3, {i * 8 + 4, 0, 0}));
    }
    ASSERT_EQ(board->multiplier, 2);
    EXPECT_FLOAT_EQ(static_cast<float>(vorn::DataSource::get("scoreMultiplierFill")->value().asFloat()), 1.0f);
    step(4.9f);
    EXPECT_EQ(board->multiplier, 2);
    step(0.2f);
    EXPECT_EQ(board->multiplier, 1);
    EXPECT_EQ(board->multiplierFill, 0.0f);
    EXPECT_EQ(dataSource("scoreMultiplier"), 1);
}

TEST_F(BoardPlay, GoldPairScoresAtTheMultiplier) {
    board = std::make_shared<Board>(layout({}, 2));
    scene->addChild(board);
    board->multiplier = 3;
    const auto a = place(*board, kGoldType, {0, 0, 0});
    const auto b = place(*board, kGoldType, {6, 0, 0});
    place(*board, 4, {12, 0, 0});
    board->setOnWin([this] { ++wins; });
    board->tileClicked(a);
    board->tileClicked(b);
    EXPECT_EQ(dataSource("score"), 750);
    EXPECT_EQ(wins, 1);  // mode 2: the gold pair is gone, other tiles may stay
}

TEST_F(BoardPlay, BearPointsComeBeforeThePairAndUndoBringsThemBack) {
    board = std::make_shared<Board>(layout({}, 3, 1));
    board->setOnScoreChanged([this](long long s) { scores.push_back(s); });
    board->setOnWin([this] { ++wins; });
    scene->addChild(board);
    board->setScore(0);
    scores.clear();
    // The bear sits between two tiles; removing one frees it.
    const auto a = place(*board, 6, {0, 0, 0});
    const auto bear = place(*board, kBearType, {2, 0, 0});
    place(*board, 8, {4, 0, 0});
    const auto b = place(*board, 6, {10, 0, 0});
    place(*board, 8, {20, 0, 0});
    board->sortTiles();
    board->multiplier = 2;
    board->tileClicked(a);
    board->tileClicked(b);
    EXPECT_EQ(scores, (std::vector<long long>{100, 120}));
    EXPECT_EQ(board->bearCount(), 0);
    EXPECT_EQ(wins, 1);
    ASSERT_EQ(board->undoRecords.size(), 1u);
    EXPECT_EQ(board->undoRecords.back().freedBears.size(), 1u);

    // Bears never pair.
    EXPECT_FALSE(bear->canMatch(bear));

    vorn::DataSource::get("bearsCount")->set(vorn::Value(-1));
    EXPECT_TRUE(board->undo());
    step(1.0f);
    EXPECT_EQ(board->bearCount(), 1);
    EXPECT_EQ(bear->parent(), board.get());
    EXPECT_EQ(board->tiles.size(), 5u);
    EXPECT_EQ(dataSource("score"), 120);  // undo keeps the points
    EXPECT_EQ(dataSource("bearsCount"), 1);
    EXPECT_TRUE(gridMatchesList());
}

// A bear freed only by another bear's leaving still leaves with the same
// pair, though the pass over the tiles has already gone by it.
TEST_F(BoardPlay, ABearFreedByALeavingBearLeavesToo) {
    board = std::make_shared<Board>(layout({}, 3, 2));
    board->setOnWin([this] { ++wins; });
    scene->addChild(board);
    place(*board, 8, {0, 0, 0});
    const auto early = place(*board, kBearType, {2, 0, 0});
    const auto late = place(*board, kBearType, {4, 0, 0});
    const auto a = place(*board, 6, {6, 0, 0});
    const auto b = place(*board, 6, {20, 0, 0});
    board->sortTiles();
    board->tileClicked(a);
    board->tileClicked(b);
    EXPECT_EQ(board->bearCount(), 0);
    EXPECT_EQ(early->parent(), nullptr);
    EXPECT_EQ(late->parent(), nullptr);
    ASSERT_EQ(board->undoRecords.size(), 1u);
    EXPECT_EQ(board->undoRecords.back().freedBears,
              (std::vector<std::shared_ptr<Tile>>{late, early}));
    EXPECT_EQ(wins, 1);
}

TEST_F(BoardPlay, HintOncePerPair) {
    deal(layout(turtle()), 5);
    EXPECT_TRUE(board->showHint());
    EXPECT_FALSE(board->showHint());
    board->undo();
    EXPECT_FALSE(board->showHint());
    clickPair(*this, someMove());
    EXPECT_TRUE(board->showHint());
}

TEST_F(BoardPlay, MovesListBothOrders) {
    board = std::make_shared<Board>(layout({}));
    const auto a = place(*board, 3, {0, 0, 0});
    const auto b = place(*board, 3, {6, 0, 0});
    place(*board, 4, {12, 0, 0});
    const auto moves = board->findMoves();
    ASSERT_EQ(moves.size(), 2u);
    EXPECT_EQ(moves[0], Board::Move(a, b));
    EXPECT_EQ(moves[1], Board::Move(b, a));
}

TEST_F(BoardPlay, NoMovesReportedOnce) {
    board = std::make_shared<Board>(layout({}));
    board->setOnNoTurns([this] { ++noTurns; });
    scene->addChild(board);
    const auto a = place(*board, 3, {0, 0, 0});
    const auto b = place(*board, 3, {6, 0, 0});
    const auto c = place(*board, 4, {12, 0, 0});
    const auto d = place(*board, 5, {18, 0, 0});
    vorn::test::LogCapture log;
    board->tileClicked(a);
    board->tileClicked(b);
    board->tileClicked(c);
    board->tileClicked(d);
    EXPECT_FALSE(board->showHint());
    step(1.0f);
    EXPECT_EQ(noTurns, 1);
    EXPECT_EQ(log.count("NO TURNS"), 1);
}

TEST_F(BoardPlay, OneRemovablePairCountsTwoTurns) {
    board = std::make_shared<Board>(layout({}));
    scene->addChild(board);
    place(*board, 3, {0, 0, 0});
    place(*board, 3, {6, 0, 0});
    const auto a = place(*board, 4, {12, 0, 0});
    const auto b = place(*board, 4, {18, 0, 0});
    vorn::test::LogCapture log;
    board->tileClicked(a);
    board->tileClicked(b);
    EXPECT_NE(log.text().find("2 TURNS"), std::string::npos);
}

TEST_F(BoardPlay, WithoutNoTurnsCallbackTheSceneShowsNoTurns) {
    board = std::make_shared<Board>(layout({}));
    scene->addChild(board);
    const auto a = place(*board, 3, {0, 0, 0});
    const auto b = place(*board, 3, {6, 0, 0});
    place(*board, 4, {12, 0, 0});
    vorn::test::LogCapture log;
    board->tileClicked(a);
    board->tileClicked(b);
    EXPECT_NE(log.text().find("Error: no onNoTurns function set"), std::string::npos);
    EXPECT_EQ(scene->getCurrentState(), "no_turns");
}

// Undo at any moment of the flight: the pair ends on the board, enabled, in
// the grid, with nothing left flying.
TEST_F(BoardPlay, UndoDuringTheFlight) {
    const float moments[] = {0.0f, 0.1f, 0.5f, 0.6f, 0.8f, 1.0f, 1.29f, 1.35f, 3.0f};
    for (float moment : moments) {
        deal(layout(turtle()), 21);
        const Board::Move move = someMove();
        clickPair(*this, move);
        step(moment);
        ASSERT_TRUE(board->undo()) << moment;
        // Back in the grid and the list at once.
        EXPECT_EQ(board->tiles.size(), 144u) << moment;
        EXPECT_TRUE(gridMatchesList()) << moment;
        EXPECT_FALSE(board->isWon());
        step(0.25f);
        // A second undo while the first pair is still on its way.
        clickPair(*this, someMove());
        EXPECT_TRUE(board->undo());
        step(1.0f);
        EXPECT_TRUE(gridMatchesList()) << moment;
        EXPECT_EQ(board->tileCount(), 144) << moment;
        EXPECT_EQ(dataSource("tilesToPairCount"), 144) << moment;
        for (const auto& tile : board->tiles) {
            EXPECT_EQ(tile->parent(), board.get()) << moment;
            EXPECT_TRUE(tile->isEnabled()) << moment;
            EXPECT_FALSE(vorn::ActionManager::instance()->hasActions(tile.get())) << moment;
            EXPECT_EQ(tile->getScale(), glm::vec2(1.0f, 1.0f)) << moment;
            EXPECT_EQ(tile->getPosition(), tile->pixelPosition()) << moment;
        }
        step(2.0f);
        EXPECT_EQ(tilesIn(*lastTiles), 0u) << moment;
        scene->removeChild(board);
    }
}

TEST_F(BoardPlay, ReturningTilesCannotBeClicked) {
    deal(layout(turtle()), 21);
    const Board::Move move = someMove();
    clickPair(*this, move);
    step(1.5f);
    board->undo();
    step(0.1f);
    EXPECT_FALSE(move.first->isEnabled());
    board->tileClicked(move.first);
    EXPECT_EQ(board->selected, nullptr);
    click(move.first);
    EXPECT_NE(board->selected, move.first);
    step(1.0f);
    EXPECT_TRUE(move.first->isEnabled());
}

// A selection that has been covered since it was made is dropped at the
// next click instead of pairing: undo can bring back a tile on top of it,
// and so can a reshuffle or anything else that fills the cells above it.
TEST_F(BoardPlay, ALockedSelectionIsDropped) {
    board = std::make_shared<Board>(layout({}));
    scene->addChild(board);
    const auto over = place(*board, 5, {20, 0, 1});
    const auto d = place(*board, 4, {20, 0, 0});
    const auto partner = place(*board, 5, {30, 0, 0});
    const auto e = place(*board, 4, {26, 0, 0});
    board->sortTiles();
    board->tileClicked(over);
    board->tileClicked(partner);
    ASSERT_EQ(board->tiles.size(), 2u);
    board->tileClicked(d);
    ASSERT_EQ(board->selected, d);
    // Undo puts the covering tile back into the grid at once.
    ASSERT_TRUE(board->undo());
    EXPECT_TRUE(d->isLocked());
    board->tileClicked(e);
    EXPECT_EQ(board->selected, e);
    EXPECT_EQ(board->tiles.size(), 4u);
    EXPECT_EQ(dataSource("score"), 10);

    // Covered by hand while selected: the same.
    step(1.0f);
    board->tileClicked(e);
    ASSERT_EQ(board->selected, nullptr);
    const auto f = place(*board, 7, {0, 0, 0});
    const auto g = place(*board, 7, {6, 0, 0});
    board->tileClicked(f);
    ASSERT_EQ(board->selected, f);
    place(*board, 9, {0, 0, 1});
    EXPECT_TRUE(f->isLocked());
    board->tileClicked(g);
    EXPECT_EQ(board->selected, g);
    EXPECT_EQ(std::count(board->tiles.begin(), board->tiles.end(), f), 1);
}

TEST_F(BoardPlay, FlightEndsSideBySideInLastTiles) {
    deal(layout(turtle()), 8, 0.5f);
    Board::Move move = someMove();
    // Select the right tile first: the left one still flies on the left.
    if (move.first->position.x < move.second->position.x) std::swap(move.first, move.second);
    clickPair(*this, move);
    step(2.0f);
    ASSERT_EQ(tilesIn(*lastTiles), 2u);
    const auto left = move.second;
    const auto right = move.first;
    const float k = 163.0f / 163.0f;
    EXPECT_NEAR(left->getPosition().x, 118.0f - 0.5f * k * 118.0f, 1e-3f);
    EXPECT_NEAR(right->getPosition().x, 118.0f + 0.5f * k * 118.0f, 1e-3f);
    EXPECT_NEAR(left->getPosition().y, 81.5f, 1e-3f);
    EXPECT_EQ(left->getScale(), glm::vec2(k, k));
    EXPECT_FALSE(left->isEnabled());
    // The first point of the flight is where the tile was on screen.
}

TEST_F(BoardPlay, FlightStartsWhereTheTileWasOnScreen) {
    deal(layout(turtle()), 8, 0.5f);
    const Board::Move move = someMove();
    const glm::vec2 before = move.first->localToWorld(move.first->halfSize());
    click(move.first);
    click(move.second);
    // Taken into lastTiles' space, the tile's centre has not moved.
    const glm::vec2 after = move.first->localToWorld(move.first->halfSize());
    EXPECT_NEAR(after.x, before.x, 0.01f);
    EXPECT_NEAR(after.y, before.y, 0.01f);
}

TEST_F(BoardPlay, WinsByMode) {
    // Mode 3: the last bear freed wins with tiles left.
    board = std::make_shared<Board>(layout({}, 3, 1));
    board->setOnWin([this] { ++wins; });
    scene->addChild(board);
    const auto a = place(*board, 6, {0, 0, 0});
    place(*board, kBearType, {2, 0, 0});
    place(*board, 8, {4, 0, 0});
    const auto b = place(*board, 6, {10, 0, 0});
    board->tileClicked(a);
    board->tileClicked(b);
    EXPECT_EQ(wins, 1);
    EXPECT_EQ(board->tiles.size(), 1u);
}

TEST_F(BoardPlay, SpecialTilesWithoutABoard) {
    GoldTile gold;
    BearTile bear;
    EXPECT_FALSE(gold.isLocked());
    EXPECT_FALSE(bear.isLocked());
    bear.refreshState();
    gold.showLockState();
    auto lone = std::make_shared<Tile>(kNoType);
    EXPECT_EQ(lone->board(), nullptr);
}

TEST_F(BoardPlay, FlightOfTilesWithoutAPicture) {
    board = std::make_shared<Board>(layout({}));
    scene->addChild(board);
    const auto a = std::make_shared<Tile>(kNoType);
    a->type = 3;
    a->setGridPosition({0, 0, 0}, true);
    const auto b = std::make_shared<Tile>(kNoType);
    b->type = 3;
    b->setGridPosition({6, 0, 0}, true);
    for (const auto& t : {a, b}) {
        board->addTile(t);
        board->addChild(t);
    }
    board->tileClicked(a);
    board->tileClicked(b);
    step(2.0f);
    EXPECT_TRUE(std::isfinite(a->getScale().x));
    EXPECT_TRUE(std::isfinite(a->getPosition().x));
}

TEST_F(BoardPlay, WithoutLastTilesThePairJustLeaves) {
    scene->removeChild(lastTiles);
    deal(layout(turtle()), 2);
    const Board::Move move = someMove();
    clickPair(*this, move);
    EXPECT_EQ(move.first->parent(), nullptr);
    EXPECT_TRUE(board->undo());
    step(1.0f);
    EXPECT_EQ(move.first->parent(), board.get());
    EXPECT_TRUE(gridMatchesList());
}

} // namespace
} // namespace mahjong::test
