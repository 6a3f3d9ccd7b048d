// Plays layouts on many deals with the game's own rules, to tell whether a
// level can always be won, how often it is won without a reshuffle, and what
// a steady player scores on it: the full-marks score of the level list.
//
//   level_checker [options] --levels data/levels.json
//   level_checker [options] layout.plist...
//
//   --seeds N             deals per level (100); deal s is the one a board
//                         seeded with s makes
//   --nodes N             search budget per deal and per reshuffle (3000)
//   --think SECONDS       the steady player's time per pair (2)
//   --reshuffles N        reshuffles a player may spend on one deal (20)
//   --jobs N              levels checked at once (the processor count, at
//                         most 8); the figures do not depend on it
//   --figures FILE        writes the per-level figures as JSON
//   --clean-goal N:SHARE  the first N levels are won without a reshuffle in
//                         at least SHARE of their deals
//   --check-max-score     each level's maxScore in the list is the one the
//                         play gives
//
// The deal is the game's own (same deck, same order of random draws). A
// depth-first search tries the pairs that open the layout most first, with a
// node budget. When it finds no win, the player plays half of the longest
// line it found (the whole of it tends to end on tiles stacked on their own
// partners, which no reshuffle can part), reshuffles as the board does and
// searches again.
//
// Exit status 0 when every deal of every level was won and every goal met,
// 1 when not, 2 for a usage error.

#include "core/Data.h"
#include "mahjong/Deal.h"
#include "mahjong/Deck.h"
#include "mahjong/Level.h"
#include "mahjong/TilePosition.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <atomic>
#include <bitset>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <thread>
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
    unsigned jobs = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    std::string levels;
    std::string figures;
    std::size_t goalLevels = 0;
    double goalShare = 0.0;
    bool checkMaxScore = false;
};

struct Move {
    int a, b;
};

// One deal in play: tile types and positions, which are still there, and a
// grid of tile indices.
class Play {
public:
    Play(int mode, const std::vector<TilePosition>& positions, const std::vector<int>& types) : mode_(mode) {
        grid_.fill(-1);
        for (std::size_t i = 0; i < positions.size() && i < types.size(); ++i) add(positions[i], types[i]);
        // The board lets freed bears go in passes over its tiles in draw
        // order, lower layers first and left before right, until a pass
        // frees none.
        for (int i = 0; i < count_; ++i)
            if (type(i) == kBearType) bearOrder_.push_back(i);
        std::sort(bearOrder_.begin(), bearOrder_.end(), [this](int a, int b) { return drawsBefore(a, b); });
    }

    bool won() const {
        if (mode_ == 2) return gold_ == 0;
        if (mode_ == 3) return bears_ == 0;
        return alive_.none();
    }

    bool locked(int i) const {
        return isLockedAt(position(i), 2, 2, [this](int x, int y, int z) { return cell(x, y, z) >= 0; });
    }

    // Every removable pair once, the ones that open the most first.
    std::vector<Move> moves() const {
        std::vector<int> free;
        for (int i = 0; i < count_; ++i) {
            if (alive(i) && type(i) != kBearType && !locked(i)) free.push_back(i);
        }
        std::vector<std::pair<int, Move>> weighed;
        for (std::size_t i = 0; i < free.size(); ++i) {
            for (std::size_t j = i + 1; j < free.size(); ++j) {
                if (tileTypesMatch(type(free[i]), type(free[j]))) {
                    const Move m{free[i], free[j]};
                    weighed.emplace_back(value(m), m);
                }
            }
        }
        std::stable_sort(weighed.begin(), weighed.end(), [](const auto& x, const auto& y) { return x.first > y.first; });
        std::vector<Move> sorted;
        sorted.reserve(weighed.size());
        for (const auto& w : weighed) sorted.push_back(w.second);
        return sorted;
    }

    // Removes the pair and the bears it frees; the bears removed, for undo.
    std::vector<int> remove(const Move& m) {
        erase(m.a);
        erase(m.b);
        std::vector<int> bears;
        for (std::size_t before = 1; before != bears.size();) {
            before = bears.size();
            for (int b : bearOrder_) {
                if (alive(b) && !locked(b)) {
                    erase(b);
                    bears.push_back(b);
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

    // Pairs that cannot be wrong: every tile left of a class is free, so
    // pairing them off now takes nothing from later choices.
    std::vector<Move> safeMoves() const {
        std::array<int, kClasses> left{}, free{};
        std::array<std::array<int, 4>, kClasses> members{};
        for (int i = 0; i < count_; ++i) {
            if (!alive(i) || type(i) == kBearType) continue;
            const std::size_t c = slot(type(i));
            ++left[c];
            if (!locked(i) && free[c] < 4) members[c][static_cast<std::size_t>(free[c]++)] = i;
        }
        std::vector<Move> safe;
        for (std::size_t c = 0; c < kClasses; ++c) {
            if (left[c] != free[c] || (free[c] != 2 && free[c] != 4)) continue;
            safe.push_back({members[c][0], members[c][1]});
            if (free[c] == 4) safe.push_back({members[c][2], members[c][3]});
        }
        return safe;
    }

    // The last two of a class lying one straight on the other can never be
    // paired. That loses the game when the class must go: every class when
    // all tiles must go, the gold pair when it is the goal.
    bool hopeless() const {
        if (mode_ == 3) return false;
        std::array<int, kClasses> left{};
        std::array<std::array<int, 2>, kClasses> members{};
        for (int i = 0; i < count_; ++i) {
            if (!alive(i) || type(i) == kBearType) continue;
            const std::size_t c = slot(type(i));
            if (left[c] < 2) members[c][static_cast<std::size_t>(left[c])] = i;
            ++left[c];
        }
        for (std::size_t c = 0; c < kClasses; ++c) {
            if (left[c] != 2 || (mode_ == 2 && c != slot(kGoldType))) continue;
            const TilePosition& a = position(members[c][0]);
            const TilePosition& b = position(members[c][1]);
            if (std::abs(a.z - b.z) == 1 && std::abs(a.x - b.x) <= 1 && std::abs(a.y - b.y) <= 1) return true;
        }
        return false;
    }

    bool alive(int i) const { return alive_[static_cast<std::size_t>(i)]; }
    const std::bitset<kMaxTiles>& aliveSet() const { return alive_; }
    bool isGold(int i) const { return type(i) == kGoldType; }
    int type(int i) const { return type_[static_cast<std::size_t>(i)]; }
    const TilePosition& position(int i) const { return pos_[static_cast<std::size_t>(i)]; }
    int count() const { return count_; }
    int mode() const { return mode_; }

    // The tiles still there in the board's draw order, as a reshuffle
    // takes them.
    std::vector<int> remaining() const {
        std::vector<int> out;
        for (int i = 0; i < count_; ++i)
            if (alive(i)) out.push_back(i);
        std::sort(out.begin(), out.end(), [this](int a, int b) { return drawsBefore(a, b); });
        return out;
    }

private:
    // Gold, then the match classes of the faces (1..42).
    static constexpr std::size_t kClasses = 44;
    static std::size_t slot(int t) { return t == kGoldType ? 43 : static_cast<std::size_t>(std::clamp(matchClass(t), 0, 42)); }

    bool drawsBefore(int a, int b) const {
        const TilePosition& p = position(a);
        const TilePosition& q = position(b);
        if (p.z != q.z) return p.z < q.z;
        if (p.x != q.x) return p.x < q.x;
        return p.y < q.y;
    }

    int cell(int x, int y, int z) const {
        if (!TilePosition(x, y, z).inGrid()) return -1;
        return grid_[static_cast<std::size_t>((z * kGridRows + y) * kGridColumns + x)];
    }
    void setCells(int i, int value) {
        const TilePosition& p = position(i);
        for (int dx = 0; dx < 2; ++dx)
            for (int dy = 0; dy < 2; ++dy)
                if (TilePosition(p.x + dx, p.y + dy, p.z).inGrid())
                    grid_[static_cast<std::size_t>((p.z * kGridRows + p.y + dy) * kGridColumns + p.x + dx)] = static_cast<short>(value);
    }
    void add(const TilePosition& p, int t) {
        if (count_ >= kMaxTiles) return;
        pos_[static_cast<std::size_t>(count_)] = p;
        type_[static_cast<std::size_t>(count_)] = t;
        put(count_);
        ++count_;
    }
    void put(int i) {
        alive_.set(static_cast<std::size_t>(i));
        setCells(i, i);
        gold_ += isGold(i);
        bears_ += type(i) == kBearType;
    }
    void erase(int i) {
        alive_.reset(static_cast<std::size_t>(i));
        setCells(i, -1);
        gold_ -= isGold(i);
        bears_ -= type(i) == kBearType;
    }
    // Tiles resting on a tile, and tiles it keeps from being free at its
    // row's end, are what removing it opens up; gold wins mode 2 at once,
    // and a tile beside a bear is what frees it in mode 3.
    int value(const Move& m) const {
        if (mode_ == 2 && isGold(m.a)) return 1000000;
        int v = 0;
        for (int t : {m.a, m.b}) {
            const TilePosition& p = position(t);
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
                    if (l >= 0 && type(l) == kBearType) v += 50;
                    if (r >= 0 && type(r) == kBearType) v += 50;
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
    std::vector<int> bearOrder_;
};

struct BitsetHash {
    std::size_t operator()(const std::bitset<kMaxTiles>& b) const { return std::hash<std::bitset<kMaxTiles>>()(b); }
};

// Depth first over pairs, each position searched once, within a budget.
// Keeps the longest line it tried for a player who has to reshuffle.
class Solver {
public:
    Solver(Play& play, long budget) : play_(play), budget_(budget) {}

    bool solve(std::vector<Move>& path) {
        // Safe pairs go at once, without branching.
        struct Done {
            Move move;
            std::vector<int> bears;
        };
        std::vector<Done> forced;
        for (std::vector<Move> safe = play_.safeMoves(); !safe.empty() && !play_.won(); safe = play_.safeMoves()) {
            for (const Move& m : safe) {
                forced.push_back({m, play_.remove(m)});
                path.push_back(m);
            }
        }
        const bool solved = search(path);
        for (auto it = forced.rbegin(); it != forced.rend(); ++it) play_.restore(it->move, it->bears);
        if (!solved) path.resize(path.size() - forced.size());
        return solved;
    }

    const std::vector<Move>& longest() const { return longest_; }

private:
    bool search(std::vector<Move>& path) {
        if (path.size() > longest_.size()) longest_ = path;
        if (play_.won()) return true;
        if (budget_-- <= 0 || play_.hopeless()) return false;
        if (!seen_.insert(play_.aliveSet()).second) return false;
        for (const Move& m : play_.moves()) {
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
    std::vector<Move> longest_;
    std::unordered_set<std::bitset<kMaxTiles>, BitsetHash> seen_;
};

// The board's score rules for a player taking think seconds per pair: the
// multiplier decays while the player thinks, freed bears score before the
// pair, and the pair raises the multiplier.
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
    bool clean = false;
    bool won = false;
    int reshuffles = 0;
    long long score = 0;
};

[[noreturn]] void rulesFault(const std::string& file, unsigned seed, const char* what) {
    std::fprintf(stderr, "%s, deal %u: %s\n", file.c_str(), seed, what);
    std::exit(3);
}

// The tiles still there dealt again onto their own places, as the board's
// reshuffle does it: the deck is the tile list shuffled, the places are the
// tiles' positions in list order.
Play reshuffled(const Play& play, std::mt19937& random, const std::string& file, unsigned seed) {
    const std::vector<int> list = play.remaining();
    std::vector<TilePosition> places;
    std::vector<int> deckTypes;
    for (int i : list) {
        places.push_back(play.position(i));
        deckTypes.push_back(play.type(i));
    }
    std::shuffle(deckTypes.begin(), deckTypes.end(), random);
    DealDeck deck;
    for (std::size_t i = 0; i < deckTypes.size(); ++i) deck.cards.push_back({deckTypes[i], static_cast<int>(i)});
    DealSettings settings;
    settings.mode = play.mode();
    settings.initial = false;
    const DealResult dealt = dealTiles(places, deck, settings, random);
    if (dealt.steps.size() != list.size()) rulesFault(file, seed, "a reshuffle lost tiles");
    std::vector<TilePosition> positions;
    std::vector<int> types;
    for (const DealStep& s : dealt.steps) {
        positions.push_back(s.position);
        types.push_back(deckTypes[static_cast<std::size_t>(s.index)]);
    }
    return Play(play.mode(), positions, types);
}

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
    for (;;) {
        Solver solver(play, options.nodes);
        std::vector<Move> path;
        const bool solved = solver.solve(path);
        const std::vector<Move>& line = solved ? path : solver.longest();
        const std::size_t take = solved ? line.size() : line.size() / 2;
        for (std::size_t k = 0; k < take; ++k) {
            // Replayed by the rules, not trusted.
            const Move& m = line[k];
            if (!play.alive(m.a) || !play.alive(m.b) || play.locked(m.a) || play.locked(m.b) ||
                !tileTypesMatch(play.type(m.a), play.type(m.b)))
                rulesFault(level.path, seed, "the solver's pair is not removable");
            const bool gold = play.isGold(m.a);
            score.pair(gold, play.remove(m).size(), options.think);
        }
        if (play.won()) break;
        if (solved) rulesFault(level.path, seed, "the solver's line does not win");
        if (outcome.reshuffles >= options.reshuffles) break;
        ++outcome.reshuffles;
        play = reshuffled(play, random, level.path, seed);
    }
    outcome.won = play.won();
    outcome.clean = outcome.won && outcome.reshuffles == 0;
    outcome.score = score.score;
    return outcome;
}

struct Figures {
    std::size_t places = 0;
    int mode = 1;
    unsigned deals = 0;
    unsigned clean = 0;
    unsigned won = 0;
    int mostReshuffles = 0;
    long long maxScore = 0;
    double ms = 0.0;
};

// The median score of the deals won without a reshuffle (of all won deals
// when none was), to the nearest ten.
long long fullMarks(std::vector<long long> clean, std::vector<long long> won) {
    std::vector<long long>& scores = clean.empty() ? won : clean;
    if (scores.empty()) return 0;
    std::sort(scores.begin(), scores.end());
    const std::size_t n = scores.size();
    const double median = n % 2 ? static_cast<double>(scores[n / 2])
                                : (static_cast<double>(scores[n / 2 - 1]) + static_cast<double>(scores[n / 2])) / 2.0;
    return std::llround(median / 10.0) * 10;
}

Figures check(const Level& level, const Options& options) {
    const auto started = std::chrono::steady_clock::now();
    Figures f;
    f.places = level.places.size();
    f.mode = level.mode;
    f.deals = options.seeds;
    std::vector<long long> cleanScores, wonScores;
    for (unsigned seed = 0; seed < options.seeds; ++seed) {
        const DealOutcome o = playDeal(level, seed, options);
        f.clean += o.clean;
        f.won += o.won;
        f.mostReshuffles = std::max(f.mostReshuffles, o.reshuffles);
        if (o.clean) cleanScores.push_back(o.score);
        if (o.won) wonScores.push_back(o.score);
    }
    f.maxScore = fullMarks(std::move(cleanScores), std::move(wonScores));
    f.ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    return f;
}

struct Entry {
    std::string key;
    std::string file;
    std::optional<long long> maxScore;
};

bool allDigits(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The levels of the list by uid, numbers in numeric order; an empty list
// and a message when the list cannot be used.
std::vector<Entry> readList(const std::string& path) {
    const std::string text = vorn::Data::readFile(path).toString();
    nlohmann::json root;
    try {
        root = nlohmann::json::parse(text);
    } catch (const nlohmann::json::exception& e) {
        std::fprintf(stderr, "%s: not JSON (%s)\n", path.c_str(), e.what());
        return {};
    }
    if (!root.is_object() || root.empty()) {
        std::fprintf(stderr, "%s: not an object of levels\n", path.c_str());
        return {};
    }
    std::vector<Entry> entries;
    for (const auto& [uid, entry] : root.items()) {
        if (!entry.is_object() || !entry.contains("filename") || !entry["filename"].is_string()) {
            std::fprintf(stderr, "%s: level %s has no \"filename\"\n", path.c_str(), uid.c_str());
            return {};
        }
        Entry e{uid, entry["filename"].get<std::string>(), std::nullopt};
        if (entry.contains("maxScore") && entry["maxScore"].is_number_integer()) e.maxScore = entry["maxScore"].get<long long>();
        entries.push_back(std::move(e));
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        const bool na = allDigits(a.key), nb = allDigits(b.key);
        if (na != nb) return na;
        if (na && a.key.size() != b.key.size()) return a.key.size() < b.key.size();
        return a.key < b.key;
    });
    return entries;
}

bool writeFigures(const std::string& path, const std::vector<Entry>& entries, const std::vector<Figures>& figures) {
    std::string out = "{\n";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Figures& f = figures[i];
        char line[256];
        std::snprintf(line, sizeof line,
                      "\"places\": %zu, \"mode\": %d, \"deals\": %u, \"clean\": %u, \"won\": %u, \"mostReshuffles\": %d, "
                      "\"maxScore\": %lld}",
                      f.places, f.mode, f.deals, f.clean, f.won, f.mostReshuffles, f.maxScore);
        out += " " + nlohmann::json(entries[i].key).dump() + ": {\"filename\": " + nlohmann::json(entries[i].file).dump() +
               ", " + line + (i + 1 < entries.size() ? ",\n" : "\n");
    }
    out += "}\n";
    return vorn::Data(out.data(), static_cast<std::uint32_t>(out.size())).writeFile(path);
}

bool readNumber(const char* text, double& out) {
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end && *end == '\0' && end != text && std::isfinite(out) && out >= 0;
}

bool readGoal(const std::string& text, Options& options) {
    const std::size_t colon = text.find(':');
    double count = 0, share = 0;
    if (colon == std::string::npos || !readNumber(text.substr(0, colon).c_str(), count) ||
        !readNumber(text.substr(colon + 1).c_str(), share) || share > 1.0)
        return false;
    options.goalLevels = static_cast<std::size_t>(count);
    options.goalShare = share;
    return true;
}

int usage() {
    std::fprintf(stderr,
                 "usage: level_checker [--seeds N] [--nodes N] [--think SECONDS] [--reshuffles N] [--figures FILE]\n"
                 "                     [--clean-goal N:SHARE] [--check-max-score] (--levels LIST | layout.plist...)\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool numeric =
            arg == "--seeds" || arg == "--nodes" || arg == "--think" || arg == "--reshuffles" || arg == "--jobs";
        const bool text = arg == "--levels" || arg == "--figures" || arg == "--clean-goal";
        if (arg == "--check-max-score") {
            options.checkMaxScore = true;
            continue;
        }
        if (!numeric && !text) {
            if (arg.rfind("--", 0) == 0) {
                std::fprintf(stderr, "unknown option %s\n", arg.c_str());
                return usage();
            }
            files.push_back(arg);
            continue;
        }
        if (i + 1 >= argc) {
            std::fprintf(stderr, "%s needs a value\n", arg.c_str());
            return usage();
        }
        const std::string value = argv[++i];
        double number = 0;
        if (numeric && !readNumber(value.c_str(), number)) {
            std::fprintf(stderr, "%s needs a number, not %s\n", arg.c_str(), value.c_str());
            return usage();
        }
        if (arg == "--seeds") options.seeds = static_cast<unsigned>(std::min(number, 1e6));
        else if (arg == "--nodes") options.nodes = static_cast<long>(std::min(number, 1e9));
        else if (arg == "--think") options.think = static_cast<float>(number);
        else if (arg == "--reshuffles") options.reshuffles = static_cast<int>(std::min(number, 1e4));
        else if (arg == "--jobs") options.jobs = static_cast<unsigned>(std::clamp(number, 1.0, 64.0));
        else if (arg == "--levels") options.levels = value;
        else if (arg == "--figures") options.figures = value;
        else if (!readGoal(value, options)) {
            std::fprintf(stderr, "--clean-goal needs COUNT:SHARE with SHARE from 0 to 1, not %s\n", value.c_str());
            return usage();
        }
    }
    if (options.levels.empty() == files.empty()) return usage();
    if (options.checkMaxScore && options.levels.empty()) {
        std::fprintf(stderr, "--check-max-score needs --levels\n");
        return usage();
    }
    if (options.seeds == 0) {
        std::fprintf(stderr, "--seeds must be at least 1\n");
        return usage();
    }

    std::vector<Entry> entries;
    if (!options.levels.empty()) {
        entries = readList(options.levels);
        if (entries.empty()) return 1;
    } else {
        for (const std::string& f : files) entries.push_back({f, f, std::nullopt});
    }

    const auto started = std::chrono::steady_clock::now();
    // The layouts are read first; then each is played on its own, the
    // workers sharing nothing but the counter that hands out the next one.
    std::vector<std::unique_ptr<Level>> levels;
    for (const Entry& e : entries) levels.push_back(std::make_unique<Level>(e.file));
    std::vector<Figures> figures(entries.size());
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < entries.size(); i = next++) {
            if (!levels[i]->places.empty()) figures[i] = check(*levels[i], options);
        }
    };
    std::vector<std::thread> workers;
    for (unsigned j = 1; j < std::min<std::size_t>(options.jobs, entries.size()); ++j) workers.emplace_back(work);
    work();
    for (std::thread& t : workers) t.join();

    std::vector<std::string> faults;
    std::printf("%-6s %-26s %6s %4s %7s %7s %5s %8s %8s\n", "level", "layout", "places", "mode", "clean", "won", "most",
                "maxScore", "ms");
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        const Figures& f = figures[i];
        if (levels[i]->places.empty()) {
            faults.push_back(e.key + ": " + e.file + " has no places (not read, or empty)");
            std::printf("%-6s %-26s not read\n", e.key.c_str(), e.file.c_str());
            continue;
        }
        const double n = static_cast<double>(f.deals);
        std::printf("%-6s %-26s %6zu %4d %6.0f%% %6.0f%% %5d %8lld %8.0f\n", e.key.c_str(), e.file.c_str(), f.places, f.mode,
                    100.0 * f.clean / n, 100.0 * f.won / n, f.mostReshuffles, f.maxScore, f.ms);
        if (f.won < f.deals)
            faults.push_back(e.key + ": " + std::to_string(f.deals - f.won) + " of " + std::to_string(f.deals) +
                             " deals not won, even with reshuffles");
        if (i < options.goalLevels && f.clean < options.goalShare * n - 1e-9)
            faults.push_back(e.key + ": won without a reshuffle in " + std::to_string(f.clean) + " of " +
                             std::to_string(f.deals) + " deals, under the goal");
        if (options.checkMaxScore && e.maxScore != f.maxScore)
            faults.push_back(e.key + ": maxScore " + (e.maxScore ? std::to_string(*e.maxScore) : std::string("missing")) +
                             " in the list, the play gives " + std::to_string(f.maxScore));
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    // The lowest clean share overall and among the levels under the goal.
    const auto lowest = [&](std::size_t upTo) {
        std::size_t at = entries.size();
        for (std::size_t i = 0; i < std::min(upTo, entries.size()); ++i) {
            if (figures[i].deals && (at == entries.size() || figures[i].clean * figures[at].deals < figures[at].clean * figures[i].deals))
                at = i;
        }
        return at;
    };
    std::printf("%zu layouts, %u deals each, in %.1f s on %u threads\n", entries.size(), options.seeds, seconds,
                static_cast<unsigned>(std::min<std::size_t>(options.jobs, entries.size())));
    if (const std::size_t at = lowest(entries.size()); at < entries.size())
        std::printf("lowest share won without a reshuffle: %.0f%% (level %s)\n", 100.0 * figures[at].clean / figures[at].deals,
                    entries[at].key.c_str());
    if (options.goalLevels) {
        if (const std::size_t at = lowest(options.goalLevels); at < entries.size())
            std::printf("lowest of the first %zu: %.0f%% (level %s); goal %.0f%%\n", options.goalLevels,
                        100.0 * figures[at].clean / figures[at].deals, entries[at].key.c_str(), 100.0 * options.goalShare);
    }
    if (!options.figures.empty() && !writeFigures(options.figures, entries, figures)) {
        faults.push_back("cannot write " + options.figures);
    }
    for (const std::string& fault : faults) std::printf("FAULT %s\n", fault.c_str());
    std::printf("%s\n", faults.empty() ? "every deal won, every goal met" : "faults found");
    return faults.empty() ? 0 : 1;
}
