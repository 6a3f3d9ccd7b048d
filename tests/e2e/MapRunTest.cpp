// The real program's map on screens of both common shapes, for a player
// with ten levels won: no level is cut by the screen's edges, and every open
// level on the screen answers a click by opening the game screen with that
// level; the game screen's home button leads back to the map for the next.
#include "ProgramRun.h"

#include <glm/vec2.hpp>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

using vorn::test::eventually;
using vorn::test::has;
using vorn::test::ProgramRun;
using vorn::test::Screenshot;
using vorn::test::VirtualScreen;

using Nodes = std::map<std::string, std::vector<std::string>>;

constexpr int kWon = 10;
// Half a level button's width, in design units.
constexpr float kHalfButton = 38.0f;

struct ScreenSize {
    int width;
    int height;
};

void PrintTo(const ScreenSize& size, std::ostream* os) { *os << size.width << " x " << size.height; }

std::string sizeName(const testing::TestParamInfo<ScreenSize>& info) {
    return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
}

std::string node(const Nodes& nodes, const std::string& path) {
    const auto it = nodes.find(path);
    return it == nodes.end() || it->second.empty() ? std::string() : it->second.front();
}

// The line of the node of that name wherever it sits in the tree.
std::string named(const Nodes& nodes, const std::string& name) {
    for (const auto& [path, entries] : nodes) {
        if ((path == name || (path.size() > name.size() && path.compare(path.size() - name.size() - 1, std::string::npos,
                                                                         "/" + name) == 0)) &&
            !entries.empty())
            return entries.front();
    }
    return "";
}

glm::vec2 centreOf(const std::string& line) {
    glm::vec2 at{-1.0f, -1.0f};
    const auto x = line.find(" x=");
    if (x != std::string::npos) std::sscanf(line.c_str() + x, " x=%f y=%f", &at.x, &at.y);
    return at;
}

struct Spot {
    int level = 0;
    bool open = false;
    glm::vec2 centre;
};

// The level buttons of a map tree, in level order.
std::vector<Spot> spotsOf(const Nodes& map) {
    std::vector<Spot> spots;
    for (int level = 1; level <= 144; ++level) {
        const std::string line = node(map, "levelsDragbox/l" + std::to_string(level) + "/b");
        if (line.empty()) continue;
        spots.push_back({level, has(line, "shown=1 enabled=1"), centreOf(line)});
    }
    return spots;
}

class MapRun : public ::testing::TestWithParam<ScreenSize> {
protected:
    void SetUp() override {
        if (std::system("command -v xdotool >/dev/null && command -v Xvfb >/dev/null") != 0) {
            GTEST_SKIP() << "needs Xvfb and xdotool (scripts/setup.sh)";
        }
        screen_ = std::make_unique<VirtualScreen>(GetParam().width, GetParam().height);
        ASSERT_TRUE(screen_->ok()) << "no X server of " << GetParam().width << " x " << GetParam().height;
        display_ = XOpenDisplay(screen_->name().c_str());
        ASSERT_NE(display_, nullptr);
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        // Full screen at the desktop's shape: 768 design units high.
        k_ = static_cast<float>(GetParam().height) / 768.0f;
        designWidth_ = static_cast<float>(GetParam().width) / k_;

        std::string results;
        for (int level = 1; level <= kWon; ++level) {
            results += "<key>" + std::to_string(level) + "</key><integer>100</integer>";
        }
        const std::string folder = home_.path().string() + "/VoyaluneMahjong";
        std::filesystem::create_directories(folder);
        vorn::test::writeBytes(
            folder + "/users.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
            "<key>selected_user_name</key><string>Ann</string>\n<key>users</key><array><dict>"
            "<key>name</key><string>Ann</string><key>welcomeTutorialShown</key><true/>"
            "<key>albumTutorialShown</key><true/>"
            "<key>resourceAmounts</key><dict><key>gold</key><integer>300</integer></dict>"
            "<key>levelResults</key><dict>" + results + "</dict>"
            "</dict></array>\n</dict>\n</plist>\n");
        program_.setDisplay(screen_->name());
        program_.setDataHome(home_.path().string());
    }
    void TearDown() override {
        if (HasFailure()) {
            if (display_) Screenshot::take(display_).save("at-failure");
            std::fprintf(stderr, "--- program output\n%s\n", program_.output().c_str());
        }
        program_.kill();
        if (display_) XCloseDisplay(display_);
    }

    bool click(glm::vec2 at) const {
        return screen_->xdotool("mousemove --sync " + std::to_string(static_cast<int>(at.x * k_)) + " " +
                                std::to_string(static_cast<int>(at.y * k_)) + " click 1");
    }
    std::string log() const { return program_.log(); }
    size_t count(const std::string& line) const { return vorn::test::countLines(log(), line); }
    size_t trees(const std::string& title, const std::string& why) const {
        size_t n = 0;
        const std::string header = title + " tree " + why + ":";
        for (const std::string& line : vorn::test::lines(log())) n += line.rfind(header, 0) == 0;
        return n;
    }
    // The tree a screen wrote for that reason once there are n of them.
    Nodes waitTree(const std::string& title, const std::string& why, size_t n, double seconds = 20) const {
        Nodes nodes;
        eventually([&] {
            if (trees(title, why) < n) return false;
            nodes = vorn::test::tree(log(), title, why);
            return !nodes.empty();
        }, seconds);
        return nodes;
    }

    std::unique_ptr<VirtualScreen> screen_;
    Display* display_ = nullptr;
    float k_ = 1.0f;
    float designWidth_ = 1024.0f;
    vorn::test::TempDir home_;
    ProgramRun program_;
};

TEST_P(MapRun, EveryOpenLevelOnTheScreenIsWholeAndPlaysWhenClicked) {
    program_.start();
    Window window = 0;
    ASSERT_TRUE(eventually([&] {
        return (window = vorn::test::findWindow(display_, DefaultRootWindow(display_), "Mahjong")) != 0;
    }));
    Nodes map = waitTree("MapScene", "after entry", 1, 60);
    ASSERT_FALSE(map.empty()) << log();
    ASSERT_TRUE(screen_->xdotool("search --sync --onlyvisible --name Mahjong windowfocus --sync"));
    Screenshot::take(display_).save("map");

    const std::vector<Spot> spots = spotsOf(map);
    ASSERT_EQ(spots.size(), 144u) << node(map, "levelsDragbox");
    std::vector<Spot> open;
    for (const Spot& spot : spots) {
        const float x = spot.centre.x;
        if (x + kHalfButton <= 0.0f || x - kHalfButton >= designWidth_) continue;
        // On the screen, so whole on it.
        EXPECT_GE(x - kHalfButton, -0.5f) << "level " << spot.level << " is cut at the left edge";
        EXPECT_LE(x + kHalfButton, designWidth_ + 0.5f) << "level " << spot.level << " is cut at the right edge";
        EXPECT_EQ(spot.open, spot.level <= kWon + 1) << "level " << spot.level;
        if (spot.open) open.push_back(spot);
    }
    ASSERT_GE(open.size(), 4u) << "too few open levels on the screen";
    EXPECT_EQ(open.back().level, kWon + 1) << "the current level is not on the screen";

    size_t mapsSeen = 1;
    size_t gamesSeen = 0;
    for (const Spot& spot : open) {
        const std::string uid = std::to_string(spot.level);
        SCOPED_TRACE("level " + uid);
        const size_t played = count("map: play level " + uid);
        ASSERT_TRUE(click(spot.centre));
        ASSERT_TRUE(eventually([&] { return count("map: play level " + uid) > played; }, 10))
            << "the click on level " << uid << " at (" << spot.centre.x << ", " << spot.centre.y << ") played nothing";
        // The game screen of that level, and no other.
        ASSERT_TRUE(eventually([&] { return has(log(), "game: level " + uid + " dealt "); }, 20)) << log();
        const Nodes game = waitTree("GameScene", "after entry", ++gamesSeen);
        ASSERT_FALSE(game.empty()) << log();
        const std::string home = named(game, "mapButton");
        ASSERT_FALSE(home.empty()) << "no home button on the game screen";

        // Home again; a lesson that opens over the game screen is closed first.
        bool back = false;
        for (int attempt = 0; attempt < 8 && !back; ++attempt) {
            // The pointer comes in anew, so that the button knows it is over it.
            ASSERT_TRUE(screen_->xdotool("key Escape"));
            ASSERT_TRUE(screen_->xdotool("mousemove " + std::to_string(GetParam().width / 2) + " " +
                                         std::to_string(GetParam().height / 2)));
            ASSERT_TRUE(click(centreOf(home)));
            back = eventually([&] { return trees("MapScene", "after entry") > mapsSeen; }, 5);
        }
        ASSERT_TRUE(back) << "the game screen of level " << uid << " did not lead back to the map";
        ++mapsSeen;
        map = waitTree("MapScene", "after entry", mapsSeen);
        ASSERT_FALSE(map.empty());
    }
    // Each click played its own level, once.
    for (const Spot& spot : open) EXPECT_EQ(count("map: play level " + std::to_string(spot.level)), 1u);

    vorn::test::closeLikeAWindowManager(display_, window);
    EXPECT_EQ(program_.waitForExit(), 0);
}

INSTANTIATE_TEST_SUITE_P(Screens, MapRun, testing::Values(ScreenSize{1280, 1024}, ScreenSize{1920, 1080}), sizeName);

} // namespace
