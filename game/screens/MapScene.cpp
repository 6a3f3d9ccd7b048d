#include "screens/MapScene.h"

#include "app/Application.h"
#include "core/DataSource.h"
#include "core/EventDispatcher.h"
#include "core/InputEvents.h"
#include "core/Keys.h"
#include "services/LifeManager.h"
#include "core/Log.h"
#include "audio/MusicPlayer.h"
#include "core/Platform.h"
#include "services/User.h"
#include "services/UserManager.h"
#include "core/VM.h"
#include "scene/CompositeActions.h"
#include "scene/SimpleActions.h"
#include "scene/Text.h"
#include "screens/Level.h"
#include "screens/LevelList.h"
#include "screens/MahjongApp.h"
#include "screens/ScreenLinks.h"
#include "screens/TreeLog.h"
#include "widgets/Button.h"
#include "widgets/DragBox.h"
#include "widgets/NodeList.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <typeinfo>
#include <utility>
#include <vector>

namespace {

std::shared_ptr<MapScene> runningMap() {
    const vorn::Application* app = vorn::Application::instance();
    return app ? std::dynamic_pointer_cast<MapScene>(app->runningScene()) : nullptr;
}

void runNewScene(const std::shared_ptr<vorn::Scene>& scene, const std::string& entryState) {
    vorn::Application* app = vorn::Application::instance();
    if (!app || !scene) return;
    // The scene whose button, key or listener asked for the switch stays
    // alive until the switch has returned to it.
    const std::shared_ptr<vorn::Scene> running = app->runningScene();
    app->runScene(scene, entryState);
}

// Outside pages the map's buttons may open.
const std::map<std::string, std::string>& crossPromoPages() {
    static const std::map<std::string, std::string> pages = {
        {"voyalune", "https://www.voyalune.example/"},
        {"solitaire", "https://www.voyalune.example/solitaire"},
    };
    return pages;
}

long long bestScore(const vorn::Value* results, const std::string& uid) {
    if (!results) return 0;
    const vorn::Value& score = results->get(uid);
    if (score.isNil()) return 0;
    try {
        return score.asLongLong();
    } catch (const std::exception& e) {
        vorn::log("map: levelResults %s is no score [%s]", uid.c_str(), e.what());
        return 0;
    }
}

bool devMode() {
    vorn::Application* app = vorn::Application::instance();
    return app && app->isDevMode();
}

// "1, 2, 5 to 9" for a sorted list of numbers.
std::string ranges(const std::vector<int>& numbers) {
    std::string text;
    for (std::size_t i = 0; i < numbers.size();) {
        std::size_t j = i;
        while (j + 1 < numbers.size() && numbers[j + 1] == numbers[j] + 1) ++j;
        if (!text.empty()) text += ", ";
        text += std::to_string(numbers[i]);
        if (j > i) text += " to " + std::to_string(numbers[j]);
        i = j + 1;
    }
    return text;
}

// How far a node and everything shown in it reach across its parent.
std::pair<float, float> shownSpan(const vorn::Node& node) {
    const vorn::Rect bounds = node.getBounds();
    float left = bounds.x;
    float right = bounds.x + bounds.w;
    const float scale = node.getScale().x;
    for (const auto& child : node.children()) {
        if (!child->isVisible()) continue;
        const auto [a, b] = shownSpan(*child);
        left = std::min(left, bounds.x + a * scale);
        right = std::max(right, bounds.x + b * scale);
    }
    return {left, right};
}

// The displacement in [low, high] nearest to wanted at which no span is cut
// by either edge of a view that wide; wanted itself when there is none.
float uncutDisplacement(const std::vector<std::pair<float, float>>& spans, float width, float wanted, float low,
                        float high) {
    const auto cuts = [&](float d) {
        for (const auto& [a, b] : spans) {
            if ((a + d < 0.0f && b + d > 0.0f) || (a + d < width && b + d > width)) return true;
        }
        return false;
    };
    if (low > high) return wanted;
    wanted = std::clamp(wanted, low, high);
    // The clean stretches begin and end where a span meets an edge.
    std::vector<float> candidates = {wanted, low, high};
    for (const auto& [a, b] : spans) candidates.insert(candidates.end(), {-a, -b, width - a, width - b});
    std::optional<float> best;
    for (const float d : candidates) {
        if (d < low || d > high || cuts(d)) continue;
        if (!best || std::abs(d - wanted) < std::abs(*best - wanted)) best = d;
    }
    return best.value_or(wanted);
}

} // namespace

MapScene::MapScene() : vorn::Scene(vorn::Application::instance()) {
    load("data/scenes/map.sg.xml");
    setupScripting();
}

MapScene::~MapScene() {
    if (userListener_) vorn::EventDispatcher::instance()->removeListener(userListener_);
}

void MapScene::setupScripting() {
    vorn::VM::registerFunction("play", std::function<void(const std::string&)>(&MapScene::play));
    vorn::VM::registerFunction("playNext", std::function<void()>([] {
                                   if (const auto map = runningMap()) map->playNext();
                               }));
    vorn::VM::registerFunction("openAlbum", std::function<void()>([] {
                                   if (auto album = screenLinks::makeAlbumScene()) runNewScene(album, "appear");
                               }));
    vorn::VM::registerFunction("addUser", std::function<void()>([] {
                                   if (const auto map = runningMap()) map->addUser();
                               }));
    vorn::VM::registerFunction("deleteSelectedUser", std::function<void()>([] {
                                   if (const auto map = runningMap()) map->deleteSelectedUser();
                               }));
    vorn::VM::registerFunction("openCrossPromo", std::function<void(const std::string&)>([](const std::string& id) {
                                   const auto page = crossPromoPages().find(id);
                                   if (page != crossPromoPages().end()) vorn::Platform::instance()->openURL(page->second);
                               }));
}

void MapScene::play(const std::string& uid) {
    const std::shared_ptr<Level> level = LevelList::instance()->find(uid);
    if (!level) {
        vorn::log("map: no level %s in the level list; nothing to play", uid.c_str());
        return;
    }
    vorn::log("map: play level %s", uid.c_str());
    runNewScene(screenLinks::makeGameScene(level), "appear");
}

void MapScene::playNext() {
    const std::string uid = LevelList::instance()->nextLevelUid();
    if (!uid.empty()) {
        play(uid);
        return;
    }
    vorn::log("all levels complete");
    pushState();
    setState("allComplete");
}

void MapScene::addUser() {
    const std::string name = vorn::DataSource::get("new_user_name")->value().toString();
    if (name.empty()) return;
    // A name already taken is refused; the popup stays for another.
    if (!vorn::UserManager::instance()->addUser(name)) return;
    syncUsers();
    popState();
}

void MapScene::deleteSelectedUser() {
    vorn::UserManager* users = vorn::UserManager::instance();
    if (users->users().size() < 2) return;
    users->removeSelectedUser();
    syncUsers();
}

void MapScene::onSetup() { listenForUserChanges(); }

void MapScene::onEnterStage() {
    vorn::Scene::onEnterStage();
    // The album's badge takes its state from the counts as it enters: counts
    // left from before (a part placed in the album since) would show it for
    // a frame until the change published below reached it.
    screenLinks::publishArtifactCounts();
}

void MapScene::listenForUserChanges() {
    if (userListener_) return;
    // The user manager outlives every map: the listener must never reach
    // one that is gone.
    std::weak_ptr<vorn::Node> weak = weak_from_this();
    userListener_ = new vorn::EventListener(typeid(vorn::UserManager::SelectedUserChangedEvent), [weak](vorn::Event*) {
        const std::shared_ptr<vorn::Node> self = weak.lock();
        if (auto* map = dynamic_cast<MapScene*>(self.get())) map->onSelectedUserChanged();
    });
    vorn::EventDispatcher::instance()->addListener(vorn::UserManager::instance(), userListener_, true);
}

void MapScene::onExitStage() {
    vorn::Scene::onExitStage();
    if (userListener_) {
        vorn::EventDispatcher::instance()->removeListener(userListener_);
        userListener_ = nullptr;
    }
}

void MapScene::onSelectedUserChanged() {
    screenLinks::publishArtifactCounts();
    syncLevels();
}

void MapScene::showWelcome() {
    pushState();
    setState("welcome");
    setEnabled(true);
    treeLog::later(*this, "MapScene", "welcome", 0.5f);
}

void MapScene::showAlbumTutorial() {
    pushState();
    setState("albumTutorial");
    setEnabled(true);
    treeLog::later(*this, "MapScene", "album tutorial", 0.5f);
}

void MapScene::showPopupLater(void (MapScene::*show)()) {
    setEnabled(false);
    vorn::IntervalAction* steps[] = {new vorn::WaitAction(1.0f), new vorn::FunctionAction([show](vorn::Node* node) {
                                         if (auto* map = dynamic_cast<MapScene*>(node)) (map->*show)();
                                     })};
    runAction(new vorn::Sequence(steps, 2));
}

void MapScene::onChildrenEnteredStage() {
    vorn::MusicPlayer::instance()->play("menu", true);
    treeLog::later(*this, "MapScene", "after entry", 0.8f);
    // A name typed on an earlier screen is no name for this map's popup,
    // whose field starts empty.
    vorn::DataSource::get("new_user_name")->set(vorn::Value(""));
    // Left the stage before (a reload): listen again.
    listenForUserChanges();
    fitLevelStrip();
    onSelectedUserChanged();
    if (multiUser) syncUsers();

    vorn::UserManager* users = vorn::UserManager::instance();
    vorn::User* user = users->currentUser();
    if (!user) {
        vorn::log("map: no player selected");
        return;
    }
    if (!user->getValue("welcomeTutorialShown").asBool()) {
        showPopupLater(&MapScene::showWelcome);
        user->setValue(vorn::Value(true), "welcomeTutorialShown");
        users->userDataChanged();
    } else if (screenLinks::hasCollectedArtifactParts() && !user->getValue("albumTutorialShown").asBool()) {
        showPopupLater(&MapScene::showAlbumTutorial);
        user->setValue(vorn::Value(true), "albumTutorialShown");
        users->userDataChanged();
    }
}

void MapScene::fitLevelStrip() {
    auto box = std::dynamic_pointer_cast<vorn::DragBox>(findNode("levelsDragbox"));
    if (!box) return;
    float right = 0.0f;
    for (const auto& child : box->children()) {
        const vorn::Rect bounds = child->getBounds();
        right = std::max(right, bounds.x + bounds.w);
    }
    const float reach = std::min(0.0f, box->getSize().x - right);
    box->setProperties({{"minDisplacementX", vorn::Value(reach)}});
}

void MapScene::syncLevels() {
    LevelList* list = LevelList::instance();
    const std::string next = list->nextLevelUid();
    const bool allDone = next.empty();
    const int n = allDone ? -1 : std::stoi(next);
    vorn::User* user = vorn::UserManager::instance()->currentUser();
    const vorn::Value* results = user ? &user->getOrCreate("levelResults", vorn::Value::DICT) : nullptr;

    std::vector<int> missing;
    std::vector<int> incomplete;
    std::weak_ptr<vorn::Node> weak = weak_from_this();
    for (int i = 1; i <= levelButtons; ++i) {
        const std::shared_ptr<vorn::Node> button = findNode("l" + std::to_string(i));
        if (!button) continue;
        const std::shared_ptr<vorn::Node> b = button->findChild("b", false);
        const std::shared_ptr<vorn::Node> stars = button->findChild("stars", false);
        if (!b || !stars) {
            incomplete.push_back(i);
            continue;
        }
        const std::string uid = std::to_string(i);
        for (const auto& node : b->findChildrenOfType(typeid(vorn::Text), true)) {
            if (auto* text = dynamic_cast<vorn::Text*>(node.get())) text->setText(uid);
        }
        const bool finished = allDone || i < n;
        const bool current = i == n;
        const std::shared_ptr<Level> level = list->find(uid);
        if ((finished || current) && !level) {
            missing.push_back(i);
        } else if (finished || current) {
            b->setEnabled(true);
            stars->setVisible(true);
            const int shown = finished ? level->starsForScore(bestScore(results, uid)) : 0;
            stars->showOnlyChild(std::to_string(shown));
            vorn::EventDispatcher::instance()->setListener(b.get(), typeid(vorn::Button::ClickEvent),
                                                           [weak, uid](vorn::Event*) {
                                                               const auto self = weak.lock();
                                                               if (!self) return;
                                                               play(uid);
                                                           });
            continue;
        }
        stars->showOnlyChild("0");
        stars->setVisible(false);
        b->setEnabled(false);
    }
    if (!missing.empty()) {
        vorn::log("map: no level %s in the level list; shown locked", ranges(missing).c_str());
    }
    if (!incomplete.empty()) {
        vorn::log("map: level button %s lacks \"b\" or \"stars\"; skipped", ranges(incomplete).c_str());
    }

    showLevel(allDone ? std::string() : "l" + next);
}

void MapScene::showLevel(const std::string& name) {
    auto box = std::dynamic_pointer_cast<vorn::DragBox>(findNode("levelsDragbox"));
    if (!box) return;
    const std::shared_ptr<vorn::Node> target = name.empty() ? nullptr : box->findChild(name, false);
    if (!name.empty() && !target) return;
    std::vector<std::pair<float, float>> spans;
    for (int i = 1; i <= levelButtons; ++i) {
        const std::shared_ptr<vorn::Node> button = box->findChild("l" + std::to_string(i), false);
        if (button && button->isVisible()) spans.push_back(shownSpan(*button));
    }
    // With every level won the strip stays where it is, but for the least
    // move that cuts no level.
    glm::vec2 wanted(box->getDisplacement());
    float low = box->getMinDisplacement().x;
    float high = box->getMaxDisplacement().x;
    const float width = box->getSize().x;
    if (target) {
        wanted = box->displacementToCenter(target);
        // The current level stays whole in view.
        const auto [left, right] = shownSpan(*target);
        low = std::max(low, -left);
        high = std::min(high, width - right);
    }
    const float x = uncutDisplacement(spans, width, wanted.x, low, high);
    box->setDisplacement({x, wanted.y, 0.0f});
}

void MapScene::syncUsers() {
    // An entry's own listener may call this: the old entries go, and with
    // them the node that is delivering the event, so the list is held here.
    const std::shared_ptr<vorn::Node> keep = weak_from_this().lock();
    vorn::UserManager* users = vorn::UserManager::instance();
    if (auto list = std::dynamic_pointer_cast<vorn::NodeList>(findNode("userList"))) {
        const vorn::Node::Children old = list->getChildren();
        list->removeAllChildren();
        std::weak_ptr<vorn::Node> weak = weak_from_this();
        for (vorn::User* user : users->users()) {
            auto entry = std::make_shared<vorn::Node>(std::string("data/scenes/map/popups/_user.xml"));
            auto text = std::dynamic_pointer_cast<vorn::Text>(entry->findChild("text", false));
            const std::shared_ptr<vorn::Node> selection = entry->findChild("selection", false);
            if (text) text->setText(user->name());
            if (selection) selection->setVisible(user == users->currentUser());
            if (!text || !selection) vorn::log("map: a player entry lacks \"text\" or \"selection\"");
            list->addChild(entry);
            vorn::EventDispatcher::instance()->setListener(entry.get(), typeid(vorn::MouseDownEvent),
                                                           [weak, user](vorn::Event*) {
                                                               const std::shared_ptr<vorn::Node> self = weak.lock();
                                                               auto* map = dynamic_cast<MapScene*>(self.get());
                                                               if (!map) return;
                                                               vorn::UserManager::instance()->selectUser(user);
                                                               map->syncUsers();
                                                           });
        }
    }
    if (const std::shared_ptr<vorn::Node> add = findNode("addUserButton")) {
        add->setEnabled(users->users().size() < maxUsers);
    }
}

bool MapScene::mouseUp(const glm::vec2& point, vorn::eButtonName button) {
    // A button's script may replace this map.
    const std::shared_ptr<vorn::Node> self = shared_from_this();
    const std::string before = getCurrentState();
    const bool handled = vorn::Scene::mouseUp(point, button);
    logStateChange(before);
    return handled;
}

void MapScene::logStateChange(const std::string& before) {
    if (getCurrentState() != before) treeLog::later(*this, "MapScene", "state " + getCurrentState(), 0.5f);
}

bool MapScene::keyDown(int key) {
    if (key == vorn::KEY_ESCAPE) {
        const std::string before = getCurrentState();
        popState();
        logStateChange(before);
        return true;
    }
    if (devMode() && getCurrentState() == "default" && !focus()) {
        // A level by its number: up to three digits, then Enter.
        if (key >= vorn::KEY_0 && key <= vorn::KEY_9) {
            if (typedLevel_.size() == 3) typedLevel_.erase(0, 1);
            typedLevel_ += static_cast<char>('0' + (key - vorn::KEY_0));
            return true;
        }
        if (key == vorn::KEY_ENTER && !typedLevel_.empty()) {
            // The game screen that follows releases this map.
            const std::shared_ptr<vorn::Node> self = shared_from_this();
            play(std::exchange(typedLevel_, {}));
            return true;
        }
    }
    if (devMode()) {
        vorn::User* user = vorn::UserManager::instance()->currentUser();
        switch (key) {
        case vorn::KEY_G:
            if (user) user->getResource("gold").add(100);
            break;
        case vorn::KEY_L:
            vorn::LifeManager::instance()->addLife();
            break;
        case vorn::KEY_D:
            vorn::LifeManager::instance()->useLife();
            break;
        case vorn::KEY_U: {
            vorn::LifeManager* lives = vorn::LifeManager::instance();
            lives->setUnlimited(!lives->isUnlimited());
            break;
        }
        case vorn::KEY_N:
            pushState();
            setState("new_user");
            break;
        case vorn::KEY_X:
            pushState();
            setState("developer_levels");
            break;
        case vorn::KEY_F8:
            if (user) {
                user->setValue(vorn::Value(false), "welcomeTutorialShown");
                user->setValue(vorn::Value(false), "albumTutorialShown");
                vorn::UserManager::instance()->userDataChanged();
            }
            break;
        default:
            break;
        }
    }
    return vorn::Scene::keyDown(key);
}
