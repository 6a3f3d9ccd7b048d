#pragma once

// Running the real program under the test's X server: start it, wait for
// what it writes to its log, find its window, drive it with xdotool, and
// look at the screen.

#include "support/ImageFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

// After GoogleTest: Xlib defines macros (None, Bool) that its headers use as names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#ifndef VORN_MAHJONG_BINARY
#error "VORN_MAHJONG_BINARY must name the built program"
#endif

namespace vorn::test {

// Waits for a condition the program brings about; the limit only stops a
// broken run from hanging the suite.
inline bool eventually(const std::function<bool()>& condition, double seconds = 60.0) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (Clock::now() < deadline) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

inline std::vector<std::string> lines(const std::string& text) {
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

inline Window findWindow(Display* display, Window under, const char* name) {
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

// The whole screen as 0xRRGGBB pixels, top row first.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;

    std::uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }

    static Screenshot take(Display* display) {
        Screenshot shot;
        const Window root = DefaultRootWindow(display);
        XWindowAttributes a{};
        XGetWindowAttributes(display, root, &a);
        XImage* image = XGetImage(display, root, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
        if (!image) return shot;
        shot.width = a.width;
        shot.height = a.height;
        shot.pixels.resize(static_cast<size_t>(a.width) * a.height);
        for (int y = 0; y < a.height; ++y)
            for (int x = 0; x < a.width; ++x)
                shot.pixels[static_cast<size_t>(y) * a.width + x] = XGetPixel(image, x, y) & 0xFFFFFF;
        XDestroyImage(image);
        return shot;
    }

    // Next to the test program, named after the test and the label.
    std::string save(const std::string& label) const {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        const std::filesystem::path folder = std::filesystem::canonical("/proc/self/exe").parent_path();
        const std::string path =
            (folder / (std::string(info->test_suite_name()) + "." + info->name() + "." + label + ".png")).string();
        std::vector<std::uint8_t> rgb;
        rgb.reserve(pixels.size() * 3);
        for (const std::uint32_t p : pixels) {
            rgb.push_back(static_cast<std::uint8_t>(p >> 16));
            rgb.push_back(static_cast<std::uint8_t>(p >> 8));
            rgb.push_back(static_cast<std::uint8_t>(p));
        }
        writePng(path, width, height, 3, rgb);
        return path;
    }
};

// Each of red, green and blue within tolerance levels.
inline bool near(std::uint32_t got, std::uint32_t want, int tolerance = 6) {
    for (int shift : {16, 8, 0}) {
        const int a = static_cast<int>((got >> shift) & 0xFF);
        const int b = static_cast<int>((want >> shift) & 0xFF);
        if (std::abs(a - b) > tolerance) return false;
    }
    return true;
}

// The real program, started with its output caught in a file and killed
// at the end if it is still running.
class ProgramRun {
public:
    ProgramRun() = default;
    ~ProgramRun() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

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

    std::string output() const { return readBytes(output_); }

    static std::string logText() {
        return readBytes(std::string(std::getenv("XDG_DATA_HOME")) + "/VoyaluneMahjong/log.txt");
    }

private:
    pid_t pid_ = -1;
    TempDir out_;
    std::string output_;
};

} // namespace vorn::test
