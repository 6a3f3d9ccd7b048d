// The editor board: building from a layout, placing and removing tiles by
// clicks, the layer display, the counts and saving.

#include "BoardFixture.h"
#include "Layouts.h"

#include "core/EventDispatcher.h"
#include "mahjong/EditorBoard.h"
#include "mahjong/EditorTile.h"
#include "support/LogCapture.h"
#include "support/TempDir.h"

namespace mahjong::test {
namespace {

class EditorFixture : public BoardFixture {
public:
    std::shared_ptr<EditorBoard> open(const std::shared_ptr<Level>& level) {
        editor = std::make_shared<EditorBoard>(level);
        vorn::DataSource::get("tileType")->set(vorn::Value(0));
        scene->addChild(editor);
        step(0.1f);
        return editor;
    }
    // Clicks the cell (x, y, z) with its layer chosen for editing, at the
    // centre of a tile placed there.
    void clickCell(int x, int y, int z, vorn::eButtonName button = vorn::BUTTON_LEFT) {
        editor->showLayer(z);
        step(0.02f);
        const glm::vec2 at = editor->localToWorld(gridToPixels(TilePosition(x, y, z)));
        scene->mouseDown(at, button);
        scene->mouseUp(at, button);
        step(0.05f);
    }
    int placed() const {
        int n = 0;
        for (const auto& t : editor->tiles) n += t->type >= 0;
        return n;
    }
    std::shared_ptr<EditorBoard> editor;
};

TEST_F(EditorFixture, OpensALayoutWithMarkersInEveryFreeCell) {
    open(layout(turtle()));
    EXPECT_EQ(placed(), 144);
    EXPECT_EQ(editor->tileCount(), 144);
    EXPECT_EQ(dataSource("tilesToPairCount"), 144);
    EXPECT_FALSE(vorn::DataSource::get("oddTilesCount")->value().asBool());
    EXPECT_EQ(dataSource("layer"), 9);
    // Every cell of the 35 x 19 x 10 block holds a tile or a marker.
    for (int z = 0; z < 10; ++z)
        for (int y = 0; y < 19; ++y)
            for (int x = 0; x < 35; ++x) ASSERT_TRUE(editor->cellAt({x, y, z})) << x << "," << y << "," << z;
}

TEST_F(EditorFixture, PlaceRemoveSaveAndLoadBack) {
    vorn::test::TempDir dir;
    auto level = std::make_shared<Level>(dir.file("new.plist"));
    open(level);
    editor->setScale({0.4f, 0.4f});
    step(0.05f);
    clickCell(0, 0, 0);
    clickCell(2, 1, 0);
    clickCell(1, 0, 1);  // resting on both
    clickCell(30, 0, 1); // in the air: refused
    clickCell(1, 1, 0);  // on occupied cells: refused
    EXPECT_EQ(placed(), 3);
    EXPECT_EQ(dataSource("tilesToPairCount"), 3);
    EXPECT_TRUE(vorn::DataSource::get("oddTilesCount")->value().asBool());
    EXPECT_FALSE(editor->save());

    // Edge cells take clicks too.
    clickCell(34, 18, 0);
    EXPECT_EQ(placed(), 4);
    EXPECT_TRUE(editor->save());
    Level back(level->path);
    ASSERT_EQ(back.places.size(), 4u);
    std::set<std::tuple<int, int, int>> saved;
    for (const LevelPlace& p : back.places) saved.insert({p.position.x, p.position.y, p.position.z});
    EXPECT_EQ(saved, (std::set<std::tuple<int, int, int>>{{0, 0, 0}, {2, 1, 0}, {1, 0, 1}, {34, 18, 0}}));

    // Taking a tile off gives its cells markers again; the covering tile's
    // cells stay its own.
    clickCell(2, 1, 0, vorn::BUTTON_RIGHT);
    EXPECT_EQ(placed(), 3);
    for (const TilePosition& c : {TilePosition(2, 1, 0), TilePosition(3, 2, 0)}) {
        ASSERT_TRUE(editor->cellAt(c));
        EXPECT_EQ(editor->cellAt(c)->type, kNoType);
    }
    const auto top = editor->cellAt({1, 0, 1});
    ASSERT_TRUE(top);
    EXPECT_EQ(top->type, 0);
    EXPECT_EQ(editor->cellAt({2, 1, 1}), top);
}

TEST_F(EditorFixture, CoveredMarkersLeaveTheBoard) {
    open(layout({}));
    const std::size_t before = editor->tiles.size();
    editor->setScale({0.4f, 0.4f});
    step(0.05f);
    clickCell(4, 4, 0);
    // Four markers gave way to one tile.
    EXPECT_EQ(editor->tiles.size(), before - 3);
    for (const auto& t : editor->tiles) {
        if (t->type >= 0) continue;
        const TilePosition& p = t->position;
        EXPECT_EQ(editor->cellAt(p), t) << "a marker off the grid is still on the board";
    }
    // Clicking where a covered marker was removes the tile, not its cell.
    clickCell(4, 4, 0, vorn::BUTTON_RIGHT);
    EXPECT_EQ(placed(), 0);
    EXPECT_EQ(editor->tiles.size(), before);
}

TEST_F(EditorFixture, LayerDisplay) {
    open(layout(turtle()));
    vorn::DataSource::get("layer")->set(vorn::Value(0));
    vorn::EventDispatcher::instance()->process();
    const auto bottom = editor->cellAt({2, 0, 0});
    const auto middle = editor->cellAt({8, 2, 1});
    const auto high = editor->cellAt({10, 4, 2});
    ASSERT_TRUE(bottom && middle && high);
    EXPECT_TRUE(bottom->isEnabled());
    EXPECT_TRUE(bottom->isVisible());
    EXPECT_FALSE(middle->isEnabled());
    EXPECT_TRUE(middle->isVisible());
    EXPECT_NEAR(middle->getColor().a, 160.0f / 255.0f, 1e-4f);
    EXPECT_FALSE(high->isVisible());
}

TEST_F(EditorFixture, BearsCountInModeThree) {
    vorn::test::TempDir dir;
    auto level = std::make_shared<Level>(dir.file("bears.plist"));
    std::vector<LevelPlace> eight;
    for (int i = 0; i < 8; ++i) eight.emplace_back(2 * i, 0, 0, 0);
    level->places = eight;
    open(level);
    vorn::DataSource::get("mahjongMode")->set(vorn::Value(3));
    vorn::DataSource::get("bearsCount")->set(vorn::Value(3));
    vorn::EventDispatcher::instance()->process();
    EXPECT_EQ(dataSource("tilesToPairCount"), 11);
    EXPECT_FALSE(editor->save());
    vorn::DataSource::get("bearsCount")->set(vorn::Value(4));
    vorn::EventDispatcher::instance()->process();
    EXPECT_EQ(dataSource("tilesToPairCount"), 12);
    EXPECT_TRUE(editor->save());
    Level back(level->path);
    EXPECT_EQ(back.places.size(), 8u);
    EXPECT_EQ(back.mode, 3);
    EXPECT_EQ(back.bearsCount, 4);
}

// A tile taken off at the grid's far edge gives markers back only where a
// tile can begin: the editor offers no place the layout reader refuses, and
// what it saves reads back whole.
TEST_F(EditorFixture, TheGridsEdgeIsTheReadersEdge) {
    for (const TilePosition& edge : {TilePosition(34, 5, 0), TilePosition(5, 18, 0), TilePosition(34, 18, 0)}) {
        SCOPED_TRACE(std::to_string(edge.x) + "," + std::to_string(edge.y));
        vorn::test::TempDir dir;
        auto level = std::make_shared<Level>(dir.file("edge.plist"));
        open(level);
        editor->setScale({0.4f, 0.4f});
        step(0.05f);
        clickCell(edge.x, edge.y, 0);
        ASSERT_EQ(placed(), 1);
        clickCell(edge.x, edge.y, 0, vorn::BUTTON_RIGHT);
        ASSERT_EQ(placed(), 0);
        for (const auto& t : editor->tiles) EXPECT_TRUE(t->position.holdsTile()) << t->position.x << "," << t->position.y;
        // Where the last column or row would start a tile, a click places none.
        clickCell(kGridColumns - 1, edge.y, 0);
        clickCell(edge.x, kGridRows - 1, 0);
        EXPECT_EQ(placed(), 0);
        clickCell(edge.x, edge.y, 0);
        clickCell(0, 0, 0);
        ASSERT_EQ(placed(), 2);
        ASSERT_TRUE(editor->save());
        std::set<std::tuple<int, int, int>> saved;
        for (const LevelPlace& p : Level(level->path).places) saved.insert({p.position.x, p.position.y, p.position.z});
        EXPECT_EQ(saved, (std::set<std::tuple<int, int, int>>{{0, 0, 0}, {edge.x, edge.y, 0}}));
        scene->removeChild(editor);
    }
}

// A layout that reading would refuse whole is not written: the file keeps
// the layout it had.
TEST_F(EditorFixture, ALayoutTheReaderRefusesIsNotSaved) {
    struct Case {
        const char* what;
        std::vector<LevelPlace> places;
    };
    const Case cases[] = {
        {"last column", {LevelPlace(0, 0, 0), LevelPlace(35, 0, 0)}},
        {"last row", {LevelPlace(0, 0, 0), LevelPlace(0, 19, 0)}},
        {"above the top layer", {LevelPlace(0, 0, 0), LevelPlace(0, 0, 10)}},
        {"left of the grid", {LevelPlace(0, 0, 0), LevelPlace(-1, 4, 0)}},
        {"overlapping", {LevelPlace(0, 0, 0), LevelPlace(1, 1, 0)}},
    };
    vorn::test::TempDir dir;
    const std::string path = dir.file("kept.plist");
    Level kept(path);
    kept.setPlaces({LevelPlace(0, 0, 0), LevelPlace(34, 18, 0)});
    ASSERT_TRUE(kept.save());
    const std::string before = vorn::test::readBytes(path);
    for (const Case& c : cases) {
        vorn::test::LogCapture log;
        Level level(path);
        level.setPlaces(c.places);
        EXPECT_FALSE(level.save()) << c.what;
        EXPECT_EQ(vorn::test::readBytes(path), before) << c.what;
        EXPECT_NE(log.text().find("Level::save: " + path + " is not written: "), std::string::npos) << c.what;
        EXPECT_EQ(Level(path).places.size(), 2u) << c.what;
    }
}

TEST_F(EditorFixture, SaveToAFolderThatIsNotThereFails) {
    auto level = layout(rowOfFive());
    level->path = "no/such/folder/layout.plist";
    open(level);
    clickCell(20, 0, 0);
    EXPECT_FALSE(editor->save());
}

} // namespace
} // namespace mahjong::test
