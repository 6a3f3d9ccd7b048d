// The board as a node: a layout dealt into tiles on a fixed seed in a
// windowless application, the grid, the draw order and what it publishes.

#include "BoardFixture.h"
#include "Layouts.h"

#include "core/Scheduler.h"
#include "mahjong/Deck.h"
#include "support/LogCapture.h"

#include <set>
#include <tuple>

namespace mahjong::test {
namespace {

using BoardDeal = BoardFixture;

TEST_F(BoardDeal, TurtleDealsEveryPlaceOnceAndLands) {
    deal(layout(turtle()), 3);
    ASSERT_EQ(board->tiles.size(), 144u);
    EXPECT_TRUE(gridMatchesList());
    std::set<std::tuple<int, int, int>> places;
    for (const auto& tile : board->tiles) {
        places.insert({tile->position.x, tile->position.y, tile->position.z});
        EXPECT_EQ(tile->parent(), board.get());
        EXPECT_EQ(tile->getPosition(), tile->pixelPosition());
        EXPECT_FALSE(vorn::ActionManager::instance()->hasActions(tile.get()));
    }
    EXPECT_EQ(places.size(), 144u);
    EXPECT_EQ(board->tileCount(), 144);
    EXPECT_EQ(dataSource("tilesToPairCount"), 144);
    EXPECT_EQ(dataSource("score"), 0);
    EXPECT_EQ(scores, std::vector<long long>{0});
    EXPECT_TRUE(board->deck->tiles.empty());
    // Drawn bottom layer first, and within a layer left and up first.
    const auto& children = board->children();
    for (std::size_t i = 1; i < children.size(); ++i) {
        const auto* a = dynamic_cast<Tile*>(children[i - 1].get());
        const auto* b = dynamic_cast<Tile*>(children[i].get());
        ASSERT_TRUE(a && b);
        EXPECT_LE(std::make_tuple(a->position.z, a->position.x + a->position.y),
                  std::make_tuple(b->position.z, b->position.x + b->position.y));
    }
    EXPECT_EQ(noTurns, 0);
}

TEST_F(BoardDeal, SameSeedSameBoard) {
    deal(layout(turtle()), 9);
    std::vector<std::tuple<int, int, int, int>> first;
    for (const auto& t : board->tiles) first.emplace_back(t->position.x, t->position.y, t->position.z, t->type);
    scene->removeChild(board);
    deal(layout(turtle()), 9);
    std::vector<std::tuple<int, int, int, int>> second;
    for (const auto& t : board->tiles) second.emplace_back(t->position.x, t->position.y, t->position.z, t->type);
    EXPECT_EQ(first, second);
}

TEST_F(BoardDeal, SpecialTilesOfModesTwoAndThree) {
    deal(layout(turtle(), 2), 4);
    EXPECT_EQ(std::count_if(board->tiles.begin(), board->tiles.end(), [](const auto& t) { return dynamic_cast<GoldTile*>(t.get()); }), 2);
    EXPECT_EQ(board->tileCount(), 144);
    scene->removeChild(board);

    std::vector<LevelPlace> places = turtle();
    places.emplace_back(30, 7, 0, 0);
    places.emplace_back(32, 7, 0, 0);
    deal(layout(places, 3, 2), 4);
    EXPECT_EQ(board->bearCount(), 2);
    EXPECT_EQ(dataSource("bearsCount"), 2);
    EXPECT_EQ(board->tiles.size(), 146u);
    EXPECT_TRUE(gridMatchesList());
    // Gold and bears are shown with the closing re-sort.
    for (const auto& tile : board->tiles) EXPECT_EQ(tile->parent(), board.get());
}

TEST_F(BoardDeal, FlyInTimingAndClosingStep) {
    board = std::make_shared<Board>(layout(turtle()));
    board->randomEngine.seed(2);
    board->setScale({0.5f, 0.5f});
    scene->addChild(board);
    // The last of 144 fly-ins starts at 3.575 s and ends at 4.075 s; the
    // closing step follows at 4.2 s.
    step(4.1f);
    for (const auto& tile : board->tiles) EXPECT_EQ(tile->getPosition(), tile->pixelPosition());
    EXPECT_TRUE(vorn::ActionManager::instance()->hasActions(board.get()));
    step(0.15f);
    EXPECT_FALSE(vorn::ActionManager::instance()->hasActions(board.get()));
}

TEST_F(BoardDeal, CellsAndTheirBounds) {
    auto level = layout({});
    board = std::make_shared<Board>(level);
    for (const TilePosition& p : {TilePosition(36, 0, 0), TilePosition(0, 20, 0), TilePosition(0, 0, 10), TilePosition(-1, 0, 0)}) {
        EXPECT_EQ(board->cellAt(p), nullptr);
        board->setCell(p, std::make_shared<Tile>(kNoType));
        EXPECT_EQ(board->cellAt(p), nullptr);
    }
    auto edge = std::make_shared<Tile>(kNoType);
    edge->setGridPosition({34, 0, 0}, false);
    board->addTile(edge);
    EXPECT_EQ(board->cellAt({35, 1, 0}), edge);
    EXPECT_EQ(board->maxX, 35);
    board->removeTile(edge, true);
    EXPECT_TRUE(board->tiles.empty());
    EXPECT_EQ(board->cellAt({34, 0, 0}), nullptr);
    vorn::test::LogCapture log;
    board->addTile(nullptr);
    EXPECT_NE(log.text().find("tile is nullptr"), std::string::npos);
}

TEST_F(BoardDeal, SizesFromTheLayout) {
    Board two(layout({LevelPlace(0, 0, 0, 0), LevelPlace(2, 0, 0, 0)}));
    EXPECT_EQ(two.getSize(), glm::vec2(395.0f, 394.5f));
    EXPECT_EQ(two.layoutSize, glm::vec2(236.0f, 163.0f));
    EXPECT_EQ(two.center(), glm::vec2(218.0f, 231.5f));
    EXPECT_EQ(dataSource("scoreMultiplier"), 1);
}

TEST_F(BoardDeal, DrawOrderAndOverlappingTiles) {
    board = std::make_shared<Board>(layout({}));
    const auto put = [this](int x, int y, int z) {
        auto tile = std::make_shared<Tile>(kNoType);
        tile->setGridPosition({x, y, z}, true);
        board->addTile(tile);
        return tile;
    };
    auto right = put(2, 1, 0);
    auto left = put(0, 0, 0);
    auto up = put(2, 0, 1);
    auto low = put(0, 4, 0);
    board->sortTiles();
    ASSERT_EQ(board->children().size(), 4u);
    EXPECT_EQ(board->children()[0], left);
    EXPECT_EQ(board->children()[1], right);
    EXPECT_EQ(board->children()[2], low);
    EXPECT_EQ(board->children()[3], up);
    // Two tiles sharing cells: the sort still ends.
    put(1, 1, 0);
    board->sortTiles();
    EXPECT_EQ(board->children().size(), 5u);
}

TEST_F(BoardDeal, CountsPublishedByMode) {
    vorn::DataSource::get("tilesToPairCount")->set(vorn::Value(-7));
    vorn::DataSource::get("bearsCount")->set(vorn::Value(-7));
    deal(layout(rowOfFive(), 2), 1);
    board->publishCounts();
    EXPECT_EQ(dataSource("tilesToPairCount"), -7);
    EXPECT_EQ(dataSource("bearsCount"), -7);
}

TEST_F(BoardDeal, DeckRunningOutLeavesPlacesEmpty) {
    std::vector<LevelPlace> places = turtle();
    for (std::size_t i = 0; i < 6; ++i) places[i].type = 12;
    vorn::test::LogCapture log;
    deal(layout(places), 5);
    EXPECT_EQ(board->tiles.size(), 138u);
    EXPECT_TRUE(gridMatchesList());
    EXPECT_NE(log.text().find("ran out"), std::string::npos);
}

TEST_F(BoardDeal, ABoardLeavingTheStageStopsPublishing) {
    board = std::make_shared<Board>(layout(turtle()));
    board->randomEngine.seed(1);
    scene->addChild(board);
    step(1.0f);
    EXPECT_EQ(vorn::Scheduler::instance()->count(board.get()), 1u);
    run.run();
    EXPECT_EQ(vorn::Scheduler::instance()->count(board.get()), 0u);
    vorn::DataSource::get("scoreMultiplierFill")->set(vorn::Value("untouched"));
    step(5.0f);
    EXPECT_EQ(vorn::DataSource::get("scoreMultiplierFill")->value().toString(), "untouched");
}

TEST_F(BoardDeal, ADealOrReshuffleWithoutMovesIsReportedOnceEach) {
    vorn::test::LogCapture log;
    deal(layout(stackedPair()), 1);
    step(3.0f);
    EXPECT_EQ(noTurns, 1);
    EXPECT_EQ(log.count("NO TURNS"), 1);
    // The pair stays stacked: the reshuffle leaves no move either.
    vorn::test::LogCapture again;
    board->reshuffle();
    step(3.0f);
    EXPECT_EQ(board->tiles.size(), 2u);
    EXPECT_EQ(noTurns, 2);
    EXPECT_EQ(again.count("NO TURNS"), 1);
}

TEST_F(BoardDeal, ReshuffleKeepsPlacesScoreAndUndo) {
    deal(layout(turtle()), 6);
    const auto move = someMove();
    click(move.first);
    click(move.second);
    const long long score = dataSource("score");
    std::set<std::tuple<int, int, int>> before;
    for (const auto& t : board->tiles) before.insert({t->position.x, t->position.y, t->position.z});
    board->reshuffle();
    step(3.0f);
    std::set<std::tuple<int, int, int>> after;
    for (const auto& t : board->tiles) after.insert({t->position.x, t->position.y, t->position.z});
    EXPECT_EQ(before, after);
    EXPECT_EQ(board->tiles.size(), 142u);
    EXPECT_TRUE(gridMatchesList());
    EXPECT_EQ(dataSource("score"), score);
    EXPECT_EQ(board->undoRecords.size(), 1u);
    for (const auto& t : board->tiles) EXPECT_EQ(t->getPosition(), t->pixelPosition());
}

TEST_F(BoardDeal, ReshuffleWithAnUnpairedFixedTileKeepsEveryTile) {
    auto level = layout(turtle());
    level->unshuffleable = {7};
    level->deck = std::make_shared<Deck>(level->unshuffleable);
    for (unsigned seed = 0; seed < 5; ++seed) {
        deal(level, seed);
        const std::size_t count = board->tiles.size();
        for (int i = 0; i < 3; ++i) {
            board->reshuffle();
            EXPECT_EQ(board->tiles.size(), count);
            EXPECT_TRUE(gridMatchesList());
        }
        step(2.0f);
        EXPECT_EQ(board->tileCount(), static_cast<int>(count));
        scene->removeChild(board);
    }
}

TEST(DeckTiles, PrepareAndTake) {
    vorn::ResourceManager::instance()->addSearchPath("tests/mahjong/fixtures");
    std::mt19937 random(5);
    Deck deck;
    deck.prepare(144, random);
    EXPECT_EQ(deck.tiles.size(), 144u);
    Deck fixed(std::vector<int>{5, 9});
    fixed.prepare(10, random);
    ASSERT_EQ(fixed.tiles.size(), 10u);
    EXPECT_EQ(fixed.tiles[0]->type, 9);
    EXPECT_EQ(fixed.tiles[1]->type, 5);
    const auto group = deck.takeMatching(36);
    ASSERT_TRUE(group);
    EXPECT_GE(group->type, 34);
    EXPECT_LE(group->type, 37);
    Deck empty{std::vector<std::shared_ptr<Tile>>{}};
    EXPECT_EQ(empty.pop(), nullptr);
    EXPECT_EQ(empty.takeMatching(3), nullptr);
}

} // namespace
} // namespace mahjong::test
