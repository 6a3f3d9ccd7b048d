#include "screens/GameScene.h"

#include "services/AchievementManager.h"
#include "app/Application.h"
#include "core/DataSource.h"
#include "core/Keys.h"
#include "core/Log.h"
#include "audio/MusicPlayer.h"
#include "core/ResourceManager.h"
#include "services/User.h"
#include "services/UserManager.h"
#include "core/VM.h"
#include "mahjong/Board.h"
#include "mahjong/GameController.h"
#include "mahjong/Tile.h"
#include "scene/SimpleActions.h"
#include "screens/EditorScene.h"
#include "screens/Level.h"
#include "screens/MahjongApp.h"
#include "screens/MapScene.h"
#include "screens/TreeLog.h"

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

const char* const kSceneFile = "data/scenes/game.sg.xml";
const char* const kBackgroundFolder = "data/scenes/game/backgrounds/";
const char* const kAtlases[] = {"data/atlases/game_tiles.atlas.xml", "data/atlases/game_ui.atlas.xml"};

// The running scene when it is a game screen; the screen is kept alive for
// as long as the caller holds the pointer, whatever the call runs.
std::shared_ptr<GameScene> runningGame() {
    vorn::Application* app = vorn::Application::instance();
    return app ? std::dynamic_pointer_cast<GameScene>(app->runningScene()) : nullptr;
}

// A command on the running game screen; nothing on any other screen.
std::function<void()> onGame(void (GameScene::*operation)()) {
    return [operation] {
        if (const std::shared_ptr<GameScene> game = runningGame()) ((*game).*operation)();
    };
}

vorn::User* player() { return vorn::UserManager::instance()->currentUser(); }

// A progress achievement's completion: the count as a share of the target.
float share(long long count, long long target) {
    if (count >= target) return 100.0f;
    return static_cast<float>(count) * 100.0f / static_cast<float>(target);
}

} // namespace

GameScene::GameScene(const std::shared_ptr<Level>& playedLevel)
    : vorn::Scene(vorn::Application::instance()), level(playedLevel) {
    // The tiles and the screen's pictures come from two sheets, so that the
    // board draws in one call and the furniture in another; the resource
    // manager keeps them once loaded.
    for (const char* atlas : kAtlases) vorn::ResourceManager::instance()->getResource(atlas);
    load(kSceneFile);
    const int mode = level ? level->mode : 0;
    if (mode == 1) vorn::DataSource::get("gameMode")->set(vorn::Value("all"));
    else if (mode == 2) vorn::DataSource::get("gameMode")->set(vorn::Value("gold"));
    else if (mode == 3) vorn::DataSource::get("gameMode")->set(vorn::Value("bears"));
    resetCounters();
    setupScripting();
}

GameScene::~GameScene() {
    board.reset();
    level.reset();
}

void GameScene::resetCounters() {
    developerActionUsed = false;
    moves = 0;
    hintsUsed = 0;
    undosUsed = 0;
    reshufflesUsed = 0;
}

void GameScene::onChildrenEnteredStage() {
    vorn::MusicPlayer::instance()->play("game", true);
    publishPowerupPacks();
    setupBoard();
    mahjong::GameController::instance()->init();
    setActionFinishedCallback([this](vorn::Action* action) { onActionFinished(action); });
    treeLog::later(*this, "GameScene", "after entry", 1.0f);
}

void GameScene::onExitStage() {
    setActionFinishedCallback(nullptr);
    // The screen's pending steps go with its actions; the board may outlive
    // the screen in a flight still under way, but never calls it again.
    tutorialPending_ = false;
    if (board) {
        board->setOnScoreChanged(nullptr);
        board->setOnWin(nullptr);
        board->setOnNoTurns(nullptr);
        board->setOnMatch(nullptr);
        board->setOnTileRemoved(nullptr);
        board->setOnChange(nullptr);
    }
}

void GameScene::detachBoard() {
    if (!board) return;
    board->setOnScoreChanged(nullptr);
    board->setOnWin(nullptr);
    board->setOnNoTurns(nullptr);
    board->setOnMatch(nullptr);
    board->setOnTileRemoved(nullptr);
    board->setOnChange(nullptr);
    if (vorn::Node* host = board->parent()) host->removeChild(board.get());
}

void GameScene::setupBoard() {
    const std::shared_ptr<vorn::Node> host = findNode("board");
    if (!host) {
        // Without it there is nowhere to play: the program ends rather
        // than show a screen that cannot be played.
        MahjongApp::stopForMissingData(std::string(kSceneFile) + " has no node \"board\"");
        return;
    }
    if (!level) {
        vorn::log("Error: a game screen without a level");
        return;
    }
    detachBoard();
    board = std::make_shared<mahjong::Board>(level);
    if (boardSeed) board->randomEngine.seed(*boardSeed);
    won_ = false;

    const glm::vec2 layout = board->layoutSize;
    const glm::vec2 room = host->getSize() - glm::vec2(300.0f, 50.0f);
    float s = std::min(room.x / layout.x, room.y / layout.y);
    // A layout without extent gives no ratio to fit by.
    if (std::isnan(s)) s = 1.0f;
    s = std::clamp(s, 0.2f, 1.0f);
    const glm::vec2 centre = board->center();
    board->setScale({s, s});
    board->setAnchor(centre);
    board->setPosition(halfSize());

    if (const std::shared_ptr<vorn::Node> marker = findNode("boardMarker")) {
        marker->setSize(board->getSize());
        marker->setScale({s, s});
        marker->setAnchor(centre);
        marker->setPosition(halfSize());
        // The entry animation returns every node to what it was on entering
        // the stage; the marker's place is this one from now on.
        marker->addState(vorn::Node::State(*marker, "default"));
    }
    if (const std::shared_ptr<vorn::Node> background = findNode("background")) {
        background->removeAllChildren();
        const std::string name = level->background.empty() ? std::string("1.xml") : level->background;
        background->loadFromFile(kBackgroundFolder + name);
    }

    board->setOnScoreChanged([this](long long score) { onScoreChanged(score); });
    board->setOnWin([this] { win(); });
    board->setOnNoTurns([this] { onNoTurns(); });
    board->setOnMatch([this] { onMatch(); });
    board->setOnTileRemoved([this](const std::shared_ptr<mahjong::Tile>& tile) { onTileRemoved(tile); });
    if (treeLog::enabled()) board->setOnChange([this](const std::string& why) { logTiles(why); });
    host->addChild(board);
    // On the stage the board has dealt: what the player got to play.
    vorn::log("game: level %s dealt %zu tiles", level->uid().c_str(), board->tiles.size());
}

void GameScene::restart() {
    vorn::log("restart()");
    resetCounters();
    setupBoard();
}

void GameScene::onScoreChanged(long long score) {
    if (!level) return;
    const long long maxScore = level->maxScore();
    // Full marks of 0 (or less) cannot be divided by: the bar shows full.
    const float progress =
        maxScore > 0 ? static_cast<float>(score) / static_cast<float>(maxScore) : 1.0f;
    vorn::DataSource::get("scoreProgress")->set(vorn::Value(progress));
    vorn::DataSource::get("levelStars")->set(vorn::Value(level->starsForScore(score)));
}

void GameScene::onMatch() {
    ++moves;
    closeTutorial();
}

void GameScene::onTileRemoved(const std::shared_ptr<mahjong::Tile>& tile) {
    vorn::User* user = player();
    if (!user) {
        vorn::log("Game screen: no player selected; the removed tile is not counted");
        return;
    }
    vorn::AchievementManager* achievements = vorn::AchievementManager::instance();
    const long long n = user->getResource("tilesRemoved").add(1);
    if (n > 10000) {
        achievements->achievement("ten_thousands").setCompletion(100.0f);
        achievements->achievement("twenty_thousands").setCompletion(share(n, 20000));
    }
    const bool gold = dynamic_cast<mahjong::GoldTile*>(tile.get()) != nullptr;
    const bool bear = dynamic_cast<mahjong::BearTile*>(tile.get()) != nullptr;
    if (gold || bear) {
        const long long m = user->getResource("specialTilesRemoved").add(1);
        achievements->achievement("magic_tiles").setCompletion(share(m, 250));
    }
    if (gold) {
        const long long g = user->getResource("goldTilesRemoved").add(1);
        achievements->achievement("golden_tiles").setCompletion(share(g, 100));
    }
}

void GameScene::onNoTurns() {
    addEffectAtCenter("data/effects/no_turns_sound.xml");
    // The popup's undo looks disabled while there is nothing to take back.
    if (const std::shared_ptr<vorn::Node> undoButton = findNode("noTurnsUndo")) {
        undoButton->setEnabled(board && !board->undoRecords.empty());
    }
    pushPopup("no_turns");
}

bool GameScene::mouseDown(const glm::vec2& point, vorn::eButtonName button) {
    const vorn::UserManager::SaveBatch batch;
    pressed_ = true;
    popupOpenedByPress_ = false;
    return vorn::Scene::mouseDown(point, button);
}

bool GameScene::mouseUp(const glm::vec2& point, vorn::eButtonName button) {
    const vorn::UserManager::SaveBatch batch;
    const bool swallow = popupOpenedByPress_;
    pressed_ = false;
    popupOpenedByPress_ = false;
    if (swallow) return true;
    return vorn::Scene::mouseUp(point, button);
}

void GameScene::pushPopup(const std::string& state) {
    if (pressed_) popupOpenedByPress_ = true;
    pushState();
    setState(state);
    treeLog::later(*this, "GameScene", state, 0.5f);
}

void GameScene::logTiles(const std::string& why) {
    if (!board || !treeLog::enabled()) return;
    vorn::log("GameScene tiles %s: %d", why.c_str(), static_cast<int>(board->tiles.size()));
    for (const std::shared_ptr<mahjong::Tile>& tile : board->tiles) {
        const mahjong::TilePosition& p = tile->position;
        // Where the tile rests, also while it is still flying there.
        const glm::vec2 centre = board->localToWorld(tile->pixelPosition());
        vorn::log("GameScene tile type=%d at=%d,%d,%d free=%d x=%.1f y=%.1f", tile->type, p.x, p.y, p.z,
                  tile->isLocked() ? 0 : 1, static_cast<double>(centre.x), static_cast<double>(centre.y));
    }
    vorn::log("GameScene tiles end");
}

bool GameScene::keyDown(int key) {
    vorn::Application* app = vorn::Application::instance();
    if (!app || !app->isDevMode()) return vorn::Scene::keyDown(key);
    // A key may run another screen, which releases this one.
    const std::shared_ptr<Node> self = shared_from_this();
    switch (key) {
    case vorn::KEY_F4:
        app->runScene(std::make_shared<EditorScene>(level), "appear");
        return true;
    case vorn::KEY_L:
        developerActionUsed = true;
        onNoTurns();
        return true;
    case vorn::KEY_W:
        developerActionUsed = true;
        win();
        return true;
    case vorn::KEY_U:
        developerActionUsed = true;
        if (board) board->undo();
        return true;
    case vorn::KEY_H:
        developerActionUsed = true;
        if (board) board->showHint();
        return true;
    case vorn::KEY_T:
        pushPopup("tutorial");
        return true;
    default:
        return vorn::Scene::keyDown(key);
    }
}

void GameScene::setupScripting() {
    vorn::VM::registerFunction("restart", onGame(&GameScene::restart));
    vorn::VM::registerFunction("reshuffle", onGame(&GameScene::reshuffle));
    vorn::VM::registerFunction("undo", onGame(&GameScene::undo));
    vorn::VM::registerFunction("hint", onGame(&GameScene::hint));
    vorn::VM::registerFunction("hideTutorial", onGame(&GameScene::closeTutorial));
    vorn::VM::registerFunction("toMap", std::function<void()>([] {
                                   vorn::Application* app = vorn::Application::instance();
                                   if (!app) return;
                                   // The screen whose button asked stays alive until the switch returns.
                                   const std::shared_ptr<vorn::Scene> running = app->runningScene();
                                   app->runScene(std::make_shared<MapScene>(), "appear");
                               }));
    vorn::VM::registerFunction("buyPowerupPack",
                               std::function<void(const std::string&)>(&GameScene::buyPowerupPack));
}
