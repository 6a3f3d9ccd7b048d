// Every level of the level list opened by the real program, one after
// another in one run: a developer types the level's number on the map,
// which plays it as its level buttons do; the game screen deals all the
// layout's places and draws the tiles; its home button leads back to the
// map for the next one. Nothing the program logs on the way may be a fault.
// Under the sanitizers, which slow the program down several times, a spread
// of levels stands in for the whole list.
#include "ProgramRun.h"

#include "core/Data.h"
#include "core/Value.h"
#include "mahjong/Level.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using vorn::test::eventually;
using vorn::test::Screenshot;
namespace record = vorn::test::record;

// The faces of the tiles: cream, lit from the top left. The game screen's
// home button, where the map shows the player's badge.
constexpr std::uint32_t kTileFace = 0xF4ECDC;
constexpr std::uint32_t kHomeButton = 0x4596DF;

struct LevelEntry {
    int number = 0;
    std::string uid;
    std::size_t places = 0;
};

// The levels of the list in the order of their numbers, each with the
// place count of its layout file.
std::vector<LevelEntry> levelsOfTheList() {
    std::vector<LevelEntry> levels;
    const nlohmann::json list = nlohmann::json::parse(vorn::test::readBytes("data/levels.json"), nullptr, false);
    if (!list.is_object()) return levels;
    for (const auto& [uid, entry] : list.items()) {
        LevelEntry level;
        level.uid = uid;
        level.number = std::atoi(uid.c_str());
        if (entry.is_object() && entry.contains("filename") && entry["filename"].is_string()) {
            level.places = mahjong::Level(entry["filename"].get<std::string>()).places.size();
        }
        levels.push_back(level);
    }
    std::sort(levels.begin(), levels.end(), [](const LevelEntry& a, const LevelEntry& b) { return a.number < b.number; });
    return levels;
}

// The log lines that report a fault, whatever screen wrote them; the
// screens' node trees are left aside (a node's text is no report).
std::vector<std::string> faultLines(const std::string& log) {
    static const char* const marks[] = {"can't",   "cannot", "error",   "missing", "no level", "fail",
                                        "skipped", "ignored", "left out", "lacks",  "no node",  "nullptr",
                                        "not found", "warning", "malformed", "no player"};
    std::vector<std::string> faults;
    for (const std::string& line : vorn::test::lines(log)) {
        const std::size_t space = line.find(' ');
        if (space != std::string::npos && line.compare(space, 6, " node ") == 0) continue;
        std::string lower = line;
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
        for (const char* mark : marks) {
            if (lower.find(mark) != std::string::npos) {
                faults.push_back(line);
                break;
            }
        }
    }
    return faults;
}

// The tile count of the game screen's line for that level at or after
// from, or -1.
long dealtTiles(const std::string& log, std::size_t from, const std::string& uid) {
    const std::string head = "game: level " + uid + " dealt ";
    const std::size_t at = log.find(head, from);
    long n = -1;
    if (at == std::string::npos || (at > 0 && log[at - 1] != '\n')) return -1;
    if (log.find("\r\n", at) == std::string::npos) return -1;
    return std::sscanf(log.c_str() + at + head.size(), "%ld tiles", &n) == 1 ? n : -1;
}

class AllLevelsRun : public vorn::test::ProgramRunTest {
protected:
    void SetUp() override {
        ProgramRunTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // A player past the first-run popups, in developer mode.
        enableDeveloperMode();
        writeAnn(record::flag("welcomeTutorialShown") + record::flag("albumTutorialShown"));
    }

    static std::string tail(const std::string& text) {
        return text.size() > 20000 ? text.substr(text.size() - 20000) : text;
    }
    // The program's log as far as it is written; read on from where the
    // last call stopped, for the log grows long over a run.
    const std::string& logSoFar() {
        std::ifstream file(program_.userFolder() + "/log.txt", std::ios::binary);
        if (file && file.seekg(static_cast<std::streamoff>(log_.size()))) {
            log_.append(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
        }
        return log_;
    }
    // Trees of a screen for that reason so far; counted on from where the
    // last call stopped.
    size_t treesSoFar(const std::string& title, const std::string& why) {
        const std::string header = "\n" + title + " tree " + why + ":";
        auto& [from, n] = counted_[header];
        const std::string& text = logSoFar();
        for (size_t at = text.find(header, from); at != std::string::npos; at = text.find(header, from)) {
            ++n;
            from = at + header.size();
        }
        return n;
    }
    // The last tree of that reason, looked for in the log's tail only.
    vorn::test::Nodes lastTree(const std::string& title, const std::string& why) {
        const std::string& text = logSoFar();
        const size_t header = text.rfind("\n" + title + " tree " + why + ":");
        return header == std::string::npos ? vorn::test::Nodes{} : vorn::test::tree(text.substr(header), title, why);
    }
    // Pixels of the tiles' face colour between the side panels.
    int tilePixels(const Screenshot& shot) const {
        int n = 0;
        for (int y = 0; y < shot.height; y += 2) {
            for (int x = static_cast<int>(150 * k_); x < static_cast<int>(810 * k_); x += 2) {
                n += vorn::test::near(shot.at(x, y), kTileFace, 14);
            }
        }
        return n;
    }

    std::string log_;
    std::map<std::string, std::pair<size_t, size_t>> counted_;
};

TEST_F(AllLevelsRun, EveryLevelDealsAndDrawsItsLayout) {
    const std::vector<LevelEntry> all = levelsOfTheList();
    ASSERT_EQ(all.size(), 144u);
    std::vector<LevelEntry> levels;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (!vorn::test::kSanitized || i % 12 == 0 || i + 1 == all.size()) levels.push_back(all[i]);
    }
    for (const LevelEntry& level : levels) EXPECT_GT(level.places, 0u) << "level " << level.uid << "'s layout";
    const std::set<std::string> lessons = vorn::test::levelsWithALesson();
    ASSERT_FALSE(lessons.empty());

    const auto started = std::chrono::steady_clock::now();
    const auto elapsed = [&] {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f s",
                      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
        return std::string(text);
    };
    program_.start();
    ASSERT_NE(waitForWindow(), 0u);

    std::vector<std::string> problems;
    std::string report;
    size_t lessonsSeen = 0;
    vorn::test::Nodes game;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const LevelEntry& level = levels[i];
        // From the game before, its home button leads to the map (the
        // pointer has to move for the new screen to know it is over the
        // button). The game answers once it has come in and shown its
        // lesson, if it has one; the map answers the digits once it has
        // come in.
        if (i > 0) {
            const glm::vec2 home = vorn::test::centreOf(vorn::test::node(game, "leftPanel/mapButton"));
            ASSERT_GT(home.x, 0.0f) << "no map button on the game screen of level " << levels[i - 1].uid;
            ASSERT_TRUE(screen_->xdotool("mousemove --sync " + point({480, 300}) + " mousemove --sync " + point(home) +
                                         " click 1"));
        }
        ASSERT_TRUE(eventually([&] { return treesSoFar("MapScene", "after entry") > i; }))
            << "no map before level " << level.uid << "\n" << tail(logSoFar());
        std::string digits = "key --delay 15";
        for (const char c : level.uid) digits += std::string(" ") + c;
        const std::string played = "map: play level " + level.uid + "\r\n";
        const std::size_t from = logSoFar().size();
        ASSERT_TRUE(keyboard(digits + " Return"));
        ASSERT_TRUE(eventually([&] { return logSoFar().find(played, from) != std::string::npos; }))
            << "level " << level.uid << " was not played\n" << tail(logSoFar());
        ASSERT_TRUE(eventually([&] { return dealtTiles(logSoFar(), from, level.uid) >= 0; }))
            << "level " << level.uid << " dealt nothing\n" << tail(logSoFar());
        const long dealt = dealtTiles(logSoFar(), from, level.uid);
        if (dealt != static_cast<long>(level.places)) {
            problems.push_back("level " + level.uid + " dealt " + std::to_string(dealt) + " tiles for " +
                               std::to_string(level.places) + " places");
        }
        // The game screen (its blue home button where the map has the
        // player's orange badge), and the tiles flying in over the board:
        // a fair share of the layout's faces is soon on the screen.
        const int wanted = std::max(4000, static_cast<int>(level.places) * 40);
        Screenshot shot;
        int seen = 0;
        const bool drawn = eventually([&] {
            shot = Screenshot::take(display_);
            if (!vorn::test::near(pixel(shot, {18, 41}), kHomeButton, 16)) return false;
            seen = tilePixels(shot);
            return seen >= wanted;
        }, 30);
        report += "level " + level.uid + ": " + std::to_string(level.places) + " places, " + std::to_string(dealt) +
                  " dealt, " + std::to_string(seen) + " tile pixels, at " + elapsed() + "\n";
        if (!drawn) {
            problems.push_back("level " + level.uid + " shows " + std::to_string(seen) + " tile pixels of " +
                               std::to_string(wanted) + ": " + shot.save("level-" + level.uid));
        } else if (level.number % 24 == 0) {
            shot.save("level-" + level.uid);
        }
        // The screen's tree once written whole.
        const auto ready = [&](const std::string& why, size_t n) {
            return eventually([&] {
                if (treesSoFar("GameScene", why) < n) return false;
                game = lastTree("GameScene", why);
                return !game.empty();
            });
        };
        ASSERT_TRUE(ready("after entry", i + 1)) << "level " << level.uid << "'s game screen never came in\n"
                                                 << tail(logSoFar());
        if (lessons.count(level.uid)) {
            ASSERT_TRUE(ready("tutorial", ++lessonsSeen)) << "level " << level.uid << " never showed its lesson\n"
                                                          << tail(logSoFar());
        }
    }
    std::printf("%s%zu levels opened in %s\n", report.c_str(), levels.size(), elapsed().c_str());

    EXPECT_EQ(closeProgram(), 0);
    const std::string log = program_.log();
    for (const std::string& problem : problems) ADD_FAILURE() << problem;
    const std::vector<std::string> faults = faultLines(log);
    for (const std::string& line : faults) ADD_FAILURE() << "logged: " << line;
}

} // namespace
