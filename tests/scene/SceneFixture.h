#pragma once

// A headless application with a scene read from XML text.

#include "scene/Scene.h"

#include "support/HeadlessApp.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace vorn::test {

class SceneFixture : public ::testing::Test {
protected:
    // Writes the text as a scene file and reads it into a new scene.
    template <typename S = Scene>
    std::shared_ptr<S> load(const std::string& xml, const std::string& name = "scene.xml") {
        auto scene = std::make_shared<S>(&run.app);
        scene->load(file(name, xml));
        return scene;
    }
    // ... and makes it current, with its entry state.
    template <typename S = Scene>
    std::shared_ptr<S> start(const std::string& xml, const std::string& entry = "appear") {
        auto scene = load<S>(xml);
        run.app.runScene(scene, entry);
        return scene;
    }
    std::string file(const std::string& name, const std::string& text) {
        const std::string path = dir.file(name);
        writeBytes(path, text);
        return path;
    }
    std::shared_ptr<Node> find(const std::string& name) {
        const std::shared_ptr<Scene> scene = run.app.runningScene();
        return scene ? scene->findNode(name) : nullptr;
    }

    TempDir dir;
    HeadlessRun run;
};

} // namespace vorn::test
