// The new player's run ended by SIGKILL at random moments, ten times over
// one per-user folder: the users file is always whole, and each start
// finds every player the file held before the kill. Each run adds a
// player (through the new player's popup, or the map's player list) and
// is killed wherever it got to: starting, loading, typing, saving.
#include "ProgramRun.h"

#include "core/Data.h"
#include "core/Value.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <random>
#include <set>
#include <string>

namespace {

using vorn::test::eventually;
using vorn::test::has;
using vorn::test::ProgramRun;
using vorn::test::VirtualScreen;
using Clock = std::chrono::steady_clock;

class KilledRun : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("command -v xdotool >/dev/null && command -v Xvfb >/dev/null") != 0) {
            GTEST_SKIP() << "needs Xvfb and xdotool (scripts/setup.sh)";
        }
        screen_ = std::make_unique<VirtualScreen>(1280, 1024);
        ASSERT_TRUE(screen_->ok());
    }

    // The players of the users file; false when the file exists but is not
    // a whole users file.
    bool savedPlayers(const ProgramRun& program, std::set<std::string>& names) const {
        names.clear();
        const std::string path = program.userFolder() + "/users.xml";
        if (!std::filesystem::exists(path)) return true;
        const vorn::Value root = vorn::Value::fromPlistData(vorn::Data::readFile(path));
        if (root.type() != vorn::Value::DICT) return false;
        const vorn::Value& users = root.get("users");
        if (users.type() != vorn::Value::ARRAY) return false;
        for (unsigned i = 0; i < users.size(); ++i) names.insert(users.at(i).get("name").toString());
        return true;
    }

    std::unique_ptr<VirtualScreen> screen_;
    vorn::test::TempDir home_;
};

TEST_F(KilledRun, EveryPlayerSavedBeforeAKillIsThereAtTheNextStart) {
    std::mt19937 random(20240611u);
    // Kills fall anywhere in a window of at least 7 s; the first run is
    // killed only once its player is saved, and a slow machine (a loaded CI
    // runner) widens the window to the time that took, so the later kills
    // still spread over starting, loading, typing and saving.
    std::uniform_real_distribution<double> moment(0.2 / 7.0, 1.0);
    double window = 7.0;
    std::set<std::string> before;
    // The design is 960 x 768 on this screen: 4 / 3 pixels per unit.
    const auto at = [](float x, float y) {
        return std::to_string(static_cast<int>(x * 4.0f / 3.0f)) + " " + std::to_string(static_cast<int>(y * 4.0f / 3.0f));
    };
    for (int run = 0; run < 10; ++run) {
        const bool first = run == 0;
        double killAt = first ? 600.0 : moment(random) * window;
        SCOPED_TRACE("run " + std::to_string(run) + ", killed " + std::to_string(killAt) + " s after its start");
        ProgramRun program;
        program.setDisplay(screen_->name());
        program.setDataHome(home_.path().string());
        const auto start = Clock::now();
        const auto due = [&] { return std::chrono::duration<double>(Clock::now() - start).count() >= killAt; };
        // Waits for a log line, or for the moment of the kill.
        const auto reach = [&](const std::string& piece) {
            while (!due()) {
                if (has(program.log(), piece)) return true;
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            return false;
        };
        program.start();

        // The start finds every player of the file, in the map's list, or
        // none and asks for the first.
        const std::string name = "P" + std::to_string(run);
        if (before.empty()) {
            if (reach("LoadScene tree end")) {
                screen_->xdotool("search --sync --onlyvisible --name Mahjong windowfocus --sync");
                std::string keys = "key --delay 10";
                for (int i = 0; i < 24; ++i) keys += " BackSpace";
                screen_->xdotool(keys);
                screen_->xdotool("type --delay 20 " + name);
                if (!due()) screen_->xdotool("mousemove --sync " + at(480, 486) + " click 1");
            }
        } else if (reach("MapScene tree end")) {
            const auto nodes = vorn::test::tree(program.log(), "MapScene", "after entry");
            EXPECT_FALSE(nodes.empty());
            std::set<std::string> listed;
            const auto entries = nodes.find("usersPopup/userList/text");
            if (entries != nodes.end()) {
                for (const std::string& line : entries->second) {
                    const size_t q = line.find("text=\"");
                    listed.insert(line.substr(q + 6, line.find('"', q + 6) - q - 6));
                }
            }
            for (const std::string& player : before) {
                EXPECT_TRUE(listed.count(player)) << player << " missing from the list of " << listed.size() << "\n"
                                                  << [&] { std::string s; for (const auto& l : vorn::test::lines(program.log())) if (has(l, "userList") || has(l, "MapScene tree")) s += l + "\n"; return s; }();
            }
            // A player new to the map is welcomed first.
            const auto entered = Clock::now();
            while (!due() && !has(program.log(), "MapScene tree welcome") &&
                   std::chrono::duration<double>(Clock::now() - entered).count() < 1.5) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            // A new player from the list.
            screen_->xdotool("search --sync --onlyvisible --name Mahjong windowfocus --sync");
            screen_->xdotool("key Escape");
            if (!due()) screen_->xdotool("mousemove --sync " + at(174, 44) + " click 1");
            if (!due()) std::this_thread::sleep_for(std::chrono::milliseconds(400));
            if (!due()) screen_->xdotool("mousemove --sync " + at(380, 634) + " click 1");
            if (!due()) std::this_thread::sleep_for(std::chrono::milliseconds(400));
            if (!due()) screen_->xdotool("type --delay 20 " + name);
            if (!due()) screen_->xdotool("mousemove --sync " + at(480, 486) + " click 1");
        }
        if (first) {
            std::set<std::string> saved;
            EXPECT_TRUE(eventually([&] { return savedPlayers(program, saved) && saved.count(name); }))
                << "the first player was never saved";
            const double took = std::chrono::duration<double>(Clock::now() - start).count();
            window = std::max(window, 1.3 * took);
            killAt = took;
        }
        while (!due()) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        program.kill();

        std::set<std::string> after;
        ASSERT_TRUE(savedPlayers(program, after)) << "users.xml is not whole after the kill";
        for (const std::string& player : before) EXPECT_TRUE(after.count(player)) << player << " lost";
        EXPECT_FALSE(std::filesystem::exists(program.userFolder() + "/users.xml.bad"));
        std::printf("run %d killed %.2f s after its start: %zu player(s) in the users file\n", run, killAt, after.size());
        std::fflush(stdout);
        before = after;
    }
    // Enough of the runs got as far as a save.
    EXPECT_GE(before.size(), 3u);
}

} // namespace
