// Node matrices, world positions and the layout relative to the parent.
#include "scene/Node.h"

#include <gtest/gtest.h>

#include <glm/gtc/matrix_transform.hpp>

#include <memory>
#include <string>
#include <vector>

namespace {

using vorn::Node;

glm::vec2 apply(const glm::mat4& m, const glm::vec2& p) {
    const glm::vec4 q = m * glm::vec4(p.x, p.y, 0.0f, 1.0f);
    return {q.x, q.y};
}

void expectNear(const glm::vec2& got, const glm::vec2& want, const std::string& what) {
    EXPECT_NEAR(got.x, want.x, 1e-3) << what;
    EXPECT_NEAR(got.y, want.y, 1e-3) << what;
}

struct TransformCase {
    std::string name;
    glm::vec2 position, size, anchor, scale;
    float angle;
    bool centred;
    // Points of the node's box and where they land in the parent.
    std::vector<std::pair<glm::vec2, glm::vec2>> points;
};

void PrintTo(const TransformCase& c, std::ostream* os) { *os << c.name; }

class Transform : public ::testing::TestWithParam<TransformCase> {};

TEST_P(Transform, MapsTheBoxIntoTheParentAndBack) {
    const TransformCase& c = GetParam();
    Node node;
    node.setSize(c.size);
    node.setAnchor(c.anchor);
    node.setAnchorCentered(c.centred);
    node.setPosition(c.position);
    node.setScale(c.scale);
    node.setRotation(c.angle);
    const glm::mat4 m = node.getTransform();
    for (const auto& [local, parent] : c.points) {
        expectNear(apply(m, local), parent, "forward");
        // The cached inverse takes the parent point back to the box.
        expectNear(apply(node.inverseTransform(), parent), local, "inverse");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, Transform,
    ::testing::Values(
        TransformCase{"CentredAnchor", {200, 100}, {100, 50}, {0, 0}, {1, 1}, 0, true,
                      {{{0, 0}, {150, 75}}, {{100, 50}, {250, 125}}}},
        TransformCase{"ScaledAboutItsAnchor", {0, 0}, {20, 20}, {10, 10}, {2, 2}, 0, false,
                      {{{10, 10}, {0, 0}}, {{0, 0}, {-20, -20}}}},
        TransformCase{"QuarterTurnClockwiseOnScreen", {0, 0}, {20, 20}, {0, 0}, {1, 1}, 90, false,
                      {{{10, 0}, {0, 10}}}},
        TransformCase{"FullTurnIsNoTurn", {5, 5}, {20, 20}, {0, 0}, {1, 1}, 360, false, {{{10, 0}, {15, 5}}}},
        TransformCase{"TurnedAndScaledAboutACentre", {100, 100}, {40, 20}, {0, 0}, {2, 1}, 180, true,
                      {{{20, 10}, {100, 100}}, {{0, 0}, {140, 110}}}}),
    [](const ::testing::TestParamInfo<TransformCase>& param) { return param.param.name; });

TEST(Transform, AnUnturnedUnscaledNodeIsAnExactTranslation) {
    Node node;
    node.setPosition(123.25f, 77.5f);
    node.setAnchor({3.5f, 1.25f});
    const glm::mat4 m = node.getTransform();
    EXPECT_EQ(m, glm::translate(glm::mat4(1.0f), glm::vec3(119.75f, 76.25f, 0.0f)));
}

TEST(Transform, AZeroScaleIsHitNowhere) {
    Node node;
    node.setSize({10, 10});
    node.setScale({0, 1});
    node.updateTransform();
    EXPECT_FALSE(node.containsPoint({0, 0}));
}

TEST(Transform, TheExtraMatrixMovesTheContentNotTheOwnBox) {
    auto parent = std::make_shared<Node>();
    auto child = std::make_shared<Node>();
    parent->setSize({100, 100});
    parent->setPosition(10, 0);
    parent->setTransform(glm::translate(glm::mat4(1.0f), glm::vec3(-50, 0, 0)));
    parent->addChild(child);
    child->setPosition(60, 5);
    parent->updateTransform();
    expectNear(child->localToWorld({0, 0}), {20, 5}, "content moved");
    EXPECT_TRUE(parent->containsPoint({110, 50}));
    EXPECT_FALSE(parent->containsPoint({0, 50}));
}

TEST(Transform, WorldPositionsGoThroughEveryAncestor) {
    auto root = std::make_shared<Node>();
    auto mid = std::make_shared<Node>();
    auto leaf = std::make_shared<Node>();
    root->addChild(mid);
    mid->addChild(leaf);
    root->setPosition(100, 0);
    mid->setScale({2, 2});
    mid->setPosition(0, 50);
    leaf->setPosition(10, 10);
    leaf->setSize({6, 4});
    leaf->setAnchor({1, 1});
    const glm::vec3 p = leaf->getWorldPosition();
    EXPECT_NEAR(p.x, 120.0f, 1e-4);
    EXPECT_NEAR(p.y, 70.0f, 1e-4);
    const glm::vec3 centre = leaf->getWorldCenter();
    EXPECT_NEAR(centre.x, 122.0f, 1e-4);
    EXPECT_NEAR(centre.y, 71.0f, 1e-4);
    EXPECT_EQ(glm::vec3(root->getWorldPosition()), glm::vec3(100, 0, 0));
    expectNear(leaf->localToWorld({1, 1}), {120, 70}, "anchor lands on the position");
}

TEST(Transform, RotateWrapsOnceAtThreeSixty) {
    Node node;
    node.setRotation(20);
    node.rotate(350);
    EXPECT_FLOAT_EQ(node.getRotation(), 10.0f);
    node.rotate(-30);
    EXPECT_FLOAT_EQ(node.getRotation(), -20.0f);
}

TEST(Transform, BoundsIgnoreRotation) {
    Node a;
    a.setPosition(50, 50);
    a.setAnchor({10, 10});
    a.setSize({20, 20});
    a.setScale({2, 1});
    a.setRotation(45);
    EXPECT_EQ(a.getBounds(), vorn::Rect(40, 40, 40, 20));
    Node b;
    b.setPosition(79, 59);
    b.setSize({5, 5});
    EXPECT_TRUE(a.intersects(b));
    b.setPosition(80, 59);
    EXPECT_FALSE(a.intersects(b));
}

TEST(Transform, ACentredAnchorFollowsTheSizeAtOnce) {
    auto parent = std::make_shared<Node>();
    parent->setSize({800, 600});
    auto node = std::make_shared<Node>();
    node->setSize({100, 40});
    node->setAnchorCentered(true);
    EXPECT_EQ(node->getAnchor(), glm::vec2(50, 20));
    node->setPosition(400, 300);
    node->updateTransform();
    node->setSize({200, 100});
    EXPECT_EQ(node->getAnchor(), glm::vec2(100, 50));
    // Seen by hit testing and by the layout of the next frame alike.
    node->getTransform();
    EXPECT_TRUE(node->containsPoint({301, 251}));
    node->setParentAlign(1);
    parent->addChild(node);
    node->layoutInParent();
    EXPECT_EQ(node->getPosition().x, 100.0f);
}

struct LayoutCase {
    std::string name;
    std::function<void(Node&)> flags;
    glm::vec2 size, anchor;
    glm::vec2 wantPosition, wantSize, wantAnchor;
    int sizeHooks;
};

void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class CountingNode : public Node {
public:
    void onSizeChanged() override { ++sizeHooks; }
    int sizeHooks = 0;
};

class Layout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(Layout, PlacesTheNodeInAParentOf800By600) {
    const LayoutCase& c = GetParam();
    auto parent = std::make_shared<Node>();
    parent->setSize({800, 600});
    auto node = std::make_shared<CountingNode>();
    node->setSize(c.size);
    node->setAnchor(c.anchor);
    node->setPosition(7, 9);
    c.flags(*node);
    parent->addChild(node);
    node->sizeHooks = 0;
    node->layoutInParent();
    expectNear(node->getPosition(), c.wantPosition, "position");
    expectNear(node->getSize(), c.wantSize, "size");
    expectNear(node->getAnchor(), c.wantAnchor, "anchor");
    EXPECT_EQ(node->sizeHooks, c.sizeHooks);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, Layout,
    ::testing::Values(
        LayoutCase{"Fill", [](Node& n) { n.setFillParent(true); }, {10, 10}, {5, 5}, {0, 0}, {800, 600}, {0, 0}, 1},
        LayoutCase{"FillWinsOverCentre", [](Node& n) { n.setFillParent(true); n.setCenterParent(true); }, {10, 10},
                   {5, 5}, {0, 0}, {800, 600}, {0, 0}, 1},
        LayoutCase{"Centre", [](Node& n) { n.setCenterParent(true); }, {100, 50}, {0, 0}, {400, 300}, {100, 50},
                   {50, 25}, 0},
        LayoutCase{"FitWide", [](Node& n) { n.setFitParent(true); }, {400, 100}, {0, 0}, {400, 300}, {2400, 600},
                   {1200, 300}, 1},
        LayoutCase{"FitTall", [](Node& n) { n.setFitParent(true); }, {100, 400}, {0, 0}, {400, 300}, {800, 3200},
                   {400, 1600}, 1},
        LayoutCase{"FitWithoutArea", [](Node& n) { n.setFitParent(true); }, {0, 0}, {3, 3}, {400, 300}, {0, 0},
                   {0, 0}, 0},
        LayoutCase{"FitWithoutHeight", [](Node& n) { n.setFitParent(true); }, {50, 0}, {3, 3}, {400, 300}, {50, 0},
                   {25, 0}, 0},
        LayoutCase{"RightAndMiddle", [](Node& n) { n.setParentAlign(2); n.setParentVAlign(3); }, {100, 50}, {0, 0},
                   {700, 275}, {100, 50}, {0, 0}, 0},
        LayoutCase{"LeftAndBottomKeepTheAnchorOnTheEdge", [](Node& n) { n.setParentAlign(1); n.setParentVAlign(2); },
                   {100, 50}, {10, 5}, {10, 555}, {100, 50}, {10, 5}, 0},
        LayoutCase{"NoRule", [](Node& n) { n.setParentAlign(7); }, {100, 50}, {0, 0}, {7, 9}, {100, 50}, {0, 0}, 0}),
    [](const ::testing::TestParamInfo<LayoutCase>& param) { return param.param.name; });

TEST(Layout, WithoutParentNothingMoves) {
    Node node;
    node.setFillParent(true);
    node.setPosition(3, 4);
    node.layoutInParent();
    EXPECT_EQ(node.getPosition(), glm::vec2(3, 4));
    EXPECT_EQ(node.getSize(), glm::vec2(0, 0));
}

} // namespace
