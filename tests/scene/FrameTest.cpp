// One frame of the application, step by step, on the recording device.
#include "audio/AudioEngine.h"
#include "audio/AudioSample.h"
#include "core/EventDispatcher.h"
#include "core/InputEvents.h"
#include "core/Scheduler.h"
#include "scene/Action.h"
#include "scene/ActionManager.h"

#include "support/HeadlessApp.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using Trace = std::vector<std::string>;

class OrderRender : public vorn::test::RecordingRender {
public:
    explicit OrderRender(Trace& trace) : trace_(trace) {}
    void clear(const vorn::Color& color) override {
        trace_.push_back("clear");
        RecordingRender::clear(color);
    }
    void setViewport(const vorn::Rect& r) override {
        trace_.push_back("viewport");
        RecordingRender::setViewport(r);
    }
    void setMatrix(const glm::mat4& m) override {
        trace_.push_back("matrix");
        RecordingRender::setMatrix(m);
    }
    void setProjection(const glm::mat4& m) override {
        trace_.push_back("projection");
        RecordingRender::setProjection(m);
    }

private:
    Trace& trace_;
};

class Sample : public vorn::AudioSample {
public:
    explicit Sample(Trace& trace) : trace_(trace) {}
    void play(bool) override { trace_.push_back("sound"); }
    void stop() override {}

private:
    Trace& trace_;
};

class Ticker : public vorn::Scheduleable {
public:
    explicit Ticker(Trace& trace) : trace_(trace) {}
    void onUpdate(float) override { trace_.push_back("scheduler"); }

private:
    Trace& trace_;
};

class DrawnScene : public vorn::Scene {
public:
    DrawnScene(vorn::Application* app, Trace& trace, std::shared_ptr<Sample> sample)
        : Scene(app), trace_(trace), sample_(std::move(sample)) {}
    void draw() override {
        trace_.push_back("visit");
        // A sound asked for during the frame plays at its very end.
        vorn::AudioEngine::instance()->queueSound(sample_.get());
    }

private:
    Trace& trace_;
    std::shared_ptr<Sample> sample_;
};

TEST(Frame, StepsRunInTheirFixedOrder) {
    Trace trace;
    OrderRender render(trace);
    vorn::test::HeadlessApp app;
    vorn::Platform::instance()->setDesktopSizeForTesting({1024, 768});
    vorn::Application::setInstance(&app);
    vorn::Render::setInstance(&render);
    {
        auto scene = std::make_shared<DrawnScene>(&app, trace, std::make_shared<Sample>(trace));
        app.runScene(scene);
        Ticker ticker(trace);
        vorn::Scheduler::instance()->add(&ticker);
        scene->runAction(new vorn::IntervalFunctionAction(10.0f, [&trace](vorn::Node*, float t) {
            if (t > 0.0f) trace.push_back("actions");
        }));
        vorn::EventDispatcher::instance()->addListener(scene.get(), typeid(vorn::KeyDownEvent),
                                                       [&trace](vorn::Event*) { trace.push_back("dispatcher"); });
        for (int frame = 0; frame < 2; ++frame) {
            scene->keyDown(vorn::KEY_A);
            render.beginFrame();
            app.update(1.0f / 120.0f);
            render.endFrame();
        }
        vorn::Scheduler::instance()->remove(&ticker);
        const Trace one = {"clear", "viewport", "matrix", "scheduler", "actions", "dispatcher", "visit", "sound"};
        Trace expected = {"projection"};
        expected.insert(expected.end(), one.begin(), one.end());
        expected.insert(expected.end(), one.begin(), one.end());
        EXPECT_EQ(trace, expected);
        app.runScene(nullptr);
    }
    vorn::Render::setInstance(nullptr);
    vorn::Application::setInstance(nullptr);
    vorn::Platform::instance()->setDesktopSizeForTesting({0, 0});
}

TEST(Frame, ALongFrameReachesTheActionsCappedAtTenSeconds) {
    vorn::test::HeadlessRun run;
    auto scene = run.run();
    auto* action = new vorn::IntervalFunctionAction(100.0f, [](vorn::Node*, float) {});
    scene->runAction(action);
    run.step(25.0f);
    EXPECT_NEAR(action->getElapsed(), 10.0f, 1e-4);
}

} // namespace
