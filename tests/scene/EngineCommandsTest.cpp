// The engine's script commands, run the way scene files run them: a script
// held by a node of the scene file and started by a click on it.
#include "app/Application.h"
#include "core/VM.h"
#include "scene/Scene.h"

#include "SceneFixture.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using vorn::Node;

// What a button will be to these commands: a box that runs its "script"
// attribute when clicked.
class ScriptBox : public Node {
public:
    void setProperties(const Attributes& attributes) override {
        Node::setProperties(attributes);
        const auto script = attributes.find("script");
        if (script != attributes.end()) script_ = script->second.toString();
    }
    bool mouseUp(const glm::vec2& point, vorn::eButtonName button) override {
        const bool hit = Node::mouseUp(point, button);
        if (hit) vorn::VM::execute(script_);
        return hit;
    }

private:
    std::string script_;
};

class ScriptScene : public vorn::Scene {
public:
    using Scene::Scene;
    void loadChildren(const tinyxml2::XMLElement* element) override {
        for (auto* child = element->FirstChildElement(); child; child = child->NextSiblingElement()) {
            if (std::strcmp(child->Name(), "box") != 0) {
                loadChild(child);
                continue;
            }
            auto box = std::make_shared<ScriptBox>();
            box->load(child);
            addChild(box);
        }
    }
    void onAppQuit() override { ++quitHooks; }

    int quitHooks = 0;
};

class EngineCommandsTest : public vorn::test::SceneFixture {
protected:
    // Boxes 40 wide in a row, in the order given.
    std::shared_ptr<ScriptScene> startWith(const std::vector<std::string>& scripts, const std::string& more = "") {
        std::string xml = "<scene><state name=\"popup\"/><state name=\"second\"/>";
        for (std::size_t i = 0; i < scripts.size(); ++i) {
            xml += "<box name=\"box" + std::to_string(i) + "\" x=\"" + std::to_string(40 * i) +
                   "\" y=\"0\" w=\"30\" h=\"30\" script=\"" + scripts[i] + "\"/>";
        }
        auto scene = start<ScriptScene>(xml + more + "</scene>", "");
        run.step(0.0f);
        return scene;
    }
    void click(std::size_t box) {
        const glm::vec2 at(40.0f * static_cast<float>(box) + 15.0f, 15.0f);
        run.app.mouseDown(at, vorn::BUTTON_LEFT);
        run.app.mouseUp(at, vorn::BUTTON_LEFT);
    }
};

TEST_F(EngineCommandsTest, StatesAreSetPushedAndPopped) {
    auto scene = startWith({"setState('second')", "pushAndSetState('popup')", "popState()",
                            "pushState(); setState('popup')", "popState(); popState()"});
    click(0);
    EXPECT_EQ(scene->getCurrentState(), "second");
    EXPECT_EQ(scene->getState(), "second");
    click(1);
    EXPECT_EQ(scene->getCurrentState(), "popup");
    EXPECT_EQ(scene->stateStack(), (std::vector<std::string>{"second"}));
    click(2);
    EXPECT_EQ(scene->getCurrentState(), "second");
    EXPECT_TRUE(scene->stateStack().empty());
    click(3);
    EXPECT_EQ(scene->getCurrentState(), "popup");
    // The second pop finds the stack empty and changes nothing.
    click(4);
    EXPECT_EQ(scene->getCurrentState(), "second");
    EXPECT_TRUE(scene->stateStack().empty());
}

TEST_F(EngineCommandsTest, TextInputFocusGoesToTheNamedNodeAndOnlyItCanGiveItUp) {
    auto scene = startWith({"setTextInput('field')", "unsetTextInput('other')", "unsetTextInput('field')",
                            "setTextInput('nobody')"},
                           "<container name=\"field\" x=\"0\" y=\"100\"/><container name=\"other\"/>");
    const std::shared_ptr<Node> field = scene->findNode("field");
    click(0);
    EXPECT_EQ(scene->focus(), field);
    click(1);
    EXPECT_EQ(scene->focus(), field);
    click(3);
    EXPECT_EQ(scene->focus(), field);
    click(2);
    EXPECT_EQ(scene->focus(), nullptr);
}

TEST_F(EngineCommandsTest, ExitAppQuitsAndRunsTheScenesQuitHook) {
    auto scene = startWith({"exitApp()"});
    EXPECT_FALSE(run.app.isQuitRequested());
    click(0);
    EXPECT_TRUE(run.app.isQuitRequested());
    EXPECT_EQ(scene->quitHooks, 1);
}

TEST_F(EngineCommandsTest, WithoutASceneTheSceneCommandsDoNothing) {
    vorn::VM::execute("setState('a'); pushState(); popState(); pushAndSetState('b'); setTextInput('c'); "
                      "unsetTextInput('c')");
    EXPECT_EQ(run.app.runningScene(), nullptr);
    vorn::VM::execute("exitApp()");
    EXPECT_TRUE(run.app.isQuitRequested());
}

} // namespace
