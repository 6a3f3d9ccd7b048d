// Action trees read from XML: the element names, the attributes each kind
// reads, "content" files, and what malformed files do.
#include "scene/ActionFactory.h"
#include "scene/ActionManager.h"
#include "scene/CompositeActions.h"
#include "scene/Node.h"
#include "scene/SimpleActions.h"

#include "support/LogCapture.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <memory>
#include <string>

namespace {

using vorn::Action;
using vorn::ActionFactory;
using vorn::ActionManager;
using vorn::Node;

class ActionXml : public ::testing::Test {
protected:
    // The action read from the text; null for an unknown root.
    std::unique_ptr<Action> read(const std::string& xml) {
        document_ = std::make_unique<tinyxml2::XMLDocument>();
        EXPECT_EQ(document_->Parse(xml.c_str()), tinyxml2::XML_SUCCESS) << xml;
        return ActionFactory::instance()->createOwned(document_->RootElement());
    }

    // Runs the action read from the text on a fresh node, then steps.
    std::shared_ptr<Node> run(const std::string& xml) {
        auto node = std::make_shared<Node>();
        node->setActionFinishedCallback([this](Action*) { finished = true; });
        node->runAction(read(xml).release());
        return node;
    }

    std::string pathOf(const std::string& name) const { return dir_.file(name); }
    std::string file(const std::string& name, const std::string& text) {
        const std::string path = dir_.file(name);
        vorn::test::writeBytes(path, text);
        return path;
    }

    bool finished = false;

private:
    std::unique_ptr<tinyxml2::XMLDocument> document_;
    vorn::test::TempDir dir_;
};

TEST_F(ActionXml, EveryElementNameMakesItsKind) {
    EXPECT_TRUE(dynamic_cast<vorn::Sequence*>(read("<sequence/>").get()));
    EXPECT_TRUE(dynamic_cast<vorn::Spawn*>(read("<spawn/>").get()));
    EXPECT_TRUE(dynamic_cast<vorn::WaitAction*>(read("<wait/>").get()));
    EXPECT_TRUE(dynamic_cast<vorn::EasingAction*>(read("<easing/>").get()));
    EXPECT_TRUE(dynamic_cast<vorn::RepeatAction*>(read("<repeat/>").get()));
    EXPECT_TRUE(dynamic_cast<vorn::ScaleAction*>(read("<scale/>").get()));
    EXPECT_TRUE(dynamic_cast<vorn::ColorAction*>(read("<color/>").get()));
    EXPECT_EQ(typeid(*read("<move/>")), typeid(vorn::MoveAction));
    EXPECT_EQ(typeid(*read("<move_to/>")), typeid(vorn::MoveToAction));
    EXPECT_EQ(typeid(*read("<rotate/>")), typeid(vorn::RotateAction));
    EXPECT_EQ(typeid(*read("<rotate_to/>")), typeid(vorn::RotateToAction));
    EXPECT_EQ(read("<Sequence/>"), nullptr);
    EXPECT_EQ(read("<state/>"), nullptr);
    EXPECT_EQ(ActionFactory::instance()->create(nullptr), nullptr);
}

TEST_F(ActionXml, SequenceDurationIsALeadingGap) {
    auto node = run(R"(<sequence d="1"><move d="0.5" x="40"/></sequence>)");
    ActionManager::instance()->update(1.0f);
    EXPECT_EQ(node->getPosition().x, 0.0f);
    ActionManager::instance()->update(0.25f);
    EXPECT_NEAR(node->getPosition().x, 20.0f, 1e-3);
    ActionManager::instance()->update(0.25f);
    EXPECT_TRUE(finished);
    EXPECT_NEAR(node->getPosition().x, 40.0f, 1e-3);
}

TEST_F(ActionXml, SpawnAndEasingTakeTheirChildrensDurations) {
    auto spawned = run(R"(<spawn d="2"><move d="0.5" y="10"/></spawn>)");
    ActionManager::instance()->update(0.5f);
    EXPECT_TRUE(finished);
    EXPECT_NEAR(spawned->getPosition().y, 10.0f, 1e-4);

    finished = false;
    auto eased = run(R"(<easing d="3" function="NoSuchCurve"><move_to d="1" x="100" y="50"/></easing>)");
    ActionManager::instance()->update(0.5f);
    EXPECT_NEAR(eased->getPosition().x, 50.0f, 1e-3); // an unknown curve is linear
    ActionManager::instance()->update(0.5f);
    EXPECT_TRUE(finished);
    EXPECT_NEAR(eased->getPosition().y, 50.0f, 1e-3);
}

TEST_F(ActionXml, RotationsReadTheirAngle) {
    auto turned = run(R"(<rotate d="1" angle="90"/>)");
    auto aimed = run(R"(<rotate_to d="1" angle="45"/>)");
    auto none = std::make_shared<Node>();
    none->setRotation(30.0f);
    none->runAction(read(R"(<rotate_to d="1"/>)").release());
    ActionManager::instance()->update(1.0f);
    EXPECT_NEAR(turned->getRotation(), 90.0f, 1e-3);
    EXPECT_NEAR(aimed->getRotation(), 45.0f, 1e-3);
    EXPECT_NEAR(none->getRotation(), 0.0f, 1e-3);
}

TEST_F(ActionXml, RepeatUsesItsLastChildAndUnknownOrStrayChildrenAreDropped) {
    auto node = run(R"(<repeat><move d="1" x="100"/><bounce/><move d="1" y="10"><move d="1" x="5"/></move></repeat>)");
    ActionManager::instance()->update(0.5f);
    EXPECT_EQ(node->getPosition().x, 0.0f);
    EXPECT_NEAR(node->getPosition().y, 5.0f, 1e-3);
    auto scaled = run(R"(<scale d="1" x="3"/>)");
    ActionManager::instance()->update(1.0f);
    // A missing component scales towards 0.
    EXPECT_NEAR(scaled->getScale().x, 3.0f, 1e-4);
    EXPECT_NEAR(scaled->getScale().y, 0.0f, 1e-4);
}

TEST_F(ActionXml, ColorReadsHexText) {
    auto node = run(R"(<color d="1" color="00000080"/>)");
    ActionManager::instance()->update(1.0f);
    EXPECT_NEAR(node->getColor().r, 0.0f, 1e-4);
    EXPECT_NEAR(node->getColor().a, 128.0f / 255.0f, 1e-4);
}

TEST_F(ActionXml, ContentFilesAreReadFirstAndTheElementOverrides) {
    const std::string inner = file("inner.xml", R"(<sequence d="9"><move d="1" x="10"/></sequence>)");
    const std::string outer = file("outer.xml", R"(<sequence content=")" + inner + R"("><move d="1" x="5"/></sequence>)");
    auto action = read(R"(<sequence content=")" + outer + R"(" d="0.5"><move d="1" y="7"/></sequence>)");
    auto* sequence = dynamic_cast<vorn::Sequence*>(action.get());
    ASSERT_NE(sequence, nullptr);
    // The innermost file first: its d, then its move; the outer file's
    // move; the element's own d replaces the running total, then its move.
    EXPECT_EQ(sequence->size(), 3u);
    EXPECT_FLOAT_EQ(sequence->getDuration(), 1.5f);
}

TEST_F(ActionXml, AContentChainThatComesBackToItselfStops) {
    const std::string a = pathOf("a.xml");
    const std::string b = pathOf("b.xml");
    file("a.xml", R"(<sequence content=")" + b + R"("><move d="1" x="1"/></sequence>)");
    file("b.xml", R"(<sequence content=")" + a + R"("><move d="1" x="1"/></sequence>)");
    vorn::test::LogCapture log;
    auto action = read(R"(<sequence content=")" + a + R"("/>)");
    EXPECT_EQ(log.count("Action content includes itself, not read again: " + a), 1) << log.text();
    ASSERT_NE(action, nullptr);
    // b's move, then a's.
    EXPECT_EQ(dynamic_cast<vorn::Sequence*>(action.get())->size(), 2u);
}

TEST_F(ActionXml, ABadNumberInAContentFileIsLoggedWithTheFileNameAndTheRestIsRead) {
    const std::string bad = file("bad.xml", "<sequence>\n<move d=\"1\" x=\"1\"/>\n<move d=\"soon\" x=\"1\"/>\n"
                                            "<move d=\"1\" x=\"3\"/>\n</sequence>");
    vorn::test::LogCapture log;
    auto action = read(R"(<sequence content=")" + bad + R"("><wait d="2"/></sequence>)");
    EXPECT_EQ(log.count(bad + R"( line 3: <move> d="soon" is not a number, ignored)"), 1) << log.text();
    EXPECT_EQ(log.count("Can't open or parse"), 0) << log.text();
    auto* sequence = dynamic_cast<vorn::Sequence*>(action.get());
    ASSERT_NE(sequence, nullptr);
    // Every move, the one without its duration among them, then the wait.
    EXPECT_EQ(sequence->size(), 4u);
    EXPECT_FLOAT_EQ(sequence->getDuration(), 4.0f);
}

// Bad numbers and negative durations straight in an action element: the
// attribute is left out (a negative duration is 0), the log says so, and
// the action still ends when its good parts say.
struct BadActionCase {
    const char* xml;
    const char* logged;
    float duration;
    float x;
};

TEST_F(ActionXml, BadValuesAreLeftOutAndTheActionStillEnds) {
    const BadActionCase cases[] = {
        {R"(<sequence><wait d="-1"/><wait d="1"/></sequence>)", R"(<wait> d="-1" is negative, 0 used)", 1.0f, 0.0f},
        {R"(<sequence><move d="-2" x="4"/><move d="1" x="6"/></sequence>)", R"(<move> d="-2" is negative, 0 used)", 1.0f,
         10.0f},
        {R"(<spawn><move d="1" x="5px"/><wait d="0.5"/></spawn>)", R"(<move> x="5px" is not a number, ignored)", 1.0f, 0.0f},
        {R"(<sequence d="1,5"><move d="1" x="2"/></sequence>)", R"(<sequence> d="1,5" is not a number, ignored)", 1.0f,
         2.0f},
        {R"(<easing function="linear" d="2s"><move d="1" x="2"/></easing>)", R"(<easing> d="2s" is not a number, ignored)",
         1.0f, 2.0f},
    };
    for (const BadActionCase& c : cases) {
        SCOPED_TRACE(c.xml);
        vorn::test::LogCapture log;
        finished = false;
        auto node = run(c.xml);
        EXPECT_EQ(log.count(c.logged), 1) << log.text();
        for (int i = 0; i < 200 && !finished; ++i) ActionManager::instance()->update(0.01f);
        EXPECT_TRUE(finished);
        EXPECT_NEAR(node->getPosition().x, c.x, 1e-4);
        EXPECT_FALSE(ActionManager::instance()->hasActions(node.get()));
    }
    // Made in code, a negative duration is 0 as well.
    vorn::test::LogCapture log;
    EXPECT_EQ(vorn::WaitAction(-3.0f).getDuration(), 0.0f);
    EXPECT_EQ(log.count("IntervalAction: duration -3.000000, 0 used"), 1);
}

} // namespace
