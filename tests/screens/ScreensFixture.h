#pragma once

// The game's screens on a headless application: the real data tree, a
// player folder of the test's own, frames stepped by hand and the pointer
// and keys driven through the application as the window drives them.

#include "app/Application.h"
#include "core/EventDispatcher.h"
#include "core/Platform.h"
#include "core/ResourceManager.h"
#include "services/User.h"
#include "services/UserManager.h"
#include "screens/MahjongApp.h"

#include "support/HeadlessApp.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace vorn::test {

class ScreensTest : public ::testing::Test {
protected:
    ScreensTest() {
        multiUser = true;
        ResourceManager::instance()->setRender(&run.render);
    }
    ~ScreensTest() override { ResourceManager::instance()->setRender(nullptr); }

    // Makes the screen current from its entry state and draws a frame, so
    // that hits see the matrices.
    template <typename S>
    std::shared_ptr<S> show(const std::shared_ptr<S>& screen, const std::string& entry = "appear") {
        run.app.runScene(screen, entry);
        run.step(0.0f);
        return screen;
    }

    // Frames of 1/60 s for about that long.
    void frames(float seconds) {
        const int n = static_cast<int>(seconds * 60.0f + 0.5f);
        run.step(1.0f / 60.0f, n);
    }

    template <typename T = Node>
    std::shared_ptr<T> find(const std::string& name) const {
        const std::shared_ptr<Scene> scene = run.app.runningScene();
        return scene ? std::dynamic_pointer_cast<T>(scene->findNode(name)) : nullptr;
    }

    // A press and release at a design point, then a frame for the events.
    void click(const glm::vec2& point) {
        run.app.mouseMove(point, BUTTON_LEFT);
        run.app.mouseDown(point, BUTTON_LEFT);
        run.app.mouseUp(point, BUTTON_LEFT);
        run.step(1.0f / 60.0f);
    }
    // The centre of a node on the screen.
    static glm::vec2 centreOf(Node& node) {
        const glm::vec3 c = node.getWorldCenter();
        return {c.x, c.y};
    }

    static User* addPlayer(const std::string& name) { return UserManager::instance()->addUser(name); }
    static void setResult(User* user, int level, long long score) {
        user->getOrCreate("levelResults", Value::DICT).set(Value(score), std::to_string(level));
    }
    static std::string userFolder() { return Platform::instance()->writableFolder("VornTest"); }

    HeadlessRun run;
};

} // namespace vorn::test
