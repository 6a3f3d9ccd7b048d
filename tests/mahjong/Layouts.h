#pragma once

// Layouts the rule tests, benchmarks and tools deal: small ones that show
// one rule each, and the classic 144-place turtle.

#include "mahjong/TilePosition.h"

#include <vector>

namespace mahjong::test {

// Five tiles side by side on layer 0.
inline std::vector<LevelPlace> rowOfFive() {
    std::vector<LevelPlace> places;
    for (int i = 0; i < 5; ++i) places.emplace_back(2 * i, 0, 0, 0);
    return places;
}

// One tile exactly on top of another.
inline std::vector<LevelPlace> stackedPair() { return {LevelPlace(4, 4, 0, 0), LevelPlace(4, 4, 1, 0)}; }

// The classic turtle: 87 + 36 + 16 + 4 + 1 places on five layers.
inline std::vector<LevelPlace> turtle() {
    std::vector<LevelPlace> places;
    const auto row = [&places](int z, int y, int from, int to) {
        for (int c = from; c <= to; ++c) places.emplace_back(2 * c, y, z, 0);
    };
    const int bottom[8][2] = {{1, 12}, {3, 10}, {2, 11}, {1, 12}, {1, 12}, {2, 11}, {3, 10}, {1, 12}};
    for (int r = 0; r < 8; ++r) row(0, 2 * r, bottom[r][0], bottom[r][1]);
    places.emplace_back(0, 7, 0, 0);
    places.emplace_back(26, 7, 0, 0);
    places.emplace_back(28, 7, 0, 0);
    for (int r = 1; r <= 6; ++r) row(1, 2 * r, 4, 9);
    for (int r = 2; r <= 5; ++r) row(2, 2 * r, 5, 8);
    for (int r = 3; r <= 4; ++r) row(3, 2 * r, 6, 7);
    places.emplace_back(13, 7, 4, 0);
    return places;
}

} // namespace mahjong::test
