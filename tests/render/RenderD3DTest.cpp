#include "D3DFixture.h"

#include "render/TextureD3D.h"

#include <glm/gtc/matrix_transform.hpp>

#include <cstring>
#include <functional>
#include <string>
#include "support/LogCapture.h"

using vorn::Color;
using vorn::PixelFormatA8;
using vorn::PixelFormatRGBA8888;
using vorn::Rect;
using vorn::test::quad;

using vorn::test::captureLog;

namespace {

class RenderD3DTest : public vorn::test::D3DFixture {};

// Red, green / blue, white.
const std::vector<std::uint8_t> corners2x2 = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};

} // namespace

TEST_F(RenderD3DTest, UntexturedQuadsLandWhereDrawnInTheirColour) {
    beginFrame();
    render->drawVertexData(quad(10, 20, 20, 20, Color(1, 0, 0, 1)));
    render->drawVertexData(quad(100, 5, 30, 10, Color(0, 1, 0, 1)));
    render->drawVertexData(quad(150, 100, 10, 40, Color(0, 0, 1, 1)));
    endFrame();
    probe(10, 20, 0xFF0000);
    probe(29, 39, 0xFF0000);
    probe(9, 20, 0x000000);
    probe(30, 40, 0x000000);
    probe(10, 40, 0x000000);
    probe(115, 10, 0x00FF00);
    probe(155, 139, 0x0000FF);
    probe(155, 99, 0x000000);
}

TEST_F(RenderD3DTest, TranslucentQuadsBlendOverWhatIsThere) {
    beginFrame(Color(1, 1, 1, 1));
    render->setColor(Color(1, 1, 1, 0.5f));
    render->drawVertexData(quad(0, 0, 50, 50, Color(1, 0, 0, 1)));
    render->setColor(Color());
    // Alpha 0 is discarded entirely.
    render->drawVertexData(quad(60, 0, 50, 50, Color(0, 0, 0, 0)));
    endFrame();
    probe(25, 25, 0xFF7F7F, 2);
    probe(80, 25, 0xFFFFFF);
}

TEST_F(RenderD3DTest, TexturesAreDrawnTopRowFirst) {
    auto t = texture(2, 2, PixelFormatRGBA8888, corners2x2);
    beginFrame();
    draw(t, quad(0, 0, 40, 40));
    endFrame();
    probe(5, 5, 0xFF0000);
    probe(35, 5, 0x00FF00);
    probe(5, 35, 0x0000FF);
    probe(35, 35, 0xFFFFFF);
}

TEST_F(RenderD3DTest, AlphaTexturesTakeColourFromTheVertexAndAlphaFromTheTexel) {
    // Opaque left column, clear right column.
    auto mask = texture(2, 1, PixelFormatA8, {255, 0});
    auto white = texture(1, 1, PixelFormatRGBA8888, {255, 255, 255, 255});
    beginFrame(Color(0, 0, 0, 1));
    // The vertex alpha does not apply to an alpha texture.
    draw(mask, quad(0, 0, 80, 40, Color(0, 1, 0, 0.5f)));
    // The next texture modulates again: half of the vertex alpha.
    draw(white, quad(0, 50, 40, 40, Color(1, 0, 0, 0.5f)));
    // And untextured drawing takes the vertex colour and alpha, whatever
    // the previous batch left.
    draw(mask, quad(100, 0, 80, 40, Color(0, 1, 0, 1)));
    render->unsetTexture();
    render->drawVertexData(quad(100, 50, 40, 40, Color(0, 0, 1, 0.5f)));
    endFrame();
    probe(10, 20, 0x00FF00);
    probe(70, 20, 0x000000);
    probe(20, 70, 0x7F0000, 2);
    probe(120, 70, 0x00007F, 2);
}

TEST_F(RenderD3DTest, WrapRepeatsAndClampStretchesTheEdge) {
    auto stripes = texture(2, 1, PixelFormatRGBA8888, {255, 0, 0, 255, 0, 255, 0, 255});
    beginFrame();
    render->setTextureWrap(1, 1);
    draw(stripes, quad(0, 0, 160, 20, Color(), 0, 0, 2, 1));
    render->setTextureWrap(0, 0);
    draw(stripes, quad(0, 40, 160, 20, Color(), 0, 0, 2, 1));
    endFrame();
    probe(20, 10, 0xFF0000);
    probe(60, 10, 0x00FF00);
    probe(100, 10, 0xFF0000);
    probe(140, 10, 0x00FF00);
    probe(20, 50, 0xFF0000);
    probe(60, 50, 0x00FF00);
    probe(100, 50, 0x00FF00);
    probe(140, 50, 0x00FF00);
}

TEST_F(RenderD3DTest, ScissorClipsAndIntersects) {
    beginFrame();
    render->setClipRect(Rect(10, 10, 50, 50), true);
    render->setClipRect(Rect(30, 30, 100, 100), true);
    render->drawVertexData(quad(0, 0, width, height, Color(1, 1, 0, 1)));
    render->disableClip();
    // In design units under the current matrix: origin moved, size kept.
    render->setMatrix(glm::translate(glm::mat4(1.0f), glm::vec3(10.0f, 20.0f, 0.0f)));
    render->setClipRect(Rect(95, 5, 50, 50), false);
    render->setMatrix(glm::mat4(1.0f));
    render->drawVertexData(quad(0, 0, width, height, Color(0, 1, 1, 1)));
    render->disableClip();
    endFrame();
    probe(30, 30, 0xFFFF00);
    probe(59, 59, 0xFFFF00);
    probe(29, 45, 0x000000);
    probe(60, 45, 0x000000);
    probe(105, 25, 0x00FFFF);
    probe(154, 74, 0x00FFFF);
    probe(104, 25, 0x000000);
    probe(155, 74, 0x000000);
    probe(120, 24, 0x000000);
}

TEST_F(RenderD3DTest, RenderTargetIsDrawnTheRightWayUp) {
    auto target = render->createRenderTexture(64, 32);
    EXPECT_EQ(target->getSize(), glm::vec2(64, 32));
    beginFrame();
    render->setColor(Color(1, 1, 1, 1));
    const Rect viewport = render->getViewport();
    const glm::mat4 projection = render->getProjection();
    target->render(
        [&] {
            render->drawVertexData(quad(0, 0, 32, 16, Color(1, 0, 0, 1)));
            render->drawVertexData(quad(32, 0, 32, 16, Color(0, 1, 0, 1)));
            render->drawVertexData(quad(0, 16, 64, 16, Color(0, 0, 1, 1)));
        },
        1.0f);
    EXPECT_EQ(render->getViewport(), viewport);
    EXPECT_EQ(render->getProjection(), projection);
    // The back buffer is the target again.
    render->drawVertexData(quad(0, 100, 10, 10, Color(1, 1, 1, 1)));
    draw(target, quad(100, 50, 64, 32));
    endFrame();
    probe(110, 55, 0xFF0000);
    probe(150, 55, 0x00FF00);
    probe(130, 75, 0x0000FF);
    probe(5, 105, 0xFFFFFF);
    probe(99, 55, 0x000000);
}

TEST_F(RenderD3DTest, NestedRenderTargetsAndScaledDrawing) {
    auto outer = render->createRenderTexture(80, 80);
    auto inner = render->createRenderTexture(40, 40);
    beginFrame();
    outer->render(
        [&] {
            render->drawVertexData(quad(0, 0, 80, 80, Color(0, 0, 1, 1)));
            inner->render(
                [&] {
                    // Drawn at twice its size into a target twice as large.
                    render->drawVertexData(quad(0, 0, 20, 10, Color(1, 1, 0, 1)));
                },
                2.0f);
            render->setTexture(inner);
            render->drawVertexData(quad(0, 0, 40, 40));
            render->unsetTexture();
            // Still in the outer target after the inner one ended.
            render->drawVertexData(quad(60, 60, 20, 20, Color(1, 0, 0, 1)));
        },
        1.0f);
    draw(outer, quad(0, 0, 80, 80));
    endFrame();
    probe(5, 5, 0xFFFF00);
    probe(35, 15, 0xFFFF00);
    // The inner target was cleared to transparent: blue shows through.
    probe(5, 30, 0x0000FF);
    probe(50, 50, 0x0000FF);
    probe(70, 70, 0xFF0000);
    probe(120, 70, 0x000000);
}

TEST_F(RenderD3DTest, LostDeviceRecoversAndRenderTargetsComeBack) {
    auto target = render->createRenderTexture(32, 32);
    vornD3D9SimulateDeviceLoss(render->device(), 2);
    const std::string lost = captureLog([&] {
        for (int i = 0; i < 2; ++i) {
            beginFrame();
            render->drawVertexData(quad(0, 0, 10, 10, Color(1, 0, 0, 1)));
            render->endFrame();
        }
    });
    EXPECT_NE(lost.find("D3DERR_DEVICELOST"), std::string::npos);
    EXPECT_EQ(lost.find("D3DERR_DEVICENOTRESET"), std::string::npos);

    const std::string recovered = captureLog([&] {
        beginFrame();
        target->render([&] { render->drawVertexData(quad(0, 0, 32, 32, Color(0, 1, 0, 1))); }, 1.0f);
        draw(target, quad(10, 10, 32, 32));
        render->unsetTexture();
        render->drawVertexData(quad(100, 10, 20, 20, Color(1, 0, 0, 1)));
        endFrame();
    });
    const auto notReset = recovered.find("D3DERR_DEVICENOTRESET");
    const auto released = recovered.find("TextureD3D::reset() DONE");
    const auto recreated = recovered.find("TextureD3D::createEmptyTexture() END");
    ASSERT_NE(notReset, std::string::npos) << recovered;
    ASSERT_NE(released, std::string::npos) << recovered;
    ASSERT_NE(recreated, std::string::npos) << recovered;
    EXPECT_LT(notReset, released);
    EXPECT_LT(released, recreated);
    EXPECT_EQ(recovered.find("failed"), std::string::npos) << recovered;
    probe(20, 20, 0x00FF00);
    // Device states came back after the reset: untextured drawing is not black.
    probe(110, 20, 0xFF0000);
    EXPECT_EQ(render->device()->TestCooperativeLevel(), D3D_OK);
}

TEST_F(RenderD3DTest, ViewportIsTruncatedAndClearFillsOnlyIt) {
    beginFrame(Color(0, 0, 1, 1));
    render->setViewport(Rect(0.9f, 0.9f, 99.9f, 49.9f));
    EXPECT_EQ(render->getViewport(), Rect(0, 0, 99, 49));
    render->clear(Color(1, 0, 0, 1));
    endFrame();
    probe(50, 20, 0xFF0000);
    probe(150, 20, 0x0000FF);
    probe(50, 100, 0x0000FF);
}

TEST(RenderD3DSetupTest, FailedDeviceIsReported) {
    setenv("VORN_HEADLESS", "1", 1);
    vorn::d3d::RenderD3D render;
    bool ready = true;
    const std::string log = captureLog([&] { ready = render.setup(); });
    EXPECT_FALSE(ready);
    EXPECT_FALSE(render.isReady());
    const bool reported = log.find("Could not create Direct3D Device") != std::string::npos ||
                          log.find("Could not create Direct3D Object") != std::string::npos;
    EXPECT_TRUE(reported) << log;
    // Nothing breaks when the frame runs anyway.
    render.beginFrame();
    render.drawVertexData(quad(0, 0, 1, 1));
    render.clear(Color());
    render.endFrame();
    EXPECT_EQ(render.batchVertexCount(), 0u);
}

TEST_F(RenderD3DTest, RenderTargetThatCannotBeMadeDrawsNowhere) {
    std::shared_ptr<vorn::Texture> target;
    const std::string created = captureLog([&] { target = render->createRenderTexture(1 << 20, 4); });
    EXPECT_NE(created.find("ERROR CreateTexture fail w: 1048576 h: 4 (render-target)"), std::string::npos)
        << created;
    beginFrame(Color(0, 0, 1, 1));
    const std::string log = captureLog([&] {
        target->render([&] { render->drawVertexData(quad(0, 0, width, height, Color(1, 0, 0, 1))); }, 1.0f);
    });
    EXPECT_NE(log.find("TextureD3D::render ERROR: no rt"), std::string::npos) << log;
    // Drawing goes on in the frame afterwards.
    render->drawVertexData(quad(0, 0, 10, 10, Color(0, 1, 0, 1)));
    endFrame();
    probe(100, 100, 0x0000FF);
    probe(5, 5, 0x00FF00);
}

// A frame that draws what the back buffer already holds is presented
// without being drawn again; anything that could make it look different
// (its own batches, a texture written, a render-target pass, a new back
// buffer) has it drawn again.
TEST_F(RenderD3DTest, UnchangedFramesAreNotDrawnAgainAndChangedOnesAre) {
    auto t = texture(2, 2, PixelFormatRGBA8888, corners2x2);
    auto target = render->createRenderTexture(16, 16);
    struct Look {
        Color quadColour;
        bool renderTargetPass;
    };
    const auto frameOf = [&](const Look& look) {
        beginFrame();
        draw(t, quad(0, 0, 40, 40));
        render->unsetTexture();
        if (look.renderTargetPass) {
            target->render([&] { render->drawVertexData(quad(0, 0, 16, 16, Color(0, 1, 0, 1))); }, 1.0f);
            draw(target, quad(150, 100, 16, 16));
            render->unsetTexture();
        }
        render->drawVertexData(quad(100, 10, 20, 20, look.quadColour));
        endFrame();
    };
    const Look red{Color(1, 0, 0, 1), false};
    frameOf(red);
    std::uint64_t repeated = render->repeatedFrames();
    frameOf(red);
    EXPECT_EQ(render->repeatedFrames(), repeated + 1);
    probe(110, 20, 0xFF0000);
    probe(5, 5, 0xFF0000);
    probe(35, 35, 0xFFFFFF);

    // Its own batches changed.
    frameOf(Look{Color(0, 0, 1, 1), false});
    EXPECT_EQ(render->repeatedFrames(), repeated + 1);
    probe(110, 20, 0x0000FF);

    // A texture written through a lock between frames.
    frameOf(red);
    repeated = render->repeatedFrames();
    IDirect3DTexture9* device = static_cast<vorn::d3d::TextureD3D&>(*t).deviceTexture();
    ASSERT_NE(device, nullptr);
    const RECT corner{1, 1, 2, 2};
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(device->LockRect(0, &locked, &corner, 0), D3D_OK);
    const std::uint8_t magenta[4] = {255, 0, 255, 255};
    std::memcpy(locked.pBits, magenta, 4);
    ASSERT_EQ(device->UnlockRect(0), D3D_OK);
    frameOf(red);
    EXPECT_EQ(render->repeatedFrames(), repeated);
    probe(35, 35, 0xFF00FF);
    probe(110, 20, 0xFF0000);

    // A render-target pass in the middle of the frame, every frame.
    frameOf(Look{Color(1, 0, 0, 1), true});
    frameOf(Look{Color(1, 0, 0, 1), true});
    EXPECT_EQ(render->repeatedFrames(), repeated);
    probe(155, 105, 0x00FF00);
    probe(5, 5, 0xFF0000);
    probe(110, 20, 0xFF0000);

    // A new back buffer holds nothing of the last frame.
    frameOf(red);
    repeated = render->repeatedFrames();
    render->resize(glm::vec2(width, height));
    frameOf(red);
    EXPECT_EQ(render->repeatedFrames(), repeated);
    probe(110, 20, 0xFF0000);
    probe(5, 5, 0xFF0000);
}

namespace {

VornD3D9Calls minus(const VornD3D9Calls& a, const VornD3D9Calls& b) {
    return {a.draws - b.draws,           a.transforms - b.transforms,
            a.viewports - b.viewports,   a.renderStates - b.renderStates,
            a.textures - b.textures,     a.stageStates - b.stageStates,
            a.samplerStates - b.samplerStates, a.scissors - b.scissors,
            a.streams - b.streams};
}

std::string describe(const VornD3D9Calls& c) {
    return "draws " + std::to_string(c.draws) + ", transforms " + std::to_string(c.transforms) + ", viewports " +
           std::to_string(c.viewports) + ", render states " + std::to_string(c.renderStates) + ", textures " +
           std::to_string(c.textures) + ", stage states " + std::to_string(c.stageStates) + ", sampler states " +
           std::to_string(c.samplerStates) + ", scissors " + std::to_string(c.scissors) + ", streams " +
           std::to_string(c.streams);
}

} // namespace

// Between two draws the device is told only what differs: a frame of eight
// draws that each change one thing costs, beyond a frame of two, six draws
// and six settings of that one thing, and nothing else.
TEST_F(RenderD3DTest, OnlyTheStateThatChangesIsSetBetweenDraws) {
    const std::vector<std::uint8_t> red = {255, 0, 0, 255};
    const std::vector<std::uint8_t> blue = {0, 0, 255, 255};
    auto a = texture(1, 1, PixelFormatRGBA8888, red);
    auto b = texture(1, 1, PixelFormatRGBA8888, blue);
    struct Case {
        const char* name;
        // Draws quad i of the frame.
        std::function<void(int)> drawQuad;
        std::uint64_t VornD3D9Calls::*changes;
    };
    const auto at = [](int i) { return quad(static_cast<float>(i) * 20.0f, 10.0f, 10.0f, 10.0f); };
    const Case cases[] = {
        {"texture", [&](int i) { draw(i % 2 ? b : a, at(i)); }, &VornD3D9Calls::textures},
        {"clip",
         [&](int i) {
             // Off first: a clip set while one is on is their intersection.
             render->disableClip();
             render->setClipRect(Rect(0, 0, static_cast<float>(i % 2 ? 200 : 190), 150), true);
             draw(a, at(i));
         },
         &VornD3D9Calls::scissors},
        {"wrap",
         [&](int i) {
             render->setTextureWrap(i % 2, 0);
             draw(a, at(i));
         },
         &VornD3D9Calls::samplerStates},
    };
    for (const Case& c : cases) {
        const auto frameOf = [&](int quads) {
            const VornD3D9Calls before = vornD3D9Calls(render->device());
            beginFrame();
            for (int i = 0; i < quads; ++i) c.drawQuad(i);
            render->disableClip();
            render->setTextureWrap(0, 0);
            endFrame();
            return minus(vornD3D9Calls(render->device()), before);
        };
        const VornD3D9Calls two = frameOf(2);
        const VornD3D9Calls eight = frameOf(8);
        VornD3D9Calls expected = two;
        expected.draws += 6;
        expected.*c.changes += 6;
        EXPECT_EQ(describe(eight), describe(expected)) << c.name;
        probe(5, 15, 0xFF0000);
        probe(25, 15, c.changes == &VornD3D9Calls::textures ? 0x0000FF : 0xFF0000);
        probe(145, 15, c.changes == &VornD3D9Calls::textures ? 0x0000FF : 0xFF0000);
    }
}

// Each batch handed on is counted under what ended it.
TEST_F(RenderD3DTest, FlushesAreCountedByTheirReason) {
    using vorn::FlushReason;
    auto t = texture(2, 2, PixelFormatRGBA8888, corners2x2);
    beginFrame();
    render->resetFlushCounts();
    render->drawVertexData(quad(0, 0, 10, 10, Color(1, 0, 0, 1)));
    draw(t, quad(10, 0, 10, 10));
    render->setTextureWrap(1, 1);
    render->drawVertexData(quad(20, 0, 10, 10));
    render->setClipRect(Rect(0, 0, 100, 100), true);
    render->drawVertexData(quad(30, 0, 10, 10));
    render->clear(Color(0, 0, 0, 1));
    render->drawVertexData(quad(40, 0, 10, 10));
    render->flush();
    render->drawVertexData(quad(50, 0, 10, 10));
    render->disableClip();
    // Nothing batched: no flush to count.
    render->disableClip();
    render->setTextureWrap(0, 0);
    endFrame();
    EXPECT_EQ(render->flushCount(FlushReason::Texture), 1u);
    EXPECT_EQ(render->flushCount(FlushReason::TextureWrap), 1u);
    EXPECT_EQ(render->flushCount(FlushReason::Clip), 2u);
    EXPECT_EQ(render->flushCount(FlushReason::Clear), 1u);
    EXPECT_EQ(render->flushCount(FlushReason::Requested), 1u);
    EXPECT_EQ(render->flushCount(FlushReason::FrameEnd), 0u);
    EXPECT_EQ(render->flushCount(FlushReason::BatchFull), 0u);
}
