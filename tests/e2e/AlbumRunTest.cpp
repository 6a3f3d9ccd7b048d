// The real program's album on a 1280 x 1024 screen, driven by the pointer:
// a player who has just won a first artifact part meets the album's
// tutorial on the map and opens the album from it; the part dragged onto
// another artifact is refused and goes back, dragged onto its own it is
// placed and saved, and a restart shows it in place. The last part of a
// place opens that place's popup, the pages turn both ways and the map
// button leads back; a SIGKILL right after a placement loses nothing.
// Checked in the screens' node trees, on screen and in the users file.
#include "ProgramRun.h"

#include "core/Data.h"
#include "core/Value.h"

#include <gtest/gtest.h>

#include <glm/vec2.hpp>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

using vorn::test::eventually;
using vorn::test::has;
using vorn::test::ProgramRun;
using vorn::test::Screenshot;
using vorn::test::VirtualScreen;

using Nodes = std::map<std::string, std::vector<std::string>>;

// The parts a player holds, as the users file lists them.
std::string plistIds(const std::vector<std::string>& ids) {
    std::string out = "<array>";
    for (const std::string& id : ids) out += "<string>" + id + "</string>";
    return out + "</array>";
}

// The line of the node whose path is the given one or ends in it ("" without one).
std::string node(const Nodes& nodes, const std::string& path) {
    for (const auto& [key, lines] : nodes) {
        const bool match = key == path || (key.size() > path.size() && key.ends_with("/" + path));
        if (match && !lines.empty()) return lines.front();
    }
    return "";
}

glm::vec2 centreOf(const std::string& line) {
    glm::vec2 at{-1.0f, -1.0f};
    const auto x = line.find(" x=");
    if (x != std::string::npos) std::sscanf(line.c_str() + x, " x=%f y=%f", &at.x, &at.y);
    return at;
}

struct Rgb {
    int r, g, b;
};
Rgb rgb(std::uint32_t p) {
    return {static_cast<int>((p >> 16) & 0xFF), static_cast<int>((p >> 8) & 0xFF), static_cast<int>(p & 0xFF)};
}
bool parchment(const Rgb& c) { return c.r > 200 && c.g > 180 && c.b > 130 && c.r >= c.b; }
bool sealRed(const Rgb& c) { return c.r > 150 && c.g < 80 && c.b < 80; }
bool ribbonGreen(const Rgb& c) { return c.g > 120 && c.r < 140 && c.b < 140; }
// The perfume's placed parts are drawn in their colours over the faint outline.
bool purple(const Rgb& c) { return c.b > 150 && c.r > 120 && c.g < c.r - 30; }
bool dark(const Rgb& c) { return c.r + c.g + c.b < 200; }

// Every part of the first place but the hat's last.
std::vector<std::string> provenceButOne() {
    std::vector<std::string> ids;
    for (const char* artifact : {"1/a1-perfume", "1/a2-lavender", "1/a3-plate", "1/a4-hat"}) {
        for (int i = 1; i <= 4; ++i) ids.push_back(std::string(artifact) + "-" + std::to_string(i));
    }
    ids.pop_back();
    return ids;
}

class AlbumRun : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("command -v xdotool >/dev/null && command -v Xvfb >/dev/null") != 0) {
            GTEST_SKIP() << "needs Xvfb and xdotool (scripts/setup.sh)";
        }
        screen_ = std::make_unique<VirtualScreen>(1280, 1024);
        ASSERT_TRUE(screen_->ok()) << "no X server of 1280 x 1024";
        display_ = XOpenDisplay(screen_->name().c_str());
        ASSERT_NE(display_, nullptr);
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        program_.setDisplay(screen_->name());
        program_.setDataHome(home_.path().string());
    }
    void TearDown() override {
        if (HasFailure()) std::fprintf(stderr, "--- program output\n%s\n", program_.output().c_str());
        program_.kill();
        if (display_) XCloseDisplay(display_);
    }

    // Ann, who has won the first levels, with the parts they gave her and
    // whatever else her record holds.
    void seed(int levelsWon, const std::vector<std::string>& collected, const std::vector<std::string>& placed,
              const std::string& more = "") {
        std::string results;
        for (int level = 1; level <= levelsWon; ++level)
            results += "<key>" + std::to_string(level) + "</key><integer>120</integer>";
        const fs::path folder = home_.path() / "VoyaluneMahjong";
        fs::create_directories(folder);
        vorn::test::writeBytes(
            (folder / "users.xml").string(),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
            "<key>selected_user_name</key><string>Ann</string>\n<key>users</key><array><dict>"
            "<key>name</key><string>Ann</string><key>welcomeTutorialShown</key><true/>"
            "<key>levelResults</key><dict>" +
                results +
                "</dict>"
                "<key>resourceAmounts</key><dict><key>gold</key><integer>400</integer><key>hint</key><integer>3</integer>"
                "<key>undo</key><integer>3</integer><key>reshuffle</key><integer>2</integer></dict>"
                "<key>collectedParts</key>" +
                plistIds(collected) + "<key>placedParts</key>" + plistIds(placed) + more +
                "</dict></array>\n</dict>\n</plist>\n");
    }

    std::string usersFile() const { return vorn::test::readBytes(program_.userFolder() + "/users.xml"); }
    // Ann's record as the users file holds it now.
    vorn::Value ann() const {
        const vorn::Value root = vorn::Value::fromPlistData(vorn::Data::readFile(program_.userFolder() + "/users.xml"));
        const vorn::Value& users = root.get("users");
        for (unsigned i = 0; i < users.size(); ++i) {
            if (users.at(i).get("name").toString() == "Ann") return users.at(i);
        }
        return vorn::Value();
    }
    std::vector<std::string> saved(const char* key) const {
        const vorn::Value list = ann().get(key);
        std::vector<std::string> ids;
        for (unsigned i = 0; i < list.size(); ++i) ids.push_back(list.at(i).toString());
        return ids;
    }

    // How many trees of a screen were written for that reason.
    size_t trees(const std::string& title, const std::string& why) const {
        size_t n = 0;
        const std::string header = title + " tree " + why + ":";
        for (const std::string& line : vorn::test::lines(program_.log())) n += line.rfind(header, 0) == 0;
        return n;
    }
    // The n-th tree of that reason, once written whole.
    Nodes waitTree(const std::string& title, const std::string& why, size_t n = 1, double seconds = 30) const {
        Nodes nodes;
        eventually([&] {
            if (trees(title, why) < n) return false;
            nodes = vorn::test::tree(program_.log(), title, why);
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
    bool click(glm::vec2 at) const { return screen_->xdotool("mousemove --sync " + point(at) + " click 1"); }
    // Pressed at one design point, moved in steps and released at another.
    bool drag(glm::vec2 from, glm::vec2 to) const {
        std::string steps = "mousemove --sync " + point(from) + " mousedown 1 sleep 0.1";
        for (int i = 1; i <= 4; ++i) steps += " mousemove --sync " + point(from + (to - from) * (i / 4.0f)) + " sleep 0.1";
        return screen_->xdotool(steps + " mouseup 1");
    }
    bool logged(const std::string& piece) const { return has(program_.log(), piece); }

    Screenshot shoot(const std::string& label) const {
        const Screenshot shot = Screenshot::take(display_);
        shot.save(label);
        return shot;
    }
    // The screen once the condition holds on it (the tree of a screen is
    // written before its frame is shown); saved either way.
    template <typename Condition> Screenshot shootWhen(const std::string& label, Condition condition) const {
        Screenshot shot;
        const bool ok = eventually([&] {
            shot = Screenshot::take(display_);
            return condition(shot);
        }, 10);
        EXPECT_TRUE(ok) << label << ": the screen never showed what was awaited; see " << shot.save(label);
        shot.save(label);
        return shot;
    }

    // The share of pixels of a design rectangle that pass the test.
    template <typename Test> float share(const Screenshot& shot, glm::vec2 from, glm::vec2 to, Test test) const {
        const glm::ivec2 a = screenPoint(from), b = screenPoint(to);
        int hits = 0, all = 0;
        for (int y = a.y; y < b.y; ++y) {
            for (int x = a.x; x < b.x; ++x) {
                ++all;
                hits += test(rgb(shot.at(x, y)));
            }
        }
        return all ? static_cast<float>(hits) / static_cast<float>(all) : 0.0f;
    }
    // The share of pixels of a design rectangle that differ between two screens.
    float changed(const Screenshot& a, const Screenshot& b, glm::vec2 from, glm::vec2 to) const {
        const glm::ivec2 p = screenPoint(from), q = screenPoint(to);
        int hits = 0, all = 0;
        for (int y = p.y; y < q.y; ++y) {
            for (int x = p.x; x < q.x; ++x) {
                ++all;
                hits += !vorn::test::near(a.at(x, y), b.at(x, y), 16);
            }
        }
        return all ? static_cast<float>(hits) / static_cast<float>(all) : 0.0f;
    }

    // The album opened from the map's button, its tree once written.
    Nodes openAlbumFromTheMap(const std::string& label) {
        const Nodes map = waitTree("MapScene", "after entry");
        const std::string button = node(map, "bottomLeft/albumButton");
        EXPECT_TRUE(has(button, "shown=1 enabled=1")) << button;
        shoot(label + "-map");
        EXPECT_TRUE(click(centreOf(button)));
        return waitTree("AlbumScene", "after entry");
    }

    std::unique_ptr<VirtualScreen> screen_;
    Display* display_ = nullptr;
    // Full screen at 5:4: the design's 960 x 768, 4 / 3 pixels to the unit.
    const float k_ = 1024.0f / 768.0f;
    vorn::test::TempDir home_;
    ProgramRun program_;
};

constexpr const char* kPerfume = "book/pages/1/1/a1-perfume";
constexpr const char* kLavender = "book/pages/1/1/a2-lavender";
constexpr const char* kFirstPart = "1/a1-perfume-1";
// Inside the album tutorial's dark card, below the hand.
constexpr glm::vec2 kCard0{720, 480};
constexpr glm::vec2 kCard1{900, 540};

TEST_F(AlbumRun, AFirstPartIsRefusedByAnotherArtifactPlacedOnItsOwnAndShownPlacedAfterARestart) {
    seed(1, {kFirstPart}, {});
    program_.start();

    // The map offers the album over everything else a second after entry.
    Nodes map = waitTree("MapScene", "album tutorial");
    ASSERT_FALSE(map.empty()) << program_.log();
    EXPECT_TRUE(has(node(map, "albumTutorialPopup"), "shown=1")) << node(map, "albumTutorialPopup");
    EXPECT_TRUE(has(node(map, "albumBadge"), "shown=1")) << node(map, "albumBadge");
    EXPECT_TRUE(has(node(map, "welcomePopup"), "shown=0"));
    const glm::vec2 open = centreOf(node(map, "albumTutorialOpen"));
    shootWhen("1-map-album-tutorial", [&](const Screenshot& shot) {
        return share(shot, open - glm::vec2(60, 10), open + glm::vec2(60, 10), ribbonGreen) > 0.5f;
    });
    EXPECT_TRUE(eventually([&] { return ann().get("albumTutorialShown").asBool(); }, 10));

    // Its button opens the album on the first place, the part in the list,
    // and the album's own tutorial a second later.
    ASSERT_TRUE(click(open));
    Nodes album = waitTree("AlbumScene", "after entry");
    ASSERT_FALSE(album.empty()) << program_.log();
    EXPECT_TRUE(has(node(album, "pageNumber"), "text=\"1 / 9\"")) << node(album, "pageNumber");
    EXPECT_TRUE(has(node(album, "partsNodelist"), "children=1")) << node(album, "partsNodelist");
    const std::string partLine = node(album, std::string("partsNodelist/") + kFirstPart);
    ASSERT_TRUE(has(partLine, "shown=1")) << partLine;
    const glm::vec2 part = centreOf(partLine);
    const glm::vec2 perfume = centreOf(node(album, kPerfume));
    const glm::vec2 lavender = centreOf(node(album, kLavender));
    ASSERT_GT(perfume.x, 0.0f);
    ASSERT_GT(lavender.x, 0.0f);
    album = waitTree("AlbumScene", "album tutorial");
    EXPECT_TRUE(has(node(album, "content/tutorial"), "shown=1")) << node(album, "content/tutorial");
    EXPECT_TRUE(eventually([&] { return ann().get("insideAlbumTutorialShown").asBool(); }, 10));
    const Screenshot before = shootWhen("2-album-tutorial", [&](const Screenshot& shot) {
        return share(shot, {330, 380}, {350, 420}, parchment) > 0.95f && share(shot, kCard0, kCard1, dark) > 0.5f;
    });
    const std::string fileBefore = usersFile();

    // Onto the lavender: refused, the part back on its tile, the page and
    // the users file as they were.
    ASSERT_TRUE(drag(part, lavender));
    ASSERT_TRUE(eventually([&] { return logged("ArtifactPartNode::onCancelDrag"); }, 10)) << program_.log();
    const glm::vec2 tile0 = part - glm::vec2(50, 50), tile1 = part + glm::vec2(50, 50);
    const Screenshot refused = shootWhen("3-refused", [&](const Screenshot& shot) {
        return changed(before, shot, tile0, tile1) < 0.02f;
    });
    EXPECT_LT(changed(before, refused, lavender - glm::vec2(100, 100), lavender + glm::vec2(100, 100)), 0.01f);
    EXPECT_LT(changed(before, refused, perfume - glm::vec2(100, 100), perfume + glm::vec2(100, 100)), 0.01f);
    EXPECT_EQ(usersFile(), fileBefore);
    EXPECT_EQ(trees("AlbumScene", "part placed"), 0u);
    EXPECT_FALSE(logged("not placed"));

    // Onto the perfume: placed, shown on the artifact, the tutorial closed,
    // and in the users file.
    ASSERT_TRUE(drag(part, perfume));
    album = waitTree("AlbumScene", "part placed");
    ASSERT_FALSE(album.empty()) << program_.log();
    const std::string placedLine = node(album, std::string(kPerfume) + "/" + kFirstPart);
    EXPECT_TRUE(has(placedLine, "kind=image state=default shown=1")) << placedLine;
    EXPECT_TRUE(has(node(album, "partsNodelist"), "children=0")) << node(album, "partsNodelist");
    // The tutorial fades out on its way back to the default state.
    EXPECT_TRUE(has(node(album, "content/tutorial"), "state=default")) << node(album, "content/tutorial");
    EXPECT_EQ(saved("placedParts"), std::vector<std::string>{kFirstPart});
    EXPECT_TRUE(saved("collectedParts").empty());
    // The part's colours on the artifact once its sparkle and glow have
    // passed (the artifact as it was a second ago), the tile gone from the
    // list, the tutorial's dark card gone.
    Screenshot earlier;
    auto earlierAt = std::chrono::steady_clock::now() - std::chrono::seconds(1);
    const Screenshot placed = shootWhen("4-placed", [&](const Screenshot& shot) {
        if (std::chrono::steady_clock::now() - earlierAt < std::chrono::seconds(1)) return false;
        const bool still = !earlier.pixels.empty() &&
                           changed(earlier, shot, perfume - glm::vec2(100, 100), perfume + glm::vec2(100, 100)) < 0.002f;
        earlier = shot;
        earlierAt = std::chrono::steady_clock::now();
        return still && changed(before, shot, perfume - glm::vec2(100, 100), perfume + glm::vec2(100, 100)) > 0.03f &&
               share(shot, tile0, tile1, parchment) > 0.9f && share(shot, kCard0, kCard1, dark) < 0.01f;
    });
    EXPECT_LT(changed(before, placed, lavender - glm::vec2(100, 100), lavender + glm::vec2(100, 100)), 0.01f);

    // Back to the map, and the program closed as a window manager would.
    ASSERT_TRUE(click(centreOf(node(album, "mapButton"))));
    map = waitTree("MapScene", "after entry", 2);
    ASSERT_FALSE(map.empty()) << program_.log();
    EXPECT_TRUE(has(node(map, "albumBadge"), "shown=0")) << node(map, "albumBadge");
    shoot("5-map-again");
    const Window window = vorn::test::findWindow(display_, DefaultRootWindow(display_), "Mahjong");
    ASSERT_NE(window, 0u);
    vorn::test::closeLikeAWindowManager(display_, window);
    ASSERT_EQ(program_.waitForExit(), 0);

    // The next start reads the part back: placed, nothing left to place,
    // no tutorial again, and the page drawn as it was left.
    program_.start();
    album = openAlbumFromTheMap("6-restart");
    ASSERT_FALSE(album.empty()) << program_.log();
    EXPECT_EQ(trees("MapScene", "album tutorial"), 0u);
    EXPECT_TRUE(has(node(album, std::string(kPerfume) + "/" + kFirstPart), "kind=image state=default shown=1"))
        << program_.log();
    EXPECT_TRUE(has(node(album, "partsNodelist"), "children=0"));
    const Screenshot again = shootWhen("7-restart-album", [&](const Screenshot& shot) {
        return changed(placed, shot, perfume - glm::vec2(100, 100), perfume + glm::vec2(100, 100)) < 0.01f;
    });
    EXPECT_GT(share(again, perfume - glm::vec2(100, 100), perfume + glm::vec2(100, 100), purple), 0.004f);
    EXPECT_LT(share(before, perfume - glm::vec2(100, 100), perfume + glm::vec2(100, 100), purple), 0.002f);
    EXPECT_LT(changed(placed, again, lavender - glm::vec2(100, 100), lavender + glm::vec2(100, 100)), 0.01f);
    EXPECT_EQ(trees("AlbumScene", "album tutorial"), 0u);
}

TEST_F(AlbumRun, TheLastPartOfAPlaceOpensItsPopupThePagesTurnAndTheMapButtonLeads) {
    seed(17, {"1/a4-hat-4", "2/a1-compass-1"}, provenceButOne(),
         "<key>albumTutorialShown</key><true/><key>insideAlbumTutorialShown</key><true/>");
    program_.start();
    Nodes album = openAlbumFromTheMap("1");
    ASSERT_FALSE(album.empty()) << program_.log();
    EXPECT_TRUE(has(node(album, "pageNumber"), "text=\"1 / 9\""));
    EXPECT_TRUE(has(node(album, "partsNodelist"), "children=2"));
    const glm::vec2 part = centreOf(node(album, "partsNodelist/1/a4-hat-4"));
    const glm::vec2 hat = centreOf(node(album, "book/pages/1/1/a4-hat"));
    ASSERT_GT(part.x, 0.0f);
    ASSERT_GT(hat.x, 0.0f);
    const Screenshot page1 = shootWhen("2-page-1", [&](const Screenshot& shot) {
        return share(shot, {330, 380}, {350, 420}, parchment) > 0.95f;
    });

    ASSERT_TRUE(drag(part, hat));
    album = waitTree("AlbumScene", "place complete");
    ASSERT_FALSE(album.empty()) << program_.log();
    EXPECT_TRUE(has(node(album, "placeComplete"), "state=provence shown=1")) << node(album, "placeComplete");
    EXPECT_TRUE(has(node(album, "completeTitles/1"), "shown=1")) << node(album, "completeTitles/1");
    EXPECT_EQ(saved("placedParts").size(), 16u);
    EXPECT_EQ(saved("collectedParts"), std::vector<std::string>{"2/a1-compass-1"});
    // The green ribbon over the panel, the red seal, the album dimmed.
    const glm::vec2 middle{480, 384};
    const Screenshot popup = shootWhen("3-place-complete", [&](const Screenshot& shot) {
        return share(shot, middle + glm::vec2(-160, -205), middle + glm::vec2(-120, -175), ribbonGreen) > 0.8f &&
               share(shot, middle + glm::vec2(-25, -70), middle + glm::vec2(25, -30), sealRed) > 0.4f;
    });
    const Rgb corner = rgb(popup.at(4, 1010));
    EXPECT_LT(corner.r + corner.g + corner.b, 200);

    ASSERT_TRUE(click(centreOf(node(album, "placePopup/continue"))));
    // The popup fades out before the page answers the pointer again.
    shootWhen("4-popup-closed", [&](const Screenshot& shot) {
        return share(shot, middle + glm::vec2(-25, -70), middle + glm::vec2(25, -30), sealRed) < 0.01f &&
               share(shot, {330, 380}, {350, 420}, parchment) > 0.95f;
    });
    // The next page: Marseille, the compass waiting beside it.
    ASSERT_TRUE(click(centreOf(node(album, "nextPage"))));
    album = waitTree("AlbumScene", "page turn", 1);
    ASSERT_FALSE(album.empty()) << program_.log();
    EXPECT_TRUE(has(node(album, "placeComplete"), "shown=0")) << node(album, "placeComplete");
    EXPECT_TRUE(has(node(album, "pageNumber"), "text=\"2 / 9\"")) << node(album, "pageNumber");
    EXPECT_TRUE(has(node(album, "book/pages/2"), "shown=1"));
    EXPECT_TRUE(has(node(album, "book/pages/1"), "shown=0"));
    const glm::vec2 compass = centreOf(node(album, "book/pages/2/2/a1-compass"));
    const Screenshot page2 = shootWhen("5-page-2", [&](const Screenshot& shot) {
        return changed(page1, shot, compass - glm::vec2(100, 100), compass + glm::vec2(100, 100)) > 0.1f;
    });

    // And back: the first page as it was, now whole.
    ASSERT_TRUE(click(centreOf(node(album, "prevPage"))));
    album = waitTree("AlbumScene", "page turn", 2);
    EXPECT_TRUE(has(node(album, "pageNumber"), "text=\"1 / 9\"")) << node(album, "pageNumber");
    EXPECT_TRUE(has(node(album, "book/pages/1/1/a4-hat/1/a4-hat-4"), "shown=1"));
    shootWhen("6-page-1-again", [&](const Screenshot& shot) {
        return changed(page2, shot, compass - glm::vec2(100, 100), compass + glm::vec2(100, 100)) > 0.1f;
    });

    ASSERT_TRUE(click(centreOf(node(album, "mapButton"))));
    const Nodes map = waitTree("MapScene", "after entry", 2);
    ASSERT_FALSE(map.empty()) << program_.log();
    EXPECT_TRUE(has(node(map, "albumBadge"), "shown=1"));
    shoot("7-map");
}

TEST_F(AlbumRun, APartPlacedJustBeforeASigkillIsPlacedAtTheNextStart) {
    seed(2, {kFirstPart, "1/a1-perfume-2"}, {},
         "<key>albumTutorialShown</key><true/><key>insideAlbumTutorialShown</key><true/>");
    program_.start();
    Nodes album = openAlbumFromTheMap("1");
    ASSERT_FALSE(album.empty()) << program_.log();
    const glm::vec2 part = centreOf(node(album, std::string("partsNodelist/") + kFirstPart));
    const glm::vec2 perfume = centreOf(node(album, kPerfume));
    ASSERT_GT(part.x, 0.0f);
    ASSERT_TRUE(drag(part, perfume));
    // Killed the moment the album says the part is placed.
    ASSERT_TRUE(eventually([&] { return trees("AlbumScene", "part placed") > 0; }, 20)) << program_.log();
    program_.kill();

    EXPECT_EQ(saved("placedParts"), std::vector<std::string>{kFirstPart});
    EXPECT_EQ(saved("collectedParts"), std::vector<std::string>{"1/a1-perfume-2"});
    program_.start();
    album = openAlbumFromTheMap("3-restart");
    ASSERT_FALSE(album.empty()) << program_.log();
    EXPECT_TRUE(has(node(album, std::string(kPerfume) + "/" + kFirstPart), "kind=image state=default shown=1"))
        << program_.log();
    EXPECT_TRUE(has(node(album, "partsNodelist"), "children=1"));
    EXPECT_TRUE(has(node(album, "partsNodelist/1/a1-perfume-2"), "shown=1"));
    shootWhen("4-restart-album", [&](const Screenshot& shot) {
        return share(shot, perfume - glm::vec2(100, 100), perfume + glm::vec2(100, 100), purple) > 0.004f;
    });
}

} // namespace
