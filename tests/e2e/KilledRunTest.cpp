// A player's way into the game ended by SIGKILL, run after run over one
// per-user folder, each run killed at another point of its way: starting,
// loading, on the map, in the player list, typing a name, right after
// asking for the player, once the player is saved. The points are read
// from what the program writes (its log, its users file), so every run is
// killed where it was meant to be on a machine of any speed. After every
// kill the users file is whole, holds every player it held before, and
// the next start lists them all.
#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <set>
#include <string>
#include <vector>

namespace {

using vorn::test::centreOf;
using vorn::test::eventually;
using vorn::test::has;
using vorn::test::node;
using vorn::test::Nodes;

// The points of a run's way, in the order it passes them.
enum class Point { Started, Window, Loading, Map, Players, Asked, Typing, Confirmed, Saved, Listed };

const char* nameOf(Point point) {
    switch (point) {
    case Point::Started: return "started";
    case Point::Window: return "window";
    case Point::Loading: return "loading";
    case Point::Map: return "map";
    case Point::Players: return "player list";
    case Point::Asked: return "asked for a name";
    case Point::Typing: return "typing";
    case Point::Confirmed: return "start clicked";
    case Point::Saved: return "saved";
    case Point::Listed: return "listed";
    }
    return "?";
}

// The first player is asked for by the loading screen; the others are
// added from the map's player list. Each run of a way is killed at the
// next point of its list; the first way ends once a player is saved.
const std::vector<Point> kFirstWay = {Point::Started, Point::Loading, Point::Asked,
                                      Point::Typing,  Point::Confirmed, Point::Saved};
const std::vector<Point> kLaterWay = {Point::Window, Point::Map,       Point::Players, Point::Loading, Point::Asked,
                                      Point::Typing, Point::Confirmed, Point::Saved,   Point::Listed,  Point::Started};

class KilledRun : public vorn::test::ProgramRunTest {
protected:
    // The players of the users file; false when the file is there but not
    // a whole users file.
    bool savedPlayers(std::set<std::string>& names, std::string* selected = nullptr) const {
        names.clear();
        const std::string path = program_.userFolder() + "/users.xml";
        if (!std::filesystem::exists(path)) return true;
        const vorn::Value root = usersFile();
        if (root.type() != vorn::Value::DICT) return false;
        const vorn::Value& users = root.get("users");
        if (users.type() != vorn::Value::ARRAY) return false;
        for (unsigned i = 0; i < users.size(); ++i) names.insert(users.at(i).get("name").toString());
        if (selected) *selected = root.get("selected_user_name").toString();
        return true;
    }
    bool holds(const std::string& name) const {
        std::set<std::string> names;
        return savedPlayers(names) && names.count(name);
    }

    // The names the map's player list shows in that tree.
    static std::set<std::string> listed(const Nodes& map) {
        std::set<std::string> names;
        const auto entries = map.find("usersPopup/userList/text");
        if (entries == map.end()) return names;
        for (const std::string& line : entries->second) names.insert(vorn::test::textOf(line));
        return names;
    }

    // Characters the program has taken from the keyboard in this run.
    size_t typed() const {
        size_t n = 0;
        for (const std::string& line : vorn::test::lines(log())) n += line.rfind("WM_CHAR ", 0) == 0;
        return n;
    }
    // Types the name up to that many characters (all when more), each
    // taken by the program before this returns.
    void typeUpTo(const std::string& name, size_t count, size_t& done) {
        count = std::min(count, name.size());
        if (count <= done) return;
        const size_t before = typed();
        ASSERT_TRUE(keyboard("type --delay 20 " + name.substr(done, count - done)));
        ASSERT_TRUE(eventually([&] { return typed() >= before + count - done; })) << log();
        done = count;
    }

    // Loading has counted at least that share of its list.
    bool loadedShare(double share) const {
        for (const std::string& line : vorn::test::lines(log())) {
            unsigned loaded = 0, of = 0;
            if (std::sscanf(line.c_str(), "LoadScene: %u of %u loaded", &loaded, &of) == 2 && of > 0 &&
                loaded >= std::ceil(share * of))
                return true;
        }
        return false;
    }
};

TEST_F(KilledRun, EveryPlayerSavedBeforeAKillIsThereAtTheNextStart) {
    std::mt19937 random(20240611u);
    std::uniform_real_distribution<double> share(0.05, 0.95);
    size_t firstStep = 0, laterStep = 0;
    std::set<std::string> before;
    std::string selectedBefore;
    ASSERT_TRUE(savedPlayers(before));
    for (int run = 0;; ++run) {
        const bool firstWay = before.empty();
        const std::vector<Point>& way = firstWay ? kFirstWay : kLaterWay;
        size_t& step = firstWay ? firstStep : laterStep;
        if (step == way.size()) break;
        const Point killAt = way[step++];
        char label[16];
        std::snprintf(label, sizeof label, "Kim%02d", run);
        const std::string name = label;
        // Drawn for every run, used or not, so that each run's draws stay
        // the same whatever the runs before it met.
        const double loadedAt = share(random);
        const size_t typedAt = std::uniform_int_distribution<size_t>(1, name.size() - 1)(random);
        SCOPED_TRACE("run " + std::to_string(run) + " as " + name + ", killed at: " + nameOf(killAt));
        const bool welcomeComes = !firstWay && !player(selectedBefore).get("welcomeTutorialShown").asBool();

        // Runs the way up to the kill; false once the kill is due.
        const auto going = [&](Point point) { return point != killAt; };
        const auto started = std::chrono::steady_clock::now();
        program_.start();
        [&] {
            if (!going(Point::Started)) return;
            ASSERT_TRUE(waitForLog("WM_CREATE event")) << log();
            if (!going(Point::Window)) return;
            ASSERT_TRUE(eventually([&] { return loadedShare(loadedAt); })) << log();
            if (!going(Point::Loading)) return;
            size_t done = 0;
            if (firstWay) {
                const Nodes asked = waitTree("LoadScene", "new player");
                ASSERT_FALSE(asked.empty()) << log();
                if (!going(Point::Asked)) return;
                // The field holds the computer's user name.
                std::string erase = "key --delay 10";
                for (int i = 0; i < 24; ++i) erase += " BackSpace";
                ASSERT_TRUE(keyboard(erase));
                typeUpTo(name, typedAt, done);
                if (!going(Point::Typing)) return;
                typeUpTo(name, name.size(), done);
                ASSERT_TRUE(click(centreOf(node(asked, "newUserPopup/newUserOk"))));
            } else {
                const Nodes map = waitTree("MapScene", "after entry");
                ASSERT_FALSE(map.empty()) << log();
                // The start lists every player of the file.
                EXPECT_EQ(listed(map), before);
                if (!going(Point::Map)) return;
                // A player new to the map is welcomed first.
                if (welcomeComes) {
                    ASSERT_FALSE(waitTree("MapScene", "welcome").empty()) << log();
                    ASSERT_TRUE(keyboard("key Escape"));
                    ASSERT_FALSE(waitTree("MapScene", "state default").empty()) << log();
                }
                ASSERT_TRUE(click(centreOf(node(map, "topLeft/playersButton"))));
                const Nodes players = waitTree("MapScene", "state users");
                ASSERT_FALSE(players.empty()) << log();
                EXPECT_EQ(listed(players), before);
                if (!going(Point::Players)) return;
                ASSERT_TRUE(has(node(players, "addUserButton"), "enabled=1")) << node(players, "addUserButton");
                ASSERT_TRUE(click(centreOf(node(players, "addUserButton"))));
                const Nodes asked = waitTree("MapScene", "state new_user");
                ASSERT_FALSE(asked.empty()) << log();
                if (!going(Point::Asked)) return;
                typeUpTo(name, typedAt, done);
                if (!going(Point::Typing)) return;
                typeUpTo(name, name.size(), done);
                ASSERT_TRUE(click(centreOf(node(asked, "newUserPopup/newUserOk"))));
            }
            if (!going(Point::Confirmed)) return;
            ASSERT_TRUE(eventually([&] { return holds(name); })) << "never saved\n" << log();
            if (!going(Point::Saved)) return;
            // Back in the list, which shows the new player with the others.
            const Nodes players = waitTree("MapScene", "state users", 2);
            ASSERT_FALSE(players.empty()) << log();
            std::set<std::string> all = before;
            all.insert(name);
            EXPECT_EQ(listed(players), all);
        }();
        const std::string runLog = log();
        program_.kill();
        if (HasFatalFailure()) return;

        std::set<std::string> after;
        std::string selected;
        ASSERT_TRUE(savedPlayers(after, &selected)) << "users.xml is not whole after the kill";
        for (const std::string& player : before) EXPECT_TRUE(after.count(player)) << player << " lost";
        for (const std::string& player : after) {
            EXPECT_TRUE(before.count(player) || player == name) << player << " came from nowhere";
        }
        // Nothing is saved before the player is asked for; what was saved
        // stays saved.
        if (killAt < Point::Confirmed) {
            EXPECT_FALSE(after.count(name)) << name << " saved before the start was clicked";
        } else if (killAt > Point::Confirmed) {
            EXPECT_TRUE(after.count(name)) << name << " lost after it was saved";
        }
        if (!after.empty()) {
            EXPECT_TRUE(after.count(selected)) << "the selected player \"" << selected << "\" is none";
        }
        EXPECT_FALSE(std::filesystem::exists(program_.userFolder() + "/users.xml.bad"));
        for (const std::string& line : vorn::test::lines(runLog)) {
            EXPECT_NE(line.rfind("users.xml", 0), 0u) << "the start found the users file damaged: " << line;
        }
        std::printf("run %d killed at %s, %.1f s after its start: %zu player(s) in the users file\n", run,
                    nameOf(killAt), std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(),
                    after.size());
        std::fflush(stdout);
        before = after;
        selectedBefore = selected;
    }

    // A last start, closed as a player would: every player is listed and
    // still in the file afterwards.
    program_.start();
    const Nodes map = waitTree("MapScene", "after entry");
    ASSERT_FALSE(map.empty()) << log();
    EXPECT_EQ(listed(map), before);
    EXPECT_EQ(closeProgram(), 0);
    std::set<std::string> last;
    ASSERT_TRUE(savedPlayers(last));
    EXPECT_EQ(last, before);
}

} // namespace
