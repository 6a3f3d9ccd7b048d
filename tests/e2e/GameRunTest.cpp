// The real program under the test's X server: it starts full screen, runs
// frames, switches to a window and back on Alt+Enter, and ends with status 0
// when a window manager would close it.
#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

using vorn::test::countLines;
using vorn::test::eventually;
using vorn::test::Geometry;
using vorn::test::ProgramRun;

bool altEnter(Window window) {
    const std::string id = std::to_string(window);
    // Enter released while Alt is still down, as a person does it.
    const std::string command = "timeout 20 xdotool windowfocus " + id +
                                " && timeout 20 xdotool keydown alt keydown Return keyup Return keyup alt";
    return std::system(command.c_str()) == 0;
}

class GameRun : public ::testing::Test {
protected:
    void SetUp() override {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display) GTEST_SKIP() << "needs an X server (scripts/test.sh runs one)";
        if (std::system("command -v xdotool >/dev/null") != 0) GTEST_SKIP() << "needs xdotool (scripts/setup.sh)";
        display_ = XOpenDisplay(nullptr);
        ASSERT_NE(display_, nullptr);
        // Other tests' windows come and go on the same server while we look.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }

    void TearDown() override {
        program_.kill();
        if (display_) XCloseDisplay(display_);
        if (HasFailure()) std::fprintf(stderr, "--- program output\n%s\n", program_.output().c_str());
    }

    Display* display_ = nullptr;
    ProgramRun program_;
};

TEST_F(GameRun, StartsFullScreenTogglesWithAltEnterAndClosesCleanly) {
    program_.start();
    Window window = 0;
    ASSERT_TRUE(eventually([&] {
        return (window = vorn::test::findWindow(display_, DefaultRootWindow(display_), "Mahjong")) != 0;
    })) << "no window titled Mahjong";
    ASSERT_TRUE(eventually([] { return vorn::test::has(ProgramRun::logText(), "first frame presented"); }));

    const int screenWidth = DisplayWidth(display_, DefaultScreen(display_));
    const int screenHeight = DisplayHeight(display_, DefaultScreen(display_));
    const Geometry full{0, 0, screenWidth, screenHeight};
    EXPECT_TRUE(eventually([&] { return vorn::test::geometry(display_, window) == full; }));

    ASSERT_TRUE(altEnter(window));
    ASSERT_TRUE(eventually([] { return countLines(ProgramRun::logText(), "Application::setFullscreen 0") == 1; }));
    Geometry windowed;
    EXPECT_TRUE(eventually([&] {
        windowed = vorn::test::geometry(display_, window);
        return windowed.width < screenWidth && windowed.height < screenHeight;
    }));
    // 80 % of the screen at the design aspect, centred.
    EXPECT_NEAR(windowed.width, screenWidth * 0.8, 2.0);
    EXPECT_NEAR(windowed.x + windowed.width / 2, screenWidth / 2, 4.0);

    ASSERT_TRUE(altEnter(window));
    ASSERT_TRUE(eventually([] { return countLines(ProgramRun::logText(), "Application::setFullscreen 1") == 1; }));
    EXPECT_TRUE(eventually([&] { return vorn::test::geometry(display_, window) == full; }));

    vorn::test::closeLikeAWindowManager(display_, window);
    EXPECT_EQ(program_.waitForExit(), 0);

    const std::vector<std::string> log = vorn::test::lines(ProgramRun::logText());
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "--");
    const std::vector<std::string> expected = {
        "Application::beforeRun()", "WM_CREATE event", "Application::setFullscreen 0", "Application::setFullscreen 1",
    };
    size_t at = 0;
    for (const std::string& line : log)
        if (at < expected.size() && line == expected[at]) ++at;
    EXPECT_EQ(at, expected.size()) << "missing or out of order: " << (at < expected.size() ? expected[at] : "");
}

} // namespace
