#pragma once

// Running the real program under an X server of its own: start it, wait for
// what it writes to its log, its users file and the screen, drive it with
// xdotool in the design's units, and look at the screen. ProgramRunTest is
// the base of every run: one screen, one display, one per-user folder and
// one program per test.

#include "support/ImageFiles.h"
#include "support/TempDir.h"

#include "core/Data.h"
#include "core/Value.h"

#include <gtest/gtest.h>

#include <glm/vec2.hpp>

// After GoogleTest: Xlib defines macros (None, Bool) that its headers use as names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#ifndef VORN_MAHJONG_BINARY
#error "VORN_MAHJONG_BINARY must name the built program"
#endif

namespace vorn::test {

// The levels whose game screen opens with a lesson, from the game's
// configuration (read from the working folder).
inline std::set<std::string> levelsWithALesson() {
    std::set<std::string> uids;
    const Value config = Value::fromPlistData(Data::readFile("data/config.plist"));
    const Value& tutorials = config.get("tutorials");
    if (tutorials.type() == Value::DICT) {
        for (const std::string& uid : tutorials.keys()) uids.insert(uid);
    }
    return uids;
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr bool kSanitized = true;
#else
inline constexpr bool kSanitized = false;
#endif
#else
inline constexpr bool kSanitized = false;
#endif

// Every deadline is stretched by this much: a sanitized program runs
// several times slower, and a deadline only stops a broken run from
// hanging the suite.
inline constexpr double kPatience = kSanitized ? 4.0 : 1.0;

// Waits for a condition the program brings about. The deadline decides
// nothing in a working run: it only ends a broken one.
inline bool eventually(const std::function<bool()>& condition, double seconds = 60.0) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds * kPatience);
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
        // A line still being written is not a line yet.
        if (end == std::string::npos) break;
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
        // Xvfb's 24-bit screens hold 0xXXRRGGBB words: read as they are,
        // for the runs that look at the screen again and again.
        const bool words = image->bits_per_pixel == 32 && image->red_mask == 0xFF0000 &&
                           image->green_mask == 0xFF00 && image->blue_mask == 0xFF &&
                           image->byte_order == (std::endian::native == std::endian::little ? LSBFirst : MSBFirst);
        for (int y = 0; y < a.height; ++y) {
            std::uint32_t* row = shot.pixels.data() + static_cast<size_t>(y) * a.width;
            if (words) {
                std::memcpy(row, image->data + static_cast<size_t>(y) * image->bytes_per_line,
                            static_cast<size_t>(a.width) * 4);
                for (int x = 0; x < a.width; ++x) row[x] &= 0xFFFFFF;
            } else {
                for (int x = 0; x < a.width; ++x) row[x] = XGetPixel(image, x, y) & 0xFFFFFF;
            }
        }
        XDestroyImage(image);
        return shot;
    }

    // Next to the test program, named after the test and the label.
    std::string save(const std::string& label) const {
        const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
        // The program's folder even when its file was replaced by a build meanwhile.
        std::error_code error;
        const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
        const std::filesystem::path folder = error ? std::filesystem::current_path() : exe.parent_path();
        std::string name = std::string(info->test_suite_name()) + "." + info->name() + "." + label + ".png";
        std::replace(name.begin(), name.end(), '/', '_');
        std::replace(name.begin(), name.end(), ' ', '_');
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
        while (poll(&p, 1, static_cast<int>(60000 * kPatience)) > 0) {
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
        const std::string limit = std::to_string(static_cast<int>(60 * kPatience));
        return std::system(("DISPLAY=" + name_ + " timeout " + limit + " xdotool " + arguments).c_str()) == 0;
    }

private:
    pid_t pid_ = -1;
    std::string name_;
};

// The real program, started with its output caught in a file and killed
// at the end if it is still running.
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
    // A variable of the program's environment only.
    void setEnvironment(const std::string& name, const std::string& value) { environment_[name] = value; }

    void start() {
        // What a run before this one wrote must not be taken for this one's.
        std::filesystem::remove(userFolder() + "/log.txt");
        log_.clear();
        output_ = out_.file("stdout.txt");
        pid_ = fork();
        ASSERT_GE(pid_, 0);
        if (pid_ == 0) {
            setenv("LIBGL_ALWAYS_SOFTWARE", "1", 1);
            setenv("SDL_AUDIODRIVER", "dummy", 0);
            setenv("VORN_HEADLESS", "1", 1);
            setenv("VORN_TREE_LOG", "1", 1);
            for (const auto& [name, value] : environment_) setenv(name.c_str(), value.c_str(), 1);
            if (!display_.empty()) setenv("DISPLAY", display_.c_str(), 1);
            if (!dataHome_.empty()) setenv("XDG_DATA_HOME", dataHome_.c_str(), 1);
            if (!workingDirectory_.empty() && chdir(workingDirectory_.c_str()) != 0) _exit(125);
            if (!freopen(output_.c_str(), "w", stdout)) _exit(126);
            dup2(fileno(stdout), 2);
            execl(VORN_MAHJONG_BINARY, VORN_MAHJONG_BINARY, static_cast<char*>(nullptr));
            _exit(127);
        }
    }

    bool running() const { return pid_ > 0; }

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
    // The log as far as it is written. It only grows while the program
    // runs, and runs poll it often: only what came since the last look is
    // read.
    const std::string& log() const {
        std::ifstream file(userFolder() + "/log.txt", std::ios::binary | std::ios::ate);
        if (!file) return log_;
        const auto size = static_cast<size_t>(std::max<std::streamoff>(file.tellg(), 0));
        if (size < log_.size()) log_.clear();
        if (size > log_.size() && file.seekg(static_cast<std::streamoff>(log_.size()))) {
            const size_t from = log_.size();
            log_.resize(size);
            file.read(log_.data() + from, static_cast<std::streamsize>(size - from));
            log_.resize(from + static_cast<size_t>(file.gcount()));
        }
        return log_;
    }

private:
    pid_t pid_ = -1;
    TempDir out_;
    std::string output_;
    std::string display_;
    std::string dataHome_;
    std::string workingDirectory_;
    std::map<std::string, std::string> environment_;
    mutable std::string log_;
};

// A screen's named nodes: path -> every line of that path (entries of a
// list share one).
using Nodes = std::map<std::string, std::vector<std::string>>;

// How many trees of a screen the log holds for that reason.
inline size_t countTrees(const std::string& log, const std::string& title, const std::string& why) {
    const std::string header = "\n" + title + " tree " + why + ":";
    size_t n = 0;
    for (size_t at = log.find(header); at != std::string::npos; at = log.find(header, at + header.size())) ++n;
    return n;
}

// The named nodes of the last tree a screen wrote for that reason. Empty
// until the tree is written whole.
inline Nodes tree(const std::string& log, const std::string& title, const std::string& why) {
    Nodes nodes;
    // The log opens with a line of its own: a header always follows a line break.
    const size_t header = log.rfind("\n" + title + " tree " + why + ":");
    if (header == std::string::npos) return nodes;
    const std::string prefix = title + " node ";
    size_t start = log.find("\r\n", header + 1);
    while (start != std::string::npos) {
        start += 2;
        const size_t end = log.find("\r\n", start);
        if (end == std::string::npos) break;
        const std::string line = log.substr(start, end - start);
        if (line == title + " tree end") return nodes;
        if (line.rfind(prefix, 0) != 0) break;
        const std::string rest = line.substr(prefix.size());
        nodes[rest.substr(0, rest.find(' '))].push_back(rest);
        start = end;
    }
    nodes.clear();
    return nodes;
}

// The line of the node whose path is the given one, else of the first
// whose path ends in it; "" without one.
inline std::string node(const Nodes& nodes, const std::string& path) {
    const auto exact = nodes.find(path);
    if (exact != nodes.end() && !exact->second.empty()) return exact->second.front();
    for (const auto& [key, entries] : nodes) {
        if (key.size() > path.size() && key.ends_with("/" + path) && !entries.empty()) return entries.front();
    }
    return "";
}

// The design point a node's line gives as its centre; (-1, -1) without one.
inline glm::vec2 centreOf(const std::string& line) {
    glm::vec2 at{-1.0f, -1.0f};
    const auto x = line.find(" x=");
    if (x != std::string::npos) std::sscanf(line.c_str() + x, " x=%f y=%f", &at.x, &at.y);
    return at;
}

// The text a node's line shows, "" without one.
inline std::string textOf(const std::string& line) {
    const auto from = line.find("text=\"");
    if (from == std::string::npos) return "";
    const auto to = line.find('"', from + 6);
    return line.substr(from + 6, to - from - 6);
}

// Pieces of a player's record in the users file.
namespace record {

inline std::string flag(const std::string& key) { return "<key>" + key + "</key><true/>"; }

inline std::string amounts(long long gold, int hint, int undo, int reshuffle) {
    return "<key>resourceAmounts</key><dict><key>gold</key><integer>" + std::to_string(gold) +
           "</integer><key>hint</key><integer>" + std::to_string(hint) + "</integer><key>undo</key><integer>" +
           std::to_string(undo) + "</integer><key>reshuffle</key><integer>" + std::to_string(reshuffle) +
           "</integer></dict>";
}

// The first levels won, each with that score.
inline std::string wonLevels(int count, long long score = 120) {
    std::string results = "<key>levelResults</key><dict>";
    for (int level = 1; level <= count; ++level)
        results += "<key>" + std::to_string(level) + "</key><integer>" + std::to_string(score) + "</integer>";
    return results + "</dict>";
}

inline std::string strings(const std::string& key, const std::vector<std::string>& items) {
    std::string out = "<key>" + key + "</key><array>";
    for (const std::string& item : items) out += "<string>" + item + "</string>";
    return out + "</array>";
}

} // namespace record

struct ScreenSize {
    int width = 1280;
    int height = 1024;
};

inline void PrintTo(const ScreenSize& size, std::ostream* os) { *os << size.width << " x " << size.height; }

// One run of the real program on a screen of its own, full screen at the
// screen's shape: 768 design units high. The per-user folder is the test's
// own.
class ProgramRunTest : public ::testing::Test {
protected:
    virtual ScreenSize screenSize() const { return {}; }

    void SetUp() override {
        if (std::system("command -v xdotool >/dev/null && command -v Xvfb >/dev/null") != 0) {
            GTEST_SKIP() << "needs Xvfb and xdotool (scripts/setup.sh)";
        }
        const ScreenSize size = screenSize();
        screen_ = std::make_unique<VirtualScreen>(size.width, size.height);
        ASSERT_TRUE(screen_->ok()) << "no X server of " << size.width << " x " << size.height;
        display_ = XOpenDisplay(screen_->name().c_str());
        ASSERT_NE(display_, nullptr);
        // The program's window may go while it is looked at.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        // A key that xdotool holds down longer than the repeat delay (on a
        // busy machine it may) would otherwise be typed twice or more.
        XAutoRepeatOff(display_);
        XSync(display_, False);
        k_ = static_cast<float>(size.height) / 768.0f;
        designWidth_ = static_cast<float>(size.width) / k_;
        program_.setDisplay(screen_->name());
        program_.setDataHome(home_.path().string());
        // Every deal, particle and music pick the same from run to run.
        program_.setEnvironment("VORN_SEED", std::to_string(kSeed));
    }

    // Under it the third deal, level 3's in the play run, is one that an
    // order of play leaves without moves, as that run needs.
    static constexpr std::uint32_t kSeed = 7u;

    void TearDown() override {
        if (HasFailure()) {
            if (display_) Screenshot::take(display_).save("at-failure");
            const std::string output = program_.output();
            std::fprintf(stderr, "--- program output%s\n%s\n", output.size() > 20000 ? " (end)" : "",
                         output.size() > 20000 ? output.substr(output.size() - 20000).c_str() : output.c_str());
        }
        program_.kill();
        if (display_) XCloseDisplay(display_);
        display_ = nullptr;
    }

    // The per-user folder, made when missing.
    std::string userFolder() const {
        std::filesystem::create_directories(program_.userFolder());
        return program_.userFolder();
    }

    // A users file of one player, Ann, selected, with these keys in her
    // record besides her name.
    void writeAnn(const std::string& keys) const {
        writeBytes(userFolder() + "/users.xml",
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
                   "<key>selected_user_name</key><string>Ann</string>\n<key>users</key><array><dict>"
                   "<key>name</key><string>Ann</string>" +
                       keys + "</dict></array>\n</dict>\n</plist>\n");
    }
    void enableDeveloperMode() const { writeBytes(userFolder() + "/devmode.txt", "1\n"); }

    std::string usersFileText() const { return readBytes(program_.userFolder() + "/users.xml"); }
    // The users file as the program wrote it; nil when missing or unreadable.
    Value usersFile() const { return Value::fromPlistData(Data::readFile(program_.userFolder() + "/users.xml")); }
    // One player's record; nil without it.
    Value player(const std::string& name) const {
        const Value root = usersFile();
        const Value& users = root.get("users");
        for (unsigned i = 0; i < users.size(); ++i) {
            if (users.at(i).get("name").toString() == name) return users.at(i);
        }
        return Value();
    }

    // The program's window, once it has one; 0 when it never came.
    Window waitForWindow() {
        Window window = 0;
        eventually([&] { return (window = findWindow(display_, DefaultRootWindow(display_), "Mahjong")) != 0; });
        return window;
    }
    // Closed as a window manager would; its exit status.
    int closeProgram() {
        const Window window = findWindow(display_, DefaultRootWindow(display_), "Mahjong");
        if (window == 0) return -1;
        closeLikeAWindowManager(display_, window);
        return program_.waitForExit();
    }

    const std::string& log() const { return program_.log(); }
    bool logged(const std::string& piece) const { return has(log(), piece); }
    bool waitForLog(const std::string& piece, double seconds = 60) const {
        return eventually([&] { return logged(piece); }, seconds);
    }
    // How many trees of a screen were written for that reason.
    size_t trees(const std::string& title, const std::string& why) const { return countTrees(log(), title, why); }
    Nodes tree(const std::string& title, const std::string& why) const { return vorn::test::tree(log(), title, why); }
    // The n-th tree of that reason, once written whole; empty when it never was.
    Nodes waitTree(const std::string& title, const std::string& why, size_t n = 1, double seconds = 60) const {
        Nodes nodes;
        eventually([&] {
            const std::string text = log();
            if (countTrees(text, title, why) < n) return false;
            nodes = vorn::test::tree(text, title, why);
            return !nodes.empty();
        }, seconds);
        return nodes;
    }

    glm::ivec2 screenPoint(glm::vec2 at) const {
        return {static_cast<int>(at.x * k_), static_cast<int>(at.y * k_)};
    }
    std::string point(glm::vec2 at) const {
        const glm::ivec2 p = screenPoint(at);
        return std::to_string(p.x) + " " + std::to_string(p.y);
    }
    std::uint32_t pixel(const Screenshot& shot, glm::vec2 at) const {
        const glm::ivec2 p = screenPoint(at);
        return shot.at(p.x, p.y);
    }
    void expectColour(const Screenshot& shot, const std::string& label, glm::vec2 at, std::uint32_t want,
                      int tolerance = 16) const {
        const std::uint32_t got = pixel(shot, at);
        EXPECT_TRUE(near(got, want, tolerance))
            << label << " at (" << at.x << ", " << at.y << ") is " << std::hex << got << ", want " << want
            << "; screen in " << shot.save(label);
    }

    bool click(glm::vec2 at, int button = 1) const {
        return screen_->xdotool("mousemove --sync " + point(at) + " click " + std::to_string(button));
    }
    // Pressed at one design point, moved in steps and released at another.
    bool drag(const std::vector<glm::vec2>& path) const {
        if (path.empty()) return false;
        std::string steps = "mousemove --sync " + point(path.front()) + " mousedown 1";
        for (size_t i = 1; i < path.size(); ++i) steps += " mousemove --sync " + point(path[i]);
        return screen_->xdotool(steps + " mouseup 1");
    }
    // Keys or text to the program's window: xdotool's "key ..." or "type ...".
    bool keyboard(const std::string& arguments) const {
        return screen_->xdotool("search --sync --onlyvisible --name Mahjong windowfocus --sync " + arguments);
    }

    Screenshot shoot(const std::string& label) const {
        const Screenshot shot = Screenshot::take(display_);
        shot.save(label);
        return shot;
    }
    // The screen once the condition holds on it (a screen's log line comes
    // before its frame is shown), else the last look; saved either way.
    Screenshot shootWhen(const std::string& label, const std::function<bool(const Screenshot&)>& condition,
                         bool* held = nullptr, double seconds = 30) const {
        Screenshot shot;
        const bool ok = eventually([&] {
            shot = Screenshot::take(display_);
            return condition(shot);
        }, seconds);
        if (held) *held = ok;
        shot.save(label);
        return shot;
    }
    Screenshot shootWhen(const std::string& label, glm::vec2 at, std::uint32_t colour, int tolerance = 16) const {
        return shootWhen(label, [&](const Screenshot& shot) { return near(pixel(shot, at), colour, tolerance); });
    }
    // The screen that shows what is awaited; a failure when it never does.
    Screenshot expectScreen(const std::string& label, const std::function<bool(const Screenshot&)>& condition) const {
        bool held = false;
        const Screenshot shot = shootWhen(label, condition, &held);
        EXPECT_TRUE(held) << label << ": the screen never showed what was awaited; see " << shot.save(label);
        return shot;
    }
    bool screenShows(const std::function<bool(const Screenshot&)>& condition, double seconds = 30) const {
        return eventually([&] { return condition(Screenshot::take(display_)); }, seconds);
    }

    std::unique_ptr<VirtualScreen> screen_;
    Display* display_ = nullptr;
    // Pixels to a design unit, and the design's width at the screen's shape.
    float k_ = 1.0f;
    float designWidth_ = 960.0f;
    TempDir home_;
    ProgramRun program_;
};

} // namespace vorn::test
