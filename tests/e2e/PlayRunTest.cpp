// The real program on a 1280 x 1024 screen, played as a player plays it: a
// player with level 1 current goes from the map to the game screen, plays
// level 1 to a win by clicking free pairs that the board lists in the log,
// sees the win popup with its stars and score, and is back on the map with
// level 2 open. Level 2 is won the same way; level 3 is played into a board
// without moves, where the no-moves popup's reshuffle, a hint, an undo and a
// pack bought in the shop follow. The users file holds it all afterwards.
#include "ProgramRun.h"

#include "core/Data.h"
#include "core/Value.h"
#include "mahjong/TilePosition.h"
#include "screens/Level.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <unordered_set>
#include <utility>
#include <vector>

namespace {

using vorn::test::centreOf;
using vorn::test::eventually;
using vorn::test::has;
using vorn::test::node;
using vorn::test::Screenshot;
using vorn::test::textOf;
namespace record = vorn::test::record;

// The interface kit's colours where the probes look.
constexpr std::uint32_t kParchment = 0xFBF1DA;

// The big star's gold, light or deep as the shine over it falls: strong red,
// middling green, little blue.
bool isGold(std::uint32_t p) {
    const int r = static_cast<int>((p >> 16) & 0xFF), g = static_cast<int>((p >> 8) & 0xFF), b = static_cast<int>(p & 0xFF);
    return r > 200 && g > 150 && g < 240 && b < 140;
}

// One tile as the game screen lists it.
struct TileLine {
    int type = -1;
    mahjong::TilePosition at;
    bool free = false;
    glm::vec2 centre{0.0f, 0.0f};
};

using Tiles = std::vector<TileLine>;
using Pair = std::pair<TileLine, TileLine>;

// Every complete tile list of the log, oldest first, with why it was written.
std::vector<std::pair<std::string, Tiles>> tileLists(const std::string& log) {
    std::vector<std::pair<std::string, Tiles>> lists;
    std::optional<std::pair<std::string, Tiles>> open;
    for (const std::string& line : vorn::test::lines(log)) {
        const std::string header = "GameScene tiles ";
        if (line == "GameScene tiles end") {
            if (open) lists.push_back(*open);
            open.reset();
        } else if (line.rfind(header, 0) == 0) {
            const auto colon = line.find(':');
            open = std::make_pair(line.substr(header.size(), colon - header.size()), Tiles{});
        } else if (open && line.rfind("GameScene tile ", 0) == 0) {
            TileLine t;
            int free = 0;
            if (std::sscanf(line.c_str(), "GameScene tile type=%d at=%d,%d,%d free=%d x=%f y=%f", &t.type, &t.at.x,
                            &t.at.y, &t.at.z, &free, &t.centre.x, &t.centre.y) == 7) {
                t.free = free != 0;
                open->second.push_back(t);
            }
        }
    }
    return lists;
}

size_t countLists(const std::string& log, const std::string& why) {
    size_t n = 0;
    for (const auto& list : tileLists(log)) n += list.first == why;
    return n;
}

// The free rule and the matching rule of the game, applied to a listed board.
bool isFree(const Tiles& tiles, const TileLine& tile) {
    const auto occupied = [&](int x, int y, int z) {
        for (const TileLine& t : tiles) {
            if (t.at.z == z && x >= t.at.x && x < t.at.x + 2 && y >= t.at.y && y < t.at.y + 2) return true;
        }
        return false;
    };
    return !mahjong::isLockedAt(tile.at, 2, 2, occupied);
}

std::vector<std::pair<size_t, size_t>> movesOf(const Tiles& tiles) {
    std::vector<size_t> free;
    for (size_t i = 0; i < tiles.size(); ++i) {
        if (isFree(tiles, tiles[i])) free.push_back(i);
    }
    std::vector<std::pair<size_t, size_t>> moves;
    for (size_t a = 0; a < free.size(); ++a) {
        for (size_t b = a + 1; b < free.size(); ++b) {
            if (mahjong::tileTypesMatch(tiles[free[a]].type, tiles[free[b]].type)) moves.emplace_back(free[a], free[b]);
        }
    }
    return moves;
}

// Pairs to play from this board to one the goal accepts (the board left,
// and whether a move is left on it); empty when none is found.
std::vector<Pair> plan(const Tiles& start, const std::function<bool(const Tiles&, bool)>& goal) {
    std::unordered_set<std::uint64_t> seen;
    std::vector<Pair> path;
    std::function<bool(const Tiles&)> search = [&](const Tiles& tiles) {
        std::uint64_t key = 0;
        for (const TileLine& t : tiles) key = key * 1000003u + static_cast<std::uint64_t>(t.at.x * 400 + t.at.y * 20 + t.at.z);
        if (!seen.insert(key).second || seen.size() > 200000) return false;
        const auto moves = movesOf(tiles);
        if (goal(tiles, !moves.empty())) return true;
        for (const auto& [a, b] : moves) {
            Tiles next;
            for (size_t i = 0; i < tiles.size(); ++i) {
                if (i != a && i != b) next.push_back(tiles[i]);
            }
            path.emplace_back(tiles[a], tiles[b]);
            if (search(next)) return true;
            path.pop_back();
        }
        return false;
    };
    if (start.empty() || !search(start)) return {};
    return path;
}

bool won(const Tiles& tiles, bool) { return tiles.empty(); }

// Pairs that leave tiles without a move: the same search as for a win,
// stopping at the first board that still has tiles and no move left; empty
// when no order of play gets stuck.
std::vector<Pair> planStuck(const Tiles& start) {
    return plan(start, [](const Tiles& tiles, bool moveLeft) { return !tiles.empty() && !moveLeft; });
}

class PlayRun : public vorn::test::ProgramRunTest {
protected:
    void SetUp() override {
        ProgramRunTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // A player who has seen the welcome and has not played yet, with
        // one reshuffle left.
        writeAnn(record::flag("welcomeTutorialShown") + record::amounts(300, 3, 3, 1));
        const nlohmann::json levels = nlohmann::json::parse(vorn::test::readBytes("data/levels.json"));
        for (const char* uid : {"1", "2"}) levels_[uid] = std::make_shared<Level>(uid, levels.at(uid));
    }

    bool waitForTree(const std::string& title, const std::string& why, size_t n) const {
        return !waitTree(title, why, n).empty();
    }
    size_t count(const std::string& line) const { return vorn::test::countLines(log(), line); }
    Tiles lastTiles() const {
        const auto lists = tileLists(log());
        return lists.empty() ? Tiles{} : lists.back().second;
    }

    // The board's listed tiles agree with the rules: what it calls free is free.
    void expectFreeAsRules(const Tiles& tiles) {
        for (const TileLine& t : tiles) {
            EXPECT_EQ(t.free, isFree(tiles, t)) << "tile at " << t.at.x << "," << t.at.y << "," << t.at.z;
        }
    }

    // Plays the pairs, each one seen leaving the board before the next.
    void playPairs(const std::vector<Pair>& pairs) {
        for (const auto& [a, b] : pairs) {
            const size_t before = countLists(log(), "after pair");
            ASSERT_TRUE(click(a.centre));
            ASSERT_TRUE(click(b.centre));
            ASSERT_TRUE(eventually([&] { return countLists(log(), "after pair") > before; }))
                << "the pair at " << a.at.x << "," << a.at.y << " and " << b.at.x << "," << b.at.y << " did not leave";
            const Tiles now = lastTiles();
            for (const TileLine& t : now) {
                EXPECT_FALSE(t.at == a.at || t.at == b.at) << "a played tile is still listed";
            }
        }
    }

    // Plays a dealt level to its win and checks the win popup; returns the
    // score and the gold it paid.
    void winLevel(const std::string& uid, size_t winsBefore, long long& score, long long& gold) {
        const Tiles dealt = lastTiles();
        ASSERT_FALSE(dealt.empty());
        expectFreeAsRules(dealt);
        const std::vector<Pair> pairs = plan(dealt, won);
        ASSERT_EQ(pairs.size() * 2, dealt.size()) << "no way to clear the dealt board of level " << uid;
        playPairs(pairs);
        if (HasFatalFailure()) return;
        ASSERT_TRUE(lastTiles().empty());

        ASSERT_TRUE(waitForTree("GameScene", "win", winsBefore + 1)) << log();
        const glm::vec2 parchment(480 - 260, 384 + 60);
        shootWhen("level-" + uid + "-win", parchment, kParchment);
        // The first star is always won: the popup's pictures are drawn once it is gold.
        const glm::vec2 starCentres[] = {{160 + 110 + 75, 104 + 40 + 95}, {160 + 110 + 210, 104 + 40 + 75},
                                         {160 + 110 + 345, 104 + 40 + 95}};
        Screenshot shot;
        eventually([&] { return isGold(pixel(shot = Screenshot::take(display_), starCentres[0] + glm::vec2(0, 25))); });
        shot.save("level-" + uid + "-win");
        const auto nodes = tree("GameScene", "win");
        EXPECT_TRUE(has(node(nodes, "winPopup"), "shown=1")) << node(nodes, "winPopup");
        EXPECT_TRUE(has(node(nodes, "winPopup/winMap"), "shown=1 enabled=1"));
        const std::string scoreText = textOf(node(nodes, "winPopup/winScore"));
        ASSERT_EQ(std::sscanf(scoreText.c_str(), "Score: %lld", &score), 1) << node(nodes, "winPopup/winScore");
        const std::string goldText = textOf(node(nodes, "winPopup/winGold"));
        ASSERT_EQ(std::sscanf(goldText.c_str(), "+%lld", &gold), 1) << node(nodes, "winPopup/winGold");

        // Stars for the score by the level's rule, and gold for the win and
        // for every star.
        const int stars = levels_.at(uid)->starsForScore(score);
        EXPECT_GE(score, 10 * static_cast<long long>(dealt.size() / 2));
        const long long starGold[] = {0, 10, 30, 70};
        EXPECT_EQ(gold, 25 + starGold[stars]);
        for (int k = 1; k <= 3; ++k) {
            const std::string path = "winPopup/winStars/" + std::to_string(k);
            EXPECT_TRUE(has(node(nodes, path), k == stars ? "shown=1" : "shown=0")) << path << ": " << node(nodes, path);
        }
        // Gold stars as many as won, grey ones for the rest: the big stars
        // stand at the popup's left, middle and right.
        expectColour(shot, "win parchment", parchment, kParchment);
        // Most of five points over a star's lower half, where the last
        // pairs' floating points seldom pass.
        const auto goldStar = [&](glm::vec2 at) {
            const glm::vec2 points[] = {{0, 10}, {0, 25}, {-18, 20}, {18, 20}, {0, 35}};
            int n = 0;
            for (const glm::vec2& d : points) n += isGold(pixel(shot, at + d));
            return n >= 3;
        };
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(goldStar(starCentres[k]), k < stars)
                << "star " << k + 1 << " of " << stars << " is " << std::hex << pixel(shot, starCentres[k])
                << "; screen in " << shot.save("win stars");
        }
    }

    std::map<std::string, std::shared_ptr<Level>> levels_;
};

TEST_F(PlayRun, WinsTwoLevelsThenRunsOutOfMovesAndUsesPowerupsAndTheShop) {
    program_.start();
    ASSERT_NE(waitForWindow(), 0u);

    // The map with level 1 current.
    ASSERT_TRUE(waitForTree("MapScene", "after entry", 1)) << log();
    shoot("1-map");
    auto map = tree("MapScene", "after entry");
    EXPECT_TRUE(has(node(map, "levelsDragbox/l1/b"), "enabled=1")) << node(map, "levelsDragbox/l1/b");
    EXPECT_TRUE(has(node(map, "levelsDragbox/l1/stars/0"), "shown=1"));
    EXPECT_TRUE(has(node(map, "levelsDragbox/l2/b"), "enabled=0"));
    const glm::vec2 playButton = centreOf(node(map, "bottomRight/playButton"));

    // Level 1 from the play button: 22 free tiles, and its lesson over the
    // foot of the power-up column.
    ASSERT_TRUE(click(playButton));
    ASSERT_TRUE(eventually([&] { return logged("map: play level 1"); }));
    ASSERT_TRUE(eventually([&] { return countLists(log(), "after deal") == 1; })) << log();
    ASSERT_TRUE(waitForTree("GameScene", "tutorial", 1)) << log();
    shoot("2-level-1");
    EXPECT_EQ(lastTiles().size(), 22u);
    auto game = tree("GameScene", "tutorial");
    EXPECT_TRUE(has(node(game, "rightPanel/hintButton"), "shown=1"));

    long long score1 = 0, gold1 = 0;
    winLevel("1", 0, score1, gold1);
    if (HasFatalFailure()) return;

    // Back on the map: level 1 with its stars, level 2 current, level 3 locked.
    ASSERT_TRUE(click(centreOf(node(tree("GameScene", "win"), "winPopup/winMap"))));
    ASSERT_TRUE(waitForTree("MapScene", "after entry", 2)) << log();
    map = tree("MapScene", "after entry");
    const int stars1 = levels_.at("1")->starsForScore(score1);
    const std::string l1Stars = "levelsDragbox/l1/stars/" + std::to_string(stars1);
    EXPECT_TRUE(has(node(map, l1Stars), "shown=1")) << l1Stars << ": " << node(map, l1Stars);
    EXPECT_TRUE(has(node(map, "levelsDragbox/l2/b"), "enabled=1")) << node(map, "levelsDragbox/l2/b");
    EXPECT_TRUE(has(node(map, "levelsDragbox/l2/stars/0"), "shown=1"));
    EXPECT_TRUE(has(node(map, "levelsDragbox/l3/b"), "enabled=0"));
    // The won part brings the album's lesson, a popup that may stand over
    // level 2 (it comes a moment after the map); Escape closes it.
    ASSERT_TRUE(waitForTree("MapScene", "album tutorial", 1)) << log();
    ASSERT_TRUE(keyboard("key Escape"));
    // Level 2's disc turned gold from the grey of a locked level.
    const glm::vec2 level2 = centreOf(node(map, "levelsDragbox/l2/b")) - glm::vec2(24, 0);
    const Screenshot onMap = shootWhen("3-map-level-2-open", level2, 0xF6BA3B);
    expectColour(onMap, "level 2 open", level2, 0xF6BA3B);

    // Level 2, without a lesson, won the same way.
    ASSERT_TRUE(click(playButton));
    ASSERT_TRUE(eventually([&] { return logged("map: play level 2"); }));
    ASSERT_TRUE(eventually([&] { return countLists(log(), "after deal") == 2; })) << log();
    ASSERT_TRUE(waitForTree("GameScene", "after entry", 2)) << log();
    EXPECT_EQ(lastTiles().size(), 24u);
    long long score2 = 0, gold2 = 0;
    winLevel("2", 1, score2, gold2);
    if (HasFatalFailure()) return;
    ASSERT_TRUE(click(centreOf(node(tree("GameScene", "win"), "winPopup/winMap"))));
    ASSERT_TRUE(waitForTree("MapScene", "after entry", 3)) << log();
    EXPECT_TRUE(has(node(tree("MapScene", "after entry"), "levelsDragbox/l3/b"), "enabled=1"));

    // Level 3: rows of touching tiles, played into a board without moves;
    // the fixed seed deals it so that an order of play gets stuck.
    ASSERT_TRUE(click(playButton));
    ASSERT_TRUE(eventually([&] { return logged("map: play level 3"); }));
    ASSERT_TRUE(eventually([&] { return countLists(log(), "after deal") == 3; })) << log();
    ASSERT_TRUE(waitForTree("GameScene", "tutorial", 2)) << log();
    shoot("4-level-3");
    game = tree("GameScene", "tutorial");
    const Tiles dealt = lastTiles();
    ASSERT_EQ(dealt.size(), 28u);
    expectFreeAsRules(dealt);
    const std::vector<Pair> pairs = planStuck(dealt);
    ASSERT_FALSE(pairs.empty()) << "the seeded deal of level 3 cannot be played into a board without moves";
    playPairs(pairs);
    if (HasFatalFailure()) return;
    const Tiles left = lastTiles();
    EXPECT_TRUE(movesOf(left).empty());
    expectFreeAsRules(left);

    // The no-moves popup.
    ASSERT_TRUE(waitForTree("GameScene", "no_turns", 1)) << log();
    EXPECT_EQ(count("NO TURNS"), 1u);
    // Between the rows of tiles, so that the board shows there once it closes.
    const glm::vec2 noMovesParchment(300, 300);
    const Screenshot noMoves = shootWhen("5-no-moves", noMovesParchment, kParchment);
    expectColour(noMoves, "no-moves parchment", noMovesParchment, kParchment);
    game = tree("GameScene", "no_turns");
    EXPECT_TRUE(has(node(game, "noTurnsPopup"), "shown=1")) << node(game, "noTurnsPopup");
    EXPECT_TRUE(has(node(game, "winPopup"), "shown=0"));

    // Its reshuffle: the same tiles on the same places, the popup gone.
    ASSERT_TRUE(click(centreOf(node(game, "noTurnsPopup/noTurnsShuffle"))));
    ASSERT_TRUE(eventually([&] { return countLists(log(), "after reshuffle") == 1; })) << log();
    const Tiles shuffled = lastTiles();
    std::multiset<int> typesBefore, typesAfter;
    std::set<std::tuple<int, int, int>> placesBefore, placesAfter;
    for (const TileLine& t : left) {
        typesBefore.insert(t.type);
        placesBefore.insert({t.at.x, t.at.y, t.at.z});
    }
    for (const TileLine& t : shuffled) {
        typesAfter.insert(t.type);
        placesAfter.insert({t.at.x, t.at.y, t.at.z});
    }
    EXPECT_EQ(typesAfter, typesBefore);
    EXPECT_EQ(placesAfter, placesBefore);
    expectFreeAsRules(shuffled);
    EXPECT_FALSE(movesOf(shuffled).empty()) << "the reshuffle left no move";
    ASSERT_TRUE(eventually([&] { return !vorn::test::near(pixel(Screenshot::take(display_), noMovesParchment), kParchment, 16); }));
    shoot("6-reshuffled");

    // A hint, then an undo that brings the last pair back to its places.
    // The hinted pair lights up: two tiles change their look, nothing else.
    const Screenshot beforeHint = Screenshot::take(display_);
    ASSERT_TRUE(click(centreOf(node(game, "rightPanel/hintButton"))));
    ASSERT_TRUE(eventually([&] { return count("hint()") == 1; }));
    // A tile has changed when most of five points over its face have.
    const auto lit = [&](const Screenshot& shot) {
        const glm::vec2 points[] = {{0, 0}, {-20, -30}, {20, -30}, {-20, 30}, {20, 30}};
        int n = 0;
        for (const TileLine& t : shuffled) {
            int changed = 0;
            for (const glm::vec2& d : points) {
                changed += !vorn::test::near(pixel(shot, t.centre + d), pixel(beforeHint, t.centre + d), 16);
            }
            n += changed >= 3;
        }
        return n;
    };
    Screenshot hinted;
    // Only a wait: under the sanitizers the first look can already hold the
    // lit pair; the spent unit is checked in the users file.
    eventually([&] { return lit(hinted = Screenshot::take(display_)) == 2; }, 10);
    hinted.save("7-hint");
    ASSERT_TRUE(click(centreOf(node(game, "rightPanel/undoButton"))));
    ASSERT_TRUE(eventually([&] { return countLists(log(), "after undo") == 2; })) << log();
    const Tiles undone = lastTiles();
    EXPECT_EQ(undone.size(), shuffled.size() + 2);
    for (const TileLine& t : {pairs.back().first, pairs.back().second}) {
        EXPECT_TRUE(std::any_of(undone.begin(), undone.end(), [&](const TileLine& u) { return u.at == t.at && u.type == t.type; }))
            << "the undone tile of " << t.at.x << "," << t.at.y << " is not back";
    }
    expectFreeAsRules(undone);
    shoot("8-undo");

    // No reshuffle left: the button opens the shop, where a small pack is bought.
    ASSERT_TRUE(click(centreOf(node(game, "rightPanel/reshuffleButton"))));
    ASSERT_TRUE(waitForTree("GameScene", "reshuffle_shop", 1)) << log();
    const glm::vec2 shopParchment(230, 475);
    const Screenshot shop = shootWhen("9-shop", shopParchment, kParchment);
    expectColour(shop, "shop parchment", shopParchment, kParchment);
    game = tree("GameScene", "reshuffle_shop");
    EXPECT_TRUE(has(node(game, "reshuffleShop"), "shown=1")) << node(game, "reshuffleShop");
    EXPECT_TRUE(has(node(game, "noTurnsPopup"), "shown=0"));
    EXPECT_EQ(countLists(log(), "after reshuffle"), 1u) << "a reshuffle without units";
    ASSERT_TRUE(click(centreOf(node(game, "reshuffleShop/reshuffle_small/buy_reshuffle_small"))));
    ASSERT_TRUE(eventually([&] { return !vorn::test::near(pixel(Screenshot::take(display_), shopParchment), kParchment, 16); }))
        << "the shop stayed open";
    shoot("10-bought");

    EXPECT_EQ(closeProgram(), 0);
    EXPECT_FALSE(has(log(), "Error")) << log();

    // The player, both results, the gold and the counters as play and the
    // shop left them.
    const vorn::Value users = vorn::Value::fromPlistData(vorn::Data::readFile(program_.userFolder() + "/users.xml"));
    ASSERT_EQ(users.get("users").size(), 1u);
    const vorn::Value& ann = users.get("users").at(0);
    EXPECT_EQ(ann.get("name").toString(), "Ann");
    EXPECT_EQ(ann.get("levelResults").get("1").asLongLong(), score1);
    EXPECT_EQ(ann.get("levelResults").get("2").asLongLong(), score2);
    EXPECT_TRUE(ann.get("levelResults").get("3").isNil());
    const vorn::Value& amounts = ann.get("resourceAmounts");
    EXPECT_EQ(amounts.get("gold").asLongLong(), 300 + gold1 + gold2 - 80);
    EXPECT_EQ(amounts.get("hint").asLongLong(), 2);
    EXPECT_EQ(amounts.get("undo").asLongLong(), 2);
    EXPECT_EQ(amounts.get("reshuffle").asLongLong(), 2);
    EXPECT_EQ(users.get("selected_user_name").toString(), "Ann");
}

} // namespace
