// The real program in developer mode on a 1280 x 1024 screen: a player
// plays level 2 from the map, F4 opens the level editor, a layer is chosen,
// two tiles are placed on it, the gold mode and the second background are
// chosen, and the layout is saved; the game that follows shows the edited
// level, and the layout file holds exactly what was placed. The program
// runs in a copy of the data whose level files are its own, so nothing is
// written into the repository.
#include "ProgramRun.h"

#include "core/Data.h"
#include "core/Value.h"
#include "mahjong/Level.h"
#include "mahjong/TilePosition.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;

using vorn::test::centreOf;
using vorn::test::eventually;
using vorn::test::has;
using vorn::test::node;
using vorn::test::Screenshot;
namespace record = vorn::test::record;

using Place = std::tuple<int, int, int>;

// The interface kit's colours where the probes look: a round choice and
// its ring, chosen (green) or not (blue); the palette's tiles.
constexpr std::uint32_t kGreen = 0x4CB944;
constexpr std::uint32_t kBlue = 0x3C8FDB;
constexpr std::uint32_t kGreenRing = 0x53BD4A;
constexpr std::uint32_t kBlueRing = 0x4595DE;
constexpr std::uint32_t kChosenTile = 0xFDE39F;
constexpr std::uint32_t kPlainTile = 0xF5EEDC;
constexpr std::uint32_t kTileEdge = 0xFBF8EF;

std::set<Place> places(const mahjong::Level& layout) {
    std::set<Place> out;
    for (const auto& p : layout.places) out.insert({p.position.x, p.position.y, p.position.z});
    return out;
}

class EditorRun : public vorn::test::ProgramRunTest {
protected:
    void SetUp() override {
        ProgramRunTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // The game's data, with level files of the run's own.
        const fs::path data = work_.path() / "data";
        fs::create_directories(data);
        for (const auto& entry : fs::directory_iterator(fs::current_path() / "data")) {
            const fs::path name = entry.path().filename();
            if (name == "levels") fs::copy(entry.path(), data / name, fs::copy_options::recursive);
            else fs::create_directory_symlink(entry.path(), data / name);
        }
        // A player who has won level 1 (so level 2 comes next, which has
        // no tutorial over the board), in developer mode.
        enableDeveloperMode();
        writeAnn(record::flag("welcomeTutorialShown") + record::wonLevels(1) + record::amounts(300, 3, 3, 2));
        program_.setWorkingDirectory(work_.path().string());
    }

    // The centre of a named node of the editor, from its tree.
    glm::vec2 editorNode(const std::string& path) const {
        const std::string line = node(tree("EditorScene", "after entry"), path);
        EXPECT_FALSE(line.empty()) << "no node " << path;
        return centreOf(line);
    }

    vorn::test::TempDir work_;
};

TEST_F(EditorRun, PlacedTilesModeAndBackgroundAreSavedAndPlayed) {
    const std::string layoutFile = (work_.path() / "data/levels/002.plist").string();
    const mahjong::Level before(layoutFile);
    ASSERT_EQ(before.places.size(), 24u);
    const std::string repositoryFile = vorn::test::readBytes("data/levels/002.plist");
    program_.start();
    ASSERT_NE(waitForWindow(), 0u);

    // The map, then level 2 through the play button.
    const auto map = waitTree("MapScene", "after entry");
    ASSERT_FALSE(map.empty()) << log();
    ASSERT_TRUE(click(centreOf(node(map, "bottomRight/playButton"))));
    ASSERT_FALSE(waitTree("GameScene", "after entry").empty()) << log();
    // The game's own frame: its blue map button where the map had the player's badge.
    const Screenshot game = shootWhen("1-game", {18, 41}, 0x4596DF);

    // F4: the editor on level 2's layout.
    ASSERT_TRUE(keyboard("key F4"));
    const auto nodes = waitTree("EditorScene", "after entry");
    ASSERT_FALSE(nodes.empty()) << log();
    // The tree is written before the frame that shows it: the panels are in once the save button is.
    const glm::vec2 saveButton = editorNode("editor/controls/saveButton") + glm::vec2(-60, 0);
    const Screenshot opened = shootWhen("2-editor", saveButton, kGreen);
    EXPECT_TRUE(has(node(nodes, "editor/controls/editorTitle"), "text=\"Level editor\" state=default shown=1"));
    EXPECT_TRUE(has(node(nodes, "editor/controls/editorLevelName"), "text=\"Level 2\""));
    EXPECT_TRUE(has(node(nodes, "editor/controls/tilesCount"), "text=\"Tiles to pair: 24\""));
    EXPECT_TRUE(has(node(nodes, "editor/controls/layer9/mark"), "shown=1"));
    EXPECT_TRUE(has(node(nodes, "editor/controls/mode1/mark"), "shown=1"));
    EXPECT_TRUE(has(node(nodes, "editor/controls/mode2/mark"), "shown=0"));
    EXPECT_TRUE(has(node(nodes, "editor/palette/tile0/mark"), "shown=1"));
    EXPECT_TRUE(has(node(nodes, "editor/controls/backgroundSpinbox/text"), "text=\"1.xml\""));
    EXPECT_TRUE(has(node(nodes, "editor/controls/pairing/0"), "shown=1"));
    EXPECT_TRUE(has(node(nodes, "saveFailedPopup"), "shown=0"));
    // The tool's panels, the chosen layer and mode in green, the chosen tile in gold.
    const glm::vec2 under(0, 10);
    const glm::vec2 ring(-22, 0);
    expectColour(opened, "layer 9 chosen", editorNode("editor/controls/layer9") + under, kGreen);
    expectColour(opened, "layer 1 not chosen", editorNode("editor/controls/layer1") + under, kBlue);
    expectColour(opened, "all tiles chosen", editorNode("editor/controls/mode1") + ring, kGreenRing);
    expectColour(opened, "gold mode not chosen", editorNode("editor/controls/mode2") + ring, kBlueRing);
    expectColour(opened, "blank tile chosen", editorNode("editor/palette/tile0"), kChosenTile);
    expectColour(opened, "save button", saveButton, kGreen);

    // Where a tile placed at p would have its centre: from the board's
    // origin and scale in the log.
    float ox = 0, oy = 0, s = 0;
    for (const std::string& line : vorn::test::lines(program_.log())) {
        const auto at = line.find("board origin (");
        if (line.rfind("EditorScene: editing level 2", 0) == 0 && at != std::string::npos) {
            std::sscanf(line.c_str() + at, "board origin (%f, %f) scale %f", &ox, &oy, &s);
        }
    }
    ASSERT_GT(s, 0.0f) << program_.log();
    const auto cell = [&](const mahjong::TilePosition& p) {
        return glm::vec2(ox, oy) + mahjong::gridToPixels(p) * s;
    };

    // Each step is on the screen before the next is taken: a frame that
    // shows it has also run what the step set going (the board's layer,
    // the level's mode and background follow within that frame).
    Screenshot edited;
    const auto shows = [&](const std::function<bool(const Screenshot&)>& condition) {
        return eventually([&] {
            edited = Screenshot::take(display_);
            return condition(edited);
        }, 30);
    };
    const auto near = [&](const Screenshot& shot, glm::vec2 at, std::uint32_t colour) {
        return vorn::test::near(pixel(shot, at), colour, 16);
    };
    const glm::vec2 layer1 = editorNode("editor/controls/layer1") + under;
    const glm::vec2 mode2 = editorNode("editor/controls/mode2") + ring;
    const glm::vec2 behind(600, 520);
    const std::vector<mahjong::TilePosition> added = {{5, 1, 1}, {13, 1, 1}};
    // Each new tile stands a little higher than the one below it: its top
    // edge covers what showed above that tile before.
    const auto topOf = [&](const mahjong::TilePosition& p) { return cell(p) + glm::vec2(0.0f, -75.0f) * s; };

    // Layer 1, a face to tell the new tiles by, two tiles over layer 0.
    ASSERT_TRUE(click(editorNode("editor/controls/layer1")));
    ASSERT_TRUE(shows([&](const Screenshot& shot) { return near(shot, layer1, kGreen); })) << edited.save("layer 1");
    ASSERT_TRUE(click(editorNode("editor/palette/tile12")));
    for (const auto& p : added) ASSERT_TRUE(click(cell(p)));
    ASSERT_TRUE(shows([&](const Screenshot& shot) { return near(shot, topOf(added[0]), kTileEdge) && near(shot, topOf(added[1]), kTileEdge); }))
        << edited.save("tiles");
    // The gold mode and the next background.
    ASSERT_TRUE(click(editorNode("editor/controls/mode2")));
    ASSERT_TRUE(shows([&](const Screenshot& shot) { return near(shot, mode2, kGreenRing); })) << edited.save("mode");
    ASSERT_TRUE(click(editorNode("editor/controls/backgroundSpinbox") + glm::vec2(68, 0)));
    ASSERT_TRUE(shows([&](const Screenshot& shot) { return !near(shot, behind, pixel(opened, behind)); }))
        << edited.save("background");
    edited.save("3-edited");
    expectColour(edited, "layer 1 chosen", editorNode("editor/controls/layer1") + under, kGreen);
    expectColour(edited, "layer 9 let go", editorNode("editor/controls/layer9") + under, kBlue);
    expectColour(edited, "gold mode chosen", editorNode("editor/controls/mode2") + ring, kGreenRing);
    expectColour(edited, "all tiles let go", editorNode("editor/controls/mode1") + ring, kBlueRing);
    expectColour(edited, "blank tile let go", editorNode("editor/palette/tile0"), kPlainTile);
    for (const auto& p : added) {
        const std::string where = " at (" + std::to_string(p.x) + ", " + std::to_string(p.y) + ", " + std::to_string(p.z) + ")";
        expectColour(edited, "new tile" + where, topOf(p), kTileEdge);
        EXPECT_FALSE(near(opened, topOf(p), kTileEdge)) << "a tile" << where << " before it was placed";
    }
    EXPECT_NE(pixel(edited, behind), pixel(opened, behind));

    ASSERT_TRUE(click(editorNode("editor/controls/saveButton")));
    ASSERT_TRUE(waitForLog("EditorScene: level 2 saved to data/levels/002.plist: 26 places, mode 2")) << log();
    // The game's second entry: its tree is written again.
    ASSERT_TRUE(eventually([&] {
        return vorn::test::countLines(log(), "GameScene tree after entry: state default") == 2;
    })) << log();
    const Screenshot played = shootWhen("4-game-after-save", {67.5f, 112.5f}, 0xF6DA8A, 30);
    // A new background behind the game, and the gold goal in the left column.
    EXPECT_NE(pixel(played, {480, 740}), pixel(game, {480, 740})) << played.save("4-background");
    expectColour(played, "gold goal", {67.5f, 112.5f}, 0xF6DA8A, 30);

    EXPECT_EQ(closeProgram(), 0);
    EXPECT_FALSE(has(program_.log(), "Error")) << program_.log();

    // The file holds the places of before and the two placed, all plain, in
    // the gold mode over the second background.
    const mahjong::Level saved(layoutFile);
    std::set<Place> expected = places(before);
    for (const auto& p : added) expected.insert({p.x, p.y, p.z});
    EXPECT_EQ(places(saved), expected);
    EXPECT_EQ(saved.places.size(), 26u);
    for (const auto& p : saved.places) EXPECT_EQ(p.type, 0);
    EXPECT_EQ(saved.mode, 2);
    EXPECT_EQ(saved.background, "2.xml");
    // The repository's own file is untouched.
    EXPECT_EQ(vorn::test::readBytes("data/levels/002.plist"), repositoryFile);
}

} // namespace
