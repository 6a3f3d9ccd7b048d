#pragma once

#include "core/Value.h"
#include "scene/Scene.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>

namespace vorn {
class Resource;
}

// The loading screen, "data/scenes/logo.sg.xml". A worker loads every
// resource of "data/preload.plist" into the resource manager's cache and
// hands each to the main thread, which finishes it (texture uploads),
// counts it and publishes the share done in "progress". Once all are in and
// the users file is read, the screen goes on to the map, or first asks a
// new player's name in its "new_user" popup.
//
// The worker owns what it works with (its copy of the list and its share
// of the hand-over queue), so the screen may go away while it still loads.
class LoadScene : public vorn::Scene {
public:
    LoadScene();
    ~LoadScene() override;

    void onSetup() override;
    void onEnterStage() override;
    // Leaves the scheduler: a screen that left the stage early (a second
    // "startPreload") must not be updated again.
    void onExitStage() override;
    void onUpdate(float dt) override;

    // "addUser": the first player, named by "new_user_name", then the map.
    static void addFirstUser();
    static void goToMap();

    std::uint32_t total() const { return total_; }
    std::uint32_t loaded() const { return loaded_; }

    // How the worker is started; by default a detached thread. Tests may run
    // the job at a moment of their choosing instead.
    using WorkerStarter = std::function<void(std::function<void()> job)>;
    static void setWorkerStarterForTesting(WorkerStarter starter);

private:
    struct Queue;

    static void preloadThread(const std::shared_ptr<Queue>& queue, const vorn::Value& list, std::uint32_t total);
    void finishLoading();
    void openNewUserPopup();

    vorn::Value preloadList_;
    std::uint32_t total_ = 0;
    std::uint32_t loaded_ = 0;
    bool reported_ = false;
    std::shared_ptr<Queue> queue_;
    std::thread::id workerId_;
};
