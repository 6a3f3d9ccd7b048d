// The real program on a screen of its own: it starts full screen, runs
// frames, switches to a window and back on Alt+Enter, and ends with status 0
// when a window manager would close it.
#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vorn::test::countLines;
using vorn::test::eventually;
using vorn::test::Geometry;

class GameRun : public vorn::test::ProgramRunTest {
protected:
    bool altEnter(Window window) const {
        // Enter released while Alt is still down, as a person does it.
        return screen_->xdotool("windowfocus --sync " + std::to_string(window) +
                                " keydown alt keydown Return keyup Return keyup alt");
    }
};

TEST_F(GameRun, StartsFullScreenTogglesWithAltEnterAndClosesCleanly) {
    program_.start();
    const Window window = waitForWindow();
    ASSERT_NE(window, 0u) << "no window titled Mahjong";
    ASSERT_TRUE(waitForLog("first frame presented"));

    const int screenWidth = DisplayWidth(display_, DefaultScreen(display_));
    const int screenHeight = DisplayHeight(display_, DefaultScreen(display_));
    const Geometry full{0, 0, screenWidth, screenHeight};
    EXPECT_TRUE(eventually([&] { return vorn::test::geometry(display_, window) == full; }));

    ASSERT_TRUE(altEnter(window));
    ASSERT_TRUE(eventually([&] { return countLines(log(), "Application::setFullscreen 0") == 1; }));
    Geometry windowed;
    EXPECT_TRUE(eventually([&] {
        windowed = vorn::test::geometry(display_, window);
        return windowed.width < screenWidth && windowed.height < screenHeight;
    }));
    // 80 % of the screen at the design aspect, centred.
    EXPECT_NEAR(windowed.width, screenWidth * 0.8, 2.0);
    EXPECT_NEAR(windowed.x + windowed.width / 2, screenWidth / 2, 4.0);

    ASSERT_TRUE(altEnter(window));
    ASSERT_TRUE(eventually([&] { return countLines(log(), "Application::setFullscreen 1") == 1; }));
    EXPECT_TRUE(eventually([&] { return vorn::test::geometry(display_, window) == full; }));

    vorn::test::closeLikeAWindowManager(display_, window);
    EXPECT_EQ(program_.waitForExit(), 0);

    const std::vector<std::string> lines = vorn::test::lines(log());
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.front(), "--");
    const std::vector<std::string> expected = {
        "Application::beforeRun()", "WM_CREATE event", "Application::setFullscreen 0", "Application::setFullscreen 1",
    };
    size_t at = 0;
    for (const std::string& line : lines)
        if (at < expected.size() && line == expected[at]) ++at;
    EXPECT_EQ(at, expected.size()) << "missing or out of order: " << (at < expected.size() ? expected[at] : "");
}

} // namespace
