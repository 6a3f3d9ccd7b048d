// The deck's pool and the order of the types it deals.

#include "mahjong/Deck.h"

#include "mahjong/TilePosition.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

namespace mahjong {
namespace {

std::map<int, int> countTypes(const std::vector<int>& types) {
    std::map<int, int> counts;
    for (int t : types) ++counts[t];
    return counts;
}

TEST(DeckTypes, OneFillOfThePool) {
    Deck deck;
    ASSERT_EQ(deck.pool.size(), 144u);
    EXPECT_EQ(deck.pool[0], 1);
    EXPECT_EQ(deck.pool[33], 42);
    EXPECT_EQ(deck.pool[34], 1);
    EXPECT_EQ(deck.pool[135], 42);
    EXPECT_EQ(std::vector<int>(deck.pool.begin() + 136, deck.pool.end()), (std::vector<int>{34, 35, 36, 37, 38, 39, 40, 41}));
    Deck withFixed(std::vector<int>{5});
    EXPECT_TRUE(withFixed.pool.empty());
    withFixed.fillPool();
    EXPECT_EQ(withFixed.pool.size(), 136u);
}

TEST(DeckTypes, AFullDealHoldsPairsOfOneType) {
    for (unsigned seed = 0; seed < 50; ++seed) {
        std::mt19937 random(seed);
        Deck deck;
        const std::vector<int> types = deck.prepareTypes(144, random);
        ASSERT_EQ(types.size(), 144u);
        EXPECT_EQ(deck.pool.size(), 144u);
        const auto counts = countTypes(types);
        for (int t = 1; t <= 33; ++t) EXPECT_EQ(counts.at(t), 4) << t;
        EXPECT_EQ(counts.at(42), 4);
        // Each group: two of its types, twice each.
        for (int first : {34, 38}) {
            int present = 0;
            for (int t = first; t < first + 4; ++t) {
                if (!counts.contains(t)) continue;
                ++present;
                EXPECT_EQ(counts.at(t), 2) << t;
            }
            EXPECT_EQ(present, 2) << "group " << first << " seed " << seed;
        }
    }
}

TEST(DeckTypes, CountsAndFixedTypes) {
    std::mt19937 random(3);
    Deck big;
    EXPECT_EQ(big.prepareTypes(145, random).size(), 144u);
    EXPECT_EQ(big.pool.size(), 288u);

    Deck fixed(std::vector<int>{5, 9});
    const std::vector<int> types = fixed.prepareTypes(10, random);
    ASSERT_EQ(types.size(), 10u);
    EXPECT_EQ(types[0], 9);
    EXPECT_EQ(types[1], 5);
    for (int t : types) EXPECT_TRUE(t < 34 || t > 41) << "no group types beside fixed ones";

    // More fixed types than places: only the fixed ones, and no endless fill.
    Deck crowded(std::vector<int>{1, 2, 3});
    const std::vector<int> only = crowded.prepareTypes(2, random);
    EXPECT_EQ(only, (std::vector<int>{3, 2, 1}));
    EXPECT_LE(crowded.pool.size(), 136u);
}

TEST(DeckTypes, SameEngineStateSameOrder) {
    Deck deck;
    std::mt19937 a(11);
    std::mt19937 b(11);
    EXPECT_EQ(deck.prepareTypes(144, a), deck.prepareTypes(144, b));
    EXPECT_EQ(a, b);
}

} // namespace
} // namespace mahjong
