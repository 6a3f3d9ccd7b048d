// Actions as the frame drives them: a table of action trees and frame
// steps against what the node shows after each frame and the order in
// which functions and finished callbacks ran; then the manager's own rules
// and the lifetimes of actions and their nodes.
#include "scene/Action.h"
#include "scene/ActionManager.h"
#include "scene/CompositeActions.h"
#include "scene/Easing.h"
#include "scene/Node.h"
#include "scene/SimpleActions.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

using vorn::Action;
using vorn::ActionManager;
using vorn::IntervalAction;
using vorn::Node;
using Trace = std::vector<std::string>;

std::string number(float v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", static_cast<double>(v));
    return text;
}

IntervalAction* say(Trace& trace, const std::string& what) {
    return new vorn::FunctionAction([&trace, what](Node*) { trace.push_back(what); });
}

template <typename... A>
IntervalAction* sequence(A*... actions) {
    IntervalAction* list[] = {actions...};
    return new vorn::Sequence(list, static_cast<int>(sizeof...(A)));
}

template <typename... A>
IntervalAction* spawn(A*... actions) {
    IntervalAction* list[] = {actions...};
    return new vorn::Spawn(list, static_cast<int>(sizeof...(A)));
}

IntervalAction* move(float x, float seconds) { return new vorn::MoveAction({x, 0.0f}, seconds); }

struct ActionCase {
    std::string name;
    std::function<Action*(Trace&)> make;
    std::vector<float> frames;
    // After each frame: the probe's text; "done" where a finished callback ran.
    Trace expected;
    std::function<std::string(Node&)> probe = [](Node& n) { return number(n.getPosition().x); };
};

void PrintTo(const ActionCase& c, std::ostream* os) { *os << c.name; }

std::string scaleX(Node& n) { return number(n.getScale().x); }

const std::vector<ActionCase>& actionCases() {
    static const std::vector<ActionCase> cases = {
        {"MoveReachesItsOffsetInTheLastStep", [](Trace&) { return move(100, 1); }, {0.25f, 0.25f, 0.25f, 0.25f},
         {"25", "50", "75", "done", "100"}},
        {"LongFrameIsSteppedIn120ths",
         [](Trace& t) {
             return new vorn::IntervalFunctionAction(1.0f, [&t](Node*, float p) { t.push_back("t" + number(p)); });
         },
         {0.02f},
         {"t0", "t0.008333", "t0.01667", "t0.02", "0"}},
        {"ZeroDurationMoveToIsThereAtOnceAndFinishesInTheFirstPass",
         [](Trace&) { return new vorn::MoveToAction({50, 0}, 0.0f); }, {0.016f, 0.016f}, {"done", "50", "50"}},
        {"SequenceRunsAFunctionWhenItsWaitIsOver",
         [](Trace& t) { return sequence(new vorn::WaitAction(1.0f), say(t, "f")); }, {0.6f, 0.6f, 0.6f},
         {"0", "f", "done", "0", "0"}},
        {"SequencePlaysItsChildrenOneAfterAnother", [](Trace&) { return sequence(move(10, 0.5f), move(-30, 0.5f)); },
         {0.25f, 0.25f, 0.25f, 0.25f}, {"5", "10", "-5", "done", "-20"}},
        {"SequenceWithAZeroDurationChildInTheMiddle",
         [](Trace& t) { return sequence(move(10, 0.5f), say(t, "mid"), move(10, 0.5f)); }, {0.3f, 0.3f, 0.6f},
         {"6", "mid", "12", "done", "20"}},
        {"SequenceEndingInAZeroDurationScaleAppliesIt",
         [](Trace&) { return sequence(move(10, 0.1f), new vorn::ScaleAction({2, 2}, 0.0f)); }, {0.05f, 0.1f},
         {"1", "done", "2"}, scaleX},
        {"SequenceEndingInAZeroDurationMoveToLandsOnIt",
         [](Trace&) { return sequence(move(10, 0.1f), new vorn::MoveToAction({70, 0}, 0.0f)); }, {0.2f},
         {"done", "70"}},
        {"SpawnPlaysItsChildrenSideBySide",
         [](Trace&) { return spawn(move(100, 1.0f), new vorn::ScaleAction({3, 3}, 0.5f)); },
         {0.25f, 0.25f, 0.25f, 0.25f}, {"25/2", "50/3", "75/3", "done", "100/3"},
         [](Node& n) { return number(n.getPosition().x) + "/" + number(n.getScale().x); }},
        {"RepeatStartsOverWithTheTimeItOvershot", [](Trace&) { return new vorn::RepeatAction(move(10, 1.0f)); },
         {0.3f, 0.3f, 0.3f, 0.3f}, {"3", "6", "9", "12"}},
        {"RepeatOfASwingComesBackToTheSamePlaces",
         [](Trace&) { return new vorn::RepeatAction(sequence(move(10, 0.5f), move(-10, 0.5f))); },
         {0.25f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f}, {"5", "10", "5", "0", "5", "10", "5", "0"}},
        {"RepeatOfASequenceCallsItsFunctionEveryTimeRound",
         [](Trace& t) { return new vorn::RepeatAction(sequence(new vorn::WaitAction(0.5f), say(t, "f"))); },
         {0.3f, 0.3f, 0.3f, 0.3f}, {"0", "f", "0", "0", "f", "0"}},
        {"RepeatOfASpawnCallsItsFunctionEveryTimeRound",
         [](Trace& t) { return new vorn::RepeatAction(spawn(move(10, 0.5f), say(t, "g"))); },
         {0.25f, 0.25f, 0.25f}, {"g", "5", "g", "10", "15"}},
        {"RepeatOfAFunctionCallsItAtTheStartAndOnceMore",
         [](Trace& t) { return new vorn::RepeatAction(say(t, "f")); }, {0.016f, 0.016f}, {"f", "f", "0", "0"}},
        {"EasedMoveFollowsItsCurve",
         [](Trace&) { return new vorn::EasingAction(move(100, 1.0f), vorn::easingByName("QuadraticEaseIn")); },
         {0.5f, 0.5f}, {"25", "done", "100"}},
        {"EasedMoveOvershootsAndEndsOnItsDestination",
         [](Trace&) { return new vorn::EasingAction(new vorn::MoveToAction({100, 0}, 1.0f), vorn::BackEaseOut); },
         {0.5f, 0.5f}, {"137.5", "done", "100"}},
        {"EasingWithoutCurveIsLinear", [](Trace&) { return new vorn::EasingAction(move(100, 1.0f)); },
         {0.5f, 0.5f}, {"50", "done", "100"}},
        {"EmptySequenceFinishesHarmlessly", [](Trace&) { return new vorn::Sequence(); }, {0.016f}, {"done", "0"}},
        {"EmptyRepeatFinishesHarmlessly", [](Trace&) { return new vorn::RepeatAction(); }, {0.016f}, {"done", "0"}},
        {"EmptyEasingFinishesHarmlessly", [](Trace&) { return new vorn::EasingAction(); }, {0.016f}, {"done", "0"}},
        {"EmptyTimedEasingRunsItsTime",
         [](Trace&) {
             auto* easing = new vorn::EasingAction();
             easing->setDuration(0.5f);
             return easing;
         },
         {0.3f, 0.3f}, {"0", "done", "0"}},
    };
    return cases;
}

class ActionTable : public ::testing::TestWithParam<ActionCase> {};

TEST_P(ActionTable, ShowsTheseValuesAndCallsInThisOrder) {
    const ActionCase& c = GetParam();
    Trace trace;
    auto node = std::make_shared<Node>();
    node->setActionFinishedCallback([&trace](Action*) { trace.push_back("done"); });
    node->runAction(c.make(trace));
    for (const float dt : c.frames) {
        ActionManager::instance()->update(dt);
        trace.push_back(c.probe(*node));
    }
    EXPECT_EQ(trace, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Frames, ActionTable, ::testing::ValuesIn(actionCases()),
                         [](const ::testing::TestParamInfo<ActionCase>& param) { return param.param.name; });

TEST(IntervalAction, CutsProgressAtOneAndIsDoneWhenItsTimeIsUp) {
    std::vector<float> seen;
    vorn::IntervalFunctionAction action(0.5f, [&seen](Node*, float t) { seen.push_back(t); });
    action.start(std::make_shared<Node>());
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(action.isDone());
        action.step(0.2f);
    }
    EXPECT_TRUE(action.isDone());
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0], 0.0f);
    EXPECT_NEAR(seen[1], 0.4f, 1e-6);
    EXPECT_NEAR(seen[2], 0.8f, 1e-6);
    EXPECT_EQ(seen[3], 1.0f);

    vorn::IntervalFunctionAction none(0.0f, [&seen](Node*, float t) { seen.push_back(t); });
    none.start(std::make_shared<Node>());
    EXPECT_TRUE(none.isDone());
    none.step(0.1f);
    EXPECT_EQ(seen.back(), 1.0f);
}

TEST(Sequence, UpdatedOnceWithOneRunsEveryChildToItsEnd) {
    Trace trace;
    auto child = [&trace](const std::string& name) {
        return new vorn::IntervalFunctionAction(0.2f, [&trace, name](Node*, float t) {
            trace.push_back(name + number(t));
        });
    };
    IntervalAction* list[] = {child("a"), child("b"), child("c")};
    vorn::Sequence sequence(list, 3);
    sequence.start(std::make_shared<Node>());
    sequence.update(1.0f);
    EXPECT_EQ(trace, (Trace{"a0", "a0", "a3", "a1", "b0", "b2", "b1", "c0", "c1"}));
}

TEST(Sequence, DurationGivenBeforeItsChildrenIsALeadingGap) {
    auto node = std::make_shared<Node>();
    auto* sequence = new vorn::Sequence();
    sequence->setDuration(1.0f);
    sequence->addChild(std::unique_ptr<Action>(move(50, 0.5f)));
    EXPECT_FLOAT_EQ(sequence->getDuration(), 1.5f);
    node->runAction(sequence);
    ActionManager::instance()->update(0.9f);
    EXPECT_EQ(node->getPosition().x, 0.0f);
    ActionManager::instance()->update(0.35f);
    EXPECT_NEAR(node->getPosition().x, 25.0f, 1e-3);
}

TEST(ActionManager, FinishedCallbacksRunInTheOrderTheActionsWereAdded) {
    Trace trace;
    auto a = std::make_shared<Node>();
    auto b = std::make_shared<Node>();
    a->setActionFinishedCallback([&trace](Action*) { trace.push_back("a"); });
    b->setActionFinishedCallback([&trace](Action*) { trace.push_back("b"); });
    b->runAction(new vorn::WaitAction(0.01f));
    a->runAction(new vorn::WaitAction(0.01f));
    ActionManager::instance()->update(0.005f);
    EXPECT_TRUE(trace.empty());
    ActionManager::instance()->update(0.005f);
    EXPECT_EQ(trace, (Trace{"b", "a"}));
    EXPECT_EQ(ActionManager::instance()->size(), 0u);
}

TEST(ActionManager, ChangesDuringAPassWaitForItsEnd) {
    auto* manager = ActionManager::instance();
    Trace trace;
    auto node = std::make_shared<Node>();
    auto other = std::make_shared<Node>();
    auto late = std::make_shared<Node>();
    node->setActionFinishedCallback([&](Action*) {
        trace.push_back("done");
        // Not stepped in this pass, and not yet counted.
        late->runAction(new vorn::IntervalFunctionAction(1.0f, [&trace](Node*, float t) {
            trace.push_back("late" + number(t));
        }));
        trace.push_back(manager->hasActions(late.get()) ? "has" : "none");
        // Still stepped in this pass; dropped after it.
        manager->removeTarget(other.get());
    });
    node->runAction(new vorn::WaitAction(0.005f));
    other->runAction(move(100, 1.0f));
    manager->update(0.005f);
    EXPECT_EQ(trace, (Trace{"done", "late0", "none"}));
    EXPECT_NEAR(other->getPosition().x, 0.5f, 1e-4);
    EXPECT_FALSE(manager->hasActions(other.get()));
    EXPECT_TRUE(manager->hasActions(late.get()));
    manager->update(0.005f);
    EXPECT_EQ(trace.back(), "late0.005");
}

TEST(ActionManager, AnActionAddedByACallbackRunsInTheRemainingStepsOfTheFrame) {
    auto node = std::make_shared<Node>();
    node->setActionFinishedCallback([&node](Action* finished) {
        if (dynamic_cast<vorn::WaitAction*>(finished)) node->runAction(move(100, 1.0f));
    });
    node->runAction(new vorn::WaitAction(0.045f));
    // The wait ends in the sixth 1/120 step; the move takes the other six.
    ActionManager::instance()->update(0.1f);
    EXPECT_NEAR(node->getPosition().x, 5.0f, 0.01f);
}

TEST(ActionManager, RemovingByClassLeavesWrappedSwitchesUnlessAskedFor) {
    auto* manager = ActionManager::instance();
    auto node = std::make_shared<Node>();
    const Node::State from(*node);
    Node::State to;
    to.hasX = true;
    to.position.x = 100;
    node->runAction(new vorn::StateSwitchAction(from, to, 1.0f));
    node->runAction(new vorn::EasingAction(new vorn::StateSwitchAction(from, to, 1.0f)));
    node->runAction(move(5, 1.0f));
    manager->removeTargetActions(node.get(), typeid(vorn::StateSwitchAction));
    EXPECT_EQ(manager->size(), 2u);
    manager->removeTargetActions(node.get(), typeid(vorn::StateSwitchAction), true);
    EXPECT_EQ(manager->size(), 1u);
    EXPECT_TRUE(manager->hasActions(node.get()));
}

// A node whose only owner is its running action: its life ends with the
// action, inside the manager's walk, without disturbing it.
TEST(ActionManager, AnActionHoldingTheLastReferenceToItsNodeEndsCleanly) {
    auto* manager = ActionManager::instance();
    auto parent = std::make_shared<Node>();
    auto keeper = std::make_shared<Node>();
    std::weak_ptr<Node> watch;
    Trace trace;
    {
        auto flying = std::make_shared<Node>();
        parent->addChild(flying);
        // A child with its own running action: it outlives its parent.
        auto passenger = std::make_shared<Node>();
        flying->addChild(passenger);
        passenger->runAction(move(10, 1.0f));
        flying->setActionFinishedCallback([&trace](Action*) { trace.push_back("landed"); });
        flying->runAction(move(50, 0.1f));
        watch = flying;
        parent->removeChild(flying);
    }
    keeper->runAction(move(100, 1.0f));
    EXPECT_FALSE(watch.expired());
    manager->update(0.2f);
    EXPECT_EQ(trace, (Trace{"landed"}));
    EXPECT_TRUE(watch.expired());
    EXPECT_NEAR(keeper->getPosition().x, 20.0f, 1e-3);
    EXPECT_EQ(manager->size(), 2u);
}

TEST(ActionManager, RemovingTheActionsThatHoldTheLastReferencesLeavesTheRestRunning) {
    auto* manager = ActionManager::instance();
    auto keeper = std::make_shared<Node>();
    keeper->runAction(move(100, 1.0f));
    std::weak_ptr<Node> watch;
    std::weak_ptr<Node> watchChild;
    Node* raw = nullptr;
    {
        auto parent = std::make_shared<Node>();
        auto child = std::make_shared<Node>();
        parent->addChild(child);
        // The parent's destructor comes back to the manager for itself, and
        // its child lives on through its own action.
        parent->runAction(move(10, 1.0f));
        child->runAction(move(10, 1.0f));
        parent->runAction(move(10, 1.0f));
        watch = parent;
        watchChild = child;
        raw = parent.get();
    }
    manager->removeTarget(raw);
    EXPECT_TRUE(watch.expired());
    EXPECT_FALSE(watchChild.expired());
    EXPECT_EQ(watchChild.lock()->parent(), nullptr);
    EXPECT_EQ(manager->size(), 2u);
    manager->update(0.5f);
    EXPECT_NEAR(keeper->getPosition().x, 50.0f, 1e-3);
    EXPECT_NEAR(watchChild.lock()->getPosition().x, 5.0f, 1e-3);
}

TEST(ActionManager, ARemovalAskedForDuringAPassMayEndTheNodeWhenApplied) {
    auto* manager = ActionManager::instance();
    auto trigger = std::make_shared<Node>();
    std::weak_ptr<Node> watch;
    Node* raw = nullptr;
    {
        auto held = std::make_shared<Node>();
        held->addChild(std::make_shared<Node>());
        held->runAction(move(10, 1.0f));
        held->runAction(move(10, 1.0f));
        watch = held;
        raw = held.get();
    }
    trigger->setActionFinishedCallback([raw](Action*) { ActionManager::instance()->removeTarget(raw); });
    trigger->runAction(new vorn::WaitAction(0.005f));
    auto keeper = std::make_shared<Node>();
    keeper->runAction(move(100, 1.0f));
    manager->update(0.005f);
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(manager->size(), 1u);
    EXPECT_NEAR(keeper->getPosition().x, 0.5f, 1e-4);
}

TEST(ActionManager, UpdateFromInsideAPassIsRefused) {
    auto node = std::make_shared<Node>();
    int calls = 0;
    node->runAction(new vorn::IntervalFunctionAction(1.0f, [&calls](Node*, float) {
        ++calls;
        ActionManager::instance()->update(1.0f);
    }));
    ActionManager::instance()->update(0.005f);
    EXPECT_EQ(calls, 2); // the start and the one step
}

// A callback that swaps or clears its own node's callback, then goes on
// using what it captured: its closure must live until it returns. The tag
// is too long for std::function's inline buffer, so the closure is on the
// heap, where a freed one is caught.
TEST(ActionManager, AFinishedCallbackMayReplaceOrClearItself) {
    for (const bool replace : {true, false}) {
        SCOPED_TRACE(replace ? "replaced" : "cleared");
        Trace trace;
        auto node = std::make_shared<Node>();
        const std::string tag = "first callback, with a capture longer than any inline buffer";
        node->setActionFinishedCallback([&trace, &node, tag, replace](Action*) {
            if (replace) node->setActionFinishedCallback([&trace](Action*) { trace.push_back("second"); });
            else node->setActionFinishedCallback(nullptr);
            trace.push_back(tag);
        });
        node->runAction(new vorn::WaitAction(0.01f));
        node->runAction(new vorn::WaitAction(0.02f));
        ActionManager::instance()->update(0.015f);
        ActionManager::instance()->update(0.015f);
        EXPECT_EQ(trace, replace ? (Trace{tag, "second"}) : (Trace{tag}));
    }
}

TEST(RunAction, ANullActionIsLoggedAndAFunctionActionRunsAtOnce) {
    auto node = std::make_shared<Node>();
    testing::internal::CaptureStdout();
    node->runAction(nullptr);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("ERROR: null action requested in runAction"),
              std::string::npos);
    bool ran = false;
    node->runAction(new vorn::FunctionAction([&ran](Node*) { ran = true; }));
    EXPECT_TRUE(ran);
    // An unowned node cannot hand out the owning pointer an action needs.
    Node loose;
    EXPECT_THROW(loose.runAction(move(1, 1)), std::bad_weak_ptr);
}

TEST(RotateToAction, TurnsTheLongWayRound) {
    auto node = std::make_shared<Node>();
    node->setRotation(350.0f);
    node->runAction(new vorn::RotateToAction(10.0f, 1.0f));
    ActionManager::instance()->update(0.5f);
    EXPECT_NEAR(node->getRotation(), 180.0f, 1e-3);
}

TEST(ColorAction, FadesEveryChannelLinearly) {
    auto node = std::make_shared<Node>();
    node->runAction(new vorn::ColorAction(vorn::Color(0.0f, 0.0f, 0.0f, 0.5f), 1.0f));
    ActionManager::instance()->update(0.5f);
    EXPECT_NEAR(node->getColor().r, 0.5f, 1e-4);
    EXPECT_NEAR(node->getColor().a, 0.75f, 1e-4);
}

} // namespace
