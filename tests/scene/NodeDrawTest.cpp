// Drawing into the recording device: order, matrices, colours, auto
// removal, and clipping through render targets.
#include "core/Platform.h"
#include "render/Render.h"
#include "scene/Node.h"

#include "support/LogCapture.h"
#include "support/QuadNode.h"
#include "support/RecordingRender.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using vorn::Color;
using vorn::Node;
using vorn::test::QuadNode;
using vorn::test::RecordingRender;

// Within one level per channel: 0.5 of 255 may land on either side.
::testing::AssertionResult sameColour(std::uint32_t got, std::uint32_t want) {
    for (int shift = 0; shift < 32; shift += 8) {
        const int a = static_cast<int>((got >> shift) & 0xFF);
        const int b = static_cast<int>((want >> shift) & 0xFF);
        if (std::abs(a - b) > 1) return ::testing::AssertionFailure() << std::hex << got << " is not " << want;
    }
    return ::testing::AssertionSuccess();
}

class NodeDraw : public ::testing::Test {
protected:
    void SetUp() override {
        vorn::Render::setInstance(&render);
        vorn::Platform::instance()->setDesktopSizeForTesting({1280, 1024});
    }
    void TearDown() override {
        vorn::Render::setInstance(nullptr);
        vorn::Platform::instance()->setDesktopSizeForTesting({0, 0});
    }
    // One frame of root, everything flushed.
    void frame(Node& root) {
        render.batches.clear();
        root.visit();
        render.flush();
    }
    std::vector<RecordingRender::Batch> onScreen() const {
        std::vector<RecordingRender::Batch> out;
        for (const auto& b : render.batches) {
            if (!b.target) out.push_back(b);
        }
        return out;
    }

    RecordingRender render;
};

TEST_F(NodeDraw, ChildrenDrawInOrderUnderTheirAncestorsMatrixAndColour) {
    auto root = std::make_shared<QuadNode>(glm::vec2(10, 10), Color(1, 0, 0, 1));
    auto child = std::make_shared<QuadNode>(glm::vec2(4, 4), Color(0, 1, 0, 1));
    root->setPosition(100, 50);
    root->setColor(Color(1, 1, 1, 0.5f));
    child->setPosition(3, 2);
    child->setColor(Color(1, 1, 1, 0.5f));
    root->addChild(child);
    frame(*root);
    ASSERT_EQ(render.batches.size(), 1u);
    const auto& v = render.batches[0].vertices;
    ASSERT_EQ(v.size(), 8u);
    EXPECT_EQ(v[0].x, 100.0f);
    EXPECT_EQ(v[0].y, 50.0f);
    EXPECT_EQ(v[4].x, 103.0f);
    EXPECT_EQ(v[4].y, 52.0f);
    EXPECT_TRUE(sameColour(v[0].color, 0x80FF0000u));
    EXPECT_TRUE(sameColour(v[4].color, 0x4000FF00u));
    // A position set between frames shows in the next one.
    child->setPosition(0, 0);
    frame(*root);
    EXPECT_EQ(render.batches[0].vertices[4].x, 100.0f);
}

TEST_F(NodeDraw, AnInvisibleNodeHidesItsSubtreeAndIsNotSetUp) {
    auto root = std::make_shared<Node>();
    frame(*root);
    auto hidden = std::make_shared<QuadNode>(glm::vec2(10, 10), Color());
    hidden->addChild(std::make_shared<QuadNode>(glm::vec2(5, 5), Color()));
    hidden->setVisible(false);
    root->addChild(hidden);
    frame(*root);
    EXPECT_TRUE(render.batches.empty());
    EXPECT_TRUE(root->isSetUp());
    EXPECT_FALSE(hidden->isSetUp());
}

TEST_F(NodeDraw, FinishedAutoRemoveChildrenAreErasedAfterTheDrawAndForgottenAsHovered) {
    class Counting : public Node {
    public:
        void onChildrenRemoved() override { ++removed; }
        int removed = 0;
    };
    auto root = std::make_shared<Counting>();
    root->setSize({100, 100});
    auto gone = std::make_shared<Node>();
    gone->setSize({50, 50});
    auto stays = std::make_shared<Node>();
    root->addChild(gone);
    root->addChild(stays);
    gone->setAutoRemove(true, false);
    stays->setAutoRemove(true, false);
    root->updateTransform();
    root->mouseMove({10, 10}, vorn::BUTTON_LEFT);
    ASSERT_EQ(root->hoveredChild(), gone);
    gone->setVisible(false);
    std::weak_ptr<Node> watch = gone;
    gone.reset();
    frame(*root);
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(root->children(), (Node::Children{stays}));
    EXPECT_EQ(root->hoveredChild(), nullptr);
    EXPECT_EQ(root->removed, 0);
}

TEST_F(NodeDraw, AnInvisibleAutoRemoveNodeWithAnInvisibleChildStays) {
    auto root = std::make_shared<Node>();
    auto outer = std::make_shared<Node>();
    auto inner = std::make_shared<Node>();
    outer->addChild(inner);
    root->addChild(outer);
    outer->setAutoRemove(true, true);
    outer->setVisible(false);
    inner->setVisible(false);
    frame(*root);
    frame(*root);
    EXPECT_EQ(root->children().size(), 1u);
    EXPECT_TRUE(inner->isAutoRemove());
}

class ClipDraw : public NodeDraw {
protected:
    // A clipping panel at (100, 50) in a half-transparent red parent, with
    // a green child reaching past its right edge.
    void build(glm::vec2 size) {
        parent = std::make_shared<Node>();
        parent->setColor(Color(1, 0, 0, 0.5f));
        clip = std::make_shared<Node>();
        clip->setClipping(true);
        clip->setSize(size);
        clip->setPosition(100, 50);
        clip->setName("panel");
        child = std::make_shared<QuadNode>(glm::vec2(300, 10), Color(0, 1, 0, 1));
        child->setPosition(20, 5);
        clip->addChild(child);
        parent->addChild(clip);
    }
    std::shared_ptr<Node> parent, clip;
    std::shared_ptr<QuadNode> child;
};

TEST_F(ClipDraw, ContentIsDrawnUntintedInTheNodesOwnSpaceThenShownOnce) {
    build({100.7f, 50.2f});
    vorn::test::LogCapture log;
    frame(*parent);
    EXPECT_EQ(log.count("Node::visit with clipping createTexture of size 100.699997 50.200001 (node name: panel)"), 1)
        << log.text();
    ASSERT_EQ(render.batches.size(), 2u);
    const auto& content = render.batches[0];
    ASSERT_NE(content.target, nullptr);
    EXPECT_EQ(content.target->getSize(), glm::vec2(100, 50));
    // In the target's own space, in the child's colour alone.
    EXPECT_EQ(content.vertices[0].x, 20.0f);
    EXPECT_EQ(content.vertices[0].color, 0xFF00FF00u);
    const auto& shown = render.batches[1];
    EXPECT_EQ(shown.target, nullptr);
    EXPECT_EQ(shown.texture.get(), content.target);
    EXPECT_EQ(shown.vertices[0].x, 100.0f);
    EXPECT_EQ(shown.vertices[2].x, 200.0f);
    EXPECT_EQ(shown.vertices[2].y, 100.0f);
    EXPECT_TRUE(sameColour(shown.vertices[0].color, 0x80FF0000u));
    // The same texture from then on.
    frame(*parent);
    frame(*parent);
    EXPECT_EQ(render.batches[1].texture.get(), content.target);
}

TEST_F(ClipDraw, ANewPixelSizeGetsANewTexture) {
    build({100, 50});
    frame(*parent);
    const vorn::Texture* first = render.batches[0].target;
    clip->setSize({100.4f, 50});
    frame(*parent);
    EXPECT_EQ(render.batches[0].target, first);
    clip->setSize({160, 80});
    frame(*parent);
    ASSERT_NE(render.batches[0].target, first);
    EXPECT_EQ(render.batches[0].target->getSize(), glm::vec2(160, 80));
    EXPECT_EQ(onScreen()[0].vertices[2].x, 260.0f);
}

TEST_F(ClipDraw, ABoxWithoutPixelsDrawsNothing) {
    build({0.6f, 50});
    vorn::test::LogCapture log;
    frame(*parent);
    EXPECT_TRUE(render.batches.empty());
    EXPECT_EQ(log.count("createTexture"), 0);
}

TEST_F(ClipDraw, OnALargeScreenTheTextureHasTwiceThePixels) {
    vorn::Platform::instance()->setDesktopSizeForTesting({1920, 1080});
    build({100.7f, 50.2f});
    frame(*parent);
    ASSERT_EQ(render.batches.size(), 2u);
    EXPECT_EQ(render.batches[0].target->getSize(), glm::vec2(201, 100));
    // Drawn at scale 2 inside, shown at half its pixels.
    EXPECT_EQ(render.batches[0].vertices[0].x, 40.0f);
    EXPECT_NEAR(render.batches[1].vertices[2].x, 200.5f, 1e-4);
}

TEST_F(ClipDraw, NestedClippingRendersInsideTheOuterTarget) {
    build({100, 50});
    auto inner = std::make_shared<Node>();
    inner->setClipping(true);
    inner->setSize({30, 30});
    inner->setPosition(10, 10);
    inner->addChild(std::make_shared<QuadNode>(glm::vec2(100, 100), Color(0, 0, 1, 1)));
    clip->addChild(inner);
    frame(*parent);
    // The child into the outer target; the blue quad into the inner one;
    // the inner texture into the outer target; the outer one on screen.
    ASSERT_EQ(render.batches.size(), 4u);
    const vorn::Texture* outer = render.batches[0].target;
    EXPECT_EQ(render.batches[1].target->getSize(), glm::vec2(30, 30));
    EXPECT_EQ(render.batches[2].target, outer);
    EXPECT_EQ(render.batches[2].vertices[0].x, 10.0f);
    EXPECT_EQ(render.batches[3].target, nullptr);
    EXPECT_EQ(render.getMatrix(), glm::mat4(1.0f));
}

} // namespace
