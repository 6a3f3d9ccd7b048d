// Deals layout files on many seeds and plays each deal with a small solver,
// to tell a level designer how often a layout can be cleared without a
// reshuffle and what score a steady player reaches.
//
//   level_checker [--seeds N] [--nodes N] [--think SECONDS] [--reshuffles N] layout.plist...
//
// The deal is the game's own (same deck, same order of random draws), so
// seed s here is the deal a board seeded with s would make. The solver
// searches depth first, trying the pairs that open the layout most first,
// with a node budget per deal; what it cannot clear in that budget it plays
// greedily, reshuffling whenever no pair is left.

#include "core/Log.h"
#include "mahjong/Deal.h"
#include "mahjong/Deck.h"
#include "mahjong/Level.h"
#include "mahjong/TilePosition.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <unordered_set>
#include <vector>

namespace {

using namespace mahjong;

constexpr int kMaxTiles = 256;

struct Options {
    unsigned seeds = 100;
    long nodes = 3000;
    float think = 2.0f;
    int reshuffles = 20;
};

// One deal in play: tile types and positions, which are still there, and a
// grid of tile indices.
class Play {
public:
    Play(int mode, const std::vector<TilePosition>& positions, const std::vector<int>& types) : mode_(mode) {
        grid_.fill(-1);
        for (std::size_t i = 0; i < positions.size(); ++i) add(positions[i], types[i]);
    }

    struct Move {
        int a, b;
    };

    bool won() const {
        if (mode_ == 2) return gold_ == 0;
        if (mode_ == 3) return bears_ == 0;
        return alive_.none();
    }

    bool locked(int i) const {
        return isLockedAt(pos_[static_cast<std::size_t>(i)], 2, 2, [this](int x, int y, int z) { return cell(x, y, z) >= 0; });
    }

    // Every removable pair once, the ones that open the most first.
    std::vector<Move> moves() const {
        std::vector<int> free;
        for (int i = 0; i < count_; ++i) {
            if (alive_[static_cast<std::size_t>(i)] && type_[static_cast<std::size_t>(i)] != kBearType && !locked(i)) free.push_back(i);
        }
        std::vector<Move> result;
        for (std::size_t i = 0; i < free.size(); ++i) {
            for (std::size_t j = i + 1; j < free.size(); ++j) {
                if (tileTypesMatch(type_[static_cast<std::size_t>(free[i])], type_[static_cast<std::size_t>(free[j])])) {
                    result.push_back({free[i], free[j]});
                }
            }
        }
        std::vector<int> weight(result.size());
        for (std::size_t m = 0; m < result.size(); ++m) weight[m] = value(result[m]);
        std::vector<std::size_t> order(result.size());
        for (std::size_t m = 0; m < order.size(); ++m) order[m] = m;
        std::stable_sort(order.begin(), order.end(), [&weight](std::size_t x, std::size_t y) { return weight[x] > weight[y]; });
        std::vector<Move> sorted;
        sorted.reserve(result.size());
        for (std::size_t m : order) sorted.push_back(result[m]);
        return sorted;
    }

    // Removes the pair and the bears it frees; the bears removed, for undo.
    std::vector<int> remove(const Move& m) {
        erase(m.a);
        erase(m.b);
        std::vector<int> bears;
        if (mode_ == 3) {
            for (int i = 0; i < count_; ++i) {
                if (alive_[static_cast<std::size_t>(i)] && type_[static_cast<std::size_t>(i)] == kBearType && !locked(i)) {
                    erase(i);
                    bears.push_back(i);
                }
            }
        }
        return bears;
    }

    void restore(const Move& m, const std::vector<int>& bears) {
        for (int b : bears) put(b);
        put(m.a);
        put(m.b);
    }

    bool isGold(int i) const { return type_[static_cast<std::size_t>(i)] == kGoldType; }
    int type(int i) const { return type_[static_cast<std::size_t>(i)]; }
    const TilePosition& position(int i) const { return pos_[static_cast<std::size_t>(i)]; }
    int count() const { return count_; }

    // Pairs that cannot be wrong: every tile left of a class is free, so
    // pairing them off now takes nothing from later choices.
    std::vector<Move> safeMoves() const {
        std::array<int, 64> left{}, free{};
        std::array<std::array<int, 4>, 64> members{};
        for (int i = 0; i < count_; ++i) {
            if (!alive_[static_cast<std::size_t>(i)] || type(i) == kBearType) continue;
            const std::size_t c = slot(type(i));
            ++left[c];
            if (!locked(i) && free[c] < 4) members[c][static_cast<std::size_t>(free[c]++)] = i;
        }
        std::vector<Move> safe;
        for (std::size_t c = 0; c < left.size(); ++c) {
            if (left[c] != free[c] || (free[c] != 2 && free[c] != 4)) continue;
            safe.push_back({members[c][0], members[c][1]});
            if (free[c] == 4) safe.push_back({members[c][2], members[c][3]});
        }
        return safe;
    }

    // A class of two whose tiles lie one over the other can never be
    // cleared.
    bool hopeless() const {
        std::array<int, 64> left{};
        std::array<std::array<int, 2>, 64> members{};
        for (int i = 0; i < count_; ++i) {
            if (!alive_[static_cast<std::size_t>(i)] || type(i) == kBearType) continue;
            const std::size_t c = slot(type(i));
            if (left[c] < 2) members[c][static_cast<std::size_t>(left[c])] = i;
            ++left[c];
        }
        for (std::size_t c = 0; c < left.size(); ++c) {
            if (left[c] != 2) continue;
            const TilePosition& a = position(members[c][0]);
            const TilePosition& b = position(members[c][1]);
            if (a.z != b.z && std::abs(a.x - b.x) <= 1 && std::abs(a.y - b.y) <= 1) return true;
        }
        return false;
    }
    const std::bitset<kMaxTiles>& alive() const { return alive_; }

    // The tiles still there, for a reshuffle.
    void remaining(std::vector<TilePosition>& positions, std::vector<int>& types) const {
        for (int i = 0; i < count_; ++i) {
            if (!alive_[static_cast<std::size_t>(i)]) continue;
            positions.push_back(pos_[static_cast<std::size_t>(i)]);
            types.push_back(type_[static_cast<std::size_t>(i)]);
        }
    }

private:
    // Types 1..42 by match class, gold last.
    static std::size_t slot(int t) { return t == kGoldType ? 63 : static_cast<std::size_t>(matchClass(t)) & 63; }

    int cell(int x, int y, int z) const {
        if (!TilePosition(x, y, z).inGrid()) return -1;
        return grid_[static_cast<std::size_t>((z * kGridRows + y) * kGridColumns + x)];
    }
    void setCells(int i, int value) {
        const TilePosition& p = pos_[static_cast<std::size_t>(i)];
        for (int dx = 0; dx < 2; ++dx)
            for (int dy = 0; dy < 2; ++dy)
                if (TilePosition(p.x + dx, p.y + dy, p.z).inGrid())
                    grid_[static_cast<std::size_t>((p.z * kGridRows + p.y + dy) * kGridColumns + p.x + dx)] = static_cast<short>(value);
    }
    void add(const TilePosition& p, int type) {
        if (count_ >= kMaxTiles) return;
        pos_[static_cast<std::size_t>(count_)] = p;
        type_[static_cast<std::size_t>(count_)] = type;
        put(count_);
        ++count_;
    }
    void put(int i) {
        alive_.set(static_cast<std::size_t>(i));
        setCells(i, i);
        gold_ += isGold(i);
        bears_ += type_[static_cast<std::size_t>(i)] == kBearType;
    }
    void erase(int i) {
        alive_.reset(static_cast<std::size_t>(i));
        setCells(i, -1);
        gold_ -= isGold(i);
        bears_ -= type_[static_cast<std::size_t>(i)] == kBearType;
    }
    // Tiles resting on a tile, and tiles it keeps from being free at its
    // row's end, are what removing it opens up; gold wins mode 2 at once.
    int value(const Move& m) const {
        if (mode_ == 2 && isGold(m.a)) return 1000000;
        int v = 0;
        for (int t : {m.a, m.b}) {
            const TilePosition& p = pos_[static_cast<std::size_t>(t)];
            v += 8 * p.z;
            for (int dx = -1; dx <= 2; ++dx) {
                for (int dy = -1; dy <= 2; ++dy) {
                    if (cell(p.x + dx, p.y + dy, p.z + 1) >= 0) v += 4;
                }
            }
            for (int dy = 0; dy < 2; ++dy) {
                if (cell(p.x - 1, p.y + dy, p.z) >= 0) v += 2;
                if (cell(p.x + 2, p.y + dy, p.z) >= 0) v += 2;
            }
            if (mode_ == 3) {
                for (int dy = 0; dy < 2; ++dy) {
                    const int l = cell(p.x - 1, p.y + dy, p.z);
                    const int r = cell(p.x + 2, p.y + dy, p.z);
                    if (l >= 0 && type_[static_cast<std::size_t>(l)] == kBearType) v += 50;
                    if (r >= 0 && type_[static_cast<std::size_t>(r)] == kBearType) v += 50;
                }
            }
        }
        return v;
    }

    int mode_;
    int count_ = 0;
    int gold_ = 0;
    int bears_ = 0;
    std::array<TilePosition, kMaxTiles> pos_{};
    std::array<int, kMaxTiles> type_{};
    std::bitset<kMaxTiles> alive_;
    std::array<short, kGridColumns * kGridRows * kGridLayers> grid_{};
};

struct BitsetHash {
    std::size_t operator()(const std::bitset<kMaxTiles>& b) const { return std::hash<std::bitset<kMaxTiles>>()(b); }
};

// Depth first over pairs, each position searched once, within a budget.
class Solver {
public:
    Solver(Play& play, long budget) : play_(play), budget_(budget) {}

    bool solve(std::vector<Play::Move>& path) {
        // Safe pairs go at once, without branching.
        struct Done {
            Play::Move move;
            std::vector<int> bears;
        };
        std::vector<Done> forced;
        for (std::vector<Play::Move> safe = play_.safeMoves(); !safe.empty() && !play_.won(); safe = play_.safeMoves()) {
            for (const Play::Move& m : safe) {
                forced.push_back({m, play_.remove(m)});
                path.push_back(m);
            }
        }
        const bool solved = search(path);
        for (auto it = forced.rbegin(); it != forced.rend(); ++it) play_.restore(it->move, it->bears);
        if (!solved) path.resize(path.size() - forced.size());
        return solved;
    }

private:
    bool search(std::vector<Play::Move>& path) {
        if (play_.won()) return true;
        if (budget_-- <= 0 || play_.hopeless()) return false;
        if (!seen_.insert(play_.alive()).second) return false;
        for (const Play::Move& m : play_.moves()) {
            const std::vector<int> bears = play_.remove(m);
            path.push_back(m);
            const bool solved = solve(path);
            play_.restore(m, bears);
            if (solved) return true;
            path.pop_back();
            if (budget_ <= 0) return false;
        }
        return false;
    }

    Play& play_;
    long budget_;
    std::unordered_set<std::bitset<kMaxTiles>, BitsetHash> seen_;
};

// The board's score rules for a player taking think seconds per pair.
struct Score {
    long long score = 0;
    long long multiplier = 1;
    float fill = 0.0f;

    void pair(bool gold, std::size_t bears, float think) {
        if (fill > 0.0f) {
            fill -= static_cast<float>(multiplier) * think * 0.1f;
            if (fill <= 0.0f) {
                fill = 0.0f;
                multiplier = 1;
            }
        }
        score += static_cast<long long>(bears) * 50 * multiplier;
        score += (gold ? 250 : 10) * multiplier;
        fill += 0.4f * static_cast<float>(multiplier);
        if (fill >= 1.0f) {
            fill = 1.0f;
            ++multiplier;
        }
    }
};

struct DealOutcome {
    bool wonClean = false;
    bool won = false;
    int reshuffles = 0;
    long long score = 0;
};

DealOutcome playDeal(const Level& level, unsigned seed, const Options& options) {
    std::mt19937 random(seed);
    Deck deck = level.unshuffleable.empty() ? Deck() : Deck(level.unshuffleable);
    const std::vector<int> deckTypes = deck.prepareTypes(level.plainPlaceCount(), random);
    DealDeck cards;
    for (std::size_t i = 0; i < deckTypes.size(); ++i) cards.cards.push_back({deckTypes[i], static_cast<int>(i)});
    std::vector<TilePosition> places;
    for (const LevelPlace& p : level.places) places.push_back(p.position);
    DealSettings settings;
    settings.mode = level.mode;
    settings.bearsCount = level.bearsCount;
    settings.plainPlaceCount = level.plainPlaceCount();
    const DealResult dealt = dealTiles(places, cards, settings, random);

    std::vector<TilePosition> positions;
    std::vector<int> types;
    for (const DealStep& s : dealt.steps) {
        positions.push_back(s.position);
        types.push_back(s.kind == DealStep::NewGold ? kGoldType
                        : s.kind == DealStep::NewBear ? kBearType
                                                      : deckTypes[static_cast<std::size_t>(s.index)]);
    }

    DealOutcome outcome;
    Score score;
    Play play(level.mode, positions, types);
    std::vector<Play::Move> path;
    if (Solver(play, options.nodes).solve(path)) {
        for (const Play::Move& m : path) {
            // Replayed by the rules, not trusted.
            if (!play.alive()[static_cast<std::size_t>(m.a)] || !play.alive()[static_cast<std::size_t>(m.b)] ||
                play.locked(m.a) || play.locked(m.b) || !tileTypesMatch(play.type(m.a), play.type(m.b))) {
                std::fprintf(stderr, "seed %u: the solver's pair %d-%d is not removable\n", seed, m.a, m.b);
                std::exit(3);
            }
            const bool gold = play.isGold(m.a);
            score.pair(gold, play.remove(m).size(), options.think);
        }
        if (!play.won()) {
            std::fprintf(stderr, "seed %u: the solver's path does not win\n", seed);
            std::exit(3);
        }
        outcome.wonClean = outcome.won = true;
        outcome.score = score.score;
        return outcome;
    }

    // Greedy, with reshuffles, for the score a player would still reach.
    Play greedy(level.mode, positions, types);
    while (!greedy.won()) {
        const std::vector<Play::Move> moves = greedy.moves();
        if (!moves.empty()) {
            const bool gold = greedy.isGold(moves.front().a);
            score.pair(gold, greedy.remove(moves.front()).size(), options.think);
            continue;
        }
        if (outcome.reshuffles >= options.reshuffles) break;
        ++outcome.reshuffles;
        std::vector<TilePosition> left;
        std::vector<int> leftTypes;
        greedy.remaining(left, leftTypes);
        DealDeck again;
        for (std::size_t i = 0; i < leftTypes.size(); ++i) again.cards.push_back({leftTypes[i], static_cast<int>(i)});
        std::shuffle(again.cards.begin(), again.cards.end(), random);
        DealSettings reshuffle;
        reshuffle.mode = level.mode;
        reshuffle.initial = false;
        const DealResult redealt = dealTiles(left, again, reshuffle, random);
        std::vector<TilePosition> newPositions;
        std::vector<int> newTypes;
        for (const DealStep& s : redealt.steps) {
            newPositions.push_back(s.position);
            newTypes.push_back(leftTypes[static_cast<std::size_t>(s.index)]);
        }
        greedy = Play(level.mode, newPositions, newTypes);
    }
    outcome.won = greedy.won();
    outcome.score = score.score;
    return outcome;
}

bool readNumber(const char* text, double& out) {
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end && *end == '\0' && end != text && out >= 0;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        double value = 0;
        const bool hasValue = i + 1 < argc && readNumber(argv[i + 1], value);
        if ((arg == "--seeds" || arg == "--nodes" || arg == "--think" || arg == "--reshuffles") && !hasValue) {
            std::fprintf(stderr, "%s needs a number\n", arg.c_str());
            return 2;
        }
        if (arg == "--seeds") options.seeds = static_cast<unsigned>(value);
        else if (arg == "--nodes") options.nodes = static_cast<long>(value);
        else if (arg == "--think") options.think = static_cast<float>(value);
        else if (arg == "--reshuffles") options.reshuffles = static_cast<int>(value);
        else {
            files.push_back(arg);
            continue;
        }
        ++i;
    }
    if (files.empty()) {
        std::fprintf(stderr, "usage: level_checker [--seeds N] [--nodes N] [--think SECONDS] [--reshuffles N] layout.plist...\n");
        return 2;
    }

    int failures = 0;
    std::printf("%-40s %6s %4s %6s %8s %8s %10s %8s\n", "layout", "places", "mode", "seeds", "clean%", "won%", "score", "reshuf");
    for (const std::string& file : files) {
        const auto started = std::chrono::steady_clock::now();
        Level level(file);
        if (level.places.empty()) {
            std::printf("%-40s no places (not read, or empty)\n", file.c_str());
            ++failures;
            continue;
        }
        unsigned clean = 0, won = 0;
        long long scoreSum = 0;
        long reshuffleSum = 0;
        for (unsigned seed = 0; seed < options.seeds; ++seed) {
            const DealOutcome o = playDeal(level, seed, options);
            clean += o.wonClean;
            won += o.won;
            scoreSum += o.score;
            reshuffleSum += o.reshuffles;
        }
        const double n = options.seeds ? static_cast<double>(options.seeds) : 1.0;
        const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
        std::printf("%-40s %6zu %4d %6u %7.1f%% %7.1f%% %10.0f %8.2f  (%.0f ms)\n", file.c_str(), level.places.size(),
                    level.mode, options.seeds, 100.0 * clean / n, 100.0 * won / n, static_cast<double>(scoreSum) / n,
                    static_cast<double>(reshuffleSum) / n, ms);
    }
    return failures ? 1 : 0;
}
