// Node trees read from scene files: the common attributes, the factory's
// element names, "content" files, "action" files, and malformed files.
#include "scene/ActionManager.h"
#include "scene/Node.h"
#include "scene/NodeFactory.h"
#include "scene/Text.h"

#include "SceneFixture.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using vorn::Node;

class SizeCounting : public Node {
public:
    void onSizeChanged() override { ++sizeHooks; }
    int sizeHooks = 0;
};

std::shared_ptr<Node> fromText(const std::string& xml, std::shared_ptr<Node> node = std::make_shared<Node>()) {
    tinyxml2::XMLDocument document;
    EXPECT_EQ(document.Parse(xml.c_str()), tinyxml2::XML_SUCCESS);
    node->load(document.RootElement());
    return node;
}

class NodeFiles : public vorn::test::SceneFixture {};

TEST_F(NodeFiles, LaterNamesInByteOrderWin) {
    auto n = fromText(R"(<container c="FF0000" color="00FF00" clip="1" scissor="0" stateStop="0" state_stop="1"
                                      scale="3" scale_y="5" name="n" x="4" y="5" angle="30" visible="no" enabled="0"/>)");
    EXPECT_EQ(n->getColor(), vorn::Color("00FF00"));
    EXPECT_FALSE(n->isClipping());
    EXPECT_TRUE(n->isStateStop());
    EXPECT_EQ(n->getScale(), glm::vec2(3, 5));
    EXPECT_EQ(n->getName(), "n");
    EXPECT_EQ(n->getPosition(), glm::vec2(4, 5));
    EXPECT_EQ(n->getRotation(), 30.0f);
    EXPECT_FALSE(n->isVisible());
    EXPECT_FALSE(n->isEnabled());
    EXPECT_FALSE(n->isSetUp());
}

TEST_F(NodeFiles, AnchorAndSizeAttributes) {
    auto n = fromText(R"(<container w="40" h="10"/>)");
    fromText(R"(<container anchor="center" anchor_x="5"/>)", n);
    EXPECT_EQ(n->getAnchor(), glm::vec2(5, 5));
    EXPECT_FALSE(n->isAnchorCentered());
    fromText(R"(<container anchor="center" h="30"/>)", n);
    EXPECT_EQ(n->getAnchor(), glm::vec2(20, 15));

    auto counted = std::make_shared<SizeCounting>();
    fromText(R"(<container w="40"/>)", counted);
    EXPECT_EQ(counted->sizeHooks, 1);
    EXPECT_TRUE(counted->isSizeSet());
    EXPECT_EQ(counted->getSize(), glm::vec2(40, 0));
    fromText(R"(<container w="40" h="3"/>)", counted);
    EXPECT_EQ(counted->sizeHooks, 3);
}

TEST_F(NodeFiles, LayoutFlagsAndAlignmentWords) {
    auto n = fromText(R"(<container fillParent="1" centerParent="yes" fitParent="0" parentAlign="right" parentVAlign="top"/>)");
    EXPECT_TRUE(n->isFillParent());
    EXPECT_TRUE(n->isCenterParent());
    EXPECT_FALSE(n->isFitParent());
    EXPECT_EQ(n->getParentAlign(), 2);
    EXPECT_EQ(n->getParentVAlign(), 1);
    fromText(R"(<container parentAlign="middle" parentVAlign="center"/>)", n);
    EXPECT_EQ(n->getParentAlign(), 2);
    EXPECT_EQ(n->getParentVAlign(), 3);
}

TEST_F(NodeFiles, TheFactoryKnowsItsNamesExactly) {
    auto n = fromText(R"(<container><container name="a"/><Container/><image9x/><state/><container name="b"/></container>)");
    ASSERT_EQ(n->children().size(), 2u);
    EXPECT_EQ(n->children()[0]->getName(), "a");
    EXPECT_EQ(n->children()[1]->getName(), "b");
    EXPECT_EQ(typeid(*n->children()[0]), typeid(Node));
    tinyxml2::XMLDocument document;
    document.Parse("<state name='x'/>");
    EXPECT_EQ(vorn::NodeFactory::instance().create(document.RootElement()), nullptr);
    EXPECT_TRUE(vorn::NodeFactory::instance().knows("container"));
    EXPECT_FALSE(vorn::NodeFactory::instance().knows("Container"));
}

TEST_F(NodeFiles, ContentComesFirstAndTheElementOverrides) {
    const std::string part = file("part.xml", R"(<container x="1" y="2" name="part"><container name="inside"/></container>)");
    const std::string path = file("use.xml", R"(<container content=")" + part + R"(" x="9"><container name="own"/></container>)");
    Node node(path);
    EXPECT_EQ(node.getPosition(), glm::vec2(9, 2));
    EXPECT_EQ(node.getName(), "part");
    ASSERT_EQ(node.children().size(), 2u);
    EXPECT_EQ(node.children()[0]->getName(), "inside");
    EXPECT_EQ(node.children()[1]->getName(), "own");
}

std::size_t treeSize(const Node& node) {
    std::size_t n = 1;
    for (const auto& child : node.children()) n += treeSize(*child);
    return n;
}

// Files that include themselves, or each other in a ring, are read once on
// any one path; each refusal is told once however often it is met.
struct IncludeRingCase {
    const char* label;
    std::vector<std::pair<std::string, std::string>> files; // name, text with $a/$b for the paths
    std::size_t nodes;
    std::vector<std::string> told; // names of the files refused as "includes itself"
};

class IncludeRings : public vorn::test::SceneFixture, public ::testing::WithParamInterface<IncludeRingCase> {};

TEST_P(IncludeRings, AreReadOncePerPathAndToldOnce) {
    const IncludeRingCase& c = GetParam();
    const auto expand = [this](std::string text) {
        for (const char* name : {"a", "b"}) {
            const std::string mark = std::string("$") + name;
            for (auto at = text.find(mark); at != std::string::npos; at = text.find(mark)) {
                text.replace(at, mark.size(), dir.file(std::string(name) + ".xml"));
            }
        }
        return text;
    };
    for (const auto& [name, text] : c.files) file(name, expand(text));
    vorn::test::LogCapture log;
    Node node(dir.file("a.xml"));
    EXPECT_EQ(treeSize(node), c.nodes);
    for (const std::string& name : c.told) {
        EXPECT_EQ(log.count("Node content includes itself, not read again: " + dir.file(name)), 1) << log.text();
    }
    EXPECT_EQ(log.count("includes itself"), static_cast<int>(c.told.size())) << log.text();
}

INSTANTIATE_TEST_SUITE_P(
    NodeFiles, IncludeRings,
    ::testing::Values(
        IncludeRingCase{"Itself", {{"a.xml", R"(<container content="$a"><container/></container>)"}}, 2, {"a.xml"}},
        // Four times over used to mean 4^16 reads.
        IncludeRingCase{"ItselfFourTimes",
                        {{"a.xml", R"(<container><container content="$a"/><container content="$a"/>)"
                                   R"(<container content="$a"/><container content="$a"/></container>)"}},
                        5,
                        {"a.xml"}},
        IncludeRingCase{"ARingOfTwo",
                        {{"a.xml", R"(<container><container content="$b"/><container content="$b"/></container>)"},
                         {"b.xml", R"(<container><container content="$a"/><container/></container>)"}},
                        // a: two b nodes, each holding b's two children.
                        7,
                        {"a.xml"}}),
    [](const ::testing::TestParamInfo<IncludeRingCase>& param) { return std::string(param.param.label); });

// Distinct files that each include the next many times: no ring, but an
// expansion without end in practice. One load reads a bounded number of
// files, and says so once.
TEST_F(NodeFiles, AFanOfIncludesStopsAtItsShareOfFiles) {
    constexpr int levels = 8;
    for (int level = 0; level < levels; ++level) {
        std::string text = "<container>";
        if (level + 1 < levels) {
            for (int i = 0; i < 4; ++i) text += R"(<container content=")" + dir.file("f" + std::to_string(level + 1) + ".xml") + R"("/>)";
        }
        file("f" + std::to_string(level) + ".xml", text + "</container>");
    }
    vorn::test::LogCapture log;
    Node node(dir.file("f0.xml"));
    // 4 + 16 + ... + 4^7 = 21844 includes, of which maxFiles - 1 are read
    // besides the outermost file.
    EXPECT_EQ(log.count("includes more than 10000 files; the rest are not read"), 1) << log.text().substr(0, 2000);
    EXPECT_LE(treeSize(node), 4u * 10000u);
    EXPECT_GE(treeSize(node), 10000u);
    // The next load has a share of its own.
    vorn::test::LogCapture again;
    Node second(dir.file("f5.xml"));
    EXPECT_EQ(treeSize(second), 1u + 4u + 16u);
    EXPECT_EQ(again.count("not read"), 0);
}

// A bad value leaves out its attribute only: the element's other
// attributes, the elements after it and the rest of the file are read, and
// the log names the file, the line, the element, the attribute and the value.
struct BadValueCase {
    const char* label;
    std::string element;
    std::string logged;
    std::function<void(const vorn::Scene&)> check;
};

class BadValues : public vorn::test::SceneFixture, public ::testing::WithParamInterface<BadValueCase> {};

TEST_P(BadValues, LeaveOutTheirAttributeOnly) {
    const BadValueCase& c = GetParam();
    const std::string path = file("bad.xml", "<scene>\n  <container name=\"before\" x=\"1\"/>\n  " + c.element +
                                                 "\n  <container name=\"after\" y=\"2\"/>\n</scene>");
    vorn::test::LogCapture log;
    auto scene = std::make_shared<vorn::Scene>(&run.app);
    scene->load(path);
    EXPECT_EQ(log.count(path + " line 3: " + c.logged), 1) << log.text();
    EXPECT_EQ(log.count("Can't open or parse"), 0) << log.text();
    ASSERT_TRUE(scene->findNode("before"));
    ASSERT_TRUE(scene->findNode("after"));
    EXPECT_EQ(scene->findNode("before")->getPosition(), glm::vec2(1, 0));
    EXPECT_EQ(scene->findNode("after")->getPosition(), glm::vec2(0, 2));
    c.check(*scene);
    // The game goes on with it.
    run.app.runScene(scene);
    run.step(0.016f);
}

INSTANTIATE_TEST_SUITE_P(
    NodeFiles, BadValues,
    ::testing::Values(
        BadValueCase{"NotANumber", R"(<container name="n" x="abc" y="5"/>)",
                     R"(<container> x="abc" is not a number, ignored)",
                     [](const vorn::Scene& s) { EXPECT_EQ(s.findNode("n")->getPosition(), glm::vec2(0, 5)); }},
        BadValueCase{"ACommaIsNoDecimalPoint", R"(<container name="n" x="1,5" y="5"/>)",
                     R"(<container> x="1,5" is not a number, ignored)",
                     [](const vorn::Scene& s) { EXPECT_EQ(s.findNode("n")->getPosition(), glm::vec2(0, 5)); }},
        BadValueCase{"AUnitAfterTheNumber", R"(<container name="n" w="20px" h="10"/>)",
                     R"(<container> w="20px" is not a number, ignored)",
                     [](const vorn::Scene& s) { EXPECT_EQ(s.findNode("n")->getSize(), glm::vec2(0, 10)); }},
        BadValueCase{"TwoNumbers", R"(<container name="n" angle="30 40" scale="2"/>)",
                     R"(<container> angle="30 40" is not a number, ignored)",
                     [](const vorn::Scene& s) {
                         EXPECT_EQ(s.findNode("n")->getRotation(), 0.0f);
                         EXPECT_EQ(s.findNode("n")->getScale(), glm::vec2(2, 2));
                     }},
        BadValueCase{"OutOfRange", R"(<container name="n" x="1e39" y="5"/>)",
                     R"(<container> x="1e39" is out of range, ignored)",
                     [](const vorn::Scene& s) { EXPECT_EQ(s.findNode("n")->getPosition(), glm::vec2(0, 5)); }},
        BadValueCase{"BlanksAroundANumberAreFine", R"(<container name="n" x=" 7 " y="x5"/>)",
                     R"(<container> y="x5" is not a number, ignored)",
                     [](const vorn::Scene& s) { EXPECT_EQ(s.findNode("n")->getPosition(), glm::vec2(7, 0)); }},
        BadValueCase{"ASubclassAttribute", R"(<text name="n" font_size="12pt" text="kept"/>)",
                     R"(<text> font_size="12pt" is not a number, ignored)",
                     [](const vorn::Scene& s) {
                         auto* text = dynamic_cast<vorn::Text*>(s.findNode("n").get());
                         ASSERT_NE(text, nullptr);
                         EXPECT_EQ(text->getText(), "kept");
                     }},
        BadValueCase{"AStateNumber", R"(<container name="n"><state name="s" x="two" y="3"/></container>)",
                     R"(<state> x="two" is not a number, ignored)",
                     [](const vorn::Scene& s) {
                         const Node::State& state = s.findNode("n")->states().at("s");
                         EXPECT_FALSE(state.hasPosition || state.hasX);
                         EXPECT_TRUE(state.hasY);
                         EXPECT_EQ(state.position.y, 3.0f);
                     }},
        BadValueCase{"ATransitionTime",
                     R"(<container name="n"><transition from="a" to="b" time="soon" delay="0.5"/></container>)",
                     R"(<transition> time="soon" is not a number, ignored)", [](const vorn::Scene& s) {
                         EXPECT_TRUE(s.findNode("n"));
                     }}),
    [](const ::testing::TestParamInfo<BadValueCase>& param) { return std::string(param.param.label); });

TEST_F(NodeFiles, ABadNumberInAContentFileIsLoggedUnderItsOwnName) {
    const std::string part = file("part.xml", R"(<container y="1">
<container name="kept"/><container w="wide"/></container>)");
    const std::string path = file("use.xml", R"(<container content=")" + part + R"(" x="3"><container name="own" x="oops"/></container>)");
    vorn::test::LogCapture log;
    Node node(path);
    EXPECT_EQ(log.count(part + R"( line 2: <container> w="wide" is not a number, ignored)"), 1) << log.text();
    EXPECT_EQ(log.count(path + R"( line 1: <container> x="oops" is not a number, ignored)"), 1) << log.text();
    EXPECT_EQ(node.getPosition(), glm::vec2(3, 1));
    ASSERT_EQ(node.children().size(), 3u);
    EXPECT_EQ(node.children()[2]->getName(), "own");
}

TEST_F(NodeFiles, AMissingFileLeavesTheNodeEmpty) {
    vorn::test::LogCapture log;
    Node node(dir.file("missing.xml"));
    EXPECT_TRUE(node.children().empty());
    EXPECT_EQ(log.count("File not found"), 1) << log.text();
}

TEST_F(NodeFiles, AnActionFileRestartsFromTheDefaultStateAtEveryEntry) {
    const std::string action = file("slide.xml", R"(<move d="1" x="100"/>)");
    auto scene = start(R"(<scene><container name="slider" x="10" action=")" + action + R"("/></scene>)");
    auto slider = find("slider");
    run.step(0.5f);
    EXPECT_NEAR(slider->getPosition().x, 60.0f, 1e-3);
    scene->exitStage();
    EXPECT_FALSE(vorn::ActionManager::instance()->hasActions(slider.get()));
    scene->enterStage();
    EXPECT_EQ(slider->getPosition().x, 10.0f);
    run.step(1.0f);
    EXPECT_NEAR(slider->getPosition().x, 110.0f, 1e-3);
}

TEST_F(NodeFiles, ActionFilesThatCannotBeReadRunNothing) {
    const std::string malformed = file("bad.xml", R"(<sequence><move d="1" x="5"/><move d="1")");
    const std::string unknown = file("odd.xml", R"(<Move d="1" x="5"/>)");
    vorn::test::LogCapture log;
    start(R"(<scene>
  <container name="a" action=")" + malformed + R"("/>
  <container name="b" action=")" + unknown + R"("/>
  <container name="c" action=")" + dir.file("none.xml") + R"("/>
</scene>)");
    EXPECT_EQ(log.count("Can't open or parse: " + malformed + " ["), 1) << log.text();
    EXPECT_EQ(log.count("ERROR: null action requested in runAction"), 1);
    EXPECT_EQ(log.count("File not found"), 1);
    EXPECT_EQ(vorn::ActionManager::instance()->size(), 0u);
    run.step(1.0f);
}

} // namespace
