#include "screens/EditorScene.h"

#include "app/Application.h"
#include "core/Data.h"
#include "core/DataSource.h"
#include "core/EventDispatcher.h"
#include "core/Log.h"
#include "core/VM.h"
#include "mahjong/EditorBoard.h"
#include "scene/DataSourceListener.h"
#include "screens/BackgroundIndex.h"
#include "screens/GameScene.h"
#include "screens/Level.h"
#include "screens/TreeLog.h"
#include "widgets/Button.h"
#include "widgets/SpinBox.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <functional>
#include <utility>
#include <vector>

namespace {

const char* const kSceneFile = "data/scenes/editor.sg.xml";
const char* const kBackgroundFolder = "data/scenes/game/backgrounds/";
const char* const kBackgroundIndex = "data/scenes/game/backgrounds/index.json";

// The running scene when it is an editor; kept alive for as long as the
// caller holds the pointer, whatever the call runs.
std::shared_ptr<EditorScene> runningEditor() {
    vorn::Application* app = vorn::Application::instance();
    return app ? std::dynamic_pointer_cast<EditorScene>(app->runningScene()) : nullptr;
}

std::function<void()> onEditor(void (EditorScene::*operation)()) {
    return [operation] {
        if (const std::shared_ptr<EditorScene> editor = runningEditor()) ((*editor).*operation)();
    };
}

void playLevel(const std::shared_ptr<Level>& level) {
    vorn::Application* app = vorn::Application::instance();
    if (!app || !level) return;
    // The editor whose button asked stays alive until the switch returns.
    const std::shared_ptr<vorn::Scene> running = app->runningScene();
    app->runScene(std::make_shared<GameScene>(level), "appear");
}

vorn::EventListener* listenTo(const char* source, std::function<void()> call) {
    auto* listener =
        new vorn::EventListener(typeid(vorn::DataSource::ChangedEvent), [call = std::move(call)](vorn::Event*) { call(); });
    vorn::EventDispatcher::instance()->addListener(vorn::DataSource::get(source), listener, false);
    return listener;
}

std::string levelName(const Level* level) { return level ? level->uid() : std::string("?"); }

// A spin box of the scene file makes its step buttons itself, plain; the
// editor's take the interface kit's round look, also after a reload has
// made them anew.
void dressStepButtons(vorn::Node& root) {
    const std::pair<const char*, const char*> looks[] = {{"-", "data/scenes/ui/step_minus.xml"},
                                                         {"+", "data/scenes/ui/step_plus.xml"}};
    for (const auto& box : root.findChildrenOfType(typeid(vorn::SpinBox), true)) {
        for (const auto& [name, look] : looks) {
            const auto button = std::dynamic_pointer_cast<vorn::Button>(box->findChild(name, false));
            // The look file replaces the plain look; the button sets itself up again.
            if (button) button->loadFromFile(look);
        }
    }
}

} // namespace

EditorScene::EditorScene(const std::shared_ptr<Level>& editedLevel)
    : vorn::Scene(vorn::Application::instance()), level(editedLevel) {
    load(kSceneFile);
    setupScripting();
    // "background" may still hold another level's name from an earlier
    // visit; the background list publishes whatever it finds there on
    // entering the stage, and that must be this level's own.
    vorn::DataSource::get("background")->set(vorn::Value(level ? level->background : std::string()));
    vorn::DataSource::get("editorLevel")->set(vorn::Value(levelName(level.get())));
    vorn::DataSource::get("editorLevelFile")->set(vorn::Value(level ? level->path : std::string()));
    listen();
}

EditorScene::~EditorScene() {
    stopListening();
    board.reset();
    level.reset();
}

void EditorScene::listen() {
    if (!backgroundListener_) backgroundListener_ = listenTo("background", [this] { onBackgroundChanged(); });
    if (!bearsListener_) bearsListener_ = listenTo("bearsCount", [this] { onBearsCountChanged(); });
}

void EditorScene::stopListening() {
    vorn::EventDispatcher* dispatcher = vorn::EventDispatcher::instance();
    // The dispatcher frees a removed listener; a new one may come to live
    // at the same address, so the pointers go with it.
    if (backgroundListener_) dispatcher->removeListener(backgroundListener_);
    if (bearsListener_) dispatcher->removeListener(bearsListener_);
    backgroundListener_ = nullptr;
    bearsListener_ = nullptr;
}

void EditorScene::onEnterStage() {
    dressStepButtons(*this);
    for (const auto& [widget, name] : unbound_) {
        const std::shared_ptr<vorn::Node> node = widget.lock();
        // Not on the stage yet: each attaches as it enters.
        if (auto* bound = dynamic_cast<vorn::DataSourceListener*>(node.get())) bound->setDataSource(name);
    }
    unbound_.clear();
}

void EditorScene::onChildrenEnteredStage() {
    // After a reload the listeners that the last exit removed come back.
    listen();
    const std::shared_ptr<vorn::Node> host = findNode("board");
    if (!host) {
        vorn::log("Error: %s has no node \"board\"; the editor has nowhere to show the layout", kSceneFile);
        return;
    }
    if (!level) {
        vorn::log("Error: an editor without a level");
        return;
    }
    board = std::make_shared<mahjong::EditorBoard>(level);
    const glm::vec2 room = host->getSize();
    const glm::vec2 size = board->getSize();
    float s = std::min(room.x / size.x, room.y / size.y);
    if (!std::isfinite(s) || s <= 0.0f) {
        vorn::log("EditorScene: the node \"board\" has no room (%.0f x %.0f); the board is shown unscaled",
                  static_cast<double>(room.x), static_cast<double>(room.y));
        s = 1.0f;
    }
    board->setScale({s, s});
    board->setAnchor(board->halfSize());
    board->setPosition(host->halfSize());
    host->addChild(board);

    vorn::DataSource::get("tileType")->set(vorn::Value(0));
    loadBackground(vorn::DataSource::get("background")->value().toString());
    fillBackgroundList();

    const glm::vec2 origin = board->localToWorld({0.0f, 0.0f});
    vorn::log("EditorScene: editing level %s from %s: %d tiles, mode %d, board origin (%.2f, %.2f) scale %.4f",
              levelName(level.get()).c_str(), level->path.c_str(), board->tileCount(), level->mode,
              static_cast<double>(origin.x), static_cast<double>(origin.y), static_cast<double>(s));
    treeLog::later(*this, "EditorScene", "after entry", 0.8f);
}

void EditorScene::fillBackgroundList() {
    auto box = std::dynamic_pointer_cast<vorn::SpinBox>(findNode("backgroundSpinbox"));
    if (!box) return;
    const std::string text = vorn::Data::readFile(kBackgroundIndex).toString();
    for (const std::string& file : readBackgroundIndex(text, kBackgroundIndex)) box->addOption({file, vorn::Value(file)});
    box->setValue(vorn::Value(level->background));
}

void EditorScene::onExitStage() {
    stopListening();
    // A widget stays bound off the stage. While anything still holds this
    // screen, its spin boxes would answer the next screen's sets of
    // "background" or "bearsCount" by publishing their own old choice.
    unbindWidgets(*this);
    // The board answers "layer", "mahjongMode" and "bearsCount", which the
    // game screen publishes too: it must not go on changing the level.
    if (board) {
        if (vorn::Node* host = board->parent()) host->removeChild(board.get());
        board.reset();
    }
}

void EditorScene::unbindWidgets(vorn::Node& node) {
    for (const auto& child : node.children()) {
        if (auto* bound = dynamic_cast<vorn::DataSourceListener*>(child.get());
            bound && !bound->getDataSourceName().empty()) {
            unbound_.emplace_back(child, bound->getDataSourceName());
            bound->setDataSource("");
        }
        unbindWidgets(*child);
    }
}

void EditorScene::loadBackground(const std::string& name) {
    if (name.empty()) return;
    const std::shared_ptr<vorn::Node> node = findNode("background");
    if (!node) return;
    node->removeAllChildren();
    node->loadFromFile(kBackgroundFolder + name);
}

void EditorScene::onBackgroundChanged() {
    const std::string name = vorn::DataSource::get("background")->value().toString();
    loadBackground(name);
    if (level) level->background = name;
}

void EditorScene::onBearsCountChanged() {
    const vorn::Value& value = vorn::DataSource::get("bearsCount")->value();
    long long bears = 0;
    try {
        bears = value.asLongLong();
    } catch (const std::exception&) {
        // Not a number: the board reads it as none.
        return;
    }
    if (bears < 0) vorn::DataSource::get("bearsCount")->set(vorn::Value(0));
}

void EditorScene::saveLevel() {
    if (!board || !level) return;
    int count = board->tileCount();
    if (level->mode == 3) count += level->bearsCount;
    if (count % 2 != 0) {
        vorn::log("EditorScene: %d tiles to pair, an odd count; level %s is not saved", count,
                  levelName(level.get()).c_str());
        return;
    }
    const std::vector<mahjong::LevelPlace> before = level->places;
    if (!board->save()) {
        // The file keeps the old layout, and so does the level in memory:
        // a game started from here plays what the file holds.
        level->setPlaces(before);
        vorn::log("EditorScene: level %s could not be saved to %s; the file is unchanged",
                  levelName(level.get()).c_str(), level->path.c_str());
        if (getCurrentState() != "save_failed") {
            pushState();
            setState("save_failed");
        }
        treeLog::later(*this, "EditorScene", "save failed", 0.5f);
        return;
    }
    vorn::log("EditorScene: level %s saved to %s: %zu places, mode %d, %d bears, background %s",
              levelName(level.get()).c_str(), level->path.c_str(), level->places.size(), level->mode,
              level->bearsCount, level->background.c_str());
    playLevel(level);
}

void EditorScene::exitEditor() { playLevel(level); }

void EditorScene::setupScripting() {
    vorn::VM::registerFunction("save", onEditor(&EditorScene::saveLevel));
    vorn::VM::registerFunction("exit", onEditor(&EditorScene::exitEditor));
}
