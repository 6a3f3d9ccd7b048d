// Node lists: where each arrangement puts the children, as tables of
// positions, as children are added one by one and removed.
#include "widgets/NodeList.h"

#include "WidgetFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using vorn::Node;
using vorn::NodeList;

struct Child {
    glm::vec2 size;
    glm::vec2 anchor{0.0f, 0.0f};
};

struct ArrangeCase {
    std::string name;
    int mode;
    glm::vec2 listSize;
    std::vector<Child> children;
    std::vector<glm::vec2> positions;
};

void PrintTo(const ArrangeCase& c, std::ostream* os) { *os << c.name; }

std::shared_ptr<Node> child(const Child& c) {
    auto node = std::make_shared<Node>();
    node->setSize(c.size);
    node->setAnchor(c.anchor);
    // Somewhere else first: the list must place it, not find it there.
    node->setPosition(-999.0f, -999.0f);
    return node;
}

std::vector<glm::vec2> positions(const Node& list) {
    std::vector<glm::vec2> out;
    for (const auto& c : list.children()) out.push_back(c->getPosition());
    return out;
}

class Arrangements : public ::testing::TestWithParam<ArrangeCase> {};

TEST_P(Arrangements, ChildrenAddedOneByOneEndWhereTheModeSays) {
    const ArrangeCase& c = GetParam();
    auto list = std::make_shared<NodeList>();
    list->setArrangeMode(c.mode);
    list->setSize(c.listSize);
    for (const Child& each : c.children) list->addChild(child(each));
    EXPECT_EQ(positions(*list), c.positions);
}

const glm::vec2 centred{30.0f, 20.0f};

INSTANTIATE_TEST_SUITE_P(
    Table, Arrangements,
    ::testing::Values(
        ArrangeCase{"StackKeepsXAndIgnoresAnchors", NodeList::VERTICAL, {100, 100},
                    {{{10, 30}}, {{10, 40}, {5, 5}}, {{10, 50}}},
                    {{-999, 0}, {-999, 30}, {-999, 70}}},
        ArrangeCase{"LinesWrapWhenTheUnionIsTooWide", NodeList::HORIZONTAL_LINES, {200, 0},
                    {{{60, 40}}, {{60, 40}}, {{60, 40}}, {{60, 40}}, {{60, 40}}},
                    {{0, 0}, {60, 0}, {120, 0}, {0, 40}, {60, 40}}},
        ArrangeCase{"CentredAnchorsLineUpTheirCorners", NodeList::HORIZONTAL_LINES, {200, 0},
                    {{{60, 40}, centred}, {{60, 40}, centred}, {{60, 40}, centred}, {{60, 40}, centred}},
                    {{30, 20}, {90, 20}, {150, 20}, {30, 60}}},
        // A child wider than the list gets a line of its own, without an
        // empty line above it.
        ArrangeCase{"AFirstChildWiderThanTheListStaysOnTheFirstLine", NodeList::HORIZONTAL_LINES, {200, 0},
                    {{{250, 30}}, {{60, 40}}, {{60, 40}}},
                    {{0, 0}, {0, 30}, {60, 30}}},
        ArrangeCase{"AWideChildInTheMiddleOpensItsOwnLine", NodeList::HORIZONTAL_LINES, {200, 0},
                    {{{60, 40}}, {{250, 30}}, {{60, 40}}},
                    {{0, 0}, {0, 40}, {0, 70}}},
        // The tall child that opens the second line counts for its height:
        // the third line starts below it, not inside it.
        ArrangeCase{"ALineIsAsHighAsTheChildThatOpensIt", NodeList::HORIZONTAL_LINES, {100, 0},
                    {{{60, 20}}, {{60, 90}}, {{30, 20}}, {{60, 20}}},
                    {{0, 0}, {0, 20}, {60, 20}, {0, 110}}},
        ArrangeCase{"ColumnsWrapAtTheHeight", NodeList::VERTICAL_LINES, {0, 100},
                    {{{30, 40}}, {{30, 40}}, {{30, 40}}, {{30, 40}}, {{30, 40}}},
                    {{0, 0}, {0, 40}, {30, 0}, {30, 40}, {60, 0}}},
        ArrangeCase{"AColumnIsAsWideAsTheChildThatOpensIt", NodeList::VERTICAL_LINES, {0, 100},
                    {{{20, 60}}, {{90, 60}}, {{20, 30}}, {{20, 60}}},
                    {{0, 0}, {20, 0}, {20, 60}, {110, 0}}},
        ArrangeCase{"AFirstChildTallerThanTheListStaysInTheFirstColumn", NodeList::VERTICAL_LINES, {0, 100},
                    {{{30, 150}}, {{30, 40}}},
                    {{0, 0}, {30, 0}}},
        ArrangeCase{"ColumnsIgnoreAnchors", NodeList::VERTICAL_LINES, {0, 100},
                    {{{30, 40}, {15, 20}}, {{30, 40}, {15, 20}}},
                    {{0, 0}, {0, 40}}}),
    [](const ::testing::TestParamInfo<ArrangeCase>& param) { return param.param.name; });

TEST(NodeListChanges, RemovingAChildArrangesTheRestAgain) {
    auto stack = std::make_shared<NodeList>();
    stack->setArrangeMode(NodeList::VERTICAL);
    std::vector<std::shared_ptr<Node>> kids;
    for (float h : {30.0f, 40.0f, 50.0f}) {
        kids.push_back(child({{10, h}}));
        stack->addChild(kids.back());
    }
    stack->removeChild(kids[1]);
    EXPECT_EQ(positions(*stack), (std::vector<glm::vec2>{{-999, 0}, {-999, 30}}));

    // The first child of a wrapping list taken away: the next one starts
    // at the corner, not from where the removed child stood.
    auto lines = std::make_shared<NodeList>();
    lines->setArrangeMode(NodeList::VERTICAL_LINES);
    lines->setSize({0, 100});
    kids.clear();
    for (int i = 0; i < 4; ++i) {
        kids.push_back(child({{30, 40}}));
        lines->addChild(kids.back());
    }
    lines->removeChild(kids[0]);
    EXPECT_EQ(positions(*lines), (std::vector<glm::vec2>{{0, 0}, {0, 40}, {30, 0}}));

    auto rows = std::make_shared<NodeList>();
    rows->setSize({130, 0});
    kids.clear();
    for (int i = 0; i < 4; ++i) {
        kids.push_back(child({{60, 40}}));
        rows->addChild(kids.back());
    }
    rows->removeChild(kids[0]);
    EXPECT_EQ(positions(*rows), (std::vector<glm::vec2>{{0, 0}, {60, 0}, {0, 40}}));

    rows->removeAllChildren();
    EXPECT_TRUE(rows->children().empty());
}

class NodeListFiles : public vorn::test::WidgetFixture {};

TEST_F(NodeListFiles, TheModeIsReadBeforeTheChildrenArrive) {
    start(R"~(<scene>
      <nodelist name="a" w="100" arrangeMode="vertical">
        <container w="10" h="30"/><container w="10" h="40"/>
      </nodelist>
      <node_list name="b" w="100" arrangeMode="horizontalLines">
        <container w="60" h="30"/><container w="60" h="40"/>
      </node_list>
      <nodelist name="c" h="50" arrangeMode="vertical_lines">
        <container w="20" h="30"/><container w="20" h="30"/>
      </nodelist>
      <nodelist name="d" w="100" arrangeMode="diagonal">
        <container w="60" h="30"/><container w="60" h="40"/>
      </nodelist>
    </scene>)~");
    EXPECT_EQ(positions(*find("a")), (std::vector<glm::vec2>{{0, 0}, {0, 30}}));
    EXPECT_EQ(positions(*find("b")), (std::vector<glm::vec2>{{0, 0}, {0, 30}}));
    EXPECT_EQ(positions(*find("c")), (std::vector<glm::vec2>{{0, 0}, {20, 0}}));
    // An unknown mode keeps the horizontal lines.
    EXPECT_EQ(positions(*find("d")), (std::vector<glm::vec2>{{0, 0}, {0, 30}}));
    EXPECT_TRUE(find("a")->isStateStop());
}

} // namespace
