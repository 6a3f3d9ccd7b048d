// The real program's map on screens of both common shapes: for a player
// with a few levels won and one with more, no level is cut by the screen's
// edges, the stars and the flag stand whole on the screen, and every open
// level on the screen, the newest one included, answers a click by opening
// the game screen with that level; the game screen's home button leads
// back to the map for the next.
#include "ProgramRun.h"

#include "core/Data.h"
#include "core/Value.h"

#include <glm/vec2.hpp>
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

using vorn::test::centreOf;
using vorn::test::countLines;
using vorn::test::has;
using vorn::test::node;
using vorn::test::Nodes;
using vorn::test::Screenshot;
using vorn::test::ScreenSize;
namespace record = vorn::test::record;

// Half a level button's side, in design units.
constexpr float kHalfButton = 38.0f;
// Left of a level's centre, past its number, on its disc.
constexpr float kDiscSide = 24.0f;
constexpr std::uint32_t kOpenGold = 0xF6BA3B;
constexpr std::uint32_t kLockedGrey = 0xA6AAB2;
constexpr std::uint32_t kPlayGreen = 0x59C04F;

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

// A screen and how many levels the player has won.
using Case = std::tuple<ScreenSize, int>;

std::string caseName(const testing::TestParamInfo<Case>& info) {
    const auto& [size, won] = info.param;
    return std::to_string(size.width) + "x" + std::to_string(size.height) + "_won" + std::to_string(won);
}

class MapRun : public vorn::test::ProgramRunTest, public testing::WithParamInterface<Case> {
protected:
    ScreenSize screenSize() const override { return std::get<0>(GetParam()); }
    int won() const { return std::get<1>(GetParam()); }

    size_t count(const std::string& line) const { return countLines(log(), line); }
};

TEST_P(MapRun, EveryOpenLevelOnTheScreenIsWholeAndPlaysWhenClicked) {
    writeAnn(record::flag("welcomeTutorialShown") + record::flag("albumTutorialShown") +
             record::amounts(300, 3, 3, 2) + record::wonLevels(won()));
    program_.start();
    ASSERT_NE(waitForWindow(), 0u);
    Nodes map = waitTree("MapScene", "after entry");
    ASSERT_FALSE(map.empty()) << log();
    // Once the corner groups have come in: the play button's green in its place.
    const glm::vec2 play = centreOf(node(map, "bottomRight/playButton")) + glm::vec2(-5, -17);
    const Screenshot shot = shootWhen("map", play, kPlayGreen);

    const std::vector<Spot> spots = spotsOf(map);
    ASSERT_EQ(spots.size(), 144u) << node(map, "levelsDragbox");
    std::vector<Spot> open;
    for (const Spot& spot : spots) {
        const float x = spot.centre.x;
        if (x + kHalfButton <= 0.0f || x - kHalfButton >= designWidth_) continue;
        // On the screen, so whole on it, with its stars or flag above it.
        EXPECT_GE(x - kHalfButton, -0.5f) << "level " << spot.level << " is cut at the left edge";
        EXPECT_LE(x + kHalfButton, designWidth_ + 0.5f) << "level " << spot.level << " is cut at the right edge";
        EXPECT_EQ(spot.open, spot.level <= won() + 1) << "level " << spot.level;
        // Nothing drawn over it: its disc shows beside the number.
        expectColour(shot, "level " + std::to_string(spot.level), spot.centre - glm::vec2(kDiscSide, 0.0f),
                     spot.open ? kOpenGold : kLockedGrey);
        if (spot.open) open.push_back(spot);
    }
    ASSERT_GE(open.size(), 4u) << "too few open levels on the screen";
    EXPECT_EQ(open.back().level, won() + 1) << "the current level is not on the screen";
    // The flag over the current level stands whole on the screen.
    const std::string flag = node(map, "levelsDragbox/l" + std::to_string(won() + 1) + "/stars/0/marker");
    EXPECT_TRUE(has(flag, "shown=1")) << flag;

    // The newest level first: the one a player clicks most.
    std::vector<Spot> order(open.rbegin(), open.rend());
    const std::set<std::string> lessons = vorn::test::levelsWithALesson();
    size_t mapsSeen = 1;
    size_t gamesSeen = 0;
    size_t lessonsSeen = 0;
    for (const Spot& spot : order) {
        const std::string uid = std::to_string(spot.level);
        SCOPED_TRACE("level " + uid);
        ASSERT_TRUE(click(spot.centre));
        ASSERT_TRUE(waitForLog("map: play level " + uid + "\r\n"))
            << "the click on level " << uid << " at (" << spot.centre.x << ", " << spot.centre.y
            << ") played nothing; see " << Screenshot::take(display_).save("unanswered-" + uid);
        // The game screen of that level, and no other, once it has come in
        // and shown its lesson, if it has one.
        ASSERT_TRUE(waitForLog("game: level " + uid + " dealt ")) << log();
        const Nodes game = waitTree("GameScene", "after entry", ++gamesSeen);
        ASSERT_FALSE(game.empty()) << log();
        if (lessons.count(uid)) {
            ASSERT_FALSE(waitTree("GameScene", "tutorial", ++lessonsSeen).empty()) << log();
        }
        const glm::vec2 home = centreOf(node(game, "leftPanel/mapButton"));
        ASSERT_GT(home.x, 0.0f) << "no home button on the game screen";

        // Home again; the pointer comes in anew, so that the new screen knows it is over the button.
        ASSERT_TRUE(screen_->xdotool("mousemove --sync " + point({designWidth_ / 2.0f, 300.0f}) + " mousemove --sync " +
                                     point(home) + " click 1"));
        map = waitTree("MapScene", "after entry", ++mapsSeen);
        ASSERT_FALSE(map.empty()) << "the game screen of level " << uid << " did not lead back to the map";
    }
    // Each click played its own level, once.
    for (const Spot& spot : open) EXPECT_EQ(count("map: play level " + std::to_string(spot.level)), 1u);

    EXPECT_EQ(closeProgram(), 0);
}

// Three levels won is where a new player's fourth level lay under the play
// button's group; ten puts the current level past the first screen.
INSTANTIATE_TEST_SUITE_P(Screens, MapRun,
                         testing::Combine(testing::Values(ScreenSize{1280, 1024}, ScreenSize{1920, 1080}),
                                          testing::Values(3, 10)),
                         caseName);

} // namespace
