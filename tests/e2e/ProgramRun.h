#pragma once

// Running the real program under an X server: start it, wait for what it
// writes to its log, find its window, drive it with xdotool, and look at
// the screen. The server is the test's own one (xvfb-run's), or one of a
// chosen size that a VirtualScreen starts.

#include "support/ImageFiles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

// After GoogleTest: Xlib defines macros (None, Bool) that its headers use as names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
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

inline size_t countLines(const std::string& text, const std::string& line) {
    size_t n = 0;
    for (const std::string& l : lines(text)) n += l == line;
    return n;
}

inline bool has(const std::string& text, const std::string& piece) { return text.find(piece) != std::string::npos; }

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

struct Geometry {
    int x = 0, y = 0, width = 0, height = 0;
    bool operator==(const Geometry&) const = default;
};

inline Geometry geometry(Display* display, Window window) {
    XWindowAttributes a{};
    XGetWindowAttributes(display, window, &a);
    Window child = 0;
    Geometry g;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &g.x, &g.y, &child);
    g.width = a.width;
    g.height = a.height;
    return g;
}

// What a window manager sends when the player closes the window.
inline void closeLikeAWindowManager(Display* display, Window window) {
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
        std::string name = std::string(info->test_suite_name()) + "." + info->name() + "." + label + ".png";
        std::replace(name.begin(), name.end(), '/', '_');
        const std::string path = (folder / name).string();
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

// An X server of its own at a chosen size, for as long as the object lives.
class VirtualScreen {
public:
    VirtualScreen(int width, int height) {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
            const int null = ::open("/dev/null", O_WRONLY);
            if (null >= 0) {
                dup2(null, 1);
                dup2(null, 2);
            }
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // The server writes its display number once it accepts connections.
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        while (poll(&p, 1, 20000) > 0) {
            char c = 0;
            if (read(fds[0], &c, 1) != 1 || c == '\n') break;
            number += c;
        }
        close(fds[0]);
        if (!number.empty()) name_ = ":" + number;
    }
    ~VirtualScreen() {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    VirtualScreen(const VirtualScreen&) = delete;
    VirtualScreen& operator=(const VirtualScreen&) = delete;

    bool ok() const { return !name_.empty(); }
    const std::string& name() const { return name_; }

    // Runs xdotool against this server; false when it failed.
    bool xdotool(const std::string& arguments) const {
        return std::system(("DISPLAY=" + name_ + " timeout 20 xdotool " + arguments).c_str()) == 0;
    }

private:
    pid_t pid_ = -1;
    std::string name_;
};

// The real program, started with its output caught in a file and killed
// at the end if it is still running. Its per-user folder is the test
// process's unless another is given.
class ProgramRun {
public:
    ProgramRun() = default;
    ~ProgramRun() { kill(); }
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    void setDisplay(const std::string& display) { display_ = display; }
    void setDataHome(const std::string& folder) { dataHome_ = folder; }
    // The folder the program runs in, where it finds "data/"; the test's own when not given.
    void setWorkingDirectory(const std::string& folder) { workingDirectory_ = folder; }

    void start() {
        // What a run before this one wrote must not be taken for this one's.
        std::filesystem::remove(userFolder() + "/log.txt");
        output_ = out_.file("stdout.txt");
        pid_ = fork();
        ASSERT_GE(pid_, 0);
        if (pid_ == 0) {
            setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
            setenv("SDL_AUDIODRIVER", "dummy", 0);
            setenv("VORN_HEADLESS", "1", 1);
            setenv("VORN_TREE_LOG", "1", 1);
            if (!display_.empty()) setenv("DISPLAY", display_.c_str(), 1);
            if (!dataHome_.empty()) setenv("XDG_DATA_HOME", dataHome_.c_str(), 1);
            if (!workingDirectory_.empty() && chdir(workingDirectory_.c_str()) != 0) _exit(125);
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

    // Ends the program at once, as a crash or a power cut would.
    void kill() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }

    std::string output() const { return readBytes(output_); }

    std::string userFolder() const {
        const std::string home = dataHome_.empty() ? std::string(std::getenv("XDG_DATA_HOME")) : dataHome_;
        return home + "/VoyaluneMahjong";
    }
    std::string log() const { return readBytes(userFolder() + "/log.txt"); }
    // The log of the test process's own folder (programs started without a folder of their own).
    static std::string logText() {
        return readBytes(std::string(std::getenv("XDG_DATA_HOME")) + "/VoyaluneMahjong/log.txt");
    }

private:
    pid_t pid_ = -1;
    TempDir out_;
    std::string output_;
    std::string display_;
    std::string dataHome_;
    std::string workingDirectory_;
};

// The named nodes of the last tree a screen wrote for that reason: path ->
// every line of that path (entries of a list share one). Empty until the
// tree is written whole.
inline std::map<std::string, std::vector<std::string>> tree(const std::string& log, const std::string& title,
                                                            const std::string& why) {
    std::map<std::string, std::vector<std::string>> nodes;
    const std::vector<std::string> all = lines(log);
    const std::string header = title + " tree " + why + ":";
    auto at = std::find_if(all.rbegin(), all.rend(), [&](const std::string& l) { return l.rfind(header, 0) == 0; });
    if (at == all.rend()) return nodes;
    const std::string prefix = title + " node ";
    auto it = at.base();
    for (; it != all.end() && it->rfind(prefix, 0) == 0; ++it) {
        const std::string rest = it->substr(prefix.size());
        nodes[rest.substr(0, rest.find(' '))].push_back(rest);
    }
    if (it == all.end() || *it != title + " tree end") nodes.clear();
    return nodes;
}

} // namespace vorn::test
