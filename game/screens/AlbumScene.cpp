#include "screens/AlbumScene.h"

#include "app/Application.h"
#include "core/DataSource.h"
#include "core/EventDispatcher.h"
#include "core/Keys.h"
#include "core/Log.h"
#include "services/User.h"
#include "services/UserManager.h"
#include "core/VM.h"
#include "scene/CompositeActions.h"
#include "scene/SimpleActions.h"
#include "screens/ArtifactManager.h"
#include "screens/ArtifactPartNode.h"
#include "screens/ArtifactPlaceNode.h"
#include "screens/MapScene.h"
#include "screens/TreeLog.h"

#include <memory>

namespace {

constexpr const char* kSceneFile = "data/scenes/album.sg.xml";
constexpr const char* kTileFile = "data/scenes/album/parts/part_scroll_tile.xml";
constexpr const char* kPageSource = "currentAlbumPage";
constexpr const char* kTutorialFlag = "insideAlbumTutorialShown";
constexpr int kFirstPage = 1;
constexpr int kLastPage = 9;

// The album whose onPageComplete the collection calls; cleared when that
// album leaves the stage or goes.
AlbumScene* callbackOwner = nullptr;

std::shared_ptr<AlbumScene> runningAlbum() {
    vorn::Application* app = vorn::Application::instance();
    return app ? std::dynamic_pointer_cast<AlbumScene>(app->runningScene()) : nullptr;
}

int currentPage() { return vorn::DataSource::get(kPageSource)->value().asInt(); }

} // namespace

AlbumScene::AlbumScene() : vorn::Scene(vorn::Application::instance()) {
    load(kSceneFile);
    setupScripting();
}

AlbumScene::~AlbumScene() {
    stopListening();
    if (callbackOwner == this) {
        ArtifactManager::instance()->setPlaceCompleteCallback(nullptr);
        callbackOwner = nullptr;
    }
}

void AlbumScene::setupScripting() {
    vorn::VM::registerFunction("toMap", std::function<void()>([] {
                                   vorn::Application* app = vorn::Application::instance();
                                   if (!app) return;
                                   // The album whose button asked stays alive until the switch returns to it.
                                   const std::shared_ptr<vorn::Scene> running = app->runningScene();
                                   app->runScene(std::make_shared<MapScene>(), "appear");
                               }));
    vorn::VM::registerFunction("prevPage", std::function<void()>([] {
                                   if (const auto album = runningAlbum()) album->prevPage();
                               }));
    vorn::VM::registerFunction("nextPage", std::function<void()>([] {
                                   if (const auto album = runningAlbum()) album->nextPage();
                               }));
}

void AlbumScene::onSetup() { listenForPlacements(); }

void AlbumScene::listenForPlacements() {
    if (placedListener_) return;
    placedListener_ = new vorn::EventListener(typeid(ArtifactManager::ArtifactPlacedEvent), [this](vorn::Event*) {
        // Only the tutorial itself is closed: a popup that opened over it
        // (a place just completed) stays for the player to read.
        if (tutorialShowing_ && getCurrentState() == "albumTutorial") popState();
        treeLog::later(*this, "AlbumScene", "part placed", 0.3f);
    });
    vorn::EventDispatcher::instance()->addListener(ArtifactManager::instance(), placedListener_, true);
}

void AlbumScene::stopListening() {
    if (!placedListener_) return;
    vorn::EventListener* listener = placedListener_;
    placedListener_ = nullptr;
    vorn::EventDispatcher::instance()->removeListener(listener);
}

void AlbumScene::onEnterStage() {
    // Entering again after leaving: the listener went with the exit.
    listenForPlacements();
    ArtifactManager* artifacts = ArtifactManager::instance();
    artifacts->setPlaceCompleteCallback(
        [this](int place, const std::string& placeName) { onPageComplete(place, placeName); });
    callbackOwner = this;
    vorn::DataSource::get(kPageSource)->set(vorn::Value(artifacts->firstIncompletePlace()));
    buildAlbum();

    vorn::User* user = vorn::UserManager::instance()->currentUser();
    if (user && !user->getValue(kTutorialFlag).asBool()) {
        setEnabled(false);
        vorn::IntervalAction* steps[] = {new vorn::WaitAction(1.0f),
                                         new vorn::FunctionAction([this](vorn::Node*) { showAlbumTutorial(); })};
        runAction(new vorn::Sequence(steps, 2));
        user->setValue(vorn::Value(true), kTutorialFlag);
        vorn::UserManager::instance()->userDataChanged();
    }
    treeLog::later(*this, "AlbumScene", "after entry", 0.8f);
}

void AlbumScene::onExitStage() {
    stopListening();
    if (callbackOwner == this) {
        ArtifactManager::instance()->setPlaceCompleteCallback(nullptr);
        callbackOwner = nullptr;
    }
}

void AlbumScene::onPopState(const std::string& leaving) {
    // However the tutorial closes (a placement, Escape, a button), it no
    // longer shows; a flag left behind would close the next popup instead.
    if (leaving == "albumTutorial") tutorialShowing_ = false;
}

void AlbumScene::removePlaces() {
    for (const std::shared_ptr<vorn::Node>& marker : findChildrenByName("artifactPlace", true)) {
        const std::shared_ptr<vorn::Node> artifact = marker->getParent();
        if (!artifact) continue;
        for (const std::shared_ptr<vorn::Node>& child : artifact->getChildren()) {
            if (std::dynamic_pointer_cast<ArtifactPlaceNode>(child)) artifact->removeChild(child);
        }
    }
}

void AlbumScene::buildAlbum() {
    ArtifactManager* artifacts = ArtifactManager::instance();
    if (const std::shared_ptr<vorn::Node> list = findNode("partsNodelist")) {
        list->removeAllChildren();
        for (const std::string& id : artifacts->collectedParts()) {
            if (!artifacts->parts().contains(id)) {
                // It could never be placed; a tile for it would only mislead.
                vorn::log("AlbumScene: part %s is not in the part table, not listed", id.c_str());
                continue;
            }
            auto tile = std::make_shared<vorn::Node>(std::string(kTileFile));
            auto part = std::make_shared<ArtifactPartNode>(id);
            part->setCenterParent(true);
            tile->addChild(part);
            list->addChild(tile);
        }
    } else {
        vorn::log("AlbumScene: no node \"partsNodelist\" in %s", kSceneFile);
    }

    // Entering the stage again must not lay a second place over an artifact.
    removePlaces();
    const std::set<std::string>& placed = artifacts->placedParts();
    for (const std::shared_ptr<vorn::Node>& marker : findChildrenByName("artifactPlace", true)) {
        const std::shared_ptr<vorn::Node> artifact = marker->getParent();
        if (!artifact) continue;
        auto place = std::make_shared<ArtifactPlaceNode>(artifact->getName());
        place->setFillParent(true);
        artifact->addChild(place);
        for (const std::string& id : placed) {
            if (ArtifactManager::groupOfPart(id) == place->groupId()) place->showPart(id);
        }
    }
}

bool AlbumScene::keyDown(int key) {
    if (key == vorn::KEY_ESCAPE) {
        popState();
        return true;
    }
    vorn::Application* app = vorn::Application::instance();
    if (key == vorn::KEY_F8 && app && app->isDevMode()) {
        ArtifactManager::instance()->unplaceAll();
        removePlaces();
        buildAlbum();
        return true;
    }
    return vorn::Scene::keyDown(key);
}

void AlbumScene::prevPage() {
    const int page = currentPage();
    if (page <= kFirstPage) return;
    vorn::DataSource::get(kPageSource)->set(vorn::Value(page - 1));
    addEffectAtCenter("data/effects/album_flip_sound.xml");
    treeLog::later(*this, "AlbumScene", "page turn", 0.1f);
}

void AlbumScene::nextPage() {
    const int page = currentPage();
    if (page >= kLastPage) return;
    vorn::DataSource::get(kPageSource)->set(vorn::Value(page + 1));
    addEffectAtCenter("data/effects/album_flip_sound.xml");
    treeLog::later(*this, "AlbumScene", "page turn", 0.1f);
}

void AlbumScene::onPageComplete(int, const std::string& placeName) {
    pushState();
    setState(placeName);
    treeLog::later(*this, "AlbumScene", "place complete", 0.5f);
}

void AlbumScene::showAlbumTutorial() {
    tutorialShowing_ = true;
    pushState();
    setState("albumTutorial");
    setEnabled(true);
    treeLog::later(*this, "AlbumScene", "album tutorial", 0.5f);
}
