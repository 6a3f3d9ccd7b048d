// Every level of the level list opened by the real program, one after
// another in one run: a developer types the level's number on the map,
// which plays it as its level buttons do; the game screen deals all the
// layout's places and draws the tiles; its home button leads back to the
// map for the next one. Nothing the program logs on the way may be a fault.
// Under the sanitizers, which slow the program down several times, a spread
// of levels stands in for the whole list.
#include "ProgramRun.h"

#include "mahjong/Level.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using vorn::test::eventually;
using vorn::test::has;
using vorn::test::ProgramRun;
using vorn::test::Screenshot;
using vorn::test::VirtualScreen;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

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

class AllLevelsRun : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("command -v xdotool >/dev/null && command -v Xvfb >/dev/null") != 0) {
            GTEST_SKIP() << "needs Xvfb and xdotool (scripts/setup.sh)";
        }
        screen_ = std::make_unique<VirtualScreen>(1280, 1024);
        ASSERT_TRUE(screen_->ok()) << "no X server of 1280 x 1024";
        display_ = XOpenDisplay(screen_->name().c_str());
        ASSERT_NE(display_, nullptr);
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });

        // A player past the first-run popups, in developer mode.
        const std::string folder = (home_.path() / "VoyaluneMahjong").string();
        std::filesystem::create_directories(folder);
        vorn::test::writeBytes(folder + "/devmode.txt", "1\n");
        vorn::test::writeBytes(
            folder + "/users.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
            "<key>selected_user_name</key><string>Ann</string>\n<key>users</key><array><dict>"
            "<key>name</key><string>Ann</string><key>welcomeTutorialShown</key><true/>"
            "<key>albumTutorialShown</key><true/>"
            "</dict></array>\n</dict>\n</plist>\n");
        program_.setDisplay(screen_->name());
        program_.setDataHome(home_.path().string());
    }
    void TearDown() override {
        if (HasFailure()) std::fprintf(stderr, "--- program output (end)\n%s\n", tail(program_.output()).c_str());
        program_.kill();
        if (display_) XCloseDisplay(display_);
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
    // The design point (x, y) on the screen: 768 units high, 960 wide.
    std::string at(float x, float y) const {
        return std::to_string(static_cast<int>(x * k_)) + " " + std::to_string(static_cast<int>(y * k_));
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

    std::unique_ptr<VirtualScreen> screen_;
    Display* display_ = nullptr;
    const float k_ = 1024.0f / 768.0f;
    vorn::test::TempDir home_;
    ProgramRun program_;
    std::string log_;
};

TEST_F(AllLevelsRun, EveryLevelDealsAndDrawsItsLayout) {
    const std::vector<LevelEntry> all = levelsOfTheList();
    ASSERT_EQ(all.size(), 144u);
    std::vector<LevelEntry> levels;
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (!kSanitized || i % 12 == 0 || i + 1 == all.size()) levels.push_back(all[i]);
    }
    for (const LevelEntry& level : levels) EXPECT_GT(level.places, 0u) << "level " << level.uid << "'s layout";

    const auto started = std::chrono::steady_clock::now();
    const auto elapsed = [&] {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f s",
                      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
        return std::string(text);
    };
    program_.start();
    Window window = 0;
    ASSERT_TRUE(eventually([&] {
        return (window = vorn::test::findWindow(display_, DefaultRootWindow(display_), "Mahjong")) != 0;
    }));
    ASSERT_TRUE(eventually([&] { return !vorn::test::tree(program_.log(), "MapScene", "after entry").empty(); }))
        << tail(program_.log());
    ASSERT_TRUE(screen_->xdotool("search --sync --onlyvisible --name Mahjong windowfocus --sync"));

    std::vector<std::string> problems;
    std::string report;
    for (std::size_t i = 0; i < levels.size(); ++i) {
        const LevelEntry& level = levels[i];
        // From the game before, its home button leads to the map (the
        // pointer has to move for the new screen to know it is over the
        // button); the digits follow at once. A screen still coming in, or
        // waiting to show its lesson, lets the click pass: then it is done
        // again.
        std::string input = i == 0 ? std::string()
                                   : "mousemove --sync " + at(480, 300) + " mousemove --sync " + at(41, 41) + " click 1 ";
        input += "key --delay 15";
        for (const char c : level.uid) input += std::string(" ") + c;
        input += " Return";
        const std::string played = "map: play level " + level.uid + "\r\n";
        const std::size_t from = logSoFar().size();
        bool onItsWay = false;
        for (int attempt = 0; attempt < 10 && !onItsWay; ++attempt) {
            ASSERT_TRUE(screen_->xdotool(input));
            onItsWay = eventually([&] { return logSoFar().find(played, from) != std::string::npos; }, 4);
        }
        ASSERT_TRUE(onItsWay) << "level " << level.uid << " was not played\n" << tail(logSoFar());
        ASSERT_TRUE(eventually([&] { return dealtTiles(logSoFar(), from, level.uid) >= 0; }, 20))
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
            const std::uint32_t corner = shot.at(static_cast<int>(18 * k_), static_cast<int>(41 * k_));
            if (!vorn::test::near(corner, kHomeButton, 16)) return false;
            seen = tilePixels(shot);
            return seen >= wanted;
        }, 10);
        report += "level " + level.uid + ": " + std::to_string(level.places) + " places, " + std::to_string(dealt) +
                  " dealt, " + std::to_string(seen) + " tile pixels, at " + elapsed() + "\n";
        if (!drawn) {
            problems.push_back("level " + level.uid + " shows " + std::to_string(seen) + " tile pixels of " +
                               std::to_string(wanted) + ": " + shot.save("level-" + level.uid));
        } else if (level.number % 24 == 0) {
            shot.save("level-" + level.uid);
        }
    }
    std::printf("%s%zu levels opened in %s\n", report.c_str(), levels.size(), elapsed().c_str());

    vorn::test::closeLikeAWindowManager(display_, window);
    EXPECT_EQ(program_.waitForExit(), 0);
    const std::string log = program_.log();
    for (const std::string& problem : problems) ADD_FAILURE() << problem;
    const std::vector<std::string> faults = faultLines(log);
    for (const std::string& line : faults) ADD_FAILURE() << "logged: " << line;
}

} // namespace
