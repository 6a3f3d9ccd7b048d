#pragma once

// A headless application with a scene read from XML text, the pointer and
// keys driven through the application as the window drives them, and a
// script command "count" that records every call with its argument.

#include "core/EventDispatcher.h"
#include "core/ResourceManager.h"
#include "core/VM.h"
#include "scene/Scene.h"

#include "support/HeadlessApp.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vorn::test {

class WidgetFixture : public ::testing::Test {
protected:
    // Pictures loaded through the resource manager get their textures on
    // the recording device.
    WidgetFixture() { ResourceManager::instance()->setRender(&run.render); }
    ~WidgetFixture() override { ResourceManager::instance()->setRender(nullptr); }

    void SetUp() override {
        VM::registerFunction("count", std::function<void(const std::string&)>(
                                          [this](const std::string& name) { calls.push_back(name); }));
    }

    // Writes the text as a scene file and loads it.
    std::shared_ptr<Scene> load(const std::string& xml) {
        auto scene = std::make_shared<Scene>(&run.app);
        const std::string path = dir.file("scene" + std::to_string(++files_) + ".xml");
        writeBytes(path, xml);
        scene->load(path);
        return scene;
    }
    // ... and makes it current; one frame is drawn so that hits see the
    // matrices.
    std::shared_ptr<Scene> start(const std::string& xml) { return start(load(xml)); }
    std::shared_ptr<Scene> start(const std::shared_ptr<Scene>& scene) {
        run.app.runScene(scene);
        run.step(0.0f);
        return scene;
    }

    template <typename T = Node>
    std::shared_ptr<T> find(const std::string& name) {
        const std::shared_ptr<Scene> scene = run.app.runningScene();
        return scene ? std::dynamic_pointer_cast<T>(scene->findNode(name)) : nullptr;
    }

    int count(const std::string& name) const { return static_cast<int>(std::count(calls.begin(), calls.end(), name)); }

    void press(float x, float y) { run.app.mouseDown({x, y}, BUTTON_LEFT); }
    void move(float x, float y) { run.app.mouseMove({x, y}, BUTTON_LEFT); }
    void release(float x, float y) { run.app.mouseUp({x, y}, BUTTON_LEFT); }
    void click(float x, float y) {
        move(x, y);
        press(x, y);
        release(x, y);
    }
    // Delivers the queued events, as the frame does.
    void deliver() { EventDispatcher::instance()->process(); }

    // Counts every event of that class from the source, at delivery.
    std::shared_ptr<int> listen(EventSource* source, const std::type_info& type) {
        auto n = std::make_shared<int>(0);
        EventDispatcher::instance()->addListener(source, type, [n](Event*) { ++*n; });
        return n;
    }

    std::vector<std::string> calls;
    TempDir dir;
    HeadlessRun run;

private:
    int files_ = 0;
};

} // namespace vorn::test
