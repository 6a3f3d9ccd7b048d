// The node tree: ownership, the tree operations, and the stage lifecycle
// with hooks that change the tree while it is being walked.
#include "core/EventDispatcher.h"
#include "core/InputEvents.h"
#include "core/Scheduler.h"
#include "render/Render.h"
#include "scene/Node.h"

#include "support/LogCapture.h"
#include "support/RecordingRender.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using vorn::Node;
using Trace = std::vector<std::string>;

// Writes "name:hook" for every hook it sees and runs what a test asks of
// each hook once.
class HookNode : public Node {
public:
    HookNode(Trace& trace, const std::string& name) : trace_(trace) { setName(name); }

    std::map<std::string, std::function<void()>> once;

    void onSetup() override { record("setup"); }
    void onEnterStage() override { record("enter"); }
    void onChildrenEnteredStage() override { record("entered"); }
    void onExitStage() override { record("exit"); }
    void draw() override { record("draw"); }
    void onChildAdded(const std::shared_ptr<Node>& child) override { record("added " + child->getName()); }
    void onChildrenRemoved() override { record("removed"); }

private:
    void record(const std::string& hook) {
        trace_.push_back(getName() + ":" + hook);
        const auto found = once.find(hook);
        if (found == once.end()) return;
        const std::function<void()> run = std::move(found->second);
        once.erase(found);
        run();
    }

    Trace& trace_;
};

// The tree R with children A, B and C; D stands by, outside the tree.
struct Tree {
    Trace trace;
    std::shared_ptr<HookNode> r = std::make_shared<HookNode>(trace, "R");
    std::shared_ptr<HookNode> a = std::make_shared<HookNode>(trace, "A");
    std::shared_ptr<HookNode> b = std::make_shared<HookNode>(trace, "B");
    std::shared_ptr<HookNode> c = std::make_shared<HookNode>(trace, "C");
    std::shared_ptr<HookNode> d = std::make_shared<HookNode>(trace, "D");

    Tree() {
        r->addChild(a);
        r->addChild(b);
        r->addChild(c);
        trace.clear();
    }
};

struct LifecycleCase {
    std::string name;
    // The hook of A that changes the tree, and how.
    std::string hook;
    std::function<void(Tree&)> change;
    Trace expected;
};

void PrintTo(const LifecycleCase& c, std::ostream* os) { *os << c.name; }

const std::vector<LifecycleCase>& lifecycleCases() {
    static const std::vector<LifecycleCase> cases = {
        {"NothingChanges", "", nullptr,
         {"A:setup", "B:setup", "C:setup", "R:setup", "R:enter", "A:enter", "A:entered", "B:enter", "B:entered",
          "C:enter", "C:entered", "R:entered", "R:draw", "A:draw", "B:draw", "C:draw", "R:exit", "A:exit", "B:exit",
          "C:exit"}},
        {"SiblingAddedDuringSetupIsSetUpWhenItEnters", "setup", [](Tree& t) { t.r->addChild(t.d); },
         {"A:setup", "R:added D", "B:setup", "C:setup", "R:setup", "R:enter", "A:enter", "A:entered", "B:enter",
          "B:entered", "C:enter", "C:entered", "D:setup", "D:enter", "D:entered", "R:entered", "R:draw", "A:draw",
          "B:draw", "C:draw", "D:draw", "R:exit", "A:exit", "B:exit", "C:exit", "D:exit"}},
        {"SiblingRemovedDuringSetupIsLeftAlone", "setup", [](Tree& t) { t.r->removeChild(t.r->findChild("B", false)); },
         {"A:setup", "R:removed", "C:setup", "R:setup", "R:enter", "A:enter", "A:entered", "C:enter", "C:entered",
          "R:entered", "R:draw", "A:draw", "C:draw", "R:exit", "A:exit", "C:exit"}},
        {"SiblingAddedDuringEntryEntersOnce", "enter", [](Tree& t) { t.r->addChild(t.d); },
         {"A:setup", "B:setup", "C:setup", "R:setup", "R:enter", "A:enter", "D:setup", "D:enter", "D:entered",
          "R:added D", "A:entered", "B:enter", "B:entered", "C:enter", "C:entered", "R:entered", "R:draw", "A:draw",
          "B:draw", "C:draw", "D:draw", "R:exit", "A:exit", "B:exit", "C:exit", "D:exit"}},
        {"SiblingRemovedDuringEntryNeverEnters", "enter", [](Tree& t) { t.r->removeChild(t.c); },
         {"A:setup", "B:setup", "C:setup", "R:setup", "R:enter", "A:enter", "R:removed", "A:entered", "B:enter",
          "B:entered", "R:entered", "R:draw", "A:draw", "B:draw", "R:exit", "A:exit", "B:exit"}},
        {"SiblingAddedDuringExitDoesNotEnter", "exit", [](Tree& t) { t.r->addChild(t.d); },
         {"A:setup", "B:setup", "C:setup", "R:setup", "R:enter", "A:enter", "A:entered", "B:enter", "B:entered",
          "C:enter", "C:entered", "R:entered", "R:draw", "A:draw", "B:draw", "C:draw", "R:exit", "A:exit",
          "R:added D", "B:exit", "C:exit"}},
        {"SiblingRemovedDuringExitIsSkipped", "exit", [](Tree& t) { t.r->removeChild(t.r->findChild("B", false)); },
         {"A:setup", "B:setup", "C:setup", "R:setup", "R:enter", "A:enter", "A:entered", "B:enter", "B:entered",
          "C:enter", "C:entered", "R:entered", "R:draw", "A:draw", "B:draw", "C:draw", "R:exit", "A:exit",
          "R:removed", "C:exit"}},
        {"SiblingAddedDuringDrawingShowsFromTheNextFrame", "draw", [](Tree& t) { t.r->addChild(t.d); },
         {"A:setup", "B:setup", "C:setup", "R:setup", "R:enter", "A:enter", "A:entered", "B:enter", "B:entered",
          "C:enter", "C:entered", "R:entered", "R:draw", "A:draw", "D:setup", "D:enter", "D:entered", "R:added D",
          "B:draw", "C:draw", "R:exit", "A:exit", "B:exit", "C:exit", "D:exit"}},
        {"SiblingRemovedDuringDrawingIsNotDrawn", "draw", [](Tree& t) { t.r->removeChild(t.r->findChild("B", false)); },
         {"A:setup", "B:setup", "C:setup", "R:setup", "R:enter", "A:enter", "A:entered", "B:enter", "B:entered",
          "C:enter", "C:entered", "R:entered", "R:draw", "A:draw", "R:removed", "C:draw", "R:exit", "A:exit",
          "C:exit"}},
        {"NodeRemovingItselfWhileDrawingFinishes", "draw", [](Tree& t) { t.r->removeChild(t.a); },
         {"A:setup", "B:setup", "C:setup", "R:setup", "R:enter", "A:enter", "A:entered", "B:enter", "B:entered",
          "C:enter", "C:entered", "R:entered", "R:draw", "A:draw", "R:removed", "B:draw", "C:draw", "R:exit",
          "B:exit", "C:exit"}},
        {"SiblingMovedToTheTopWhileDrawingIsDrawnOnce", "draw", [](Tree& t) { t.r->addChild(t.r->findChild("B", false)); },
         {"A:setup", "B:setup", "C:setup", "R:setup", "R:enter", "A:enter", "A:entered", "B:enter", "B:entered",
          "C:enter", "C:entered", "R:entered", "R:draw", "A:draw", "R:removed", "R:added B", "B:draw", "C:draw",
          "R:exit", "A:exit", "C:exit", "B:exit"}},
    };
    return cases;
}

class Lifecycle : public ::testing::TestWithParam<LifecycleCase> {
protected:
    void SetUp() override { vorn::Render::setInstance(&render); }
    void TearDown() override { vorn::Render::setInstance(nullptr); }
    vorn::test::RecordingRender render;
};

TEST_P(Lifecycle, HooksChangingTheTreeWhileItIsWalked) {
    const LifecycleCase& c = GetParam();
    std::weak_ptr<Node> watchB;
    Trace trace;
    {
        Tree tree;
        if (c.change) {
            Tree* t = &tree;
            tree.a->once[c.hook] = [t, &c] { c.change(*t); };
        }
        // Only the tree holds B from here on: a removal destroys it.
        watchB = tree.b;
        tree.b.reset();
        tree.r->setup();
        tree.r->enterStage();
        tree.r->visit();
        tree.r->exitStage();
        trace = tree.trace;
    }
    EXPECT_EQ(trace, c.expected);
    EXPECT_TRUE(watchB.expired());
}

INSTANTIATE_TEST_SUITE_P(Walks, Lifecycle, ::testing::ValuesIn(lifecycleCases()),
                         [](const ::testing::TestParamInfo<LifecycleCase>& param) { return param.param.name; });

TEST(NodeTree, SetupRunsEveryOnSetupOnceChildrenFirst) {
    Tree t;
    t.a->addChild(t.d);
    t.trace.clear();
    t.r->setup();
    t.r->setup();
    EXPECT_EQ(t.trace, (Trace{"D:setup", "A:setup", "B:setup", "C:setup", "R:setup"}));
}

TEST(NodeTree, AddingToANodeOnStageEntersTheChildBeforeItsParentHearsOfIt) {
    Tree t;
    t.r->enterStage();
    t.trace.clear();
    t.r->addChild(t.d);
    EXPECT_EQ(t.trace, (Trace{"D:setup", "D:enter", "D:entered", "R:added D"}));
    EXPECT_TRUE(t.d->isOnStage());
    EXPECT_TRUE(t.d->hasState("default"));
}

TEST(NodeTree, AChildChangesParentsAndMovesToTheTop) {
    Tree t;
    t.a->addChild(t.c);
    EXPECT_EQ(t.trace, (Trace{"R:removed", "A:added C"}));
    EXPECT_EQ(t.r->children().size(), 2u);
    EXPECT_EQ(t.c->parent(), t.a.get());
    t.trace.clear();
    t.r->addChild(t.a);
    EXPECT_EQ(t.trace, (Trace{"R:removed", "R:added A"}));
    EXPECT_EQ(t.r->lastChild(), t.a);
    EXPECT_EQ(t.r->firstChild(), t.b);
}

TEST(NodeTree, RemovalsRunTheirHookOnlyWhenSomethingWasRemoved) {
    Tree t;
    t.r->removeChild(t.d);
    EXPECT_EQ(t.r->detachChild(t.d.get()), nullptr);
    EXPECT_TRUE(t.trace.empty());
    EXPECT_EQ(t.r->detachChild(t.b), t.b);
    EXPECT_EQ(t.b->parent(), nullptr);
    t.d->removeAllChildren();
    EXPECT_EQ(t.trace, (Trace{"R:removed", "D:removed"}));
    t.r->removeAllChildren();
    EXPECT_EQ(t.a->parent(), nullptr);
    EXPECT_TRUE(t.r->children().empty());
}

TEST(NodeTree, ARemovedChildStaysOnStageAndIsNotEnteredAgain) {
    Tree t;
    t.r->enterStage();
    t.r->removeChild(t.b);
    EXPECT_TRUE(t.b->isOnStage());
    t.trace.clear();
    t.r->addChild(t.b);
    EXPECT_EQ(t.trace, (Trace{"R:added B"}));
    // Entering again only walks the children and tells the node.
    t.trace.clear();
    t.r->enterStage();
    EXPECT_EQ(t.trace, (Trace{"R:entered"}));
}

TEST(NodeTree, APlainPointerToAnOwnedNodeJoinsItsOwner) {
    auto parent = std::make_shared<Node>();
    std::weak_ptr<Node> watch;
    {
        auto owned = std::make_shared<Node>();
        watch = owned;
        parent->addChild(owned.get());
        EXPECT_EQ(watch.use_count(), 2);
        EXPECT_EQ(parent->lastChild()->shared_from_this(), owned);
    }
    EXPECT_FALSE(watch.expired());
    parent->removeAllChildren();
    EXPECT_TRUE(watch.expired());
    // A node nothing owns yet gets its owner here.
    auto* loose = new Node();
    parent->addChild(loose);
    EXPECT_EQ(loose->shared_from_this(), parent->lastChild());
}

TEST(NodeTree, ANodeCannotHoldItsOwnAncestor) {
    auto root = std::make_shared<Node>();
    auto child = std::make_shared<Node>();
    root->addChild(child);
    vorn::test::LogCapture log;
    child->addChild(root);
    child->addChild(child);
    EXPECT_EQ(log.count("Node::addChild: a node cannot hold itself or its ancestor"), 2);
    EXPECT_TRUE(child->children().empty());
    EXPECT_EQ(root->parent(), nullptr);
}

TEST(NodeTree, DestroyingAParentLeavesItsSurvivingChildrenWithoutParent) {
    auto child = std::make_shared<Node>();
    {
        auto parent = std::make_shared<Node>();
        parent->addChild(child);
        EXPECT_EQ(child->getParent(), parent);
    }
    EXPECT_EQ(child->parent(), nullptr);
    EXPECT_EQ(child->getParent(), nullptr);
}

TEST(NodeTree, ADyingNodeLeavesNothingBehindInTheEngine) {
    auto* dispatcher = vorn::EventDispatcher::instance();
    auto* scheduler = vorn::Scheduler::instance();
    auto node = std::make_shared<Node>();
    Node* raw = node.get();
    int heard = 0;
    dispatcher->addListener(raw, typeid(vorn::MouseDownEvent), [&heard](vorn::Event*) { ++heard; });
    node->setSize({10, 10});
    node->mouseDown({5, 5}, vorn::BUTTON_LEFT);
    scheduler->add(raw);
    EXPECT_EQ(dispatcher->queuedEvents(), 1u);
    node.reset();
    EXPECT_EQ(dispatcher->queuedEvents(), 0u);
    EXPECT_EQ(scheduler->count(raw), 0u);
    // A new node at the same place hears nothing meant for the old one.
    auto next = std::make_shared<Node>();
    dispatcher->post(new vorn::MouseDownEvent(next.get(), {0, 0}));
    dispatcher->process();
    EXPECT_EQ(heard, 0);
}

TEST(NodeTree, ShowOnlyChildShowsEveryNamesakeAndForgetsAHiddenHover) {
    auto root = std::make_shared<Node>();
    root->setSize({100, 100});
    std::vector<std::shared_ptr<Node>> kids;
    for (const char* name : {"a", "b", "a"}) {
        auto kid = std::make_shared<Node>();
        kid->setName(name);
        kid->setSize({100, 100});
        root->addChild(kid);
        kids.push_back(kid);
    }
    root->mouseMove({5, 5}, vorn::BUTTON_LEFT);
    ASSERT_EQ(root->hoveredChild(), kids[2]);
    EXPECT_TRUE(root->showOnlyChild("b"));
    EXPECT_EQ(root->hoveredChild(), nullptr);
    EXPECT_TRUE(kids[1]->isVisible());
    EXPECT_FALSE(kids[0]->isVisible());
    EXPECT_TRUE(root->showOnlyChild("a"));
    EXPECT_TRUE(kids[0]->isVisible() && kids[2]->isVisible() && !kids[1]->isVisible());
    EXPECT_FALSE(root->showOnlyChild("z"));
    EXPECT_FALSE(kids[0]->isVisible() || kids[1]->isVisible() || kids[2]->isVisible());
}

TEST(NodeTree, FindsByNameTypeAndPredicateInTreeOrder) {
    Trace trace;
    auto root = std::make_shared<Node>();
    auto first = std::make_shared<Node>();
    auto deep = std::make_shared<HookNode>(trace, "x");
    auto later = std::make_shared<Node>();
    first->setName("first");
    later->setName("x");
    root->addChild(first);
    first->addChild(deep);
    root->addChild(later);
    EXPECT_EQ(root->findChild("x", true), later);
    EXPECT_EQ(root->findChild("x", false), later);
    EXPECT_EQ(root->findChildrenByName("x", true), (Node::Children{deep, later}));
    EXPECT_EQ(root->findChildrenOfType(typeid(HookNode), true), (Node::Children{deep}));
    EXPECT_EQ(root->findChildrenOfType(typeid(HookNode), false), Node::Children{});
    EXPECT_EQ(root->getDescendants(), (Node::Children{first, deep, later}));
    EXPECT_EQ(deep->getAncestors(), (std::vector<Node*>{root.get(), first.get()}));
    EXPECT_TRUE(root->getAncestors().empty());
    first->setVisible(false);
    const auto visible = root->findChildren([](const std::shared_ptr<Node>&) { return true; }, true, true);
    EXPECT_EQ(visible, (Node::Children{first, later}));
}

} // namespace
