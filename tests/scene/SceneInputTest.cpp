// Input through the application into a scene: which node a point reaches,
// hover order, capture, focus, drag and drop, and scenes replaced from
// inside their own input handling.
#include "core/EventDispatcher.h"
#include "core/InputEvents.h"
#include "core/Platform.h"
#include "core/ResourceManager.h"
#include "scene/ActionManager.h"
#include "scene/Scene.h"
#include "scene/SimpleActions.h"

#include "SceneFixture.h"

#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>

#include <cstdio>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

namespace {

using vorn::Node;
using vorn::Scene;
using Trace = std::vector<std::string>;

std::string point(const glm::vec2& p) {
    char text[48];
    std::snprintf(text, sizeof text, "(%.3g,%.3g)", static_cast<double>(p.x), static_cast<double>(p.y));
    return text;
}

// Listens to the pointer events of every named node of a scene and writes
// them in delivery order: "down left (10,5)", "enter item" and so on.
class Listening : public vorn::test::SceneFixture {
protected:
    void listen(Node& node) {
        auto* dispatcher = vorn::EventDispatcher::instance();
        const std::string name = node.getName().empty() ? "scene" : node.getName();
        const auto mouse = [this, name](const char* what) {
            return [this, name, what](vorn::Event* e) {
                trace.push_back(std::string(what) + " " + name + " " +
                                point(static_cast<vorn::MouseEvent*>(e)->position()));
            };
        };
        const auto plain = [this, name](const char* what) {
            return [this, name, what](vorn::Event*) { trace.push_back(std::string(what) + " " + name); };
        };
        dispatcher->addListener(&node, typeid(vorn::MouseDownEvent), mouse("down"));
        dispatcher->addListener(&node, typeid(vorn::MouseUpEvent), mouse("up"));
        dispatcher->addListener(&node, typeid(vorn::MouseMoveEvent), mouse("move"));
        dispatcher->addListener(&node, typeid(vorn::MouseEnterEvent), plain("enter"));
        dispatcher->addListener(&node, typeid(vorn::MouseLeaveEvent), plain("leave"));
        dispatcher->addListener(&node, typeid(vorn::ScrollEvent), plain("scroll"));
        dispatcher->addListener(&node, typeid(vorn::KeyDownEvent), plain("key"));
        dispatcher->addListener(&node, typeid(vorn::KeyUpEvent), plain("keyup"));
        dispatcher->addListener(&node, typeid(vorn::TextInputEvent), plain("text"));
    }
    void listenToAll() {
        auto scene = run.app.runningScene();
        listen(*scene);
        for (const auto& node : scene->getDescendants()) listen(*node);
    }
    // Delivers what the input posted.
    Trace delivered() {
        trace.clear();
        vorn::EventDispatcher::instance()->process();
        return trace;
    }

    Trace trace;
};

const char* const shapes = R"(
<scene>
  <container name="left" x="100" y="100" w="200" h="100">
    <container name="turned" x="150" y="50" w="40" h="20" anchor="center" angle="90"/>
  </container>
  <container name="big" x="500" y="100" w="100" h="100" scale="2">
    <container name="small" x="10" y="10" w="10" h="10"/>
  </container>
  <container name="scroller" x="100" y="400" w="200" h="100">
    <container name="item" x="40" y="0" w="40" h="100"/>
  </container>
  <container name="under" x="600" y="400" w="100" h="100"/>
  <container name="cover" x="600" y="400" w="100" h="100" enabled="0"/>
  <container name="hidden" x="600" y="400" w="100" h="100" visible="0"/>
</scene>)";

struct PointCase {
    std::string name;
    glm::vec2 at;
    Trace expected;
};

void PrintTo(const PointCase& c, std::ostream* os) { *os << c.name; }

class PointRouting : public Listening, public ::testing::WithParamInterface<PointCase> {};

TEST_P(PointRouting, APressReachesTheTopmostNodeUnderIt) {
    const PointCase& c = GetParam();
    start(shapes);
    find("scroller")->setTransform(glm::translate(glm::mat4(1.0f), glm::vec3(-50, 0, 0)));
    // Hits use the matrices of the last frame drawn.
    run.step(0.0f);
    listenToAll();
    run.app.mouseDown(c.at, vorn::BUTTON_LEFT);
    EXPECT_EQ(delivered(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Points, PointRouting,
    ::testing::Values(
        PointCase{"PlainBox", {150, 150}, {"down scene (150,150)", "down left (50,50)"}},
        PointCase{"BottomRightCornerCounts", {300, 200}, {"down scene (300,200)", "down left (200,100)"}},
        PointCase{"TurnedChild", {250, 165}, {"down scene (250,165)", "down left (150,65)", "down turned (35,10)"}},
        PointCase{"BesideTheTurnedChild", {250, 125}, {"down scene (250,125)", "down left (150,25)"}},
        PointCase{"ScaledParent", {530, 130}, {"down scene (530,130)", "down big (15,15)", "down small (5,5)"}},
        PointCase{"ScaledParentOnly", {510, 110}, {"down scene (510,110)", "down big (5,5)"}},
        PointCase{"ScrolledContent", {110, 450}, {"down scene (110,450)", "down scroller (10,50)", "down item (20,50)"}},
        PointCase{"ScrolledAway", {140, 450}, {"down scene (140,450)", "down scroller (40,50)"}},
        PointCase{"DisabledAndHiddenArePassedOver", {650, 450}, {"down scene (650,450)", "down under (50,50)"}},
        PointCase{"OutsideTheDesignArea", {1100, 100}, {}}),
    [](const ::testing::TestParamInfo<PointCase>& param) { return param.param.name; });

TEST_F(Listening, HoverLeavesTheOldChainBeforeEnteringTheNew) {
    start(R"(
<scene>
  <container name="a" x="0" y="0" w="100" h="100">
    <container name="a1" x="25" y="25" w="50" h="50"/>
  </container>
  <container name="b" x="200" y="0" w="100" h="100"/>
</scene>)");
    run.step(0.0f);
    listenToAll();
    run.app.mouseMove({50, 50}, vorn::BUTTON_LEFT);
    EXPECT_EQ(delivered(), (Trace{"move scene (50,50)", "enter a", "move a (50,50)", "enter a1", "move a1 (25,25)"}));
    run.app.mouseMove({51, 50}, vorn::BUTTON_LEFT);
    EXPECT_EQ(delivered(), (Trace{"move scene (51,50)", "move a (51,50)", "move a1 (26,25)"}));
    run.app.mouseMove({250, 50}, vorn::BUTTON_LEFT);
    EXPECT_EQ(delivered(), (Trace{"move scene (250,50)", "leave a", "leave a1", "enter b", "move b (50,50)"}));
    run.app.scroll({0, -3});
    EXPECT_EQ(delivered(), (Trace{"scroll scene", "scroll b"}));
    run.app.mouseMove({150, 50}, vorn::BUTTON_LEFT);
    EXPECT_EQ(delivered(), (Trace{"move scene (150,50)", "leave b"}));
    run.app.scroll({0, -3});
    EXPECT_EQ(delivered(), (Trace{"scroll scene"}));
}

TEST_F(Listening, CaptureTakesThePointerAndKeysInItsParentsSpace) {
    auto scene = start(R"(
<scene>
  <container name="track" x="100" y="100" w="300" h="20">
    <container name="knob" x="10" y="0" w="20" h="20"/>
  </container>
</scene>)");
    run.step(0.0f);
    listenToAll();
    auto knob = find("knob");
    scene->setMouseCapture(knob);
    run.app.mouseMove({900, 700}, vorn::BUTTON_LEFT);
    run.app.mouseUp({900, 700}, vorn::BUTTON_LEFT);
    run.app.keyDown(vorn::KEY_A);
    run.app.keyUp(vorn::KEY_A);
    // Outside its box the move still arrives; the release does not.
    EXPECT_EQ(delivered(), (Trace{"move knob (790,600)", "key knob", "keyup knob"}));
    scene->releaseMouseCapture(find("track"));
    EXPECT_EQ(scene->mouseCapture(), knob);
    scene->releaseMouseCapture(knob);
    run.app.mouseDown({115, 105}, vorn::BUTTON_LEFT);
    EXPECT_EQ(delivered(), (Trace{"down scene (115,105)", "down track (15,5)", "down knob (5,5)"}));
    // A capture whose node goes away is no capture.
    scene->setMouseCapture(knob);
    find("track")->removeAllChildren();
    knob.reset();
    run.app.mouseDown({115, 105}, vorn::BUTTON_LEFT);
    EXPECT_EQ(delivered(), (Trace{"down scene (115,105)", "down track (15,5)"}));
}

class FocusNode : public Node {
public:
    explicit FocusNode(Trace& trace) : trace_(trace) {}
    void onFocusGained() override { trace_.push_back("gained"); }
    void onFocusLost() override { trace_.push_back("lost"); }

private:
    Trace& trace_;
};

TEST_F(Listening, FocusTakesKeyPressesAndTextButNotReleases) {
    auto scene = start("<scene/>");
    Trace hooks;
    auto field = std::make_shared<FocusNode>(hooks);
    auto other = std::make_shared<FocusNode>(hooks);
    field->setName("field");
    other->setName("other");
    scene->addChild(field);
    scene->addChild(other);
    listenToAll();
    scene->setFocus(field);
    scene->setFocus(field);
    run.app.keyDown(vorn::KEY_B);
    run.app.keyUp(vorn::KEY_B);
    run.app.textInput("é");
    EXPECT_EQ(delivered(), (Trace{"key field", "keyup scene", "text field"}));
    // Capture and focus together: keys to the capture, text to the focus.
    scene->setMouseCapture(other);
    run.app.keyDown(vorn::KEY_B);
    run.app.keyUp(vorn::KEY_B);
    run.app.textInput("x");
    EXPECT_EQ(delivered(), (Trace{"key other", "keyup other", "text field"}));
    scene->releaseFocus(other);
    scene->releaseFocus(field);
    EXPECT_EQ(hooks, (Trace{"gained", "lost", "gained", "lost"}));
    EXPECT_EQ(scene->focus(), nullptr);
}

class DropTarget : public Node {
public:
    DropTarget(bool accepts, bool adopts, Trace& trace) : accepts_(accepts), adopts_(adopts), trace_(trace) {}
    bool onDrop(const std::shared_ptr<Node>& dragged, const glm::vec2& p) override {
        trace_.push_back(getName() + " drop " + point(p));
        if (accepts_ && adopts_) addChild(dragged);
        return accepts_;
    }
    bool onDragOver(const std::shared_ptr<Node>& dragged, const glm::vec2& p) override {
        trace_.push_back(getName() + " over " + point(p));
        return Node::onDragOver(dragged, p);
    }

private:
    bool accepts_, adopts_;
    Trace& trace_;
};

class Piece : public Node {
public:
    explicit Piece(Trace& trace) : trace_(trace) {}
    void onStartDrag() override { trace_.push_back("start at " + point(getPosition())); }
    void onCancelDrag() override { trace_.push_back("cancelled at " + point(getPosition())); }

private:
    Trace& trace_;
};

class Dragging : public Listening {
protected:
    void SetUp() override {
        scene = start("<scene/>");
        tray = std::make_shared<Node>();
        tray->setName("tray");
        tray->setPosition(100, 100);
        tray->setSize({200, 200});
        piece = std::make_shared<Piece>(hooks);
        piece->setName("piece");
        piece->setPosition(10, 20);
        piece->setSize({30, 30});
        piece->setAnchor({15, 15});
        piece->setDropOffset({2, 0});
        scene->addChild(tray);
        tray->addChild(std::make_shared<Node>());
        tray->addChild(piece);
        tray->addChild(std::make_shared<Node>());
    }
    void addTarget(const char* name, bool accepts, bool adopts, float x) {
        auto target = std::make_shared<DropTarget>(accepts, adopts, hooks);
        target->setName(name);
        target->setPosition(x, 400);
        target->setSize({100, 100});
        scene->addChild(target);
    }
    void drag() {
        run.step(0.0f);
        listenToAll();
        run.app.mouseDown({115, 125}, vorn::BUTTON_LEFT);
        scene->startDrag(piece);
    }

    Trace hooks;
    std::shared_ptr<Scene> scene;
    std::shared_ptr<Node> tray;
    std::shared_ptr<Piece> piece;
};

TEST_F(Dragging, ADropOnANodeThatTakesItMovesItThere) {
    addTarget("bin", true, true, 600);
    drag();
    EXPECT_EQ(scene->lastChild(), piece);
    EXPECT_EQ(piece->getPosition(), glm::vec2(115, 125));
    run.app.mouseMove({650, 450}, vorn::BUTTON_LEFT);
    // No hover and no move events while dragging.
    delivered();
    EXPECT_EQ(trace, (Trace{"down scene (115,125)", "down tray (15,25)", "down piece (20,20)"}));
    run.app.mouseUp({650, 450}, vorn::BUTTON_LEFT);
    EXPECT_EQ(hooks, (Trace{"start at (110,120)", "bin over (637,435)", "bin drop (637,435)"}));
    EXPECT_EQ(piece->parent(), find("bin").get());
    EXPECT_EQ(scene->draggedNode(), nullptr);
    EXPECT_EQ(tray->children().size(), 2u);
}

TEST_F(Dragging, AnAcceptedDropThatNobodyTakesLeavesTheTree) {
    addTarget("void", true, false, 600);
    drag();
    run.app.mouseUp({650, 450}, vorn::BUTTON_LEFT);
    EXPECT_EQ(piece->parent(), nullptr);
    EXPECT_EQ(scene->children().size(), 2u);
}

TEST_F(Dragging, ARefusedDropGoesBackOnTopOfItsOldParent) {
    addTarget("wall", false, false, 600);
    addTarget("shelf", true, true, 600);
    // The wall lies over the shelf: it refuses, the shelf below takes it.
    scene->addChild(scene->findNode("wall"));
    drag();
    run.app.mouseUp({650, 450}, vorn::BUTTON_LEFT);
    EXPECT_EQ(piece->parent(), find("shelf").get());
    hooks.clear();

    scene->startDrag(piece);
    run.app.mouseUp({900, 100}, vorn::BUTTON_LEFT);
    EXPECT_EQ(piece->parent(), find("shelf").get());
    EXPECT_EQ(find("shelf")->lastChild(), piece);
    EXPECT_EQ(hooks, (Trace{"start at (715,525)", "cancelled at (115,125)"}));
}

// A release that replaces the running scene: the application lets go of
// the old scene at once, while its routing is still on the stack.
class SwitchingNode : public Node {
public:
    std::shared_ptr<Scene> next;
    Trace* trace = nullptr;
    bool mouseUp(const glm::vec2& p, vorn::eButtonName b) override {
        vorn::Application::instance()->runScene(next);
        // Still inside the old scene's routing: this node and its parents live.
        trace->push_back("after switch in " + getParent()->getName() + ", on stage " +
                         std::to_string(isOnStage()));
        return Node::mouseUp(p, b);
    }
};

class ExitNode : public Node {
public:
    Trace* trace = nullptr;
    void onExitStage() override {
        trace->push_back("exit " + getName());
        // Hooks that change the tree while the old scene leaves.
        if (auto parent = getParent()) parent->removeAllChildren();
    }
};

TEST_F(Listening, AReleaseThatReplacesTheSceneFinishesSafely) {
    Trace log;
    std::weak_ptr<Scene> oldWatch;
    std::weak_ptr<Node> buttonWatch;
    {
        auto old = run.run();
        old->setName("old");
        auto panel = std::make_shared<ExitNode>();
        panel->setName("panel");
        panel->trace = &log;
        panel->setSize({400, 400});
        auto button = std::make_shared<SwitchingNode>();
        button->setSize({100, 100});
        button->trace = &log;
        button->next = std::make_shared<Scene>(&run.app);
        button->next->setName("next");
        panel->addChild(button);
        old->addChild(panel);
        button->runAction(new vorn::MoveAction({1, 0}, 10.0f));
        oldWatch = old;
        buttonWatch = button;
    }
    run.step(0.016f);
    run.app.mouseDown({50, 50}, vorn::BUTTON_LEFT);
    EXPECT_TRUE(run.app.mouseUp({50, 50}, vorn::BUTTON_LEFT));
    EXPECT_EQ(log, (Trace{"exit panel", "after switch in panel, on stage 0"}));
    EXPECT_EQ(run.app.runningScene()->getName(), "next");
    // The old scene went when its routing returned; its node's action with it.
    EXPECT_TRUE(oldWatch.expired());
    EXPECT_TRUE(buttonWatch.expired());
    EXPECT_EQ(vorn::ActionManager::instance()->size(), 0u);
    run.step(0.016f);
}

TEST_F(Listening, TheStateStackReturnsToTheSavedState) {
    class PopScene : public Scene {
    public:
        using Scene::Scene;
        void onPopState(const std::string& leaving) override { left.push_back(leaving); }
        Trace left;
    };
    auto scene = load<PopScene>(R"(<scene><state name="menu" x="10"/></scene>)");
    run.app.runScene(scene);
    scene->popState();
    EXPECT_TRUE(scene->left.empty());
    scene->pushState();
    scene->setState("menu");
    run.step(0.5f);
    EXPECT_NEAR(scene->getPosition().x, 10.0f, 1e-3);
    scene->popState();
    EXPECT_EQ(scene->left, (Trace{"menu"}));
    EXPECT_EQ(scene->getCurrentState(), "default");
    EXPECT_TRUE(scene->stateStack().empty());
    run.step(0.5f);
    EXPECT_NEAR(scene->getPosition().x, 0.0f, 1e-3);
    // A switch made through the node alone is not what the stack saves.
    scene->Node::setState("menu");
    scene->pushState();
    EXPECT_EQ(scene->stateStack(), (Trace{"default"}));
}

// A hook that pops again from inside a pop: the outer pop finds the stack
// emptied and keeps the state the inner pop restored.
TEST_F(Listening, APopStateHookThatPopsAgainLeavesTheStackSound) {
    class ReentrantPop : public Scene {
    public:
        using Scene::Scene;
        void onPopState(const std::string& leaving) override {
            left.push_back(leaving);
            if (left.size() == 1) popState();
        }
        Trace left;
    };
    auto scene = load<ReentrantPop>(R"(<scene><state name="popup"/></scene>)");
    run.app.runScene(scene);
    scene->pushState();
    scene->setState("popup");
    scene->popState();
    EXPECT_EQ(scene->left, (Trace{"popup", "popup"}));
    EXPECT_EQ(scene->getCurrentState(), "default");
    EXPECT_TRUE(scene->stateStack().empty());
    run.step(0.1f);
}

TEST_F(Listening, TheDeveloperReloadReadsTheEditedFile) {
    const std::string folder = vorn::Platform::instance()->writableFolder("VornTest");
    vorn::test::writeBytes(folder + "/devmode.txt", "1");
    const std::string path = file("reload.xml", R"(<scene><container name="before"/></scene>)");
    auto scene = std::make_shared<Scene>(&run.app);
    scene->load(path);
    run.app.runScene(scene);
    scene->pushState();
    vorn::test::writeBytes(path, R"(<scene><container name="after"/></scene>)");
    EXPECT_TRUE(run.app.keyDown(vorn::KEY_F5));
    EXPECT_EQ(scene->findNode("before"), nullptr);
    ASSERT_NE(scene->findNode("after"), nullptr);
    EXPECT_TRUE(scene->findNode("after")->isOnStage());
    EXPECT_EQ(scene->stateStack().size(), 1u);
    // Without a file there is nothing to reload.
    auto bare = std::make_shared<Scene>(&run.app);
    bare->addChild(std::make_shared<Node>());
    bare->reload();
    EXPECT_EQ(bare->children().size(), 1u);
}

} // namespace
