// The real program as a new player meets it, on screens of both common
// shapes: the splash, the loading screen with its progress, the new
// player's popup with a typed name, and the map with level 1 current and
// the welcome popup; checked in the screens' node trees, on screen, and
// in the users file afterwards.
#include "ProgramRun.h"

#include "core/Data.h"
#include "core/Value.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

struct ScreenSize {
    int width;
    int height;
};

void PrintTo(const ScreenSize& size, std::ostream* os) { *os << size.width << " x " << size.height; }

std::string sizeName(const testing::TestParamInfo<ScreenSize>& info) {
    return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
}

// The one line of a node, or "" without it.
std::string node(const std::map<std::string, std::vector<std::string>>& nodes, const std::string& path) {
    const auto it = nodes.find(path);
    return it == nodes.end() || it->second.empty() ? std::string() : it->second.front();
}

class NewPlayerRun : public ::testing::TestWithParam<ScreenSize> {
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
        program_.setDisplay(screen_->name());
        program_.setDataHome(home_.path().string());
    }
    void TearDown() override {
        if (HasFailure()) std::fprintf(stderr, "--- program output\n%s\n", program_.output().c_str());
        program_.kill();
        if (display_) XCloseDisplay(display_);
    }

    std::uint32_t pixel(const Screenshot& shot, float x, float y) const {
        return shot.at(static_cast<int>(x * k_), static_cast<int>(y * k_));
    }
    void expectColour(const Screenshot& shot, const std::string& label, float x, float y, std::uint32_t want,
                      int tolerance = 12) {
        const std::uint32_t got = pixel(shot, x, y);
        EXPECT_TRUE(vorn::test::near(got, want, tolerance))
            << label << " at (" << x << ", " << y << ") is " << std::hex << got << ", want " << want << "; screen in "
            << shot.save(label);
    }
    // Pixels near a colour inside a design rectangle.
    int count(const Screenshot& shot, float x0, float y0, float x1, float y1, std::uint32_t colour, int tolerance) const {
        int n = 0;
        for (int y = static_cast<int>(y0 * k_); y < static_cast<int>(y1 * k_); ++y) {
            for (int x = static_cast<int>(x0 * k_); x < static_cast<int>(x1 * k_); ++x) {
                n += vorn::test::near(shot.at(x, y), colour, tolerance);
            }
        }
        return n;
    }
    bool click(float x, float y) const {
        return screen_->xdotool("mousemove --sync " + std::to_string(static_cast<int>(x * k_)) + " " +
                                std::to_string(static_cast<int>(y * k_)) + " click 1");
    }
    bool logged(const std::string& piece) const { return has(program_.log(), piece); }
    Screenshot shoot(const std::string& label) const {
        const Screenshot shot = Screenshot::take(display_);
        shot.save(label);
        return shot;
    }
    // The screen once a design point shows the colour: the log line that
    // says a screen is ready is written before its frame is presented.
    Screenshot shootWhen(const std::string& label, float x, float y, std::uint32_t colour) const {
        Screenshot shot;
        eventually([&] {
            shot = Screenshot::take(display_);
            return vorn::test::near(pixel(shot, x, y), colour, 12);
        }, 10);
        shot.save(label);
        return shot;
    }

    std::unique_ptr<VirtualScreen> screen_;
    Display* display_ = nullptr;
    float k_ = 1.0f;
    float designWidth_ = 1024.0f;
    vorn::test::TempDir home_;
    ProgramRun program_;
};

TEST_P(NewPlayerRun, SplashLoadingNameAndMap) {
    program_.start();
    Window window = 0;
    ASSERT_TRUE(eventually([&] {
        return (window = vorn::test::findWindow(display_, DefaultRootWindow(display_), "Mahjong")) != 0;
    }));

    // The splash: the studio's name on its dark backdrop.
    ASSERT_TRUE(eventually([&] { return !vorn::test::tree(program_.log(), "SplashScene", "after entry").empty(); })) << program_.log();
    const Screenshot splash = shoot("1-splash");
    auto nodes = vorn::test::tree(program_.log(), "SplashScene", "after entry");
    EXPECT_TRUE(has(node(nodes, "splashSlides/studio/studioName/studioTitle"), "text=\"Voyalune\" state=default shown=1"))
        << node(nodes, "splashSlides/studio/studioName/studioTitle");
    expectColour(splash, "splash backdrop", 4, 4, 0x1C3A4E);

    // Loading: every name of the list is counted up to the whole.
    ASSERT_TRUE(eventually([&] { return !vorn::test::tree(program_.log(), "LoadScene", "new player").empty(); })) << program_.log();
    std::vector<int> counts;
    int total = -1;
    for (const std::string& line : vorn::test::lines(program_.log())) {
        unsigned loaded = 0, of = 0;
        if (std::sscanf(line.c_str(), "LoadScene: %u of %u loaded", &loaded, &of) == 2) {
            counts.push_back(static_cast<int>(loaded));
            total = static_cast<int>(of);
        }
    }
    ASSERT_FALSE(counts.empty());
    EXPECT_GT(total, 100);
    EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()));
    EXPECT_EQ(counts.back(), total);

    // The new player's popup with the computer's user name in its field.
    const float cx = designWidth_ / 2.0f;
    const Screenshot popup = shootWhen("2-new-player", cx - 200, 300, 0xFBF1DA);
    nodes = vorn::test::tree(program_.log(), "LoadScene", "new player");
    EXPECT_TRUE(has(node(nodes, "newUserPopup"), "shown=1")) << node(nodes, "newUserPopup");
    EXPECT_TRUE(has(node(nodes, "loadingBar/bar/loadingProgress"), "value=1.000"));
    EXPECT_TRUE(has(node(nodes, "newUserPopup/newUserRibbon"), "shown=1"));
    const std::string field = node(nodes, "newUserPopup/new_user_text_input");
    EXPECT_TRUE(has(field, "kind=text_input text=\"")) << field;
    EXPECT_FALSE(has(field, "text=\"\"")) << field;
    // Parchment inside the frame, the white field, the green button.
    expectColour(popup, "popup parchment", cx - 200, 300, 0xFBF1DA);
    expectColour(popup, "name field", cx - 180, 360, 0xFFFDF7);
    expectColour(popup, "start button", cx - 90, 466, 0x96DB8C);
    expectColour(popup, "ribbon", cx - 150, 204, 0x3B8ED9);

    ASSERT_TRUE(screen_->xdotool("search --sync --onlyvisible --name Mahjong windowfocus --sync"));
    std::string erase = "key --delay 20";
    for (int i = 0; i < 24; ++i) erase += " BackSpace";
    ASSERT_TRUE(screen_->xdotool(erase));
    ASSERT_TRUE(screen_->xdotool("type --delay 40 Ann"));
    ASSERT_TRUE(eventually([&] { return logged("WM_CHAR n"); }));
    const Screenshot typed = shoot("3-typed");
    // The name shows in the field: dark letters on white.
    EXPECT_GT(count(typed, cx - 200, 384 - 44, cx + 200, 384 + 4, 0x4A2C10, 40), 40) << typed.save("typed name");
    ASSERT_TRUE(click(cx, 486));

    // The map: level 1 current, the rest locked, the player's gifts shown.
    ASSERT_TRUE(eventually([&] { return !vorn::test::tree(program_.log(), "MapScene", "after entry").empty(); })) << program_.log();
    const Screenshot map = shootWhen("4-map", designWidth_ - 150, 690, 0x59C04F);
    nodes = vorn::test::tree(program_.log(), "MapScene", "after entry");
    EXPECT_TRUE(has(node(nodes, "levelsDragbox/l1/b"), "kind=button state=default shown=1 enabled=1"))
        << node(nodes, "levelsDragbox/l1/b");
    EXPECT_TRUE(has(node(nodes, "levelsDragbox/l1/stars/0"), "shown=1"));
    EXPECT_TRUE(has(node(nodes, "levelsDragbox/l1/stars/0/marker"), "shown=1"));
    EXPECT_TRUE(has(node(nodes, "levelsDragbox/l2/b"), "enabled=0")) << node(nodes, "levelsDragbox/l2/b");
    EXPECT_TRUE(has(node(nodes, "levelsDragbox/l2/stars"), "shown=0"));
    EXPECT_TRUE(has(node(nodes, "levelsDragbox/l144/b"), "enabled=0"));
    EXPECT_TRUE(has(node(nodes, "topRight/goldCounter/goldAmount"), "text=\"300\""))
        << node(nodes, "topRight/goldCounter/goldAmount");
    EXPECT_TRUE(has(node(nodes, "usersPopup/userList"), "children=1"));
    EXPECT_TRUE(has(node(nodes, "welcomePopup"), "shown=0"));
    // Level 1's golden disc, level 2's grey lock, the green play button.
    // A slow machine may show them already under the welcome popup's dim,
    // which darkens all three alike: the play button tells how much.
    const std::uint32_t play = pixel(map, designWidth_ - 150, 690);
    const float dim = static_cast<float>((play >> 8) & 0xFF) / static_cast<float>(0xC0);
    EXPECT_GT(dim, 0.4f) << "the map is darker than the welcome popup's dim; screen in " << map.save("map too dark");
    const auto dimmed = [&](std::uint32_t colour) {
        std::uint32_t out = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const float c = static_cast<float>((colour >> shift) & 0xFF) * std::min(dim, 1.0f);
            out |= static_cast<std::uint32_t>(std::lround(c)) << shift;
        }
        return out;
    };
    // Where the map placed the two levels on this screen.
    float level1X = -1, level1Y = -1, level2X = -1, level2Y = -1;
    const std::string l1 = node(nodes, "levelsDragbox/l1/b");
    const std::string l2 = node(nodes, "levelsDragbox/l2/b");
    ASSERT_NE(l1.find(" x="), std::string::npos) << l1;
    ASSERT_NE(l2.find(" x="), std::string::npos) << l2;
    ASSERT_EQ(std::sscanf(l1.c_str() + l1.find(" x="), " x=%f y=%f", &level1X, &level1Y), 2) << l1;
    ASSERT_EQ(std::sscanf(l2.c_str() + l2.find(" x="), " x=%f y=%f", &level2X, &level2Y), 2) << l2;
    expectColour(map, "level 1", level1X - 24, level1Y, dimmed(0xF6BA3B));
    expectColour(map, "level 2", level2X - 24, level2Y, dimmed(0xA6AAB2));
    expectColour(map, "play button", designWidth_ - 150, 690, dimmed(0x59C04F));

    // A second later the welcome popup opens over the map.
    ASSERT_TRUE(eventually([&] { return !vorn::test::tree(program_.log(), "MapScene", "welcome").empty(); })) << program_.log();
    const Screenshot welcome = shootWhen("5-welcome", cx - 250, 450, 0xF7EACD);
    nodes = vorn::test::tree(program_.log(), "MapScene", "welcome");
    EXPECT_TRUE(has(node(nodes, "welcomePopup"), "shown=1"));
    EXPECT_TRUE(has(node(nodes, "popupDim"), "shown=1"));
    expectColour(welcome, "welcome parchment", cx - 250, 450, 0xF7EACD);

    // Closed with Escape; level 1 answers a click.
    ASSERT_TRUE(screen_->xdotool("key Escape"));
    ASSERT_TRUE(eventually(
        [&] { return !vorn::test::near(pixel(Screenshot::take(display_), cx - 250, 450), 0xF7EACD, 12); }, 10));
    ASSERT_TRUE(click(level1X, level1Y));
    ASSERT_TRUE(eventually([&] { return logged("map: play level 1"); }, 10));
    if (!logged("screenLinks: no game screen in this build")) {
        // The game screen replaced the map: level 1's disc is gone from its spot.
        EXPECT_TRUE(eventually([&] {
            return !vorn::test::near(pixel(Screenshot::take(display_), level1X - 24, level1Y), 0xF6BA3B, 12);
        }, 10));
    }
    shoot("6-level-1");

    vorn::test::closeLikeAWindowManager(display_, window);
    EXPECT_EQ(program_.waitForExit(), 0);

    // The player and the gifts are in the users file.
    const vorn::Value users = vorn::Value::fromPlistData(vorn::Data::readFile(program_.userFolder() + "/users.xml"));
    ASSERT_EQ(users.get("users").size(), 1u);
    const vorn::Value& ann = users.get("users").at(0);
    EXPECT_EQ(ann.get("name").toString(), "Ann");
    EXPECT_EQ(ann.get("resourceAmounts").get("gold").asLongLong(), 300);
    EXPECT_EQ(ann.get("resourceAmounts").get("hint").asLongLong(), 3);
    EXPECT_TRUE(ann.get("welcomeTutorialShown").asBool());
    EXPECT_EQ(users.get("selected_user_name").toString(), "Ann");
}

INSTANTIATE_TEST_SUITE_P(Screens, NewPlayerRun, testing::Values(ScreenSize{1280, 1024}, ScreenSize{1920, 1080}), sizeName);

} // namespace
