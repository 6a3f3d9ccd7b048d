#include "support/ProcessState.h"

#include "services/AchievementManager.h"
#include "services/Analytics.h"
#include "app/Application.h"
#include "audio/AudioEngine.h"
#include "core/Config.h"
#include "core/DataSource.h"
#include "core/EventDispatcher.h"
#include "services/Http.h"
#include "services/LifeManager.h"
#include "services/LocalNotifications.h"
#include "core/Localization.h"
#include "core/Log.h"
#include "audio/MusicPlayer.h"
#include "core/Platform.h"
#include "services/PurchaseManager.h"
#include "core/RandomSeed.h"
#include "core/ResourceManager.h"
#include "core/Scheduler.h"
#include "core/TinyVM.h"
#include "services/UserManager.h"
#include "app/WindowWin.h"
#include "core/Value.h"
#include "mahjong/GameController.h"
#include "render/Render.h"
#include "render/fonts/GlyphAtlas.h"
#include "scene/ActionManager.h"
#include "screens/ArtifactManager.h"
#include "screens/LevelList.h"
#include "screens/LoadScene.h"
#include "screens/ScreenLinks.h"
#include "screens/SplashScene.h"
#include "widgets/DragBox.h"
#include "widgets/UiDefaults.h"

#include "platform/win32.h"

#include <cstdlib>
#include <cstring>
#include <system_error>

extern char** environ;

namespace vorn::test {

namespace {

std::map<std::string, std::string> currentEnvironment() {
    std::map<std::string, std::string> variables;
    for (char** entry = environ; entry && *entry; ++entry) {
        const char* equals = std::strchr(*entry, '=');
        if (!equals) continue;
        variables.emplace(std::string(*entry, static_cast<std::size_t>(equals - *entry)), std::string(equals + 1));
    }
    return variables;
}

} // namespace

ProcessStateReset::ProcessStateReset(std::filesystem::path home, std::filesystem::path cache)
    : workingFolder_(std::filesystem::current_path()),
      environment_(currentEnvironment()),
      home_(std::move(home)),
      cache_(std::move(cache)) {
    for (const auto& entry : std::filesystem::directory_iterator(home_)) {
        if (entry.is_directory()) homeFolders_.push_back(entry.path());
    }
}

void ProcessStateReset::OnTestStart(const ::testing::TestInfo&) { reset(); }

void ProcessStateReset::OnTestEnd(const ::testing::TestInfo&) {
    // A test that wrote into the shared NIL changed what every missing key
    // reads as, in every later test.
    EXPECT_TRUE(Value::null.isNil()) << "the shared NIL value was changed: " << Value::toPlist(Value::null);
    reset();
}

void ProcessStateReset::reset() {
    resetEngineAndGame();
    std::error_code ec;
    std::filesystem::current_path(workingFolder_, ec);
    restoreEnvironment();
    emptyHome();
}

void ProcessStateReset::resetEngineAndGame() {
    // The analytics worker goes first: it reads the registered application
    // and writes into the per-user folder.
    Analytics::resetForTests();
    Application::setInstance(nullptr);
    Render::setInstance(nullptr);

    // Leftover actions hold nodes, and nodes going away come back to the
    // scheduler, the dispatcher and the data sources, which are still whole.
    ActionManager::resetForTests();
    TinyVM::resetForTests();
    SplashScene::resetForTests();

    LevelList::resetForTests();
    ArtifactManager::resetForTests();
    screenLinks::setSceneMakersForTesting(nullptr, nullptr);
    LoadScene::setWorkerStarterForTesting(nullptr);
    DragBox::setClockForTesting(nullptr);
    fixSeedsForTesting(kFixedSeed);

    PurchaseManager::resetForTests();
    LifeManager::resetForTests();
    AchievementManager::resetForTests();
    // Takes its option listeners off the dispatcher, so it goes before it.
    UserManager::resetForTests();
    LocalNotifications::instance()->cancelAll();

    Scheduler::resetForTests();
    mahjong::GameController::resetForTests();
    EventDispatcher::resetForTests();

    // Sound samples are resources, and both they and the music stream must
    // be gone before the audio engine closes the output.
    ResourceManager::resetForTests();
    MusicPlayer::resetForTests();
    AudioEngine::resetForTests();
    UiDefaults::resetForTests();
    GlyphAtlas::resetForTests();
    // Once nothing holds their textures.
    WindowWin::resetForTests();

    DataSource::resetAllForTests();
    Config::resetForTests();
    Localization::resetForTests();
    Logger::resetForTests();
    Platform::resetForTests();
    vornResetWindowingForTests();
    setHttpTimeouts(10000, 30000);
    Value::null = Value();
}

void ProcessStateReset::restoreEnvironment() const {
    for (const auto& [name, value] : currentEnvironment()) {
        if (!environment_.contains(name)) unsetenv(name.c_str());
    }
    for (const auto& [name, value] : environment_) {
        const char* now = std::getenv(name.c_str());
        if (!now || value != now) setenv(name.c_str(), value.c_str(), 1);
    }
}

void ProcessStateReset::emptyHome() const {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(home_, ec)) {
        if (entry.path() != cache_) std::filesystem::remove_all(entry.path(), ec);
    }
    for (const auto& folder : homeFolders_) std::filesystem::create_directories(folder, ec);
}

} // namespace vorn::test
