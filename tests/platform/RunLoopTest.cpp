// The whole run loop with the layer's window: passes, timing, input drained
// before each frame, the quit, and the failures that end it early.
#include "app/Application.h"
#include "app/MainLoop.h"
#include "core/Platform.h"
#include "services/User.h"
#include "services/UserManager.h"
#include "app/WindowWin.h"
#include "scene/Scene.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

class RecordingScene : public vorn::Scene {
public:
    explicit RecordingScene(std::vector<std::string>* calls) : calls_(calls) {}
    bool keyDown(int key) override {
        calls_->push_back("keyDown " + std::to_string(key));
        return true;
    }
    bool textInput(const std::string& text) override {
        calls_->push_back("text " + text);
        return true;
    }
    void draw() override { calls_->push_back("visit"); }
    void onAppQuit() override { calls_->push_back("onAppQuit"); }

private:
    std::vector<std::string>* calls_;
};

class LoopApp : public vorn::Application {
public:
    glm::vec2 designSize() override { return {1024, 768}; }
    std::string dataFolderName() override { return "VornTest"; }
    std::string windowTitle() override { return "Run loop test"; }
    void setup() override {
        calls.push_back("setup");
        runScene(std::make_shared<RecordingScene>(&calls));
        const HWND hwnd = vorn::WindowWin::handle();
        PostMessageW(hwnd, WM_KEYDOWN, 'A', 1);
        PostMessageW(hwnd, WM_CHAR, 0x16, 1); // Ctrl+V: not text
        PostMessageW(hwnd, WM_CHAR, 'a', 1);
    }
    void update(float dt) override {
        dts.push_back(dt);
        Application::update(dt);
        if (dts.size() == 3) quit();
    }

    std::vector<std::string> calls;
    std::vector<float> dts;
};

std::string logText() {
    return vorn::test::readBytes(std::string(std::getenv("XDG_DATA_HOME")) + "/VornTest/log.txt");
}

TEST(RunLoop, RunsPassesWithSteppedTimeUntilTheApplicationQuits) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "needs an X server (scripts/test.sh runs one)";
    std::uint32_t now = 0xFFFFFFE0u; // wraps during the run
    vorn::Platform::instance()->setClockForTesting([&now] { return now += 16; });
    LoopApp app;
    EXPECT_EQ(vorn::runMainLoop(&app), 0);
    EXPECT_EQ(app.dts, (std::vector<float>{0.016f, 0.016f, 0.016f}));
    EXPECT_EQ(app.calls, (std::vector<std::string>{"setup", "keyDown 30", "text a", "visit", "visit", "visit",
                                                   "onAppQuit", "onAppQuit"}));
    EXPECT_EQ(vorn::WindowWin::handle(), nullptr);
    EXPECT_NE(logText().find("Application::beforeRun()"), std::string::npos);
    vorn::Platform::instance()->setClockForTesting(nullptr);
}

// Changes the selected player's gold twice in its last frame: the second
// change waits for a frame that never comes.
class SavingApp : public LoopApp {
public:
    void setup() override {
        LoopApp::setup();
        vorn::UserManager::instance()->addUser("P1");
    }
    void update(float dt) override {
        LoopApp::update(dt);
        if (isQuitRequested()) {
            vorn::ResourceCounter& gold = vorn::UserManager::instance()->currentUser()->getResource("gold");
            gold.set(1);
            gold.set(2);
        }
    }
};

TEST(RunLoop, TheUsersFileIsSavedWhenTheRunEnds) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "needs an X server (scripts/test.sh runs one)";
    SavingApp app;
    EXPECT_EQ(vorn::runMainLoop(&app), 0);
    const std::string saved =
        vorn::test::readBytes(std::string(std::getenv("XDG_DATA_HOME")) + "/VornTest/users.xml");
    EXPECT_NE(saved.find("<key>gold</key>\n        <integer>2</integer>"), std::string::npos) << saved;
}

// Raises a termination request in its first frame and then runs on: only
// the request can end the run.
class TerminatedApp : public LoopApp {
public:
    void setup() override {
        LoopApp::setup();
        vorn::UserManager::instance()->addUser("T1");
    }
    void update(float dt) override {
        vorn::Application::update(dt);
        if (++frames == 1) std::raise(SIGTERM);
        // Only a request that never arrives gets this far.
        if (frames == 3000) quit();
    }
    int frames = 0;
};

TEST(RunLoop, ATerminationRequestEndsTheRunAsAQuitDoesAndSavesThePlayers) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) GTEST_SKIP() << "needs an X server (scripts/test.sh runs one)";
    TerminatedApp app;
    EXPECT_EQ(vorn::runMainLoop(&app), 0);
    EXPECT_LT(app.frames, 3000);
    EXPECT_EQ(app.calls.back(), "onAppQuit");
    EXPECT_NE(logText().find("Termination requested (control event 2)"), std::string::npos);
    EXPECT_EQ(logText().find("busy"), std::string::npos);
    const std::string saved =
        vorn::test::readBytes(std::string(std::getenv("XDG_DATA_HOME")) + "/VornTest/users.xml");
    EXPECT_NE(saved.find("<string>T1</string>"), std::string::npos) << saved;
}

class NoDisplay : public ::testing::Test {
protected:
    void SetUp() override {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        setenv("SDL_VIDEODRIVER", "x11", 1);
    }
};

TEST_F(NoDisplay, WithoutADesktopTheRunEndsWithAFailureStatus) {
    LoopApp app;
    EXPECT_EQ(vorn::runMainLoop(&app), 1);
    EXPECT_TRUE(app.calls.empty()) << "setup must not run";
    EXPECT_NE(logText().find("Error: no display to open the window on"), std::string::npos);
}

TEST_F(NoDisplay, AWindowThatCannotBeMadeEndsTheRunWithAFailureStatus) {
    vorn::Platform::instance()->setDesktopSizeForTesting({1280, 1024});
    LoopApp app;
    EXPECT_EQ(vorn::runMainLoop(&app), 1);
    EXPECT_TRUE(app.calls.empty()) << "setup must not run";
    EXPECT_NE(logText().find("Error: Can't create the game window."), std::string::npos);
    EXPECT_EQ(vorn::WindowWin::handle(), nullptr);
}

} // namespace
