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
using vorn::test::node;
using vorn::test::Screenshot;
using vorn::test::ScreenSize;

std::string sizeName(const testing::TestParamInfo<ScreenSize>& info) {
    return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
}

class NewPlayerRun : public vorn::test::ProgramRunTest, public testing::WithParamInterface<ScreenSize> {
protected:
    ScreenSize screenSize() const override { return GetParam(); }

    std::uint32_t pixel(const Screenshot& shot, float x, float y) const { return ProgramRunTest::pixel(shot, {x, y}); }
    void expectColour(const Screenshot& shot, const std::string& label, float x, float y, std::uint32_t want,
                      int tolerance = 12) const {
        ProgramRunTest::expectColour(shot, label, {x, y}, want, tolerance);
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
    bool click(float x, float y) const { return ProgramRunTest::click({x, y}); }
    Screenshot shootWhen(const std::string& label, float x, float y, std::uint32_t colour) const {
        return ProgramRunTest::shootWhen(label, {x, y}, colour, 12);
    }
};

TEST_P(NewPlayerRun, SplashLoadingNameAndMap) {
    program_.start();
    ASSERT_NE(waitForWindow(), 0u);

    // The splash: the studio's name on its dark backdrop.
    auto nodes = waitTree("SplashScene", "after entry");
    ASSERT_FALSE(nodes.empty()) << log();
    const Screenshot splash = shootWhen("1-splash", 4, 4, 0x1C3A4E);
    EXPECT_TRUE(has(node(nodes, "splashSlides/studio/studioName/studioTitle"), "text=\"Voyalune\" state=default shown=1"))
        << node(nodes, "splashSlides/studio/studioName/studioTitle");
    expectColour(splash, "splash backdrop", 4, 4, 0x1C3A4E);

    // Loading: every name of the list is counted up to the whole.
    ASSERT_FALSE(waitTree("LoadScene", "new player").empty()) << log();
    std::vector<int> counts;
    int total = -1;
    for (const std::string& line : vorn::test::lines(log())) {
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
    nodes = vorn::test::tree(log(), "LoadScene", "new player");
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

    std::string erase = "key --delay 20";
    for (int i = 0; i < 24; ++i) erase += " BackSpace";
    ASSERT_TRUE(keyboard(erase));
    ASSERT_TRUE(keyboard("type --delay 40 Ann"));
    ASSERT_TRUE(eventually([&] { return logged("WM_CHAR n"); }));
    const Screenshot typed = ProgramRunTest::shootWhen("3-typed", [&](const Screenshot& shot) {
        return count(shot, cx - 200, 384 - 44, cx + 200, 384 + 4, 0x4A2C10, 40) > 40;
    });
    // The name shows in the field: dark letters on white.
    EXPECT_GT(count(typed, cx - 200, 384 - 44, cx + 200, 384 + 4, 0x4A2C10, 40), 40) << typed.save("typed name");
    const glm::vec2 start = vorn::test::centreOf(node(nodes, "newUserPopup/newUserOk"));
    ASSERT_GT(start.x, 0.0f) << node(nodes, "newUserPopup/newUserOk");
    ASSERT_TRUE(click(start.x, start.y));

    // The map: level 1 current, the rest locked, the player's gifts shown.
    nodes = waitTree("MapScene", "after entry");
    ASSERT_FALSE(nodes.empty()) << log();
    const glm::vec2 play = vorn::test::centreOf(node(nodes, "bottomRight/playButton")) + glm::vec2(-5, -17);
    const glm::vec2 level1 = vorn::test::centreOf(node(nodes, "levelsDragbox/l1/b"));
    const glm::vec2 level2 = vorn::test::centreOf(node(nodes, "levelsDragbox/l2/b"));
    const Screenshot map = shootWhen("4-map", play.x, play.y, 0x59C04F);
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
    const std::uint32_t playGreen = pixel(map, play.x, play.y);
    const float dim = static_cast<float>((playGreen >> 8) & 0xFF) / static_cast<float>(0xC0);
    EXPECT_GT(dim, 0.4f) << "the map is darker than the welcome popup's dim; screen in " << map.save("map too dark");
    const auto dimmed = [&](std::uint32_t colour) {
        std::uint32_t out = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const float c = static_cast<float>((colour >> shift) & 0xFF) * std::min(dim, 1.0f);
            out |= static_cast<std::uint32_t>(std::lround(c)) << shift;
        }
        return out;
    };
    expectColour(map, "level 1", level1.x - 24, level1.y, dimmed(0xF6BA3B));
    expectColour(map, "level 2", level2.x - 24, level2.y, dimmed(0xA6AAB2));
    expectColour(map, "play button", play.x, play.y, dimmed(0x59C04F));

    // A second later the welcome popup opens over the map.
    nodes = waitTree("MapScene", "welcome");
    ASSERT_FALSE(nodes.empty()) << log();
    const Screenshot welcome = shootWhen("5-welcome", cx - 250, 450, 0xF7EACD);
    EXPECT_TRUE(has(node(nodes, "welcomePopup"), "shown=1"));
    EXPECT_TRUE(has(node(nodes, "popupDim"), "shown=1"));
    expectColour(welcome, "welcome parchment", cx - 250, 450, 0xF7EACD);

    // Closed with Escape; level 1 answers a click.
    ASSERT_TRUE(keyboard("key Escape"));
    ASSERT_TRUE(eventually(
        [&] { return !vorn::test::near(pixel(Screenshot::take(display_), cx - 250, 450), 0xF7EACD, 12); }));
    ASSERT_TRUE(click(level1.x, level1.y));
    ASSERT_TRUE(waitForLog("map: play level 1"));
    if (!logged("screenLinks: no game screen in this build")) {
        // The game screen replaced the map: level 1's disc is gone from its spot.
        EXPECT_TRUE(eventually([&] {
            return !vorn::test::near(pixel(Screenshot::take(display_), level1.x - 24, level1.y), 0xF6BA3B, 12);
        }));
    }
    shoot("6-level-1");

    EXPECT_EQ(closeProgram(), 0);

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
