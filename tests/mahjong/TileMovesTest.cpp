// A tile has one move at a time: a move started while another runs takes
// its place, so every tile ends on its cell, or on its place in lastTiles,
// and clicks reach the tiles where they are drawn. Tiles still on their way
// are no move for a hint or for the check that the board is stuck.

#include "BoardFixture.h"
#include "Layouts.h"

#include "support/LogCapture.h"

#include <glm/common.hpp>
#include <glm/geometric.hpp>

#include <map>

namespace mahjong::test {
namespace {

using TileMoves = BoardFixture;

// Every tile of the list drawn on its cell, at rest, as a child of the board.
::testing::AssertionResult everyTileOnItsCell(const Board& board) {
    int away = 0;
    for (const auto& tile : board.tiles) {
        const bool rests = tile->parent() == &board && tile->getPosition() == tile->pixelPosition() &&
                           tile->getScale() == glm::vec2(1.0f, 1.0f) && !tile->isMoving() &&
                           !vorn::ActionManager::instance()->hasActions(tile.get());
        if (!rests) ++away;
    }
    if (away == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << away << " of " << board.tiles.size() << " tiles away from their cells";
}

// A reshuffled tile goes straight from where it is drawn to its new cell,
// whatever move it was in, and ends exactly there.
TEST_F(TileMoves, ReshufflesStartedDuringAMoveEndOnTheCells) {
    struct Case {
        const char* name;
        float firstAt;  // seconds after the board came on stage
        int shuffles;   // 0.1 s apart
    };
    const Case cases[] = {
        {"a shuffle during the deal", 1.0f, 1},
        {"a shuffle as the deal lands", 3.9f, 1},
        {"two shuffles 0.1 s apart", 6.0f, 2},
        {"three shuffles during the deal", 0.5f, 3},
    };
    for (const Case& c : cases) {
        board = std::make_shared<Board>(layout(turtle()));
        board->randomEngine.seed(4);
        board->setScale({0.5f, 0.5f});
        scene->addChild(board);
        step(c.firstAt);
        for (int i = 0; i < c.shuffles; ++i) {
            if (i > 0) step(0.1f);
            board->reshuffle();
        }
        // The list is sorted again as tiles land: each tile keeps its start.
        std::map<const Tile*, glm::vec2> from;
        for (const auto& tile : board->tiles) from[tile.get()] = tile->getPosition();
        int offTheWay = 0;
        for (int frame = 0; frame < 6 * 60; ++frame) {
            step(1.0f / 60.0f);
            for (const auto& tile : board->tiles) {
                const glm::vec2 start = from[tile.get()];
                const glm::vec2 way = tile->pixelPosition() - start;
                const glm::vec2 at = tile->getPosition();
                const float length2 = glm::dot(way, way);
                const float along = length2 > 0.0f ? glm::clamp(glm::dot(at - start, way) / length2, 0.0f, 1.0f) : 0.0f;
                if (glm::length(at - (start + along * way)) > 0.5f) ++offTheWay;
            }
        }
        EXPECT_EQ(offTheWay, 0) << c.name << ": tile positions off the straight way, over all frames";
        EXPECT_TRUE(everyTileOnItsCell(*board)) << c.name;
        EXPECT_TRUE(gridMatchesList()) << c.name;
        // What is drawn is what a click reaches.
        int drawnAway = 0;
        for (const auto& tile : board->tiles) {
            const glm::vec2 cell = board->localToWorld(tile->pixelPosition());
            const glm::vec2 drawn = tile->localToWorld(tile->halfSize());
            if (glm::length(cell - drawn) > 0.01f) ++drawnAway;
        }
        EXPECT_EQ(drawnAway, 0) << c.name << ": tiles drawn away from where a click reaches them";
        scene->removeChild(board);
    }
}

// The pair leaves from where it is drawn and ends side by side in lastTiles,
// whatever its fly-in still had to go.
TEST_F(TileMoves, APairTakenWhileItFliesInLandsInLastTiles) {
    board = std::make_shared<Board>(layout(turtle()));
    board->randomEngine.seed(8);
    board->setScale({0.5f, 0.5f});
    scene->addChild(board);
    Board::Move flying;
    for (int frame = 0; frame < 240 && !flying.first; ++frame) {
        step(1.0f / 60.0f);
        // A free pair of the grid both of whose tiles are still far from their cells.
        for (const auto& tile : board->tiles) {
            if (tile->isLocked() || tile->getPosition().y > tile->pixelPosition().y - 200.0f)
                continue;
            for (const auto& other : board->tiles) {
                if (other != tile && !other->isLocked() && tile->canMatch(other) &&
                    other->getPosition().y < other->pixelPosition().y - 200.0f)
                    flying = {tile, other};
            }
            if (flying.first) break;
        }
    }
    ASSERT_TRUE(flying.first) << "no pair found in flight";
    board->tileClicked(flying.first);
    board->tileClicked(flying.second);
    ASSERT_EQ(board->tiles.size(), 142u);
    step(6.0f);

    std::shared_ptr<Tile> left = flying.first;
    std::shared_ptr<Tile> right = flying.second;
    if (left->position.x > right->position.x) std::swap(left, right);
    EXPECT_EQ(left->parent(), lastTiles.get());
    EXPECT_EQ(right->parent(), lastTiles.get());
    EXPECT_EQ(left->getPosition().x, 59.0f);
    EXPECT_EQ(left->getPosition().y, 81.5f);
    EXPECT_EQ(right->getPosition().x, 177.0f);
    EXPECT_EQ(right->getPosition().y, 81.5f);
    EXPECT_EQ(left->getScale(), glm::vec2(1.0f, 1.0f));
    EXPECT_FALSE(vorn::ActionManager::instance()->hasActions(left.get()));
    EXPECT_TRUE(everyTileOnItsCell(*board));
    EXPECT_TRUE(gridMatchesList());
}

// A hint the board gives stays lit until the next pair: it lights only
// tiles that have landed, and no landing, no closing step of the deal
// resets it.
TEST_F(TileMoves, AHintDuringTheDealLightsLandedTilesAndStays) {
    const float moments[] = {0.5f, 1.5f, 2.5f, 3.5f, 4.15f};
    for (float moment : moments) {
        board = std::make_shared<Board>(layout(turtle()));
        board->randomEngine.seed(12);
        board->setScale({0.5f, 0.5f});
        scene->addChild(board);
        step(moment);
        if (board->showHint()) {
            std::vector<std::shared_ptr<Tile>> lit;
            for (const auto& tile : board->tiles)
                if (tile->showsHint()) lit.push_back(tile);
            ASSERT_EQ(lit.size(), 2u) << moment;
            EXPECT_FALSE(lit[0]->isMoving() || lit[1]->isMoving()) << moment;
            step(6.0f);
            EXPECT_TRUE(lit[0]->showsHint() && lit[1]->showsHint()) << moment << ": the hint went out";
        } else {
            // Refused, and so not used up: the next press lights one.
            step(6.0f);
            EXPECT_TRUE(board->showHint()) << moment;
        }
        scene->removeChild(board);
    }
}

// Two pairs and a lone tile side by side, every tile free: 3 3, 4 4, 5.
TEST_F(TileMoves, TilesComingBackThroughUndoAreNoMoveUntilTheyLand) {
    board = std::make_shared<Board>(layout({}));
    board->setOnNoTurns([this] { ++noTurns; });
    scene->addChild(board);
    std::vector<std::shared_ptr<Tile>> t;
    for (const auto& [type, x] : std::vector<std::pair<int, int>>{{3, 0}, {3, 6}, {4, 12}, {4, 18}, {5, 24}}) {
        auto tile = std::make_shared<Tile>(type);
        tile->setGridPosition({x, 0, 0}, true);
        board->addTile(tile);
        board->addChild(tile);
        t.push_back(tile);
    }
    board->sortTiles();
    board->tileClicked(t[0]);
    board->tileClicked(t[1]);
    board->tileClicked(t[2]);
    board->tileClicked(t[3]);
    ASSERT_EQ(noTurns, 1);
    step(2.0f);

    // The only pair is on its way back: no hint to give, none paid for.
    ASSERT_TRUE(board->undo());
    step(0.2f);
    EXPECT_TRUE(board->findMoves().empty());
    EXPECT_FALSE(board->showHint());
    EXPECT_FALSE(board->hintShown);
    step(1.0f);
    ASSERT_TRUE(board->showHint());
    step(1.0f);
    EXPECT_TRUE(t[2]->showsHint() && t[3]->showsHint());

    // A pair taken while another flies back: the board is not stuck, the
    // returning pair is a move once it has landed.
    ASSERT_TRUE(board->undo());
    step(0.2f);
    vorn::test::LogCapture log;
    board->tileClicked(t[2]);
    board->tileClicked(t[3]);
    step(1.0f);
    EXPECT_EQ(noTurns, 1);
    EXPECT_EQ(log.count("NO TURNS"), 0);
    EXPECT_EQ(board->findMoves().size(), 2u);

    // Once they are taken too, the lone tile is stuck, and told so.
    board->tileClicked(t[0]);
    board->tileClicked(t[1]);
    EXPECT_EQ(noTurns, 2);
}

} // namespace
} // namespace mahjong::test
