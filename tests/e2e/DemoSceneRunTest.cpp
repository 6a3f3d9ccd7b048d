// The real program shows the demonstration scene from data/: built by the
// factory from its file, entered from "appear", animated by its action
// file and its sprite, switched by a key (through a data source) and by a
// click (through the scene's state), with effects that play and go and
// texts that follow their data sources, as the log's node tree and the
// screen both show.
#include "ProgramRun.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

using vorn::test::eventually;
using vorn::test::ProgramRun;
using vorn::test::Screenshot;

// The node lines of the last tree written for that reason: name -> line.
std::map<std::string, std::string> tree(const std::string& why) {
    std::map<std::string, std::string> nodes;
    const std::vector<std::string> all = vorn::test::lines(ProgramRun::logText());
    const std::string header = "DemoScene tree " + why + ":";
    auto at = std::find_if(all.rbegin(), all.rend(), [&](const std::string& l) { return l.rfind(header, 0) == 0; });
    if (at == all.rend()) return nodes;
    for (auto it = at.base(); it != all.end() && it->rfind("DemoScene node ", 0) == 0; ++it) {
        const std::string rest = it->substr(15);
        nodes[rest.substr(0, rest.find(' '))] = rest;
    }
    return nodes;
}

bool has(const std::string& line, const std::string& piece) { return line.find(piece) != std::string::npos; }

float field(const std::string& line, const std::string& name) {
    const size_t at = line.find(" " + name + "=");
    return at == std::string::npos ? -1e9f : std::strtof(line.c_str() + at + name.size() + 2, nullptr);
}

bool run(const std::string& command) { return std::system(("timeout 20 " + command).c_str()) == 0; }

class DemoRun : public ::testing::Test {
protected:
    void SetUp() override {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display) GTEST_SKIP() << "needs an X server (scripts/test.sh runs one)";
        if (std::system("command -v xdotool >/dev/null") != 0) GTEST_SKIP() << "needs xdotool (scripts/setup.sh)";
        display_ = XOpenDisplay(nullptr);
        ASSERT_NE(display_, nullptr);
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        width_ = DisplayWidth(display_, DefaultScreen(display_));
        height_ = DisplayHeight(display_, DefaultScreen(display_));
        // Full screen at the desktop's aspect: design units to pixels.
        k_ = static_cast<float>(height_) / 768.0f;
    }
    void TearDown() override {
        if (display_) XCloseDisplay(display_);
        if (HasFailure()) std::fprintf(stderr, "--- program output\n%s\n", program_.output().c_str());
    }

    // The screen colour at a design point.
    std::uint32_t pixel(const Screenshot& shot, float x, float y) const {
        return shot.at(static_cast<int>(x * k_), static_cast<int>(y * k_));
    }
    // Design x of every stripe-green pixel on the stripe's row.
    std::set<int> stripe(const Screenshot& shot) const {
        std::set<int> xs;
        const int y = static_cast<int>(330 * k_);
        for (int x = 0; x < shot.width; ++x) {
            if (vorn::test::near(shot.at(x, y), 0x30C060)) xs.insert(static_cast<int>(x / k_));
        }
        return xs;
    }
    // Pixels of a colour inside a design rectangle.
    int count(const Screenshot& shot, float x0, float y0, float x1, float y1, std::uint32_t colour) const {
        int n = 0;
        for (int y = static_cast<int>(y0 * k_); y < static_cast<int>(y1 * k_); ++y) {
            for (int x = static_cast<int>(x0 * k_); x < static_cast<int>(x1 * k_); ++x) {
                n += vorn::test::near(shot.at(x, y), colour, 24);
            }
        }
        return n;
    }
    bool sameInside(const Screenshot& a, const Screenshot& b, float x0, float y0, float x1, float y1) const {
        for (int y = static_cast<int>(y0 * k_); y < static_cast<int>(y1 * k_); ++y) {
            for (int x = static_cast<int>(x0 * k_); x < static_cast<int>(x1 * k_); ++x) {
                if (a.at(x, y) != b.at(x, y)) return false;
            }
        }
        return true;
    }
    void expectColour(const Screenshot& shot, const char* label, float x, float y, std::uint32_t want) {
        const std::uint32_t got = pixel(shot, x, y);
        EXPECT_TRUE(vorn::test::near(got, want)) << label << " at (" << x << ", " << y << ") is " << std::hex << got
                                                 << ", want " << want << "; screen in " << shot.save(label);
    }

    Display* display_ = nullptr;
    int width_ = 0, height_ = 0;
    float k_ = 1.0f;
    ProgramRun program_;
};

TEST_F(DemoRun, EveryPictureKindShowsAndAKeyAndAClickSwitchStates) {
    program_.start();
    Window window = 0;
    ASSERT_TRUE(eventually([&] { return (window = vorn::test::findWindow(display_, DefaultRootWindow(display_), "Mahjong")) != 0; }));
    ASSERT_TRUE(eventually([] { return !tree("after entry").empty(); })) << ProgramRun::logText();

    auto entered = tree("after entry");
    EXPECT_TRUE(has(entered["title"], "state=default x=80.0 y=40.0"));
    EXPECT_TRUE(has(entered["lamp"], "color=FFC03030"));
    const std::map<std::string, std::string> kinds = {
        {"backdrop", "kind=image"}, {"title", "kind=image9"}, {"floor", "kind=image"},
        {"stripe", "kind=image"},   {"lamp", "kind=image"},   {"gem", "kind=sprite shows=default"},
        {"default", "kind=animation"}, {"arrow", "kind=image"}, {"shade", "kind=image"},
        {"button", "kind=image9"},  {"welcome", "kind=effect"}, {"spark", "kind=image"}};
    for (const auto& [name, kind] : kinds) EXPECT_TRUE(has(entered[name], kind)) << name << ": " << entered[name];
    // The paragraph wraps to its width; the two others follow their data
    // sources through their templates.
    EXPECT_TRUE(has(entered["caption"], "kind=text lines=4")) << entered["caption"];
    EXPECT_TRUE(has(entered["presses"], "kind=text lines=1 text=\"Key presses: 0\"")) << entered["presses"];
    EXPECT_TRUE(has(entered["clock"], "kind=text lines=1 text=\"Running 00:0")) << entered["clock"];

    const Screenshot first = Screenshot::take(display_);
    // Nine-slice panels keep a thin frame at any width; a stretched
    // picture would spread it over a quarter of the title.
    expectColour(first, "title", 480, 80, 0xE0A030);
    expectColour(first, "title inside its frame", 100, 80, 0xE0A030);
    expectColour(first, "title frame", 83, 80, 0x1C1407);
    expectColour(first, "button", 560, 540, 0x4060C0);
    // The floor repeats its 32-unit picture of four squares.
    const std::uint32_t light = 0xC8B070, dark = 0x8C6A3C;
    const float floorX[] = {88, 104, 120, 136, 440};
    const std::uint32_t floorColour[] = {light, dark, light, dark, light};
    for (int i = 0; i < 5; ++i) expectColour(first, "floor", floorX[i], 188, floorColour[i]);
    // Plain rectangles show their colour once, also when it is half
    // transparent.
    expectColour(first, "lamp", 680, 280, 0xC03030);
    expectColour(first, "shade", 848, 432, 0x8D939C);
    // The arrow is mirrored: blue before red.
    expectColour(first, "arrow front", 836, 344, 0x3060D0);
    expectColour(first, "arrow back", 872, 344, 0xD04030);
    expectColour(first, "welcome effect", 880, 640, 0xFFE060);
    expectColour(first, "backdrop", 40, 700, 0x1A2638);
    expectColour(first, "beside the lamp", 680 + 88, 280, 0x1A2638);
    // The paragraph's glyphs, their outline and their shadow, inside its
    // four lines of 20 below y 512 and not beyond its width of 400.
    const int glyphs = count(first, 80, 512, 480, 596, 0xF0F0E0);
    EXPECT_GT(glyphs, 2000) << "caption; screen in " << first.save("caption");
    EXPECT_GT(count(first, 76, 508, 484, 600, 0xA04018), glyphs / 8) << "outline; screen in " << first.save("outline");
    EXPECT_GT(count(first, 76, 508, 486, 602, 0x000000), 2000) << "shadow; screen in " << first.save("shadow");
    EXPECT_EQ(count(first, 482, 500, 500, 600, 0xF0F0E0), 0) << "caption wider than its box";
    EXPECT_GT(count(first, 80, 630, 400, 668, 0xE0A030), 300) << "presses; screen in " << first.save("presses");
    EXPECT_GT(count(first, 80, 682, 400, 720, 0x30D040), 300) << "clock; screen in " << first.save("clock");

    // The gem goes through its frames by itself.
    const std::uint32_t gems[] = {0xE04040, 0x40A0E0, 0xE0C040, 0xB050E0};
    std::set<int> frames;
    ASSERT_TRUE(eventually([&] {
        const Screenshot shot = Screenshot::take(display_);
        const std::uint32_t got = pixel(shot, 848, 248);
        for (int i = 0; i < 4; ++i) {
            if (vorn::test::near(got, gems[i])) frames.insert(i);
        }
        return frames.size() >= 2;
    }, 10.0)) << frames.size() << " frame(s) of the gem seen";

    const std::string id = std::to_string(window);
    ASSERT_TRUE(run("xdotool windowfocus " + id + " key space"));
    ASSERT_TRUE(eventually([] { return !tree("after key").empty(); }));
    auto keyed = tree("after key");
    EXPECT_TRUE(has(keyed["lamp"], "state=on")) << keyed["lamp"];
    EXPECT_TRUE(has(keyed["lamp"], "scale=1.20")) << keyed["lamp"];
    // The key flashed the gem once; it came back to its default by itself.
    EXPECT_TRUE(has(ProgramRun::logText(), "DemoScene: gem flashed, shows default"));
    EXPECT_TRUE(has(keyed["gem"], "shows=default")) << keyed["gem"];
    EXPECT_TRUE(has(keyed["presses"], "text=\"Key presses: 1\"")) << keyed["presses"];
    const Screenshot second = Screenshot::take(display_);
    expectColour(second, "lit lamp", 680, 280, 0x30D040);
    // The count on screen changed with its data source, the paragraph did not.
    EXPECT_FALSE(sameInside(first, second, 80, 630, 400, 668)) << "presses; screen in " << second.save("presses");
    EXPECT_TRUE(sameInside(first, second, 76, 500, 486, 602)) << "caption; screen in " << second.save("caption");
    expectColour(second, "grown lamp", 680 + 88, 280, 0x30D040);

    const int clickX = static_cast<int>(640 * k_), clickY = static_cast<int>(540 * k_);
    ASSERT_TRUE(run("xdotool mousemove --sync " + std::to_string(clickX) + " " + std::to_string(clickY) + " click 1"));
    ASSERT_TRUE(eventually([] { return !tree("after click").empty(); }));
    auto clicked = tree("after click");
    EXPECT_TRUE(has(ProgramRun::logText(), "DemoScene tree after click: state second"));
    EXPECT_TRUE(has(clicked["button"], "state=second x=600.0")) << clicked["button"];
    EXPECT_TRUE(has(clicked["title"], "state=second x=80.0 y=40.0")) << clicked["title"];
    EXPECT_TRUE(has(clicked["burst"], "kind=effect")) << clicked["burst"];
    const Screenshot third = Screenshot::take(display_);
    expectColour(third, "burst", 640, 540, 0xFF70B0);
    expectColour(third, "moved button", 720, 540, 0xD0D040);
    expectColour(third, "where the button was", 530, 540, 0x1A2638);

    // The stripe slides: elsewhere in each tree and on each screen, and
    // never outside its clipped window (x 80 to 480).
    const float xs[] = {field(entered["stripe"], "x"), field(keyed["stripe"], "x"), field(clicked["stripe"], "x")};
    EXPECT_FALSE(xs[0] == xs[1] && xs[1] == xs[2]);
    const std::set<int> a = stripe(first), b = stripe(second), c = stripe(third);
    EXPECT_FALSE(a == b && b == c) << "the stripe did not move";
    for (const auto* s : {&a, &b, &c}) {
        for (int x : *s) {
            EXPECT_GE(x, 79);
            EXPECT_LE(x, 480);
        }
    }

    // Both effects have played their five seconds and are gone.
    ASSERT_TRUE(eventually([] { return !tree("after effects").empty(); }));
    auto later = tree("after effects");
    for (const auto& [name, line] : later) EXPECT_FALSE(has(line, "kind=effect")) << line;
    EXPECT_EQ(later.count("burst") + later.count("ring") + later.count("welcome") + later.count("spark"), 0u);
    EXPECT_TRUE(has(later["gem"], "kind=sprite")) << later["gem"];
    EXPECT_NE(later["clock"], entered["clock"]) << "the running time stood still";
    const Screenshot fourth = Screenshot::take(display_);
    EXPECT_FALSE(sameInside(first, fourth, 80, 682, 400, 720)) << "clock; screen in " << fourth.save("clock");
    expectColour(fourth, "where the burst was", 640, 540, 0xD0D040);
    expectColour(fourth, "where the welcome was", 880, 640, 0x1A2638);

    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display_, "WM_DELETE_WINDOW", False));
    XSendEvent(display_, window, False, NoEventMask, &event);
    XFlush(display_);
    EXPECT_EQ(program_.waitForExit(), 0);
}

} // namespace
