// States and transitions read from scene files, switched at once, timed,
// delayed and eased, on scene entry and through a data source.
#include "core/DataSource.h"
#include "scene/ActionManager.h"
#include "scene/Easing.h"
#include "scene/Node.h"
#include "scene/SimpleActions.h"

#include "SceneFixture.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using vorn::Node;

const char* const panel = R"(
<scene>
  <container name="box" x="10" y="20" w="100" h="50">
    <state name="on" x="110" color="FF000080"/>
    <state name="far" x="500" y="400"/>
    <state name="eased" x="210" easing="QuadraticEaseIn"/>
    <state name="late" x="210" easing="QuadraticEaseIn"/>
    <transition from="default" to="on" time="0.25" delay="0.1"/>
    <transition from="default" to="late" time="1" delay="0.5"/>
    <transition from="default" to="far" time="0"  delay="7"/>
    <container name="inner" x="1">
      <state name="on" x="2"/>
    </container>
  </container>
</scene>)";

class NodeStates : public vorn::test::SceneFixture {};

TEST_F(NodeStates, ASwitchWithoutTimeAppliesAtOnceThroughTheTree) {
    auto scene = start(panel);
    scene->switchState("on", 0.0f);
    EXPECT_EQ(find("box")->getPosition(), glm::vec2(110, 20));
    EXPECT_EQ(find("box")->getColor(), vorn::Color("FF000080"));
    EXPECT_EQ(find("inner")->getPosition().x, 2.0f);
    EXPECT_EQ(scene->getCurrentState(), "on");
    // A transition of time 0 is at once too, whatever its delay.
    find("box")->switchState("default", 0.0f, 0.0f, false);
    find("box")->setState("far");
    EXPECT_EQ(find("box")->getPosition(), glm::vec2(500, 400));
}

TEST_F(NodeStates, ATimedSwitchWaitsItsDelayThenMovesFromWhereTheNodeWas) {
    start(panel);
    auto box = find("box");
    box->setPosition(30, 20);
    box->setState("on");
    run.step(0.1f);
    EXPECT_NEAR(box->getPosition().x, 30.0f, 1e-3);
    run.step(0.125f);
    EXPECT_NEAR(box->getPosition().x, 70.0f, 1e-3);
    run.step(0.2f);
    EXPECT_NEAR(box->getPosition().x, 110.0f, 1e-3);
    EXPECT_FALSE(vorn::ActionManager::instance()->hasActions(box.get()));
    // The child has no transition of its own: half a second from the call.
    run.step(0.1f);
    EXPECT_NEAR(find("inner")->getPosition().x, 2.0f, 1e-3);
}

TEST_F(NodeStates, AnEasedSwitchFollowsTheStatesCurve) {
    start(panel);
    auto box = find("box");
    box->setState("eased");
    run.step(0.25f);
    EXPECT_NEAR(box->getPosition().x, 10.0f + 200.0f * 0.25f, 1e-3);
    run.step(0.25f);
    EXPECT_NEAR(box->getPosition().x, 210.0f, 1e-3);
}

TEST_F(NodeStates, ADelayedEasedSwitchStartsAfterItsWait) {
    start(panel);
    auto box = find("box");
    box->setState("late");
    run.step(0.5f);
    EXPECT_NEAR(box->getPosition().x, 10.0f, 1e-3);
    run.step(0.5f);
    EXPECT_NEAR(box->getPosition().x, 10.0f + 200.0f * 0.25f, 1e-3);
    run.step(0.5f);
    EXPECT_NEAR(box->getPosition().x, 210.0f, 1e-3);
}

// Whatever wraps the older switch, the newer one decides where the node ends.
TEST_F(NodeStates, ANewSwitchCancelsOneStillRunning) {
    start(panel);
    auto box = find("box");
    box->setState("late");
    run.step(0.7f);
    box->setState("default");
    run.step(2.0f);
    EXPECT_NEAR(box->getPosition().x, 10.0f, 1e-3);
    EXPECT_EQ(box->getState(), "default");

    box->setState("eased");
    run.step(0.2f);
    box->switchState("default", 0.0f, 0.0f, false);
    run.step(1.0f);
    EXPECT_EQ(box->getPosition().x, 10.0f);
}

// A switch shows and enables a node at its first moment and hides it at its
// last, whatever its curve does in between: curves touch 1 before the end
// (QuinticEaseOut rounds to 1 three 1/120 steps early), and a frame that
// lasts no time (two frames within one clock tick) gives progress 0 again
// after the start. Neither may hide the node early, nor show or enable
// again a node the game has since taken back.
TEST_F(NodeStates, EveryCurveShowsAndEnablesANodeOnlyAtTheStartAndHidesItOnlyAtTheEnd) {
    auto* actions = vorn::ActionManager::instance();
    const auto frames = [actions](int count) {
        for (int frame = 0; frame < count; ++frame) actions->update(1.0f / 60.0f);
    };
    std::vector<std::string> easings{""};
    for (const vorn::EasingCurve& curve : vorn::easingCurves()) easings.emplace_back(curve.name);
    for (const std::string& easing : easings) {
        SCOPED_TRACE("easing \"" + easing + "\"");
        auto node = std::make_shared<Node>();
        Node::State hidden;
        hidden.name = "hidden";
        hidden.hasVisible = hidden.hasEnabled = true;
        hidden.easing = easing;
        Node::State shown = hidden;
        shown.name = "shown";
        shown.visible = shown.enabled = true;
        node->addState(hidden);
        node->addState(shown);
        node->switchState("hidden", 0.0f, 0.0f, false);
        ASSERT_FALSE(node->isVisible());

        node->switchState("shown", 1.0f, 0.0f, false);
        EXPECT_TRUE(node->isVisible());
        EXPECT_TRUE(node->isEnabled());
        frames(60);

        node->switchState("hidden", 1.0f, 0.0f, false);
        EXPECT_FALSE(node->isEnabled());
        int hiddenAtFrame = -1;
        for (int frame = 0; frame < 60 && hiddenAtFrame < 0; ++frame) {
            frames(1);
            if (!node->isVisible()) hiddenAtFrame = frame;
        }
        EXPECT_EQ(hiddenAtFrame, 59);

        // Shown, and taken back by the game in the same frame.
        node->switchState("shown", 1.0f, 0.0f, false);
        node->setVisible(false);
        node->setEnabled(false);
        actions->update(0.0f);
        frames(60);
        EXPECT_FALSE(node->isVisible());
        EXPECT_FALSE(node->isEnabled());
    }
}

TEST_F(NodeStates, ASceneEntersFromAppearToDefault) {
    auto scene = start(R"(
<scene>
  <state name="appear"/>
  <container name="title" x="100" y="10">
    <state name="appear" y="-200" color="FFFFFF00"/>
    <transition from="appear" to="default" time="1"/>
  </container>
  <container name="plain" x="5"/>
</scene>)");
    auto title = find("title");
    // At once in "appear", then on its way back.
    EXPECT_EQ(title->getPosition().y, -200.0f);
    EXPECT_EQ(scene->getCurrentState(), "default");
    run.step(0.25f);
    EXPECT_NEAR(title->getPosition().y, -147.5f, 1e-3);
    run.step(0.75f);
    EXPECT_NEAR(title->getPosition().y, 10.0f, 1e-3);
    EXPECT_NEAR(title->getColor().a, 1.0f, 1e-4);
    EXPECT_EQ(find("plain")->getState(), "default");
}

// Whoever hears of a finished switch (a screen waiting for its entry to
// end) finds the switch inside a delay or a curve, and both its ends named.
TEST_F(NodeStates, AFinishedSwitchNamesTheStateItLeftThroughAnyWrapper) {
    auto scene = start(R"(
<scene>
  <state name="appear"/>
  <state name="eased" easing="QuadraticEaseOut"/>
  <transition from="appear" to="default" time="0.5" delay="0.25"/>
  <transition from="default" to="eased" time="0.5"/>
</scene>)");
    std::vector<std::string> heard;
    scene->setActionFinishedCallback([&heard](vorn::Action* action) {
        const auto* found = action->find(typeid(vorn::StateSwitchAction));
        const auto* switched = dynamic_cast<const vorn::StateSwitchAction*>(found);
        heard.push_back(switched ? switched->from().name + ">" + switched->to().name : "other");
    });
    run.step(1.0f);
    scene->setState("eased");
    run.step(1.0f);
    scene->setState("plain");
    EXPECT_EQ(heard, (std::vector<std::string>{"appear>default", "default>eased"}));
}

TEST_F(NodeStates, AStateDataSourceSwitchesAtTheNextEventPass) {
    start(R"(
<scene>
  <container name="lamp" x="0" stateDataSource="test.lamp">
    <state name="on" x="50"/>
  </container>
</scene>)");
    auto lamp = find("lamp");
    // Never set: the empty name, no such state.
    EXPECT_EQ(lamp->getState(), "");
    auto* source = vorn::DataSource::get("test.lamp");
    source->set(vorn::Value("off"));
    source->set(vorn::Value("on"));
    EXPECT_EQ(lamp->getState(), "");
    run.step(0.0f);
    EXPECT_EQ(lamp->getState(), "on");
    run.step(0.5f);
    EXPECT_NEAR(lamp->getPosition().x, 50.0f, 1e-3);
    // Off the stage it no longer follows; back on, it takes the value again.
    run.app.runningScene()->exitStage();
    source->set(vorn::Value("off"));
    run.step(0.0f);
    EXPECT_EQ(lamp->getState(), "on");
    run.app.runningScene()->enterStage();
    EXPECT_EQ(lamp->getState(), "off");
}

TEST_F(NodeStates, StateStopKeepsTheSwitchFromTheChildren) {
    start(R"(
<scene>
  <container name="wall" stateStop="1">
    <state name="on" x="1"/>
    <container name="brick"><state name="on" x="2"/></container>
  </container>
</scene>)");
    run.app.runningScene()->switchState("on", 0.0f);
    EXPECT_EQ(find("wall")->getPosition().x, 1.0f);
    EXPECT_EQ(find("brick")->getState(), "default");
    EXPECT_EQ(find("brick")->getPosition().x, 0.0f);
}

TEST_F(NodeStates, SwitchingToTheCurrentNameDoesNothing) {
    start(panel);
    auto box = find("box");
    box->setPosition(77, 0);
    box->switchState("default", 0.0f, 0.0f, true);
    EXPECT_EQ(box->getPosition().x, 77.0f);
    EXPECT_EQ(find("inner")->getState(), "default");
}

TEST_F(NodeStates, StatesAreReadFromTheirAttributes) {
    vorn::test::LogCapture log;
    start(R"(
<scene>
  <container name="a" x="5" y="6" w="7" h="8">
    <state name="xOnly" x="50"/>
    <state name="wOnly" w="70"/>
    <state name="scaled" scale_x="2" scale_y="3" scale="4"/>
    <state x="1"/>
    <state name="default" x="9" y="9"/>
  </container>
</scene>)");
    EXPECT_EQ(log.count("Node::loadChildren: state without a name ignored"), 1);
    auto a = find("a");
    EXPECT_EQ(a->states().size(), 4u);
    // A "default" written in the file is kept at stage entry.
    EXPECT_EQ(a->states().at("default").position, glm::vec2(9, 9));
    a->switchState("xOnly", 0.0f, 0.0f, false);
    EXPECT_EQ(a->getPosition(), glm::vec2(50, 6));
    a->switchState("wOnly", 0.0f, 0.0f, false);
    EXPECT_EQ(a->getSize(), glm::vec2(7, 8));
    a->switchState("scaled", 0.0f, 0.0f, false);
    EXPECT_EQ(a->getScale(), glm::vec2(4, 4));
}

} // namespace
