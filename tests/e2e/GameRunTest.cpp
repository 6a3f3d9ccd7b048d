// The real program under the test's X server: it starts full screen, runs
// frames, switches to a window and back on Alt+Enter, and ends with status 0
// when a window manager would close it.
#include "support/TempDir.h"

#include <gtest/gtest.h>

// After GoogleTest: Xlib defines macros (None, Bool) that its headers use as names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#ifndef VORN_MAHJONG_BINARY
#error "VORN_MAHJONG_BINARY must name the built program"
#endif

namespace {

using Clock = std::chrono::steady_clock;

// Waits for a condition the program brings about; the limit only stops a
// broken run from hanging the suite.
bool eventually(const std::function<bool()>& condition, double seconds = 60.0) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < deadline) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

std::string logText() {
    return vorn::test::readBytes(std::string(std::getenv("XDG_DATA_HOME")) + "/VoyaluneMahjong/log.txt");
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        out.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return out;
}

size_t countLines(const std::string& text, const std::string& line) {
    size_t n = 0;
    for (const std::string& l : lines(text)) n += l == line;
    return n;
}

Window findWindow(Display* display, Window under, const char* name) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, under, &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i) {
        char* title = nullptr;
        XWindowAttributes attributes{};
        if (XFetchName(display, children[i], &title) && title) {
            if (std::strcmp(title, name) == 0 && XGetWindowAttributes(display, children[i], &attributes) &&
                attributes.map_state == IsViewable)
                found = children[i];
            XFree(title);
        }
        if (!found) found = findWindow(display, children[i], name);
    }
    if (children) XFree(children);
    return found;
}

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Geometry&) const = default;
};

Geometry geometry(Display* display, Window window) {
    XWindowAttributes a{};
    XGetWindowAttributes(display, window, &a);
    Window child = 0;
    Geometry g;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &g.x, &g.y, &child);
    g.width = a.width;
    g.height = a.height;
    return g;
}

void closeLikeAWindowManager(Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);
}

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
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        if (display_) XCloseDisplay(display_);
        if (HasFailure()) std::fprintf(stderr, "--- program output\n%s\n", vorn::test::readBytes(output_).c_str());
    }

    void start() {
        output_ = out_.file("stdout.txt");
        pid_ = fork();
        ASSERT_GE(pid_, 0);
        if (pid_ == 0) {
            setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
            setenv("SDL_AUDIODRIVER", "dummy", 0);
            setenv("VORN_HEADLESS", "1", 1);
            if (!freopen(output_.c_str(), "w", stdout)) _exit(126);
            dup2(fileno(stdout), 2);
            execl(VORN_MAHJONG_BINARY, VORN_MAHJONG_BINARY, static_cast<char*>(nullptr));
            _exit(127);
        }
    }

    // The exit status, or -1 when the program did not end in time.
    int waitForExit() {
        int status = 0;
        const bool ended = eventually([&] { return waitpid(pid_, &status, WNOHANG) == pid_; });
        if (!ended) return -1;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    Display* display_ = nullptr;
    pid_t pid_ = -1;
    vorn::test::TempDir out_;
    std::string output_;
};

TEST_F(GameRun, StartsFullScreenTogglesWithAltEnterAndClosesCleanly) {
    start();
    Window window = 0;
    ASSERT_TRUE(eventually([&] { return (window = findWindow(display_, DefaultRootWindow(display_), "Mahjong")) != 0; }))
        << "no window titled Mahjong";
    ASSERT_TRUE(eventually([] { return logText().find("first frame presented") != std::string::npos; }));

    const int screenWidth = DisplayWidth(display_, DefaultScreen(display_));
    const int screenHeight = DisplayHeight(display_, DefaultScreen(display_));
    const Geometry full{0, 0, screenWidth, screenHeight};
    EXPECT_TRUE(eventually([&] { return geometry(display_, window) == full; }));

    ASSERT_TRUE(altEnter(window));
    ASSERT_TRUE(eventually([] { return countLines(logText(), "Application::setFullscreen 0") == 1; }));
    Geometry windowed;
    EXPECT_TRUE(eventually([&] {
        windowed = geometry(display_, window);
        return windowed.width < screenWidth && windowed.height < screenHeight;
    }));
    // 80 % of the screen at the design aspect, centred.
    EXPECT_NEAR(windowed.width, screenWidth * 0.8, 2.0);
    EXPECT_NEAR(windowed.x + windowed.width / 2, screenWidth / 2, 4.0);

    ASSERT_TRUE(altEnter(window));
    ASSERT_TRUE(eventually([] { return countLines(logText(), "Application::setFullscreen 1") == 1; }));
    EXPECT_TRUE(eventually([&] { return geometry(display_, window) == full; }));

    closeLikeAWindowManager(display_, window);
    EXPECT_EQ(waitForExit(), 0);

    const std::vector<std::string> log = lines(logText());
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
