#pragma once

// A per-user folder and a data tree of the test's own, a registered
// application naming that folder, and frames stepped by hand.

#include "app/Application.h"
#include "core/Config.h"
#include "core/EventDispatcher.h"
#include "core/Platform.h"
#include "core/Scheduler.h"

#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace vorn::test {

class ServicesApp : public Application {
public:
    glm::vec2 designSize() override { return {1024.0f, 768.0f}; }
    std::string dataFolderName() override { return "VornServices"; }
    void setup() override {}
};

class ServicesTest : public ::testing::Test {
protected:
    ServicesTest() : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(tree_.path());
        Application::setInstance(&app_);
    }
    ~ServicesTest() override {
        Application::setInstance(nullptr);
        std::filesystem::current_path(previous_);
    }

    // Writes a file of the data tree (the working directory).
    void writeData(const std::string& relative, const std::string& bytes) const {
        const auto path = tree_.path() / relative;
        std::filesystem::create_directories(path.parent_path());
        writeBytes(path.string(), bytes);
    }
    // The configuration, from the body of a plist dictionary; before any
    // service reads it.
    void configure(const std::string& dictBody) {
        writeData("data/config.plist", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>" +
                                           dictBody + "</dict>\n</plist>\n");
        Config::instance()->load();
    }
    std::string userFolder() const { return Platform::instance()->writableFolder("VornServices"); }
    std::string userFile(const std::string& name) const { return userFolder() + "/" + name; }

    // One frame's worth of the engine's per-frame work.
    static void frame(float dt = 1.0f / 60.0f) {
        Scheduler::instance()->update(dt);
        EventDispatcher::instance()->process();
    }

    TempDir tree_;
    std::filesystem::path previous_;
    ServicesApp app_;
};

} // namespace vorn::test
