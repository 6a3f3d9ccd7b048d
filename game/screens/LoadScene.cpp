#include "screens/LoadScene.h"

#include "app/Application.h"
#include "core/DataSource.h"
#include "core/Log.h"
#include "core/Platform.h"
#include "core/Resource.h"
#include "core/ResourceManager.h"
#include "core/Scheduler.h"
#include "services/UserManager.h"
#include "core/VM.h"
#include "screens/LevelList.h"
#include "screens/MahjongApp.h"
#include "screens/MapScene.h"
#include "screens/TreeLog.h"
#include "widgets/TextInput.h"

// The queue's own fences are what the thread sanitizer cannot follow; the
// semaphore of its blocking form, which it does follow, orders every
// hand-over (the main thread only ever polls it).
#pragma GCC diagnostic ignored "-Wtsan"
#include <readerwriterqueue/readerwriterqueue.h>

#include <exception>
#include <system_error>
#include <utility>

struct LoadScene::Queue {
    moodycamel::BlockingReaderWriterQueue<std::shared_ptr<vorn::Resource>> items{127};
};

namespace {

LoadScene::WorkerStarter& workerStarter() {
    static LoadScene::WorkerStarter starter;
    return starter;
}

// Runs the job on a thread of its own that nobody waits for; the id of
// that thread, or the caller's when the job ran here.
std::thread::id startWorker(std::function<void()> job) {
    if (workerStarter()) {
        workerStarter()(std::move(job));
        return std::this_thread::get_id();
    }
    try {
        std::thread worker(job);
        const std::thread::id id = worker.get_id();
        worker.detach();
        return id;
    } catch (const std::system_error& e) {
        // Slower, but the game still gets its resources.
        vorn::log("LoadScene: preload worker not started [%s]; loading here", e.what());
        job();
        return std::this_thread::get_id();
    }
}

void runNewScene(const std::shared_ptr<vorn::Scene>& scene, const std::string& entryState) {
    vorn::Application* app = vorn::Application::instance();
    if (!app) return;
    // The scene running this command stays alive until the switch returns to it.
    const std::shared_ptr<vorn::Scene> running = app->runningScene();
    app->runScene(scene, entryState);
}

} // namespace

void LoadScene::setWorkerStarterForTesting(WorkerStarter starter) { workerStarter() = std::move(starter); }

LoadScene::LoadScene() : vorn::Scene(vorn::Application::instance()) {}

LoadScene::~LoadScene() = default;

void LoadScene::onSetup() {
    vorn::ResourceManager::instance()->clearCache();
    load("data/scenes/logo.sg.xml");
}

void LoadScene::onEnterStage() {
    vorn::Scheduler::instance()->add(this);
    preloadList_ = vorn::Value::fromPlistFile(vorn::ResourceManager::instance()->getPath("data/preload.plist"));
    total_ = preloadList_.type() == vorn::Value::ARRAY ? preloadList_.size() : 0;
    loaded_ = 0;
    reported_ = false;
    queue_ = std::make_shared<Queue>();
    // The worker gets its own copies: this screen may be gone before it ends.
    std::shared_ptr<Queue> queue = queue_;
    vorn::Value list = preloadList_;
    const std::uint32_t total = total_;
    workerId_ = startWorker([queue, list, total] { preloadThread(queue, list, total); });
}

void LoadScene::onExitStage() { vorn::Scheduler::instance()->remove(this); }

void LoadScene::preloadThread(const std::shared_ptr<Queue>& queue, const vorn::Value& list, std::uint32_t total) {
    vorn::ResourceManager* resources = vorn::ResourceManager::instance();
    for (std::uint32_t i = 0; i < total; ++i) {
        // Missing files, kinds nobody loads and entries that are no name
        // count as loaded, empty.
        std::shared_ptr<vorn::Resource> resource;
        try {
            resource = resources->getResource(list.at(i).toString());
        } catch (const std::exception& e) {
            vorn::log("LoadScene: preload entry %u is no resource name [%s]", i, e.what());
        }
        queue->items.enqueue(std::move(resource));
    }
}

void LoadScene::onUpdate(float) {
    // Going on to the next screen releases this one.
    const std::shared_ptr<vorn::Node> self = weak_from_this().lock();
    const std::uint32_t before = loaded_;
    if (queue_) {
        std::shared_ptr<vorn::Resource> resource;
        while (queue_->items.try_dequeue(resource)) {
            if (resource) resource->load();
            ++loaded_;
            resource.reset();
        }
    }
    if (loaded_ != before || !reported_) {
        reported_ = true;
        vorn::log("LoadScene: %u of %u loaded", loaded_, total_);
    }
    const double share = total_ ? static_cast<double>(loaded_) / static_cast<double>(total_) : 1.0;
    vorn::DataSource::get("progress")->set(vorn::Value(share));
    if (loaded_ < total_) return;
    if (!vorn::UserManager::instance()->isLoaded()) return;
    vorn::Scheduler::instance()->remove(this);
    finishLoading();
}

void LoadScene::finishLoading() {
    vorn::VM::registerFunction("toMap", std::function<void()>([] {
                                   runNewScene(std::make_shared<MapScene>(), "appear");
                               }));
    vorn::VM::registerFunction("addUser", std::function<void()>(&LoadScene::addFirstUser));
    if (LevelList::instance()->empty()) {
        MahjongApp::stopForMissingData("data/levels.json holds no playable level");
        return;
    }
    if (multiUser && !vorn::UserManager::instance()->currentUser()) {
        openNewUserPopup();
    } else {
        goToMap();
    }
}

void LoadScene::openNewUserPopup() {
    pushState();
    setState("new_user");
    treeLog::later(*this, "LoadScene", "new player", 0.5f);
    auto input = std::dynamic_pointer_cast<vorn::TextInput>(findNode("new_user_text_input"));
    if (!input) {
        vorn::log("LoadScene: no text input \"new_user_text_input\"; the name is not suggested");
        return;
    }
    input->setText(vorn::Platform::instance()->userName());
    if (input->getText().empty()) input->setText("Player");
    setFocus(input);
}

void LoadScene::addFirstUser() {
    const std::string name = vorn::DataSource::get("new_user_name")->value().toString();
    if (name.empty()) return;
    if (!vorn::UserManager::instance()->addUser(name)) return;
    runNewScene(std::make_shared<MapScene>(), "appear");
}

void LoadScene::goToMap() { runNewScene(std::make_shared<MapScene>(), "appear_from_load"); }
