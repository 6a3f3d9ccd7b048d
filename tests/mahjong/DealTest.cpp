// The deal on positions and types: place priorities, where pairs go, the
// special tiles of modes 2 and 3, and decks that do not fit their layout.

#include "mahjong/Deal.h"

#include "Layouts.h"
#include "mahjong/Deck.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <set>
#include <string>

namespace mahjong {
namespace {

using test::rowOfFive;
using test::stackedPair;
using test::turtle;

std::vector<std::shared_ptr<DealPlace>> linked(const std::vector<LevelPlace>& layout) {
    std::vector<std::shared_ptr<DealPlace>> places;
    for (const LevelPlace& p : layout) places.push_back(std::make_shared<DealPlace>(p.position));
    linkPlaces(places);
    return places;
}

// The counts by plain recursion over every path.
float plainCount(const DealPlace& p, std::vector<DealPlace*> DealPlace::*next) {
    float sum = static_cast<float>((p.*next).size());
    for (const DealPlace* q : p.*next) sum += plainCount(*q, next);
    return sum;
}

float plainPriority(const DealPlace& p) {
    float value = plainCount(p, &DealPlace::above);
    const float r = plainCount(p, &DealPlace::right);
    const float l = plainCount(p, &DealPlace::left);
    if (r > 0 && l > 0) value += std::min(r, l) + 1;
    return value;
}

TEST(DealPlaces, RowOfFivePriorities) {
    const auto places = linked(rowOfFive());
    std::vector<float> priorities;
    for (const auto& p : places) priorities.push_back(p->priority());
    EXPECT_EQ(priorities, (std::vector<float>{0, 2, 3, 2, 0}));
    EXPECT_EQ(places[2]->leftCount(), 2.0f);
    EXPECT_EQ(places[0]->rightCount(), 4.0f);
}

TEST(DealPlaces, StackedAndHalfShiftedNeighbours) {
    // A tile over four, and a row beside a half-shifted one.
    std::vector<LevelPlace> layout = {LevelPlace(0, 0, 0, 0), LevelPlace(2, 0, 0, 0), LevelPlace(0, 2, 0, 0),
                                      LevelPlace(2, 2, 0, 0), LevelPlace(1, 1, 1, 0), LevelPlace(4, 1, 0, 0)};
    const auto places = linked(layout);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(places[static_cast<std::size_t>(i)]->above.size(), 1u) << i;
    EXPECT_TRUE(places[4]->above.empty());
    // (4, 1) touches both right-hand tiles, each once.
    EXPECT_EQ(places[5]->left.size(), 2u);
    EXPECT_EQ(places[1]->right.size(), 1u);
    EXPECT_EQ(places[0]->rightCount(), 2.0f);
}

TEST(DealPlaces, MemoisedCountsEqualPlainRecursion) {
    const auto places = linked(turtle());
    for (const auto& p : places) {
        EXPECT_EQ(p->priority(), plainPriority(*p));
        EXPECT_EQ(p->aboveCount(), plainCount(*p, &DealPlace::above));
    }
    // Linking again forgets what was remembered.
    places[0]->position.x = 40;
    linkPlaces(places);
    EXPECT_EQ(places[0]->rightCount(), 0.0f);
    EXPECT_EQ(places[0]->priority(), plainPriority(*places[0]));
}

struct Dealt {
    DealResult result;
    DealDeck deck;
    std::vector<int> types;
};

// A first deal as the board runs it: the deck prepared for the plain
// places, then the places dealt, on one engine.
Dealt firstDeal(const std::vector<LevelPlace>& layout, unsigned seed, int mode = 1, int bears = 0,
                const std::vector<int>& fixed = {}) {
    std::mt19937 random(seed);
    Deck deck = fixed.empty() ? Deck() : Deck(fixed);
    unsigned plain = 0;
    std::vector<TilePosition> positions;
    for (const LevelPlace& p : layout) {
        positions.push_back(p.position);
        if (p.isPlain()) ++plain;
    }
    Dealt dealt;
    dealt.types = deck.prepareTypes(plain, random);
    for (std::size_t i = 0; i < dealt.types.size(); ++i) dealt.deck.cards.push_back({dealt.types[i], static_cast<int>(i)});
    DealSettings settings;
    settings.mode = mode;
    settings.bearsCount = bears;
    settings.plainPlaceCount = plain;
    dealt.result = dealTiles(positions, dealt.deck, settings, random);
    return dealt;
}

int stepType(const Dealt& d, const DealStep& s) {
    if (s.kind == DealStep::NewGold) return kGoldType;
    if (s.kind == DealStep::NewBear) return kBearType;
    return d.types[static_cast<std::size_t>(s.index)];
}

struct Fixture {
    const char* name;
    std::vector<LevelPlace> layout;
    int mode;
    int bears;
    std::vector<int> fixed;
    // A fixed tile without a partner leaves its partner's place empty.
    std::size_t maxEmpty;
};

TEST(Deal, PropertiesOverManySeeds) {
    std::vector<LevelPlace> odd = turtle();
    odd.pop_back();
    const Fixture fixtures[] = {
        {"row of five", rowOfFive(), 1, 0, {}, 1},
        {"stacked pair", stackedPair(), 1, 0, {}, 0},
        {"turtle", turtle(), 1, 0, {}, 0},
        {"turtle, mode 2", turtle(), 2, 0, {}, 0},
        {"turtle, mode 3, four bears", turtle(), 3, 4, {}, 0},
        {"odd turtle with one fixed type", odd, 1, 0, {7}, 1},
        {"turtle with fixed types", turtle(), 1, 0, {3, 3, 40, 41}, 4},
    };
    for (const Fixture& f : fixtures) {
        for (unsigned seed = 0; seed < 100; ++seed) {
            Dealt d;
            vorn::test::captureLog([&] { d = firstDeal(f.layout, seed, f.mode, f.bears, f.fixed); });
            const std::string where = std::string(f.name) + ", seed " + std::to_string(seed);

            std::set<std::tuple<int, int, int>> filled;
            std::map<int, int> classes;
            int gold = 0, bears = 0;
            for (const DealStep& s : d.result.steps) {
                EXPECT_TRUE(filled.insert({s.position.x, s.position.y, s.position.z}).second) << where << ": place filled twice";
                const int type = stepType(d, s);
                gold += type == kGoldType;
                bears += type == kBearType;
                if (type != kBearType) ++classes[matchClass(type)];
                EXPECT_EQ(s.special, type == kGoldType || type == kBearType) << where;
            }
            EXPECT_EQ(filled.size() + d.result.empty.size(), f.layout.size()) << where;
            EXPECT_LE(d.result.empty.size(), f.maxEmpty) << where;
            for (const TilePosition& e : d.result.empty) EXPECT_FALSE(filled.contains({e.x, e.y, e.z})) << where;
            EXPECT_EQ(gold, f.mode == 2 ? 2 : 0) << where;
            EXPECT_EQ(bears, f.mode == 3 ? f.bears : 0) << where;
            if (f.mode == 1 && f.fixed.empty() && f.maxEmpty == 0) {
                for (const auto& [cls, count] : classes) EXPECT_EQ(count % 2, 0) << where << ": class " << cls;
            }
            for (int type : f.fixed) {
                EXPECT_TRUE(std::any_of(d.result.steps.begin(), d.result.steps.end(),
                                        [&](const DealStep& s) { return stepType(d, s) == type; }))
                    << where << ": fixed " << type;
            }
        }
    }
}

TEST(Deal, RowOfFiveOrder) {
    for (unsigned seed = 0; seed < 50; ++seed) {
        const Dealt d = firstDeal(rowOfFive(), seed);
        ASSERT_EQ(d.result.steps.size(), 4u);
        const auto& s = d.result.steps;
        // Middle first, then a neighbour; then the other neighbour and an end.
        EXPECT_EQ(s[0].position.x, 4);
        EXPECT_TRUE(s[1].position.x == 2 || s[1].position.x == 6);
        EXPECT_EQ(s[2].position.x, 8 - s[1].position.x);
        EXPECT_TRUE(s[3].position.x == 0 || s[3].position.x == 8);
        EXPECT_EQ(stepType(d, s[0]), stepType(d, s[1]));
        EXPECT_EQ(stepType(d, s[2]), stepType(d, s[3]));
        // A deck of four for five places: the end left over gets nothing.
        ASSERT_EQ(d.result.empty.size(), 1u);
        EXPECT_EQ(d.result.empty[0].x, 8 - s[3].position.x);
    }
}

TEST(Deal, PartnersAvoidStackedPlacesWhileOthersAreLeft) {
    const std::vector<LevelPlace> layout = turtle();
    for (unsigned seed = 0; seed < 100; ++seed) {
        const Dealt d = firstDeal(layout, seed);
        const auto& steps = d.result.steps;
        std::set<std::tuple<int, int, int>> done;
        for (std::size_t i = 0; i + 1 < steps.size(); i += 2) {
            const TilePosition& a = steps[i].position;
            const TilePosition& b = steps[i + 1].position;
            done.insert({a.x, a.y, a.z});
            done.insert({b.x, b.y, b.z});
            if (std::abs(a.x - b.x) > 1 || std::abs(a.y - b.y) > 1) continue;
            // Stacked partners only when every place still open lies on or
            // under the first one.
            for (const LevelPlace& p : layout) {
                const TilePosition& q = p.position;
                if (done.contains({q.x, q.y, q.z})) continue;
                EXPECT_TRUE(std::abs(q.x - a.x) <= 1 && std::abs(q.y - a.y) <= 1) << "seed " << seed;
            }
        }
    }
    // Only stacked places: the partner goes on top all the same.
    const Dealt pair = firstDeal(stackedPair(), 1);
    ASSERT_EQ(pair.result.steps.size(), 2u);
    EXPECT_EQ(pair.result.steps[0].position.z, 0);
    EXPECT_EQ(pair.result.steps[1].position.z, 1);
}

TEST(Deal, FlyInDelays) {
    const Dealt d = firstDeal(turtle(), 5);
    ASSERT_EQ(d.result.steps.size(), 144u);
    for (std::size_t i = 0; i < d.result.steps.size(); ++i) {
        EXPECT_NEAR(d.result.steps[i].delay, 0.025f * static_cast<float>(i), 1e-4f);
    }
    EXPECT_NEAR(d.result.delay + 0.5f + 0.1f, 4.2f, 1e-4f);
    EXPECT_EQ(d.result.newGold, 2);
    EXPECT_EQ(d.result.newBears, 0);
    EXPECT_TRUE(d.deck.cards.empty());
}

TEST(Deal, SameSeedSameDeal) {
    const Dealt a = firstDeal(turtle(), 42, 3, 2);
    const Dealt b = firstDeal(turtle(), 42, 3, 2);
    ASSERT_EQ(a.result.steps.size(), b.result.steps.size());
    for (std::size_t i = 0; i < a.result.steps.size(); ++i) {
        EXPECT_EQ(a.result.steps[i].position, b.result.steps[i].position);
        EXPECT_EQ(stepType(a, a.result.steps[i]), stepType(b, b.result.steps[i]));
    }
}

// One digest of everything a deal hands back, in order, so that a change
// anywhere in the deal (which place, which tile, which delay) shows. The
// expected digests are those of libstdc++'s shuffle and distributions,
// which the standard leaves to each library: another library deals other
// tiles from the same seed.
std::string digest(const DealResult& r, const DealDeck& rest) {
    std::uint64_t h = 1469598103934665603ull;
    const auto mix = [&h](long long v) {
        for (int i = 0; i < 8; ++i) {
            h ^= static_cast<std::uint64_t>(v >> (8 * i)) & 0xFF;
            h *= 1099511628211ull;
        }
    };
    for (const DealStep& s : r.steps) {
        for (long long v : {static_cast<long long>(s.kind), static_cast<long long>(s.index),
                            static_cast<long long>(s.position.x), static_cast<long long>(s.position.y),
                            static_cast<long long>(s.position.z), static_cast<long long>(s.special),
                            std::llround(s.delay * 1000.0f)}) {
            mix(v);
        }
    }
    for (const TilePosition& p : r.empty) {
        for (int v : {p.x, p.y, p.z}) mix(v);
    }
    for (const DealCard& c : rest.cards) {
        mix(c.type);
        mix(c.id);
    }
    mix(r.newGold);
    mix(r.newBears);
    mix(std::llround(r.delay * 1000.0f));
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(h));
    return text;
}

// Fixed seeds give fixed deals: saved games, tests and benchmarks replay
// a deal by its seed, so any change to the order of draws is a fault.
TEST(Deal, SeededDealsStayTheSame) {
    struct Case {
        const char* name;
        unsigned seed;
        int mode;
        int bears;
        const char* expected;
    };
    const Case cases[] = {
        {"plain", 7, 1, 0, "f44a3f274cb50774"},
        {"gold", 11, 2, 0, "b125a6852a2d29bb"},
        {"bears", 42, 3, 2, "6f1f2010e3d1f4e5"},
    };
    for (const Case& c : cases) {
        const Dealt d = firstDeal(turtle(), c.seed, c.mode, c.bears);
        EXPECT_EQ(digest(d.result, d.deck), c.expected) << c.name;
    }
    // A reshuffle of what is left on the board: half the turtle, with an
    // unpaired tile, gold and bears among it.
    for (int mode : {1, 2, 3}) {
        std::mt19937 random(5u + static_cast<unsigned>(mode));
        std::vector<TilePosition> positions;
        DealDeck deck;
        const std::vector<LevelPlace> layout = turtle();
        for (std::size_t i = 0; i < layout.size(); i += 2) {
            positions.push_back(layout[i].position);
            int type = 1 + static_cast<int>(positions.size() / 2) % 30;
            if (positions.size() == 1) type = 33;
            if (positions.size() == 2 || positions.size() == 3) type = mode == 2 ? kGoldType : (mode == 3 ? kBearType : type);
            deck.cards.push_back({type, static_cast<int>(i)});
        }
        DealSettings settings;
        settings.mode = mode;
        settings.initial = false;
        settings.tilesOnBoard = 20;
        const DealResult result = dealTiles(positions, deck, settings, random);
        const char* const expected[] = {"f3ca147c666f4871", "e0c302e0a7881955", "a39ddee0805d5a69"};
        EXPECT_EQ(digest(result, deck), expected[mode - 1]) << "reshuffle, mode " << mode;
    }
}

TEST(Deal, BearsGoDownAtTheirThresholds) {
    for (unsigned seed = 0; seed < 50; ++seed) {
        const Dealt d = firstDeal(turtle(), seed, 3, 3);
        std::size_t before = 0;
        for (std::size_t i = 0; i < d.result.steps.size(); ++i) {
            if (d.result.steps[i].kind != DealStep::NewBear) continue;
            // Bears at most half the plain places into the deal.
            EXPECT_LT(before, 144u / 2 + 2) << "seed " << seed;
            ++before;
        }
        EXPECT_EQ(d.result.newBears, 3);
        // Three places go to bears: 141 deck tiles, and the deck's spare
        // pair stays in the deck.
        EXPECT_EQ(d.result.steps.size(), 144u);
        EXPECT_FALSE(d.deck.cards.empty());
    }
}

// However many bears a level asks for, no more are made than there are
// places for them.
TEST(Deal, NoMoreBearsThanPlacesAreMade) {
    vorn::test::LogCapture log;
    const Dealt d = firstDeal(rowOfFive(), 7, 3, 100000);
    EXPECT_EQ(d.result.newBears, 5);
    EXPECT_LE(d.result.steps.size(), 5u);
    EXPECT_EQ(log.count("Deal: 100000 bears for 5 places; 5 dealt"), 1) << log.text();
}

TEST(Deal, DeckRunningOutLeavesTheRestEmpty) {
    // Typed places are not in the deck's count, and an odd count leaves the
    // deck one tile short: neither may read past the deck.
    std::vector<LevelPlace> typed = turtle();
    for (std::size_t i = 0; i < 10; ++i) typed[i].type = 5;
    std::vector<LevelPlace> odd = turtle();
    odd.pop_back();
    struct Case {
        const char* name;
        std::vector<LevelPlace> layout;
        std::vector<int> fixed;
        std::size_t filled;
        bool ranOut;
    };
    const Case cases[] = {
        {"typed places", typed, {}, 134, true},
        {"odd count", odd, {}, 142, true},
        {"fixed types outnumber the places, none paired", rowOfFive(), {1, 2, 3, 4, 5, 6, 7}, 3, false},
    };
    for (const Case& c : cases) {
        Dealt d;
        const std::string log = vorn::test::captureLog([&] { d = firstDeal(c.layout, 9, 1, 0, c.fixed); });
        EXPECT_EQ(d.result.steps.size(), c.filled) << c.name;
        EXPECT_EQ(d.result.steps.size() + d.result.empty.size(), c.layout.size()) << c.name;
        EXPECT_EQ(log.find("ran out") != std::string::npos, c.ranOut) << c.name;
    }
}

TEST(Deal, MoreBearsThanHalfThePlaces) {
    for (unsigned seed = 0; seed < 30; ++seed) {
        const Dealt d = firstDeal(rowOfFive(), seed, 3, 9);
        int bears = 0;
        for (const DealStep& s : d.result.steps) bears += s.kind == DealStep::NewBear;
        EXPECT_GE(bears, 1);
        EXPECT_LE(d.result.steps.size(), 5u);
    }
    // A reshuffle in mode 3 where bears are most of what is left: every
    // bear and tile finds a place again.
    for (unsigned seed = 0; seed < 30; ++seed) {
        std::mt19937 random(seed);
        std::vector<TilePosition> positions;
        for (const LevelPlace& p : rowOfFive()) positions.push_back(p.position);
        DealDeck deck;
        for (int i = 0; i < 5; ++i) deck.cards.push_back({i < 4 ? kBearType : 3, i});
        DealSettings settings;
        settings.mode = 3;
        settings.initial = false;
        const DealResult result = dealTiles(positions, deck, settings, random);
        std::set<int> ids;
        for (const DealStep& s : result.steps) ids.insert(s.index);
        EXPECT_EQ(ids.size(), 5u) << "seed " << seed;
        EXPECT_TRUE(deck.cards.empty()) << "seed " << seed;
        EXPECT_TRUE(result.empty.empty()) << "seed " << seed;
    }
}

// A reshuffle gets the tiles on the board as its deck and the places they
// cover; every tile must find a place again.
TEST(Deal, ReshuffleDealsEveryTileOnce) {
    for (unsigned seed = 0; seed < 60; ++seed) {
        std::mt19937 random(seed);
        const std::vector<LevelPlace> layout = turtle();
        std::vector<TilePosition> positions;
        DealDeck deck;
        // Remaining tiles: an unpaired fixed type, gold, bears and pairs.
        const std::size_t count = 40 + seed % 60;
        for (std::size_t i = 0; i < count; ++i) {
            positions.push_back(layout[(i * 7 + seed) % layout.size()].position);
        }
        std::sort(positions.begin(), positions.end(), [](const TilePosition& a, const TilePosition& b) {
            return std::tie(a.z, a.y, a.x) < std::tie(b.z, b.y, b.x);
        });
        positions.erase(std::unique(positions.begin(), positions.end()), positions.end());
        const int mode = 1 + static_cast<int>(seed % 3);
        for (std::size_t i = 0; i < positions.size(); ++i) {
            int type = 1 + static_cast<int>(i / 2) % 30;
            if (i == 0) type = 33;
            if (mode == 2 && i >= 1 && i <= 2) type = kGoldType;
            if (mode == 3 && i >= 1 && i <= 3) type = kBearType;
            deck.cards.push_back({type, static_cast<int>(i)});
        }
        std::shuffle(deck.cards.begin(), deck.cards.end(), random);
        DealSettings settings;
        settings.mode = mode;
        settings.initial = false;
        const DealResult result = dealTiles(positions, deck, settings, random);
        std::set<int> ids;
        std::set<std::tuple<int, int, int>> places;
        for (const DealStep& s : result.steps) {
            EXPECT_EQ(s.kind, DealStep::DeckTile);
            EXPECT_LT(s.delay, 0.0f);
            ids.insert(s.index);
            places.insert({s.position.x, s.position.y, s.position.z});
        }
        EXPECT_EQ(ids.size(), positions.size()) << "seed " << seed;
        EXPECT_EQ(places.size(), positions.size()) << "seed " << seed;
        EXPECT_TRUE(deck.cards.empty());
        EXPECT_TRUE(result.empty.empty());
    }
}

} // namespace
} // namespace mahjong
