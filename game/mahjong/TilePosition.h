#pragma once

// Tile types, grid positions and the rules that need no tile object: the
// matching rule, the free rule and the grid-to-pixel mapping. The board, the
// deal and the level checker share them.

#include <glm/vec2.hpp>

#include <cstdint>

namespace vorn {
class Value;
}

namespace mahjong {

// The board's grid in half-tile cells: columns, rows, layers.
constexpr int kGridColumns = 36;
constexpr int kGridRows = 20;
constexpr int kGridLayers = 10;

constexpr int kNoType = -1;
constexpr int kBlankType = 0;
constexpr int kGoldType = 1000;
constexpr int kBearType = 2000;

// The tile image and how far each layer up is drawn to the upper left.
constexpr float kTileImageWidth = 118.0f;
constexpr float kTileImageHeight = 163.0f;

// Any two of one group match; every other type matches only itself.
bool tileTypesMatch(const int& a, const int& b);

// One class per set of mutually matching types (a group is one class).
int matchClass(int type);

struct TilePosition {
    std::int32_t x = -1;
    std::int32_t y = -1;
    std::int32_t z = -1;

    TilePosition() = default;
    TilePosition(std::int32_t px, std::int32_t py, std::int32_t pz) : x(px), y(py), z(pz) {}
    // Elements 0, 1 and 2 through the value's integer conversion, which
    // throws on a short array or text that is no number.
    explicit TilePosition(const vorn::Value& array);

    bool operator==(const TilePosition&) const = default;
    bool inGrid() const { return x >= 0 && x < kGridColumns && y >= 0 && y < kGridRows && z >= 0 && z < kGridLayers; }
    // A tile whose top-left cell this is lies wholly inside the grid: the
    // last column and row are only ever a tile's second half. The layout
    // reader, the editor and the board all hold tiles to this.
    bool holdsTile() const {
        return x >= 0 && x <= kGridColumns - 2 && y >= 0 && y <= kGridRows - 2 && z >= 0 && z < kGridLayers;
    }
};

// The node position of a tile's centre in the board's space.
glm::vec2 gridToPixels(const TilePosition& p);

struct LevelPlace {
    TilePosition position;
    std::int32_t type = -1;

    LevelPlace() = default;
    explicit LevelPlace(const TilePosition& p, std::int32_t t = -1) : position(p), type(t) {}
    LevelPlace(std::int32_t x, std::int32_t y, std::int32_t z, std::int32_t t = -1) : position(x, y, z), type(t) {}
    explicit LevelPlace(std::int32_t t) : type(t) {}
    // [x, y, z] or [x, y, z, type]; throws like TilePosition's reading.
    explicit LevelPlace(const vorn::Value& array);

    // [x, y, z], with the type only when it is positive.
    vorn::Value toValue() const;
    // Filled by the deck rather than carrying a type of its own.
    bool isPlain() const { return type <= 0; }
    bool operator==(const LevelPlace&) const = default;
};

// The free rule for a footprint of w x h cells at p: covered by anything on
// the layer above, or blocked on both sides. occupied(x, y, z) answers for
// any cell, also outside the grid.
template <typename Occupied>
bool isLockedAt(const TilePosition& p, int w, int h, Occupied&& occupied) {
    for (int i = 0; i < w; ++i) {
        for (int j = 0; j < h; ++j) {
            if (occupied(p.x + i, p.y + j, p.z + 1)) return true;
        }
    }
    bool left = false;
    bool right = false;
    for (int j = 0; j < h; ++j) {
        left = left || occupied(p.x - 1, p.y + j, p.z);
        right = right || occupied(p.x + w, p.y + j, p.z);
    }
    return left && right;
}

} // namespace mahjong
