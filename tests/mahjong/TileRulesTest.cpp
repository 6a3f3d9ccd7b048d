// The rules on types and positions: matching, grid-to-pixel mapping, the
// place's value form, and the free rule and the board's move search against
// an independent check.

#include "mahjong/TilePosition.h"

#include "BoardFixture.h"
#include "core/Value.h"

#include <gtest/gtest.h>

#include <array>
#include <iterator>
#include <random>
#include <set>
#include <utility>
#include <vector>

namespace mahjong {
namespace {

TEST(TileRules, MatchingTable) {
    struct Case {
        int a, b;
        bool match;
    };
    const Case cases[] = {
        {35, 37, true}, {37, 35, true}, {40, 38, true},  {34, 34, true},   {1000, 1000, true}, {2000, 2000, true},
        {37, 38, false}, {38, 37, false}, {33, 42, false}, {42, 42, true}, {1, 2, false},       {33, 34, false},
        {41, 42, false}, {1000, 2000, false}, {0, 0, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tileTypesMatch(c.a, c.b), c.match) << c.a << " " << c.b;
        EXPECT_EQ(tileTypesMatch(c.b, c.a), c.match) << "symmetric " << c.a << " " << c.b;
        EXPECT_EQ(matchClass(c.a) == matchClass(c.b), c.match) << "class " << c.a << " " << c.b;
    }
}

TEST(TileRules, GridToPixels) {
    struct Case {
        TilePosition p;
        float x, y;
    };
    const Case cases[] = {
        {{0, 0, 0}, 159.0f, 231.5f},
        {{2, 0, 1}, 267.0f, 216.5f},
        {{34, 18, 9}, 2075.0f, 1563.5f},
        {{34, 18, 0}, 2165.0f, 1698.5f},
    };
    for (const Case& c : cases) {
        const glm::vec2 p = gridToPixels(c.p);
        EXPECT_FLOAT_EQ(p.x, c.x);
        EXPECT_FLOAT_EQ(p.y, c.y);
    }
}

TEST(TileRules, PlaceValueForm) {
    vorn::Value three(vorn::Value::ARRAY);
    for (int v : {3, 4, 0}) three.push_back(vorn::Value(v));
    const LevelPlace plain(three);
    EXPECT_EQ(plain, LevelPlace(3, 4, 0, 0));
    EXPECT_TRUE(plain.isPlain());

    vorn::Value four = three;
    four.push_back(vorn::Value(12));
    const LevelPlace typed(four);
    EXPECT_EQ(typed.type, 12);
    EXPECT_FALSE(typed.isPlain());
    EXPECT_EQ(typed.toValue().size(), 4u);

    // Types 0 and -1 are not written.
    EXPECT_EQ(LevelPlace(3, 4, 0, 0).toValue().size(), 3u);
    EXPECT_EQ(LevelPlace(3, 4, 0, -1).toValue().size(), 3u);
    EXPECT_EQ(LevelPlace().position, TilePosition(-1, -1, -1));
    EXPECT_EQ(LevelPlace().type, -1);

    vorn::Value shortArray(vorn::Value::ARRAY);
    shortArray.push_back(vorn::Value(1));
    EXPECT_ANY_THROW(LevelPlace{shortArray});
}

// A layer-by-layer cell map, the way a test would draw it on paper.
struct Cells {
    std::array<std::array<std::array<bool, kGridColumns>, kGridRows>, kGridLayers> cell{};
    bool at(int x, int y, int z) const {
        const TilePosition p(x, y, z);
        return p.inGrid() && cell[static_cast<std::size_t>(z)][static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
    }
    void put(const TilePosition& p) {
        for (int i = 0; i < 2; ++i)
            for (int j = 0; j < 2; ++j) {
                const TilePosition c(p.x + i, p.y + j, p.z);
                if (c.inGrid()) cell[static_cast<std::size_t>(c.z)][static_cast<std::size_t>(c.y)][static_cast<std::size_t>(c.x)] = true;
            }
    }
    bool locked(const TilePosition& p) const {
        return isLockedAt(p, 2, 2, [this](int x, int y, int z) { return at(x, y, z); });
    }
};

TEST(TileRules, FreeRuleCases) {
    struct Case {
        const char* name;
        std::vector<TilePosition> others;
        TilePosition tile;
        bool locked;
    };
    const Case cases[] = {
        {"alone", {}, {4, 4, 0}, false},
        {"left only", {{2, 4, 0}}, {4, 4, 0}, false},
        {"right only", {{6, 4, 0}}, {4, 4, 0}, false},
        {"both sides", {{2, 4, 0}, {6, 4, 0}}, {4, 4, 0}, true},
        {"half-shifted sides", {{2, 5, 0}, {6, 3, 0}}, {4, 4, 0}, true},
        {"sides too far up and down", {{2, 2, 0}, {6, 6, 0}}, {4, 4, 0}, false},
        {"covered exactly", {{4, 4, 1}}, {4, 4, 0}, true},
        {"covered by one cell", {{5, 5, 1}}, {4, 4, 0}, true},
        {"diagonal above, touching no cell", {{6, 6, 1}}, {4, 4, 0}, false},
        {"two layers up does not cover", {{4, 4, 2}}, {4, 4, 0}, false},
        {"grid's left edge is no tile", {{2, 0, 0}}, {0, 0, 0}, false},
        {"grid's right edge is no tile", {{32, 0, 0}}, {34, 0, 0}, false},
        {"top layer never covered", {{2, 0, 9}, {6, 0, 9}}, {4, 0, 9}, true},
        {"top layer free", {}, {4, 0, 9}, false},
    };
    for (const Case& c : cases) {
        Cells cells;
        for (const TilePosition& p : c.others) cells.put(p);
        cells.put(c.tile);
        EXPECT_EQ(cells.locked(c.tile), c.locked) << c.name;
    }
}

// The free rule seen as rectangles: a tile is covered when a tile one layer
// up overlaps its area, and blocked on a side when a tile of its layer
// touches that side along a stretch of its edge.
bool lockedByRectangles(const TilePosition& t, const std::vector<TilePosition>& all) {
    bool covered = false, left = false, right = false;
    for (const TilePosition& o : all) {
        if (o == t) continue;
        const bool rowsOverlap = o.y < t.y + 2 && t.y < o.y + 2;
        const bool columnsOverlap = o.x < t.x + 2 && t.x < o.x + 2;
        if (o.z == t.z + 1 && rowsOverlap && columnsOverlap) covered = true;
        if (o.z == t.z && rowsOverlap && o.x + 2 == t.x) left = true;
        if (o.z == t.z && rowsOverlap && o.x == t.x + 2) right = true;
    }
    return covered || (left && right);
}

TEST(TileRules, FreeRuleMatchesRectangleCheckOnRandomBoards) {
    std::mt19937 random(7);
    for (int board = 0; board < 200; ++board) {
        Cells cells;
        std::vector<TilePosition> tiles;
        const int wanted = 20 + board % 80;
        for (int attempt = 0; attempt < 2000 && static_cast<int>(tiles.size()) < wanted; ++attempt) {
            const TilePosition p(static_cast<int>(random() % 35), static_cast<int>(random() % 19), static_cast<int>(random() % 4));
            if (cells.at(p.x, p.y, p.z) || cells.at(p.x + 1, p.y, p.z) || cells.at(p.x, p.y + 1, p.z) ||
                cells.at(p.x + 1, p.y + 1, p.z))
                continue;
            cells.put(p);
            tiles.push_back(p);
        }
        for (const TilePosition& t : tiles) {
            ASSERT_EQ(cells.locked(t), lockedByRectangles(t, tiles))
                << "board " << board << " tile " << t.x << "," << t.y << "," << t.z;
        }
    }
}

// The board's move search on random boards of real tiles: every ordered
// pair of distinct free tiles that match, each once, and nothing else.
using MoveSearch = test::BoardFixture;

TEST_F(MoveSearch, MatchesRectangleCheckOnRandomBoards) {
    std::mt19937 random(19);
    const int types[] = {3, 3, 7, 34, 36, 38, 41, 42, kGoldType, kBearType};
    for (int round = 0; round < 80; ++round) {
        board = std::make_shared<Board>(layout({}));
        Cells cells;
        std::vector<TilePosition> positions;
        std::vector<std::shared_ptr<Tile>> placed;
        const int wanted = 10 + round % 60;
        for (int attempt = 0; attempt < 2000 && static_cast<int>(placed.size()) < wanted; ++attempt) {
            const TilePosition p(static_cast<int>(random() % 35), static_cast<int>(random() % 19), static_cast<int>(random() % 4));
            if (cells.at(p.x, p.y, p.z) || cells.at(p.x + 1, p.y, p.z) || cells.at(p.x, p.y + 1, p.z) ||
                cells.at(p.x + 1, p.y + 1, p.z))
                continue;
            cells.put(p);
            const int type = types[random() % std::size(types)];
            std::shared_ptr<Tile> tile = type == kGoldType   ? std::make_shared<GoldTile>()
                                         : type == kBearType ? std::shared_ptr<Tile>(std::make_shared<BearTile>())
                                                             : std::make_shared<Tile>(type);
            tile->setGridPosition(p, true);
            board->addTile(tile);
            positions.push_back(p);
            placed.push_back(tile);
        }
        std::set<std::pair<const Tile*, const Tile*>> expected;
        for (std::size_t i = 0; i < placed.size(); ++i) {
            for (std::size_t j = 0; j < placed.size(); ++j) {
                const int a = placed[i]->type;
                const int b = placed[j]->type;
                if (i == j || a == kBearType || b == kBearType || matchClass(a) != matchClass(b)) continue;
                if (lockedByRectangles(positions[i], positions) || lockedByRectangles(positions[j], positions)) continue;
                expected.insert({placed[i].get(), placed[j].get()});
            }
        }
        const std::vector<Board::Move> moves = board->findMoves();
        std::set<std::pair<const Tile*, const Tile*>> found;
        for (const Board::Move& m : moves) found.insert({m.first.get(), m.second.get()});
        EXPECT_EQ(found.size(), moves.size()) << "round " << round << ": a pair listed twice";
        EXPECT_EQ(found, expected) << "round " << round;
    }
}

} // namespace
} // namespace mahjong
