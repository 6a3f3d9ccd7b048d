#include "app/Application.h"
#include "audio/AudioEngine.h"
#include "core/DataSource.h"
#include "core/Log.h"
#include "core/Platform.h"
#include "core/Scheduler.h"
#include "scene/ActionManager.h"
#include "scene/Scene.h"
#include "screens/MahjongApp.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

using vorn::Application;
using vorn::Platform;

class TestApp : public Application {
public:
    glm::vec2 design{1024.0f, 768.0f};
    glm::vec2 designSize() override { return design; }
    std::string dataFolderName() override { return "VornTest"; }
    void setup() override {}
};

class RecordingScene : public vorn::Scene {
public:
    explicit RecordingScene(std::vector<std::string>* calls) : calls_(calls) {}
    void onSetup() override { calls_->push_back("setup"); }
    void onEnterStage() override { calls_->push_back("enterStage"); }
    void onExitStage() override { calls_->push_back("exitStage"); }
    void reload() override { calls_->push_back("reload"); }
    void onAppQuit() override { calls_->push_back("onAppQuit"); }
    void onAppDeactivated() override { calls_->push_back("onAppDeactivated"); }
    bool keyDown(int key) override {
        calls_->push_back("keyDown " + std::to_string(key));
        return true;
    }
    bool mouseDown(const glm::vec2& p, vorn::eButtonName b) override { return point("mouseDown", p, b); }
    bool mouseUp(const glm::vec2& p, vorn::eButtonName b) override { return point("mouseUp", p, b); }
    bool mouseMove(const glm::vec2& p, vorn::eButtonName b) override { return point("mouseMove", p, b); }

    std::vector<glm::vec2> points;

protected:
    bool point(const char* what, const glm::vec2& p, vorn::eButtonName b) {
        calls_->push_back(std::string(what) + " " + std::to_string(static_cast<int>(b)));
        points.push_back(p);
        return true;
    }
    std::vector<std::string>* calls_;
};

std::vector<std::string> logLines() {
    const std::string bytes =
        vorn::test::readBytes(std::string(std::getenv("XDG_DATA_HOME")) + "/VornTest/log.txt");
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < bytes.size()) {
        size_t end = bytes.find("\r\n", start);
        if (end == std::string::npos) end = bytes.size();
        lines.push_back(bytes.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

class ApplicationTest : public ::testing::Test {
protected:
    void SetUp() override { Application::setInstance(&app); }
    void TearDown() override {
        Application::setInstance(nullptr);
        Platform::instance()->setDesktopSizeForTesting({0.0f, 0.0f});
    }
    void desktop(float w, float h) { Platform::instance()->setDesktopSizeForTesting({w, h}); }
    std::shared_ptr<RecordingScene> runRecordingScene() {
        auto scene = std::make_shared<RecordingScene>(&calls);
        app.runScene(scene);
        calls.clear();
        return scene;
    }

    TestApp app;
    std::vector<std::string> calls;
};

struct ViewportCase {
    float screenW, screenH;
    bool fullscreen;
    vorn::Rect viewport;
    float scale;
};
// Test names and failure messages show the case, not its bytes.
void PrintTo(const ViewportCase& c, std::ostream* os) { *os << c.screenW << "x" << c.screenH << (c.fullscreen ? " full screen" : " windowed"); }

class ApplicationViewport : public ApplicationTest, public ::testing::WithParamInterface<ViewportCase> {};

TEST_P(ApplicationViewport, LetterboxesAndMapsThePointerIntoTheDesignArea) {
    const ViewportCase c = GetParam();
    desktop(c.screenW, c.screenH);
    if (!c.fullscreen) app.setFullscreen(false);
    app.update(0.0f);
    EXPECT_NEAR(app.viewport().x, c.viewport.x, 1e-3);
    EXPECT_NEAR(app.viewport().y, c.viewport.y, 1e-3);
    EXPECT_NEAR(app.viewport().w, c.viewport.w, 1e-3);
    EXPECT_NEAR(app.viewport().h, c.viewport.h, 1e-3);
    EXPECT_NEAR(app.inputScale().x, c.scale, 1e-6);
    EXPECT_NEAR(app.inputScale().y, c.scale, 1e-6);
    // The corners of the viewport are the corners of the design area.
    const glm::vec2 topLeft = app.toContentPoint({c.viewport.x, c.viewport.y});
    const glm::vec2 bottomRight = app.toContentPoint({c.viewport.x + c.viewport.w, c.viewport.y + c.viewport.h});
    EXPECT_NEAR(topLeft.x, 0.0f, 1e-3);
    EXPECT_NEAR(topLeft.y, 0.0f, 1e-3);
    EXPECT_NEAR(bottomRight.x, 1024.0f, 1e-2);
    EXPECT_NEAR(bottomRight.y, 768.0f, 1e-2);
}

INSTANTIATE_TEST_SUITE_P(Desktops, ApplicationViewport,
                         ::testing::Values(ViewportCase{1920, 1080, true, {240, 0, 1440, 1080}, 0.7111111f},
                                           ViewportCase{1280, 1024, true, {0, 32, 1280, 960}, 0.8f},
                                           ViewportCase{1920, 1080, false, {0, 0, 1152, 864}, 0.8888889f},
                                           ViewportCase{1280, 1024, false, {0, 0, 1024, 768}, 1.0f}),
                         [](const ::testing::TestParamInfo<ViewportCase>& param) {
                             const ViewportCase& c = param.param;
                             return std::string(c.fullscreen ? "FullScreen" : "Windowed") +
                                    std::to_string(static_cast<int>(c.screenW)) + "x" +
                                    std::to_string(static_cast<int>(c.screenH));
                         });

TEST_F(ApplicationTest, ClickReachesTheSceneInDesignCoordinates) {
    desktop(1920, 1080);
    auto scene = runRecordingScene();
    // Before the first frame the mapping is still all zero.
    app.mouseDown({500, 500}, vorn::BUTTON_LEFT);
    app.update(0.0f);
    app.mouseDown({240, 0}, vorn::BUTTON_LEFT);
    app.mouseUp({1680, 1080}, vorn::BUTTON_RIGHT);
    app.pointerEvent({960, 540}, vorn::BUTTON_LEFT);
    ASSERT_EQ(scene->points.size(), 4u);
    EXPECT_EQ(scene->points[0], glm::vec2(0, 0));
    EXPECT_NEAR(scene->points[1].x, 0.0f, 1e-3);
    EXPECT_NEAR(scene->points[2].x, 1024.0f, 1e-2);
    EXPECT_NEAR(scene->points[2].y, 768.0f, 1e-2);
    EXPECT_NEAR(scene->points[3].x, 512.0f, 1e-2);
    EXPECT_EQ(calls, (std::vector<std::string>{"mouseDown 256", "mouseDown 256", "mouseUp 257", "mouseMove 256"}));
}

TEST_F(ApplicationTest, ModeSwitchTakesEffectAtTheNextFrame) {
    desktop(1920, 1080);
    auto scene = runRecordingScene();
    app.update(0.0f);
    app.setFullscreen(false);
    EXPECT_FALSE(app.isViewportValid());
    app.mouseDown({240, 0}, vorn::BUTTON_LEFT); // still the full-screen mapping
    app.update(0.0f);
    app.mouseDown({240, 0}, vorn::BUTTON_LEFT);
    ASSERT_EQ(scene->points.size(), 2u);
    EXPECT_NEAR(scene->points[0].x, 0.0f, 1e-3);
    EXPECT_NEAR(scene->points[1].x, 240.0f * 1024.0f / 1152.0f, 1e-2);
}

TEST_F(ApplicationTest, GameDesignSizeFillsTheScreenWithoutBars) {
    desktop(1920, 1080);
    MahjongApp game;
    EXPECT_EQ(game.designSize(), glm::vec2(768.0f * 1920.0f / 1080.0f, 768.0f));
    game.calculateViewport();
    EXPECT_EQ(game.inputOffset(), glm::vec2(0, 0));
    desktop(1080, 1920);
    EXPECT_EQ(game.designSize(), glm::vec2(1024, 768));
    EXPECT_EQ(game.windowTitle(), "Mahjong");
    EXPECT_EQ(game.dataFolderName(), "VoyaluneMahjong");
    EXPECT_FALSE(game.queryFlag());
}

TEST_F(ApplicationTest, EmptyDesignSizeGivesAnEmptyViewportNotNaN) {
    desktop(1280, 1024);
    app.design = {0, 0};
    app.calculateViewport();
    EXPECT_EQ(app.viewport(), vorn::Rect());
    EXPECT_EQ(app.inputScale(), glm::vec2(0, 0));
    app.setFullscreen(false);
    app.calculateViewport();
    EXPECT_EQ(app.viewport(), vorn::Rect());
    EXPECT_EQ(app.inputScale(), glm::vec2(0, 0));
}

class DtRecorder : public vorn::Scheduleable {
public:
    void onUpdate(float dt) override { seen.push_back(dt); }
    std::vector<float> seen;
};

TEST_F(ApplicationTest, FrameDtIsCappedAtTenSeconds) {
    desktop(1280, 1024);
    DtRecorder recorder;
    vorn::Scheduler::instance()->add(&recorder);
    app.update(25.0f);
    app.update(0.016f);
    vorn::Scheduler::instance()->remove(&recorder);
    EXPECT_EQ(recorder.seen, (std::vector<float>{10.0f, 0.016f}));
}

TEST_F(ApplicationTest, RunSceneSwitchesToEntryStateOnlyWhenTheSceneHasIt) {
    auto plain = std::make_shared<RecordingScene>(&calls);
    app.runScene(plain);
    EXPECT_EQ(calls, (std::vector<std::string>{"setup", "enterStage"}));
    calls.clear();
    EXPECT_EQ(plain->getCurrentState(), "default");
    auto animated = std::make_shared<RecordingScene>(&calls);
    vorn::Node::State appear;
    appear.name = "appear";
    appear.hasX = true;
    appear.position.x = -100.0f;
    animated->addState(appear);
    animated->setPosition(20.0f, 0.0f);
    app.runScene(animated);
    EXPECT_EQ(calls, (std::vector<std::string>{"exitStage", "setup", "enterStage"}));
    EXPECT_EQ(app.runningScene(), animated);
    // Put at "appear" at once, then on its way back to "default".
    EXPECT_EQ(animated->getCurrentState(), "default");
    EXPECT_EQ(animated->getPosition().x, -100.0f);
    EXPECT_TRUE(vorn::ActionManager::instance()->hasActions(animated.get()));
}

class SwitchingScene : public RecordingScene {
public:
    using RecordingScene::RecordingScene;
    std::shared_ptr<vorn::Scene> next;
    bool mouseUp(const glm::vec2&, vorn::eButtonName) override {
        vorn::Application::instance()->runScene(next);
        // Still running inside the old scene: its members must be alive.
        calls_->push_back("handled after switch");
        return true;
    }
};

TEST_F(ApplicationTest, SceneThatSwitchesFromItsOwnInputStaysAliveUntilItReturns) {
    std::vector<std::string> nextCalls;
    auto old = std::make_shared<SwitchingScene>(&calls);
    old->next = std::make_shared<RecordingScene>(&nextCalls);
    std::weak_ptr<vorn::Scene> watch = old;
    app.runScene(old);
    old.reset();
    calls.clear();
    EXPECT_TRUE(app.mouseUp({0, 0}, vorn::BUTTON_LEFT));
    EXPECT_EQ(calls, (std::vector<std::string>{"exitStage", "handled after switch"}));
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(nextCalls, (std::vector<std::string>{"setup", "enterStage"}));
}

TEST_F(ApplicationTest, InputWithoutSceneAnswersFalse) {
    EXPECT_FALSE(app.keyDown(vorn::KEY_A));
    EXPECT_FALSE(app.keyUp(vorn::KEY_A));
    EXPECT_FALSE(app.textInput("a"));
    EXPECT_FALSE(app.mouseDown({1, 1}, vorn::BUTTON_LEFT));
    EXPECT_FALSE(app.scroll({0, 1}));
    app.deactivate();
    app.quit();
    EXPECT_TRUE(app.isQuitRequested());
}

TEST_F(ApplicationTest, F5ReloadsTheSceneOnlyInDeveloperMode) {
    auto scene = runRecordingScene();
    EXPECT_TRUE(app.keyDown(vorn::KEY_F5));
    EXPECT_EQ(calls, (std::vector<std::string>{"keyDown 7"}));

    TestApp devApp;
    Application::setInstance(&devApp);
    const std::string folder = Platform::instance()->writableFolder("VornTest");
    vorn::test::writeBytes(folder + "/devmode.txt", "1 and anything after");
    devApp.runScene(scene);
    calls.clear();
    EXPECT_TRUE(devApp.keyDown(vorn::KEY_F5));
    devApp.keyDown(vorn::KEY_F4);
    EXPECT_EQ(calls, (std::vector<std::string>{"reload", "keyDown 6"}));
}

TEST_F(ApplicationTest, DeveloperModeNeedsALeadingOne) {
    const std::string folder = Platform::instance()->writableFolder("VornTest");
    for (const char* text : {" 1", "\xEF\xBB\xBF" "1", "0", "", "yes"}) {
        TestApp fresh;
        vorn::test::writeBytes(folder + "/devmode.txt", text);
        EXPECT_FALSE(fresh.isDevMode()) << text;
    }
    std::filesystem::remove(folder + "/devmode.txt");
    TestApp none;
    EXPECT_FALSE(none.isDevMode());
}

TEST_F(ApplicationTest, FocusChangesSuspendAndResumeAudioOnce) {
    auto scene = runRecordingScene();
    auto* audio = vorn::AudioEngine::instance();
    app.activate(); // already active at start
    EXPECT_FALSE(audio->isSuspended());
    app.deactivate();
    app.deactivate();
    EXPECT_TRUE(audio->isSuspended());
    EXPECT_EQ(calls, (std::vector<std::string>{"onAppDeactivated"}));
    app.activate();
    EXPECT_FALSE(audio->isSuspended());
}

TEST_F(ApplicationTest, LosingTheFocusEndsHeldPressesAwayFromEveryNode) {
    desktop(1280, 1024);
    auto scene = runRecordingScene();
    app.update(0.0f);
    app.mouseDown({100, 132}, vorn::BUTTON_LEFT);
    app.mouseDown({100, 132}, vorn::BUTTON_RIGHT);
    app.mouseMove({300, 332}, vorn::BUTTON_LEFT);
    app.deactivate();
    // The real releases, when they finally come, are not second ones.
    app.mouseUp({300, 332}, vorn::BUTTON_LEFT);
    app.mouseUp({300, 332}, vorn::BUTTON_RIGHT);
    app.mouseDown({10, 32}, vorn::BUTTON_LEFT);
    app.mouseUp({10, 32}, vorn::BUTTON_LEFT);
    EXPECT_EQ(calls, (std::vector<std::string>{"mouseDown 256", "mouseDown 257", "mouseMove 256", "mouseUp 256",
                                               "mouseUp 257", "mouseMove 256", "onAppDeactivated", "mouseDown 256",
                                               "mouseUp 256"}));
    ASSERT_EQ(scene->points.size(), 8u);
    for (size_t i : {3u, 4u, 5u}) {
        EXPECT_LT(scene->points[i].x, 0.0f) << i;
        EXPECT_LT(scene->points[i].y, 0.0f) << i;
    }
}

// A scene with one button, routed as scenes route the pointer: hit testing,
// hover with its leave, and (for a widget that holds the pointer while
// pressed) the capture, which sends every move and the release to the
// widget until its release lets go. A click is a press on the button and a
// release over it.
class OneButtonScene : public vorn::Scene {
public:
    explicit OneButtonScene(bool captures) : captures_(captures) {}

    bool mouseDown(const glm::vec2& p, vorn::eButtonName) override {
        if (captured || !over(p)) return false;
        pressed = true;
        captured = captures_;
        return true;
    }
    bool mouseUp(const glm::vec2& p, vorn::eButtonName) override {
        if (!captured && !over(p)) return false;
        captured = false;
        if (pressed && over(p)) ++clicks;
        pressed = false;
        return true;
    }
    bool mouseMove(const glm::vec2& p, vorn::eButtonName) override {
        if (captured) return true;
        if (hovered && !over(p)) {
            hovered = false;
            pressed = false;
            ++leaves;
        }
        if (over(p)) hovered = true;
        return true;
    }

    bool pressed = false;
    bool hovered = false;
    bool captured = false;
    int clicks = 0;
    int leaves = 0;

private:
    static bool over(const glm::vec2& p) { return p.x >= 100 && p.x <= 300 && p.y >= 100 && p.y <= 200; }
    bool captures_;
};

class FocusLossDuringPress : public ApplicationTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FocusLossDuringPress, DoesNotClickTheButtonUnderThePointer) {
    desktop(1280, 1024); // full screen 1280 x 960 from y 32: design = (window - (0, 32)) * 0.8
    auto scene = std::make_shared<OneButtonScene>(GetParam());
    app.runScene(scene);
    app.update(0.0f);
    const glm::vec2 onButton{250, 220}; // (200, 150) in design units
    app.mouseMove(onButton, vorn::BUTTON_LEFT);
    app.mouseDown(onButton, vorn::BUTTON_LEFT);
    app.deactivate();
    EXPECT_EQ(scene->clicks, 0);
    EXPECT_FALSE(scene->captured);
    EXPECT_FALSE(scene->pressed);
    EXPECT_EQ(scene->leaves, 1);

    // The player lets go over the button after the focus is back: that
    // release belongs to the press that was cut short.
    app.activate();
    app.mouseUp(onButton, vorn::BUTTON_LEFT);
    EXPECT_EQ(scene->clicks, 0);

    // Nothing is left stuck: the next press and release click.
    app.mouseMove(onButton, vorn::BUTTON_LEFT);
    app.mouseDown(onButton, vorn::BUTTON_LEFT);
    app.mouseUp(onButton, vorn::BUTTON_LEFT);
    EXPECT_EQ(scene->clicks, 1);
}

INSTANTIATE_TEST_SUITE_P(Buttons, FocusLossDuringPress, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& param) {
                             return std::string(param.param ? "HoldingTheCapture" : "RoutedByHitTesting");
                         });

TEST_F(ApplicationTest, SetFullscreenWritesTheSettingOnlyOnAChange) {
    vorn::log("start");
    app.setFullscreen(true);
    EXPECT_TRUE(vorn::DataSource::get("@settings.fullscreen")->value().isNil());
    app.setFullscreen(false);
    const vorn::Value& v = vorn::DataSource::get("@settings.fullscreen")->value();
    EXPECT_EQ(v.type(), vorn::Value::BOOL);
    EXPECT_FALSE(v.asBool());
    EXPECT_FALSE(Platform::instance()->isFullscreen());
    EXPECT_EQ(logLines(), (std::vector<std::string>{"--", "start", "Application::setFullscreen 0"}));
}

TEST_F(ApplicationTest, QuitRunsTheScenesQuitHook) {
    auto scene = runRecordingScene();
    app.quit();
    EXPECT_TRUE(app.isQuitRequested());
    EXPECT_EQ(calls, (std::vector<std::string>{"onAppQuit"}));
}

// The back buffer of a large screen has the desktop's own pixels, so the
// scissor needs the letterbox offset and scale as the pointer does.
TEST_F(ApplicationTest, ClipFactorsAreTheInputFactorsOnALargeScreenToo) {
    desktop(1920, 1080);
    app.update(0.0f);
    EXPECT_EQ(app.clipOffset(), glm::vec2(240, 0));
    EXPECT_NEAR(app.clipScale().x, 0.7111111f, 1e-6);
    EXPECT_EQ(app.backBufferSize(), glm::vec2(1920, 1080));
    app.setFullscreen(false);
    EXPECT_NEAR(app.backBufferSize().x, 1152.0f, 1e-3);
    EXPECT_NEAR(app.backBufferSize().y, 864.0f, 1e-3);
}

} // namespace
