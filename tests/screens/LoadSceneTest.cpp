// The loading screen: every name of the preload list loaded and counted,
// the users file waited for, then the map or the new player's popup; and
// a screen that goes away while its worker still loads.
#include "core/DataSource.h"
#include "core/Scheduler.h"
#include "core/VM.h"
#include "screens/LevelList.h"
#include "screens/LoadScene.h"
#include "screens/MapScene.h"
#include "screens/SplashScene.h"
#include "scene/Image.h"
#include "scene/Text.h"
#include "widgets/TextInput.h"

#include "ScreensFixture.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>
#include <thread>
#include <vector>

namespace {

using vorn::test::ScreensTest;

class LoadSceneTest : public ScreensTest {
protected:
    LoadSceneTest() {
        // The jobs wait until the test runs them.
        LoadScene::setWorkerStarterForTesting([this](std::function<void()> job) { jobs.push_back(std::move(job)); });
    }
    ~LoadSceneTest() override { LoadScene::setWorkerStarterForTesting(nullptr); }

    // A data tree searched before the real one, holding this preload list.
    void preloadList(const std::vector<std::string>& names) {
        std::string body;
        for (const std::string& n : names) body += "<string>" + n + "</string>";
        preloadFile("<plist><array>" + body + "</array></plist>");
    }
    void preloadFile(const std::string& text) {
        std::filesystem::create_directories(tree.path() / "data");
        vorn::test::writeBytes(tree.file("data/preload.plist"), text);
        vorn::ResourceManager::instance()->addSearchPath(tree.path().string());
    }
    std::shared_ptr<LoadScene> startLoading() {
        auto screen = std::make_shared<LoadScene>();
        run.app.runScene(screen, "appear");
        return screen;
    }
    void runJobs() {
        for (auto& job : jobs) job();
        jobs.clear();
    }
    static double progress() { return vorn::DataSource::get("progress")->value().asDouble(); }

    const std::vector<std::string> fourNames = {"data/gfx/ui/coin.png", "data/scenes/ui/round_red.xml",
                                                "data/gfx/ui/none.png", "data/levels.json"};
    std::vector<std::function<void()>> jobs;
    vorn::test::TempDir tree;
};

TEST_F(LoadSceneTest, EveryNameCountsAndTheMapFollowsInTheFrameOfTheLast) {
    ASSERT_TRUE(addPlayer("Ann"));
    preloadList(fourNames);
    std::weak_ptr<LoadScene> loading = startLoading();
    ASSERT_EQ(jobs.size(), 1u);
    run.step(1.0f / 60.0f);
    EXPECT_EQ(progress(), 0.0);
    EXPECT_EQ(run.app.runningScene(), loading.lock());
    EXPECT_EQ(loading.lock()->total(), 4u);

    runJobs();
    run.step(1.0f / 60.0f);
    EXPECT_EQ(progress(), 1.0);
    // The map replaced the screen inside its own update, which ran to its end.
    EXPECT_TRUE(loading.expired());
    ASSERT_TRUE(std::dynamic_pointer_cast<MapScene>(run.app.runningScene()));
    EXPECT_TRUE(vorn::ResourceManager::instance()->isCached("data/gfx/ui/coin.png"));
    // Entered from the loading screen: the cover that fades the map in shows.
    run.step(1.0f / 60.0f);
    const auto cover = find("loadCover");
    ASSERT_TRUE(cover);
    EXPECT_TRUE(cover->isVisible());
    EXPECT_GT(cover->getColor().a, 0.8f);
}

TEST_F(LoadSceneTest, AnEmptyOrBrokenListGoesOnAtOnce) {
    ASSERT_TRUE(addPlayer("Ann"));
    preloadFile("<plist><dict><key>a</key><string>b</string></dict></plist>");
    std::weak_ptr<LoadScene> loading = startLoading();
    EXPECT_EQ(loading.lock()->total(), 0u);
    run.step(1.0f / 60.0f);
    EXPECT_TRUE(std::dynamic_pointer_cast<MapScene>(run.app.runningScene()));
    EXPECT_EQ(progress(), 1.0);
}

TEST_F(LoadSceneTest, EntriesThatAreNoNamesCountAsLoaded) {
    ASSERT_TRUE(addPlayer("Ann"));
    preloadFile("<plist><array><dict/><array/><string>data/gfx/ui/coin.png</string></array></plist>");
    auto loading = startLoading();
    runJobs();
    run.step(1.0f / 60.0f);
    EXPECT_EQ(loading->loaded(), 3u);
    EXPECT_TRUE(std::dynamic_pointer_cast<MapScene>(run.app.runningScene()));
}

TEST_F(LoadSceneTest, TheUsersFileIsWaitedFor) {
    // The users data arrives when the test hands it over.
    struct LateLoader : vorn::UserManager::Loader {
        std::function<void(const vorn::Data&)> done;
        void load(const std::string&, std::function<void(const vorn::Data&)> callback) override {
            done = std::move(callback);
        }
    } loader;
    vorn::UserManager::setLoader(&loader);
    preloadList(fourNames);
    std::weak_ptr<LoadScene> loading = startLoading();
    runJobs();
    run.step(1.0f / 60.0f, 5);
    EXPECT_EQ(progress(), 1.0);
    EXPECT_EQ(run.app.runningScene(), loading.lock());
    EXPECT_EQ(vorn::Scheduler::instance()->count(loading.lock().get()), 1u);
    // Nothing is bound before the end of loading.
    vorn::VM::execute("addUser(); toMap()");
    EXPECT_EQ(run.app.runningScene(), loading.lock());

    ASSERT_TRUE(loader.done);
    loader.done(vorn::Data());
    run.step(1.0f / 60.0f);
    // No player yet: the popup asks for one.
    ASSERT_FALSE(loading.expired());
    EXPECT_EQ(loading.lock()->getCurrentState(), "new_user");
    EXPECT_EQ(vorn::Scheduler::instance()->count(loading.lock().get()), 0u);
    vorn::UserManager::setLoader(nullptr);
}

TEST_F(LoadSceneTest, ANewPlayerIsAskedForANameFirst) {
    preloadList(fourNames);
    std::weak_ptr<LoadScene> loading = startLoading();
    runJobs();
    run.step(1.0f / 60.0f);
    ASSERT_FALSE(loading.expired());
    const auto screen = loading.lock();
    EXPECT_EQ(screen->getCurrentState(), "new_user");
    EXPECT_EQ(screen->stateStack(), std::vector<std::string>{"default"});
    const auto input = find<vorn::TextInput>("new_user_text_input");
    ASSERT_TRUE(input);
    EXPECT_EQ(screen->focus(), input);
    const std::string suggested = vorn::Platform::instance()->userName();
    EXPECT_EQ(input->getText(), suggested.empty() ? "Player" : suggested);
    EXPECT_EQ(vorn::DataSource::get("new_user_name")->value().toString(), input->getText());
    // The bar stands after the suggested name.
    ASSERT_TRUE(input->cursor() && input->textNode());
    const vorn::Rect name = input->textNode()->getBounds();
    EXPECT_NEAR(input->cursor()->getPosition().x, name.x + name.w, 2.0f);

    // Typing replaces the suggestion; an empty name is no name.
    input->setText("");
    vorn::VM::execute("addUser()");
    EXPECT_EQ(run.app.runningScene(), screen);
    EXPECT_EQ(vorn::UserManager::instance()->users().size(), 0u);

    run.app.textInput("Zoe");
    EXPECT_EQ(vorn::DataSource::get("new_user_name")->value().toString(), "Zoe");
    vorn::VM::execute("addUser()");
    ASSERT_TRUE(std::dynamic_pointer_cast<MapScene>(run.app.runningScene()));
    ASSERT_TRUE(vorn::UserManager::instance()->currentUser());
    EXPECT_EQ(vorn::UserManager::instance()->currentUser()->name(), "Zoe");
    // Entered from "appear": no cover.
    run.step(1.0f / 60.0f);
    EXPECT_FALSE(find("loadCover")->isVisible());
}

TEST_F(LoadSceneTest, APopupWithoutItsFieldStillWaitsForAName) {
    preloadList(fourNames);
    std::filesystem::create_directories(tree.path() / "data/scenes");
    vorn::test::writeBytes(tree.file("data/scenes/logo.sg.xml"), "<scene><state name=\"new_user\"/></scene>");
    auto loading = startLoading();
    runJobs();
    vorn::test::LogCapture log;
    run.step(1.0f / 60.0f);
    EXPECT_EQ(loading->getCurrentState(), "new_user");
    EXPECT_FALSE(loading->focus());
    EXPECT_EQ(log.count("no text input \"new_user_text_input\""), 1) << log.text();
    vorn::DataSource::get("new_user_name")->set(vorn::Value("Max"));
    vorn::VM::execute("addUser()");
    EXPECT_TRUE(std::dynamic_pointer_cast<MapScene>(run.app.runningScene()));
}

TEST_F(LoadSceneTest, NoPlayableLevelEndsTheRunWithStatusOne) {
    ASSERT_TRUE(addPlayer("Ann"));
    LevelList::replaceForTesting("{}");
    preloadList(fourNames);
    auto loading = startLoading();
    runJobs();
    vorn::test::LogCapture log;
    run.step(1.0f / 60.0f);
    EXPECT_EQ(run.app.runningScene(), loading);
    EXPECT_TRUE(run.app.isQuitRequested());
    EXPECT_EQ(run.app.exitStatus(), 1);
    EXPECT_EQ(log.count("Error: data/levels.json holds no playable level"), 1) << log.text();
}

TEST_F(LoadSceneTest, AScreenReplacedWhileItsWorkerLoadsIsNeverTouchedAgain) {
    ASSERT_TRUE(addPlayer("Ann"));
    preloadList(fourNames);
    auto splash = std::make_shared<SplashScene>();
    show(splash);
    // "startPreload" twice: the first loading screen goes before its worker ran.
    vorn::VM::execute("startPreload()");
    std::weak_ptr<vorn::Scene> first = run.app.runningScene();
    ASSERT_TRUE(std::dynamic_pointer_cast<LoadScene>(first.lock()));
    vorn::VM::execute("startPreload()");
    EXPECT_TRUE(first.expired());
    ASSERT_EQ(jobs.size(), 2u);
    // The first worker now loads into its own share of the queue.
    jobs.front()();
    jobs.erase(jobs.begin());
    run.step(1.0f / 60.0f);
    EXPECT_TRUE(std::dynamic_pointer_cast<LoadScene>(run.app.runningScene()));
    runJobs();
    run.step(1.0f / 60.0f);
    EXPECT_TRUE(std::dynamic_pointer_cast<MapScene>(run.app.runningScene()));
}

TEST_F(LoadSceneTest, AScreenThatLeftTheStageIsNoLongerUpdated) {
    ASSERT_TRUE(addPlayer("Ann"));
    preloadList(fourNames);
    auto kept = startLoading();
    ASSERT_EQ(vorn::Scheduler::instance()->count(kept.get()), 1u);
    run.app.runScene(std::make_shared<vorn::Scene>(&run.app), "appear");
    EXPECT_EQ(vorn::Scheduler::instance()->count(kept.get()), 0u);
    runJobs();
    run.step(1.0f / 60.0f, 3);
    EXPECT_EQ(kept->loaded(), 0u);
    EXPECT_FALSE(std::dynamic_pointer_cast<MapScene>(run.app.runningScene()));
}

TEST_F(LoadSceneTest, TheSplashBindsItsCommandOnce) {
    auto splash = std::make_shared<SplashScene>();
    show(splash);
    // A later binding of the name is not undone by a second splash.
    int calls = 0;
    vorn::VM::registerFunction("startPreload", std::function<void()>([&calls] { ++calls; }));
    show(std::make_shared<SplashScene>());
    vorn::VM::execute("startPreload()");
    EXPECT_EQ(calls, 1);
    // The splash's own file runs the command when its show is over.
    EXPECT_TRUE(find("splashSlides"));
}

TEST_F(LoadSceneTest, TheSplashEndsInTheLoadingScreen) {
    preloadList(fourNames);
    show(std::make_shared<SplashScene>());
    frames(3.0f);
    EXPECT_TRUE(std::dynamic_pointer_cast<LoadScene>(run.app.runningScene()));
}

// A real worker thread: each frame takes what has arrived, so the share
// published moves in whole steps of the list and ends at 1 in the frame
// that goes on.
TEST_F(LoadSceneTest, ThreadedWorkerHandsOverInWholeSteps) {
    LoadScene::setWorkerStarterForTesting(nullptr);
    ASSERT_TRUE(addPlayer("Ann"));
    std::vector<std::string> names;
    for (int i = 1; i <= 42; ++i) names.push_back("data/gfx/tiles/labels/" + std::to_string(i) + ".png");
    names.push_back("data/gfx/ui/none.png");
    preloadList(names);
    std::weak_ptr<LoadScene> loading = startLoading();
    const double total = static_cast<double>(names.size());
    double last = 0.0;
    int frames = 0;
    while (!loading.expired() && frames < 100000) {
        run.step(1.0f / 60.0f);
        ++frames;
        const double share = progress();
        const double k = share * total;
        EXPECT_NEAR(k, std::round(k), 1e-9);
        EXPECT_GE(share, last);
        last = share;
        if (!loading.expired()) {
            EXPECT_LT(share, 1.0);
            std::this_thread::yield();
        }
    }
    EXPECT_EQ(last, 1.0);
    EXPECT_TRUE(std::dynamic_pointer_cast<MapScene>(run.app.runningScene()));
}

} // namespace
