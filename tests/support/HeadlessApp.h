#pragma once

// A headless application: no window, frames stepped with a fixed dt, and
// everything drawn going to a recording render device. The design area is
// 1024 x 768 on a desktop of the same size, so window points are design
// points.

#include "app/Application.h"
#include "core/Platform.h"
#include "render/Render.h"
#include "scene/Scene.h"
#include "support/RecordingRender.h"

#include <memory>
#include <string>

namespace vorn::test {

class HeadlessApp : public Application {
public:
    glm::vec2 designSize() override { return {1024.0f, 768.0f}; }
    std::string dataFolderName() override { return "VornTest"; }
    void setup() override {}
};

class HeadlessRun {
public:
    HeadlessRun() {
        Platform::instance()->setDesktopSizeForTesting({1024.0f, 768.0f});
        Application::setInstance(&app);
        Render::setInstance(&render);
    }
    ~HeadlessRun() {
        app.runScene(nullptr);
        Render::setInstance(nullptr);
        Application::setInstance(nullptr);
        Platform::instance()->setDesktopSizeForTesting({0.0f, 0.0f});
    }
    HeadlessRun(const HeadlessRun&) = delete;
    HeadlessRun& operator=(const HeadlessRun&) = delete;

    // Frames of dt seconds each, as the window runs them.
    void step(float dt, int frames = 1) {
        for (int i = 0; i < frames; ++i) {
            render.beginFrame();
            app.update(dt);
            render.endFrame();
        }
    }

    // A scene that covers the design area, made current.
    template <typename S = Scene>
    std::shared_ptr<S> run() {
        auto scene = std::make_shared<S>(&app);
        app.runScene(scene);
        return scene;
    }

    RecordingRender render;
    HeadlessApp app;
};

} // namespace vorn::test
