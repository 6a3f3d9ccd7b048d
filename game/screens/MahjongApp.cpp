#include "screens/MahjongApp.h"

#include "services/Analytics.h"
#include "core/Config.h"
#include "core/Log.h"
#include "core/Platform.h"
#include "services/PurchaseManager.h"
#include "core/RandomSeed.h"
#include "core/ResourceManager.h"
#include "services/User.h"
#include "services/UserManager.h"
#include "screens/GalleryScene.h"
#include "screens/SplashScene.h"
#include "widgets/UiDefaults.h"

#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>

bool multiUser = false;

std::string MahjongApp::windowTitle() { return "Mahjong"; }

glm::vec2 MahjongApp::designSize() {
    const glm::vec2 desktop = vorn::Platform::instance()->desktopSize();
    if (desktop.x <= 0.0f || desktop.y <= 0.0f) return {1024.0f, 768.0f};
    const float r = desktop.x / desktop.y;
    if (r < 1.0f) return {1024.0f, 768.0f};
    return {768.0f * r, 768.0f};
}

bool MahjongApp::queryFlag() { return false; }

std::string MahjongApp::dataFolderName() {
    const std::string name = vorn::Platform::instance()->appFolderName();
    return name.empty() ? "VoyaluneMahjong" : name;
}

void MahjongApp::setup() {
    // VORN_SEED fixes the seeds of the deals, particles and music picks, so
    // that a run from outside sees the same game every time.
    if (const char* seed = std::getenv("VORN_SEED")) {
        std::uint32_t first = 0;
        const char* end = seed + std::strlen(seed);
        const auto [at, error] = std::from_chars(seed, end, first);
        if (*seed && error == std::errc() && at == end) {
            vorn::fixSeedsForTesting(first);
            vorn::log("seeds fixed from %u", static_cast<unsigned>(first));
        } else {
            vorn::log("VORN_SEED \"%s\" is no unsigned 32-bit number; seeds left to the clock", seed);
        }
    }
    // VORN_DEMO=gallery shows the widget gallery instead of the game.
    const char* demo = std::getenv("VORN_DEMO");
    if (demo && std::strcmp(demo, "gallery") == 0) {
        runScene(std::make_shared<GalleryScene>(this));
        return;
    }
    vorn::UiDefaults::instance()->setDefaultFont(vorn::ResourceManager::instance()->getFont("ubuntu.bold.ttf", 20.0f));

    vorn::Analytics* analytics = vorn::Analytics::instance();
    analytics->setAppId("c41d07e9a2b35f8e61d0b7a4");
    analytics->setSecret("9e07b2c5d18f43a6e2c9107bd54f8a36");
    try {
        analytics->start();
    } catch (const std::exception& e) {
        // The game plays the same without its reports.
        vorn::log("Analytics worker not started [%s]", e.what());
    }

    vorn::UserManager* users = vorn::UserManager::instance();
    users->setNewUserCallback(&MahjongApp::giveInitialResources);
    if (!multiUser && !users->currentUser()) users->addUser("user");

    setOrtho();
    runScene(std::make_shared<SplashScene>(), "appear");
    vorn::PurchaseManager::instance()->loadProducts();
}

void MahjongApp::giveInitialResources(vorn::User* profile) {
    if (!profile || !profile->getValue("initialResourcesGiven").isNil()) return;
    vorn::Config* config = vorn::Config::instance();
    const std::pair<const char*, const char*> gifts[] = {
        {"gold", "initialGold"}, {"hint", "initialHint"}, {"reshuffle", "initialReshuffle"}, {"undo", "initialUndo"}};
    for (const auto& [counter, key] : gifts) {
        long long amount = 0;
        try {
            amount = config->get(key).asLongLong();
        } catch (const std::exception& e) {
            vorn::log("config %s is no amount [%s]; nothing given", key, e.what());
        }
        profile->getResource(counter).add(amount);
    }
    profile->setValue(vorn::Value(true), "initialResourcesGiven");
    vorn::UserManager::instance()->userDataChanged();
}

void MahjongApp::stopForMissingData(const std::string& what) {
    vorn::log("Error: %s; the game cannot run without it", what.c_str());
    if (vorn::Application* app = vorn::Application::instance()) {
        app->setExitStatus(1);
        app->quit();
    }
}
