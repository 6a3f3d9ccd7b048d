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

using vorn::test::centreOf;
using vorn::test::eventually;
using vorn::test::has;
using vorn::test::node;
using vorn::test::Nodes;
using vorn::test::Screenshot;
namespace record = vorn::test::record;

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

class AlbumRun : public vorn::test::ProgramRunTest {
protected:
    // Ann, who has won the first levels, with the parts they gave her and
    // whatever else her record holds.
    void seed(int levelsWon, const std::vector<std::string>& collected, const std::vector<std::string>& placed,
              const std::string& more = "") {
        writeAnn(record::flag("welcomeTutorialShown") + record::wonLevels(levelsWon) + record::amounts(400, 3, 3, 2) +
                 record::strings("collectedParts", collected) + record::strings("placedParts", placed) + more);
    }

    std::vector<std::string> saved(const char* key) const {
        const vorn::Value list = player("Ann").get(key);
        std::vector<std::string> ids;
        for (unsigned i = 0; i < list.size(); ++i) ids.push_back(list.at(i).toString());
        return ids;
    }

    // Pressed on one design point, moved in steps and released on another.
    bool drag(glm::vec2 from, glm::vec2 to) const {
        std::vector<glm::vec2> path;
        for (int i = 0; i <= 4; ++i) path.push_back(from + (to - from) * (i / 4.0f));
        return ProgramRunTest::drag(path);
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
    expectScreen("1-map-album-tutorial", [&](const Screenshot& shot) {
        return share(shot, open - glm::vec2(60, 10), open + glm::vec2(60, 10), ribbonGreen) > 0.5f;
    });
    EXPECT_TRUE(eventually([&] { return player("Ann").get("albumTutorialShown").asBool(); }));

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
    EXPECT_TRUE(eventually([&] { return player("Ann").get("insideAlbumTutorialShown").asBool(); }));
    const Screenshot before = expectScreen("2-album-tutorial", [&](const Screenshot& shot) {
        return share(shot, {330, 380}, {350, 420}, parchment) > 0.95f && share(shot, kCard0, kCard1, dark) > 0.5f;
    });
    const std::string fileBefore = usersFileText();

    // Onto the lavender: refused, the part back on its tile, the page and
    // the users file as they were.
    ASSERT_TRUE(drag(part, lavender));
    ASSERT_TRUE(eventually([&] { return logged("ArtifactPartNode::onCancelDrag"); })) << program_.log();
    const glm::vec2 tile0 = part - glm::vec2(50, 50), tile1 = part + glm::vec2(50, 50);
    const Screenshot refused = expectScreen("3-refused", [&](const Screenshot& shot) {
        return changed(before, shot, tile0, tile1) < 0.02f;
    });
    EXPECT_LT(changed(before, refused, lavender - glm::vec2(100, 100), lavender + glm::vec2(100, 100)), 0.01f);
    EXPECT_LT(changed(before, refused, perfume - glm::vec2(100, 100), perfume + glm::vec2(100, 100)), 0.01f);
    EXPECT_EQ(usersFileText(), fileBefore);
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
    const Screenshot placed = expectScreen("4-placed", [&](const Screenshot& shot) {
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
    ASSERT_EQ(closeProgram(), 0);

    // The next start reads the part back: placed, nothing left to place,
    // no tutorial again, and the page drawn as it was left.
    program_.start();
    album = openAlbumFromTheMap("6-restart");
    ASSERT_FALSE(album.empty()) << program_.log();
    EXPECT_EQ(trees("MapScene", "album tutorial"), 0u);
    EXPECT_TRUE(has(node(album, std::string(kPerfume) + "/" + kFirstPart), "kind=image state=default shown=1"))
        << program_.log();
    EXPECT_TRUE(has(node(album, "partsNodelist"), "children=0"));
    const Screenshot again = expectScreen("7-restart-album", [&](const Screenshot& shot) {
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
    const Screenshot page1 = expectScreen("2-page-1", [&](const Screenshot& shot) {
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
    const Screenshot popup = expectScreen("3-place-complete", [&](const Screenshot& shot) {
        return share(shot, middle + glm::vec2(-160, -205), middle + glm::vec2(-120, -175), ribbonGreen) > 0.8f &&
               share(shot, middle + glm::vec2(-25, -70), middle + glm::vec2(25, -30), sealRed) > 0.4f;
    });
    const Rgb corner = rgb(popup.at(4, 1010));
    EXPECT_LT(corner.r + corner.g + corner.b, 200);

    ASSERT_TRUE(click(centreOf(node(album, "placePopup/continue"))));
    // The popup fades out before the page answers the pointer again.
    expectScreen("4-popup-closed", [&](const Screenshot& shot) {
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
    const Screenshot page2 = expectScreen("5-page-2", [&](const Screenshot& shot) {
        return changed(page1, shot, compass - glm::vec2(100, 100), compass + glm::vec2(100, 100)) > 0.1f;
    });

    // And back: the first page as it was, now whole.
    ASSERT_TRUE(click(centreOf(node(album, "prevPage"))));
    album = waitTree("AlbumScene", "page turn", 2);
    EXPECT_TRUE(has(node(album, "pageNumber"), "text=\"1 / 9\"")) << node(album, "pageNumber");
    EXPECT_TRUE(has(node(album, "book/pages/1/1/a4-hat/1/a4-hat-4"), "shown=1"));
    expectScreen("6-page-1-again", [&](const Screenshot& shot) {
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
    ASSERT_TRUE(eventually([&] { return trees("AlbumScene", "part placed") > 0; })) << program_.log();
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
    expectScreen("4-restart-album", [&](const Screenshot& shot) {
        return share(shot, perfume - glm::vec2(100, 100), perfume + glm::vec2(100, 100), purple) > 0.004f;
    });
}

} // namespace
