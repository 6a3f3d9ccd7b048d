#include "screens/SplashScene.h"

#include "app/Application.h"
#include "core/VM.h"
#include "screens/LoadScene.h"
#include "screens/TreeLog.h"

#include <functional>
#include <memory>

namespace {
bool commandsBound = false;
}

SplashScene::SplashScene() : vorn::Scene(vorn::Application::instance()) { load("data/scenes/splash.sg.xml"); }

SplashScene::~SplashScene() = default;

void SplashScene::onEnterStage() {
    treeLog::later(*this, "SplashScene", "after entry", 0.3f);
    if (commandsBound) return;
    commandsBound = true;
    vorn::VM::registerFunction("startPreload", std::function<void()>(&SplashScene::startPreload));
}

void SplashScene::resetForTests() { commandsBound = false; }

void SplashScene::startPreload() {
    vorn::Application* app = vorn::Application::instance();
    if (!app) return;
    // The running scene, whichever it is, stays alive until the switch has
    // returned to the code that ran this command.
    const std::shared_ptr<vorn::Scene> running = app->runningScene();
    app->runScene(std::make_shared<LoadScene>(), "appear");
}
