// The level editor opened from the game screen with the developer key: the
// layout on the editor board with the controls set from it, tiles placed
// and taken away by clicks, the mode, bears and background chosen through
// the scene file's widgets, the layout saved to its file and played, a
// save that cannot be written, and what the editor leaves behind.
#include "GameFixture.h"

#include "core/Data.h"
#include "core/EventDispatcher.h"
#include "core/Keys.h"
#include "core/VM.h"
#include "scene/Text.h"
#include "mahjong/EditorBoard.h"
#include "mahjong/EditorTile.h"
#include "screens/EditorScene.h"
#include "screens/MapScene.h"
#include "scene/Image.h"
#include "widgets/RadioButton.h"
#include "widgets/SpinBox.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <iterator>
#include <set>
#include <tuple>

namespace {

using mahjong::TilePosition;
using screens::test::GameFixture;
using vorn::test::LogCapture;
using vorn::test::readBytes;
using vorn::test::writeBytes;

using Place = std::tuple<int, int, int>;

class Editor : public GameFixture {
protected:
    Editor() {
        writeBytes(vorn::Platform::instance()->writableFolder(run.app.dataFolderName()) + "/devmode.txt", "1\n");
        // The first level from a copy of its layout: a save writes there,
        // never into the game's data.
        layoutPath = files.file("001.plist");
        original = readBytes("data/levels/001.plist");
        writeBytes(layoutPath, original);
        useLevels(entry("1", layoutPath, 170));
    }

    // The game screen of the level, then the editor through F4.
    std::shared_ptr<EditorScene> openEditor() {
        open("1");
        EXPECT_TRUE(game->keyDown(vorn::KEY_F4));
        editor = std::dynamic_pointer_cast<EditorScene>(run.app.runningScene());
        EXPECT_TRUE(editor) << "F4 did not open the editor";
        step(1.0f);
        return editor;
    }

    template <typename T = vorn::Node>
    std::shared_ptr<T> node(const std::string& name) const {
        const auto scene = run.app.runningScene();
        return scene ? std::dynamic_pointer_cast<T>(scene->findNode(name)) : nullptr;
    }

    // A press and release at a design point, as the window delivers them.
    void press(const glm::vec2& at, vorn::eButtonName button = vorn::BUTTON_LEFT) {
        run.app.mouseMove(at, vorn::BUTTON_LEFT);
        run.app.mouseDown(at, button);
        run.app.mouseUp(at, button);
        step(0.1f);
    }
    void pressNode(const std::string& name) {
        const auto target = node(name);
        ASSERT_TRUE(target) << name;
        press(target->localToWorld(target->halfSize()));
    }
    // Where a tile placed at p would have its centre on the screen.
    glm::vec2 cell(const TilePosition& p) const { return editor->board->localToWorld(mahjong::gridToPixels(p)); }

    // The placed tiles of the editor board.
    std::set<Place> placedTiles() const {
        std::set<Place> out;
        for (const auto& tile : editor->board->tiles) {
            if (tile->type >= 0) out.insert({tile->position.x, tile->position.y, tile->position.z});
        }
        return out;
    }
    static std::set<Place> places(const mahjong::Level& layout) {
        std::set<Place> out;
        for (const auto& place : layout.places) out.insert({place.position.x, place.position.y, place.position.z});
        return out;
    }
    bool selected(const std::string& radio) const {
        const auto button = node<vorn::RadioButton>(radio);
        const auto mark = button ? button->findChild("mark", false) : nullptr;
        EXPECT_TRUE(mark) << radio;
        EXPECT_EQ(mark && mark->isVisible(), button && button->isSelected()) << radio << ": its mark shows otherwise";
        return button && button->isSelected();
    }

    // The texture of the picture the node "background" of the running screen shows.
    std::shared_ptr<vorn::Texture> backgroundPicture() const {
        const auto holder = node("background");
        if (!holder) return nullptr;
        for (const auto& image : holder->findChildrenOfType(typeid(vorn::Image), true)) {
            auto* shown = dynamic_cast<vorn::Image*>(image.get());
            if (shown && shown->getSourceData()) return shown->getSourceData()->getTexture();
        }
        return nullptr;
    }
    static std::shared_ptr<vorn::Texture> picture(const std::string& file) {
        const auto frame = std::dynamic_pointer_cast<vorn::ImageData>(vorn::ResourceManager::instance()->getResource(file));
        EXPECT_TRUE(frame && frame->getTexture()) << file;
        return frame ? frame->getTexture() : nullptr;
    }
    // The spin box's step buttons wear the round kit look, one look at a time.
    void expectKitSteps(const std::string& name) const {
        const auto box = node(name);
        ASSERT_TRUE(box) << name;
        for (const char* step : {"-", "+"}) {
            const auto button = box->findChild(step, false);
            ASSERT_TRUE(button) << name << " " << step;
            const auto look = button->findChild("default", false);
            ASSERT_TRUE(look) << name << " " << step;
            EXPECT_TRUE(look->isVisible());
            EXPECT_FALSE(button->findChild("active", false)->isVisible());
            const auto images = look->findChildrenOfType(typeid(vorn::Image), false);
            ASSERT_EQ(images.size(), 2u) << name << " " << step << ": not the kit's look";
            EXPECT_EQ(dynamic_cast<vorn::Image&>(*images[0]).getSourceData()->getTexture(),
                      picture("data/gfx/ui/round_blue.png"));
        }
    }
    // One step of a spin box's own buttons.
    void stepSpinBox(const std::string& name, const char* button) {
        const auto box = node(name);
        ASSERT_TRUE(box) << name;
        const auto step = box->findChild(button, false);
        ASSERT_TRUE(step) << name << " " << button;
        press(step->localToWorld(step->halfSize()));
    }

    std::string layoutPath;
    std::string original;
    std::shared_ptr<EditorScene> editor;
};

TEST_F(Editor, F4OpensTheLevelsLayoutWithTheControlsSetFromIt) {
    openEditor();
    ASSERT_TRUE(editor);
    EXPECT_EQ(editor->level, LevelList::instance()->find("1"));
    ASSERT_TRUE(editor->board);
    EXPECT_EQ(editor->board->parent(), node("board").get());
    EXPECT_EQ(placedTiles(), places(*editor->level));
    EXPECT_EQ(source("tilesToPairCount").asInt(), 22);
    EXPECT_FALSE(source("oddTilesCount").asBool());
    EXPECT_EQ(source("tileType").asInt(), 0);
    // The whole grid fits the node "board", centred in it.
    const auto host = node("board");
    const float s = editor->board->getScale().x;
    EXPECT_FLOAT_EQ(s, std::min(host->getSize().x / editor->board->getSize().x,
                                host->getSize().y / editor->board->getSize().y));
    const glm::vec3 centre = editor->board->getWorldCenter();
    const glm::vec3 hostCentre = host->getWorldCenter();
    EXPECT_NEAR(centre.x, hostCentre.x, 0.01f);
    EXPECT_NEAR(centre.y, hostCentre.y, 0.01f);
    // The choices shown are the layout's.
    EXPECT_TRUE(selected("layer9"));
    EXPECT_TRUE(selected("mode1"));
    EXPECT_FALSE(selected("mode2"));
    EXPECT_TRUE(selected("tile0"));
    const auto backgrounds = node<vorn::SpinBox>("backgroundSpinbox");
    ASSERT_TRUE(backgrounds);
    EXPECT_EQ(backgrounds->options().size(), 9u);
    EXPECT_EQ(backgrounds->getValue().toString(), "1.xml");
    EXPECT_FALSE(node("background")->children().empty());
    expectKitSteps("backgroundSpinbox");
    expectKitSteps("bearsSpinbox");
}

// The developer's reload builds the screen anew from its file: the board
// again from the level, the steps in the kit's look, the background still
// followed.
TEST_F(Editor, AReloadBuildsTheEditorAgainAndKeepsItWorking) {
    openEditor();
    ASSERT_TRUE(editor);
    const std::weak_ptr<mahjong::EditorBoard> first = editor->board;
    EXPECT_TRUE(run.app.keyDown(vorn::KEY_F5));
    step(1.0f);
    EXPECT_TRUE(first.expired());
    ASSERT_TRUE(editor->board);
    EXPECT_EQ(editor->board->parent(), node("board").get());
    EXPECT_EQ(placedTiles(), places(*editor->level));
    expectKitSteps("backgroundSpinbox");
    stepSpinBox("backgroundSpinbox", "+");
    EXPECT_EQ(editor->level->background, "2.xml");
    EXPECT_EQ(backgroundPicture(), picture("data/gfx/backgrounds/marseille.png"));
    pressNode("mode3");
    EXPECT_EQ(editor->level->mode, 3);
}

TEST_F(Editor, WithoutDeveloperModeF4LeavesTheGameAlone) {
    std::filesystem::remove(vorn::Platform::instance()->writableFolder(run.app.dataFolderName()) + "/devmode.txt");
    open("1");
    game->keyDown(vorn::KEY_F4);
    EXPECT_EQ(run.app.runningScene(), game);
}

// The whole round trip by pointer: a new layer, two tiles on it, the gold
// mode and the second background, saved; the game that follows deals the
// edited layout, and the file holds exactly what was placed.
TEST_F(Editor, TilesPlacedOnANewLayerWithModeAndBackgroundAreSavedAndPlayed) {
    openEditor();
    ASSERT_TRUE(editor);
    const std::shared_ptr<Level> level = editor->level;
    std::set<Place> expected = places(*level);
    ASSERT_EQ(expected.size(), 22u);
    ASSERT_TRUE(std::all_of(expected.begin(), expected.end(), [](const Place& p) { return std::get<2>(p) == 0; }));

    pressNode("layer1");
    EXPECT_EQ(source("layer").asInt(), 1);
    EXPECT_TRUE(selected("layer1"));
    EXPECT_FALSE(selected("layer9"));
    pressNode("tile12");
    EXPECT_EQ(source("tileType").asInt(), 12);
    for (const TilePosition& p : {TilePosition(5, 1, 1), TilePosition(13, 1, 1)}) {
        press(cell(p));
        expected.insert({p.x, p.y, p.z});
    }
    EXPECT_EQ(placedTiles(), expected);
    EXPECT_EQ(source("tilesToPairCount").asInt(), 24);
    const auto face = editor->board->cellAt(TilePosition(5, 1, 1));
    ASSERT_TRUE(face);
    EXPECT_EQ(face->type, 12);

    pressNode("mode2");
    EXPECT_TRUE(selected("mode2"));
    EXPECT_EQ(level->mode, 2);
    stepSpinBox("backgroundSpinbox", "+");
    EXPECT_EQ(source("background").toString(), "2.xml");
    EXPECT_EQ(level->background, "2.xml");
    EXPECT_EQ(backgroundPicture(), picture("data/gfx/backgrounds/marseille.png"));

    LogCapture log;
    pressNode("saveButton");
    const auto played = std::dynamic_pointer_cast<GameScene>(run.app.runningScene());
    ASSERT_TRUE(played) << "the save did not start a game";
    EXPECT_EQ(played->level, level);
    EXPECT_EQ(log.count("EditorScene: level 1 saved to " + layoutPath + ": 24 places, mode 2"), 1) << log.text();
    step(4.0f);

    // The game deals the edited layout in the gold mode over the new background.
    std::set<Place> dealt;
    for (const auto& tile : played->board->tiles) dealt.insert({tile->position.x, tile->position.y, tile->position.z});
    EXPECT_EQ(dealt, expected);
    EXPECT_EQ(source("gameMode").toString(), "gold");
    EXPECT_EQ(backgroundPicture(), picture("data/gfx/backgrounds/marseille.png"));

    // The file: the places as placed, all plain, the mode and the background.
    const mahjong::Level saved(layoutPath);
    EXPECT_EQ(places(saved), expected);
    EXPECT_EQ(saved.places.size(), expected.size());
    EXPECT_TRUE(std::all_of(saved.places.begin(), saved.places.end(), [](const auto& p) { return p.type == 0; }));
    EXPECT_EQ(saved.mode, 2);
    EXPECT_EQ(saved.background, "2.xml");
    const std::string bytes = readBytes(layoutPath);
    EXPECT_EQ(bytes.substr(bytes.size() - 8), "</plist>");
    // Nothing is left beside it from the atomic write.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(files.path()), std::filesystem::directory_iterator()), 1);
}

// Only the chosen layer takes clicks: a tile there needs one below it; a
// right click takes a tile away and gives its cells back; an odd count
// cannot be saved.
TEST_F(Editor, ClicksPlaceAndRemoveOnTheChosenLayerAndAnOddCountIsNotSaved) {
    openEditor();
    ASSERT_TRUE(editor);
    pressNode("layer1");
    // In the air: nothing on layer 0 under any of its four cells.
    press(cell(TilePosition(25, 10, 1)));
    EXPECT_EQ(source("tilesToPairCount").asInt(), 22);
    // Over a corner of a tile below is enough.
    press(cell(TilePosition(6, 2, 1)));
    EXPECT_EQ(source("tilesToPairCount").asInt(), 23);
    EXPECT_TRUE(source("oddTilesCount").asBool());
    const auto odd = node("pairing")->findChild("1", false);
    EXPECT_TRUE(odd && odd->isVisible());
    // Saving is refused: the editor stays and the file is untouched.
    LogCapture log;
    pressNode("saveButton");
    EXPECT_EQ(run.app.runningScene(), editor);
    EXPECT_EQ(readBytes(layoutPath), original);
    EXPECT_EQ(log.count("23 tiles to pair, an odd count; level 1 is not saved"), 1);

    // A right click on it brings its four cells back; they take a tile again.
    const glm::vec2 at = cell(TilePosition(6, 2, 1));
    run.app.mouseDown(at, vorn::BUTTON_RIGHT);
    run.app.mouseUp(at, vorn::BUTTON_RIGHT);
    step(0.1f);
    EXPECT_EQ(source("tilesToPairCount").asInt(), 22);
    EXPECT_FALSE(editor->board->cellAt(TilePosition(6, 2, 1))->type >= 0);
    press(cell(TilePosition(7, 3, 1)));
    EXPECT_EQ(source("tilesToPairCount").asInt(), 23);

    // Layer 0 shown: layer 1 fades and takes no clicks, layer 2 hides.
    pressNode("layer0");
    const auto upper = editor->board->cellAt(TilePosition(7, 3, 1));
    ASSERT_TRUE(upper);
    EXPECT_FALSE(upper->isEnabled());
    EXPECT_TRUE(upper->isVisible());
    EXPECT_NEAR(upper->getColor().a, 160.0f / 255.0f, 1e-3f);
    EXPECT_FALSE(editor->board->cellAt(TilePosition(7, 3, 2))->isVisible());
    // A right click there reaches layer 0: the tile under it goes.
    const glm::vec2 lower = cell(TilePosition(7, 3, 0));
    run.app.mouseDown(lower, vorn::BUTTON_RIGHT);
    run.app.mouseUp(lower, vorn::BUTTON_RIGHT);
    step(0.1f);
    EXPECT_EQ(source("tilesToPairCount").asInt(), 22);
    EXPECT_LT(editor->board->cellAt(TilePosition(7, 3, 0))->type, 0);
}

// "exit" writes nothing: the next game deals the places of before in the
// mode chosen in the editor.
TEST_F(Editor, ExitKeepsTheFileAndPlaysTheOldPlacesInTheNewMode) {
    openEditor();
    ASSERT_TRUE(editor);
    const std::set<Place> before = places(*editor->level);
    pressNode("layer1");
    press(cell(TilePosition(5, 1, 1)));
    press(cell(TilePosition(13, 1, 1)));
    pressNode("mode2");
    pressNode("exitButton");
    const auto played = std::dynamic_pointer_cast<GameScene>(run.app.runningScene());
    ASSERT_TRUE(played);
    step(4.0f);
    EXPECT_EQ(readBytes(layoutPath), original);
    EXPECT_EQ(places(*played->level), before);
    EXPECT_EQ(played->board->tiles.size(), before.size());
    EXPECT_EQ(played->level->mode, 2);
    EXPECT_EQ(source("gameMode").toString(), "gold");
}

// A layout file that cannot be written: the editor stays with its popup,
// says so in the log, and the file and the level keep the old layout.
TEST_F(Editor, AFailedSaveIsShownAndLoggedAndKeepsTheOldFile) {
    openEditor();
    ASSERT_TRUE(editor);
    const std::set<Place> before = places(*editor->level);
    pressNode("layer1");
    press(cell(TilePosition(5, 1, 1)));
    press(cell(TilePosition(13, 1, 1)));
    ASSERT_EQ(source("tilesToPairCount").asInt(), 24);

    // While the button is pressed no file may grow past 1 KiB: the layout
    // (over 2 KiB) cannot be written, the few lines logged meanwhile can.
    rlimit limit{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlimit small{1024, limit.rlim_max};
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    LogCapture log;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    pressNode("saveButton");
    setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, previous);
    ASSERT_GT(original.size(), 2048u);

    EXPECT_EQ(run.app.runningScene(), editor);
    EXPECT_EQ(log.count("Can't write: " + layoutPath), 1) << log.text();
    EXPECT_EQ(log.count("EditorScene: level 1 could not be saved to " + layoutPath + "; the file is unchanged"), 1);
    EXPECT_EQ(readBytes(layoutPath), original);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(files.path()), std::filesystem::directory_iterator()), 1);
    EXPECT_EQ(places(*editor->level), before);
    step(0.5f);
    EXPECT_EQ(editor->getCurrentState(), "save_failed");
    const auto popup = node("saveFailedPopup");
    ASSERT_TRUE(popup);
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(node<vorn::Text>("saveFailedFile")->getText(), layoutPath);
    // The board keeps what was placed; the popup closes and a second try,
    // with room to write, saves and plays.
    EXPECT_EQ(placedTiles().size(), 24u);
    pressNode("saveFailedOk");
    step(0.5f);
    EXPECT_EQ(editor->getCurrentState(), "default");
    pressNode("saveButton");
    ASSERT_TRUE(std::dynamic_pointer_cast<GameScene>(run.app.runningScene()));
    EXPECT_EQ(mahjong::Level(layoutPath).places.size(), 24u);
}

// A layout the level file could not be read back from is not saved: the
// editor says so as for a file it cannot write, and the file stays.
TEST_F(Editor, ALayoutTheReaderWouldRefuseIsNotSavedAndSaysSo) {
    openEditor();
    ASSERT_TRUE(editor);
    const std::set<Place> before = places(*editor->level);
    // A tile hanging over the grid's last column, as no click can place one.
    for (const TilePosition& p : {TilePosition(35, 1, 0), TilePosition(30, 17, 0)}) {
        auto tile = std::make_shared<mahjong::EditorTile>(0);
        tile->setGridPosition(p, true);
        editor->board->placeTile(tile);
    }
    ASSERT_EQ(source("tilesToPairCount").asInt() % 2, 0);
    LogCapture log;
    pressNode("saveButton");
    EXPECT_EQ(run.app.runningScene(), editor);
    EXPECT_EQ(log.count("Level::save: " + layoutPath + " is not written: the place (35, 1, 0) lies outside the grid"), 1)
        << log.text();
    EXPECT_EQ(log.count("EditorScene: level 1 could not be saved to " + layoutPath + "; the file is unchanged"), 1);
    EXPECT_EQ(readBytes(layoutPath), original);
    EXPECT_EQ(places(*editor->level), before);
    step(0.5f);
    EXPECT_EQ(editor->getCurrentState(), "save_failed");
    EXPECT_TRUE(node("saveFailedPopup")->isVisible());
}

// Once the editor has left the stage, nothing it registered answers any
// more, even while something still holds the screen; its commands act on
// no other screen.
TEST_F(Editor, NothingOfTheEditorOutlivesItsStage) {
    openEditor();
    ASSERT_TRUE(editor);
    const std::shared_ptr<Level> level = editor->level;
    const std::weak_ptr<mahjong::EditorBoard> board = editor->board;
    pressNode("exitButton");
    ASSERT_TRUE(std::dynamic_pointer_cast<GameScene>(run.app.runningScene()));
    step(4.0f);
    EXPECT_TRUE(board.expired());
    EXPECT_FALSE(editor->board);
    const int mode = level->mode;
    const int bears = level->bearsCount;
    const std::string background = level->background;
    vorn::DataSource::get("mahjongMode")->set(vorn::Value(3));
    vorn::DataSource::get("bearsCount")->set(vorn::Value(-4));
    vorn::DataSource::get("background")->set(vorn::Value("7.xml"));
    step(0.1f);
    EXPECT_EQ(level->mode, mode);
    EXPECT_EQ(level->bearsCount, bears);
    EXPECT_EQ(level->background, background);
    EXPECT_EQ(source("bearsCount").asInt(), -4);

    run.app.runScene(std::make_shared<MapScene>(), "appear");
    step(0.5f);
    const auto map = run.app.runningScene();
    vorn::VM::execute("save(); exit()");
    EXPECT_EQ(run.app.runningScene(), map);
    EXPECT_EQ(readBytes(layoutPath), original);
}

// Game, editor, exit, then the same again on another level: the second
// editor shows and returns to its own level, whose background is not the
// one the first left in "background".
TEST_F(Editor, ASecondEditorWorksOnItsOwnLevel) {
    const std::string second = layout("other.plist", {{0, 0, 0}, {2, 0, 0}, {4, 0, 0}, {6, 0, 0}}, 3, "");
    useLevels(entry("1", layoutPath, 170) + ", " + entry("2", second, 100));
    openEditor();
    ASSERT_TRUE(editor);
    stepSpinBox("backgroundSpinbox", "+");
    ASSERT_EQ(source("background").toString(), "2.xml");
    pressNode("exitButton");
    step(4.0f);

    open("2");
    ASSERT_TRUE(game->keyDown(vorn::KEY_F4));
    editor = std::dynamic_pointer_cast<EditorScene>(run.app.runningScene());
    ASSERT_TRUE(editor);
    step(1.0f);
    EXPECT_EQ(editor->level, LevelList::instance()->find("2"));
    EXPECT_EQ(placedTiles().size(), 4u);
    EXPECT_TRUE(selected("mode3"));
    EXPECT_EQ(editor->level->background, "");
    EXPECT_EQ(LevelList::instance()->find("1")->background, "2.xml");
    vorn::VM::execute("exit()");
    const auto played = std::dynamic_pointer_cast<GameScene>(run.app.runningScene());
    ASSERT_TRUE(played);
    EXPECT_EQ(played->level, LevelList::instance()->find("2"));
    EXPECT_EQ(played->level->background, "");
}

// Bears count in mode 3 towards the pairs; the count never goes below zero.
TEST_F(Editor, BearsCountTowardsThePairsInBearModeAndStayAtZeroOrMore) {
    openEditor();
    ASSERT_TRUE(editor);
    EXPECT_EQ(source("bearsCount").asInt(), 0);
    stepSpinBox("bearsSpinbox", "-");
    EXPECT_EQ(source("bearsCount").asInt(), 0);
    EXPECT_EQ(editor->level->bearsCount, 0);
    const auto shown = std::dynamic_pointer_cast<vorn::Text>(node("bearsSpinbox")->findChild("text", false));
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->getText(), "0");
    stepSpinBox("bearsSpinbox", "+");
    EXPECT_EQ(editor->level->bearsCount, 1);
    // Outside bear mode the bears are not dealt and not counted.
    EXPECT_EQ(source("tilesToPairCount").asInt(), 22);
    pressNode("mode3");
    EXPECT_EQ(source("tilesToPairCount").asInt(), 23);
    EXPECT_TRUE(source("oddTilesCount").asBool());
    stepSpinBox("bearsSpinbox", "+");
    EXPECT_EQ(source("tilesToPairCount").asInt(), 24);
    pressNode("saveButton");
    ASSERT_TRUE(std::dynamic_pointer_cast<GameScene>(run.app.runningScene()));
    const mahjong::Level saved(layoutPath);
    EXPECT_EQ(saved.mode, 3);
    EXPECT_EQ(saved.bearsCount, 2);
    EXPECT_EQ(saved.places.size(), 22u);
}

} // namespace
