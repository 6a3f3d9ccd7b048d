// Clipping drawn for real, through the Direct3D layer on OpenGL, and read
// back from the frame: content cut at the node's box, the right way up,
// tinted once, and a clipping node inside another cut by both.
#include "scene/Node.h"

#include "render/D3DFixture.h"
#include "support/QuadNode.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using vorn::Color;
using vorn::Node;
using vorn::test::QuadNode;

class ClippingRender : public vorn::test::D3DFixture {};

std::shared_ptr<QuadNode> quad(float x, float y, float w, float h, Color fill) {
    auto node = std::make_shared<QuadNode>(glm::vec2(w, h), fill);
    node->setPosition(x, y);
    return node;
}

TEST_F(ClippingRender, ContentIsCutAtTheBoxTheRightWayUpAndNestedClipsCutByBoth) {
    auto root = std::make_shared<Node>();
    // A half-red tint above the clipping node: it reaches the content once.
    auto tint = std::make_shared<Node>();
    tint->setColor(Color(0.5f, 1.0f, 1.0f, 1.0f));
    auto clip = std::make_shared<Node>();
    clip->setClipping(true);
    clip->setPosition(20, 30);
    clip->setSize({100, 60});
    // White over yellow, both far wider than the box.
    clip->addChild(quad(-50, -50, 300, 80, Color(1, 1, 1, 1)));
    clip->addChild(quad(-50, 30, 300, 200, Color(1, 1, 0, 1)));
    auto inner = std::make_shared<Node>();
    inner->setClipping(true);
    inner->setPosition(60, 10);
    inner->setSize({80, 30});
    inner->addChild(quad(-100, -100, 500, 500, Color(1, 0, 1, 1)));
    clip->addChild(inner);
    tint->addChild(clip);
    root->addChild(tint);

    for (int pass = 0; pass < 2; ++pass) {
        beginFrame();
        root->visit();
        endFrame();
    }
    const std::uint32_t black = 0x000000, white = 0x80FFFF, yellow = 0x80FF00, magenta = 0x8000FF;
    probe(10, 10, black);
    probe(5, 50, black);
    probe(25, 35, white);
    probe(110, 35, white);
    probe(25, 85, yellow);
    probe(90, 75, yellow);
    probe(90, 50, magenta);
    probe(118, 45, magenta);
    probe(122, 50, black);
    probe(50, 92, black);
    probe(90, 92, black);
}

TEST_F(ClippingRender, AResizedClippingNodeCutsAtItsNewBox) {
    auto clip = std::make_shared<Node>();
    clip->setClipping(true);
    clip->setSize({40, 40});
    clip->addChild(quad(0, 0, 150, 150, Color(0, 1, 0, 1)));
    beginFrame();
    clip->visit();
    endFrame();
    probe(30, 30, 0x00FF00);
    probe(50, 50, 0x000000);
    clip->setSize({120, 100});
    beginFrame();
    clip->visit();
    endFrame();
    probe(100, 90, 0x00FF00);
    probe(125, 50, 0x000000);
    probe(50, 105, 0x000000);
}

} // namespace
