// The real program started where no window can be opened: DISPLAY names an
// X server that is not there. It must end at once with status 1 and say
// why, on standard error and in its log, rather than run unseen.
#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

using vorn::test::has;
using vorn::test::ProgramRun;

// A display number with no server behind it on this machine.
std::string absentDisplay() {
    for (int n = 987; n < 1087; ++n) {
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
        const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
        if (!std::filesystem::exists(socket) && !std::filesystem::exists(lock)) return ":" + std::to_string(n);
    }
    return "";
}

TEST(NoDisplayRun, EndsWithStatusOneAndSaysWhy) {
    const std::string display = absentDisplay();
    ASSERT_FALSE(display.empty()) << "every display number tried has a server";
    // Nor a Wayland compositor to fall back on.
    if (std::getenv("WAYLAND_DISPLAY")) unsetenv("WAYLAND_DISPLAY");
    vorn::test::TempDir home;
    ProgramRun program;
    program.setDisplay(display);
    program.setDataHome(home.path().string());
    program.start();
    // A run that draws unseen never ends by itself; the deadline ends the wait.
    const int status = program.waitForExit();
    EXPECT_EQ(status, 1) << program.output();
    EXPECT_TRUE(has(program.output(), "No display to open the game window on.")) << program.output();
    EXPECT_TRUE(has(program.output(), "No display server answers (DISPLAY=\"" + display + "\"")) << program.output();
    EXPECT_TRUE(has(program.log(), "Error: no display to open the window on")) << program.log();
    EXPECT_FALSE(has(program.log(), "first frame presented")) << program.log();
}

} // namespace
