#include "render/VertexData.h"
#include "support/RecordingRender.h"

#include <gtest/gtest.h>

#include <glm/gtc/matrix_transform.hpp>

#include <cmath>
#include <string>
#include "support/LogCapture.h"

using vorn::BaseRender;
using vorn::Color;
using vorn::Rect;
using vorn::VertexData;
using vorn::test::RecordingRender;
using vorn::test::RecordingTexture;

using vorn::test::captureLog;

namespace {

VertexData quad(float x, float y, float w, float h, Color c = Color()) {
    VertexData data;
    const float xs[] = {x, x + w, x + w, x};
    const float ys[] = {y, y, y + h, y + h};
    for (int i = 0; i < 4; ++i) {
        VertexData::Vertex v;
        v.x = xs[i];
        v.y = ys[i];
        v.r = c.r;
        v.g = c.g;
        v.b = c.b;
        v.a = c.a;
        v.u = i == 1 || i == 2 ? 1.0f : 0.0f;
        v.v = i >= 2 ? 1.0f : 0.0f;
        data.vertices.push_back(v);
    }
    data.indices = {0, 1, 3, 3, 1, 2};
    return data;
}

class BaseRenderTest : public testing::Test {
protected:
    // The first position of the single recorded batch.
    glm::vec3 firstPosition() {
        render.flush();
        EXPECT_FALSE(render.batches.empty());
        const auto& v = render.batches.back().vertices.front();
        return {v.x, v.y, v.z};
    }

    RecordingRender render;
};

} // namespace

TEST_F(BaseRenderTest, MatrixAnalysisTracksPureTranslations) {
    render.setMatrix(glm::mat4(1.0f));
    EXPECT_TRUE(render.isTranslationOnly());
    EXPECT_FALSE(render.isIdentity());

    render.setMatrix(glm::translate(glm::mat4(1.0f), glm::vec3(10.0f, 20.0f, 0.0f)));
    EXPECT_TRUE(render.isTranslationOnly());
    render.drawVertexData(quad(1, 2, 3, 4));
    EXPECT_EQ(firstPosition(), glm::vec3(11.0f, 22.0f, 0.0f));

    // A translation in z is not a pure 2D translation: the full product runs.
    render.setMatrix(glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 0.0f, 5.0f)));
    EXPECT_FALSE(render.isTranslationOnly());
    render.drawVertexData(quad(1, 2, 3, 4));
    EXPECT_EQ(firstPosition(), glm::vec3(1.0f, 2.0f, 5.0f));
}

TEST_F(BaseRenderTest, RotationClearsTheFlagsForGoodUntilTheMatrixIsSet) {
    render.setMatrix(glm::translate(glm::mat4(1.0f), glm::vec3(10.0f, 0.0f, 0.0f)));
    const glm::mat4 rotation = glm::rotate(glm::mat4(1.0f), glm::radians(90.0f), glm::vec3(0, 0, 1));
    render.multMatrix(rotation);
    EXPECT_FALSE(render.isTranslationOnly());
    render.drawVertexData(quad(1, 0, 1, 1));
    const glm::vec3 p = firstPosition();
    EXPECT_NEAR(p.x, 10.0f, 1e-5f);
    EXPECT_NEAR(p.y, 1.0f, 1e-5f);

    // Undoing the rotation keeps the full product in use; the result is
    // still right.
    render.multMatrix(glm::inverse(rotation));
    EXPECT_FALSE(render.isTranslationOnly());
    EXPECT_FALSE(render.isIdentity());
    render.drawVertexData(quad(1, 0, 1, 1));
    const glm::vec3 q = firstPosition();
    EXPECT_NEAR(q.x, 11.0f, 1e-5f);
    EXPECT_NEAR(q.y, 0.0f, 1e-5f);
}

TEST_F(BaseRenderTest, PopOfAnEmptyMatrixStackGivesTheIdentity) {
    render.setMatrix(glm::scale(glm::mat4(1.0f), glm::vec3(3.0f)));
    render.popMatrix();
    EXPECT_TRUE(render.isIdentity());
    EXPECT_EQ(render.getMatrix(), glm::mat4(1.0f));
    render.drawVertexData(quad(5, 6, 1, 1));
    EXPECT_EQ(firstPosition(), glm::vec3(5.0f, 6.0f, 0.0f));

    // From the identity state a multiplication analyses again.
    render.multMatrix(glm::translate(glm::mat4(1.0f), glm::vec3(1.0f, 1.0f, 0.0f)));
    EXPECT_TRUE(render.isTranslationOnly());
    render.drawVertexData(quad(5, 6, 1, 1));
    EXPECT_EQ(firstPosition(), glm::vec3(6.0f, 7.0f, 0.0f));
}

TEST_F(BaseRenderTest, PushAndPopRestoreMatrixAndTranslation) {
    render.setMatrix(glm::translate(glm::mat4(1.0f), glm::vec3(4.0f, 5.0f, 0.0f)));
    render.pushMatrix();
    render.multMatrix(glm::rotate(glm::mat4(1.0f), 1.0f, glm::vec3(0, 0, 1)));
    render.pushMatrix();
    render.setMatrix(glm::translate(glm::mat4(1.0f), glm::vec3(100.0f, 100.0f, 0.0f)));
    render.popMatrix();
    EXPECT_FALSE(render.isTranslationOnly());
    render.popMatrix();
    EXPECT_TRUE(render.isTranslationOnly());
    render.drawVertexData(quad(0, 0, 1, 1));
    EXPECT_EQ(firstPosition(), glm::vec3(4.0f, 5.0f, 0.0f));
}

TEST_F(BaseRenderTest, VertexColoursAreMultipliedClampedAndPacked) {
    struct Case {
        Color vertex;
        Color current;
        std::uint32_t packed;
    };
    const Case cases[] = {
        {Color(1, 1, 1, 0.5f), Color(1, 0, 0, 1), 0x7FFF0000u},
        {Color(1, 1, 1, 1), Color(1, 1, 1, 1), 0xFFFFFFFFu},
        // Above 1 saturates rather than wrapping to a dark value.
        {Color(2.0f, 1.5f, 1.0f, 3.0f), Color(1, 1, 1, 1), 0xFFFFFFFFu},
        {Color(-1.0f, 0.5f, 0.25f, 1.0f), Color(1, 1, 1, 1), 0xFF007F3Fu},
        {Color(NAN, 1, 1, 1), Color(1, 1, 1, 1), 0xFF00FFFFu},
    };
    for (const Case& c : cases) {
        render.setColor(c.current);
        render.drawVertexData(quad(0, 0, 1, 1, c.vertex));
        render.flush();
        ASSERT_FALSE(render.batches.empty());
        EXPECT_EQ(render.batches.back().vertices.front().color, c.packed)
            << std::hex << "expected 0x" << c.packed << " got 0x" << render.batches.back().vertices.front().color;
    }
}

TEST_F(BaseRenderTest, ColourStackAndMultiplication) {
    render.setColor(Color(0.5f, 0.5f, 0.5f, 1.0f));
    render.pushColor();
    render.multiplyColor(Color(4.0f, 0.5f, 1.0f, 1.0f));
    EXPECT_EQ(render.getColor(), Color(1.0f, 0.25f, 0.5f, 1.0f));
    render.popColor();
    EXPECT_EQ(render.getColor(), Color(0.5f, 0.5f, 0.5f, 1.0f));
    render.setColor(Color(0.1f, 0.2f, 0.3f, 0.4f));
    render.popColor();
    EXPECT_EQ(render.getColor(), Color());
}

TEST_F(BaseRenderTest, IndicesOfLaterDrawsAreShiftedIntoOneBatch) {
    render.drawVertexData(quad(0, 0, 1, 1));
    render.drawVertexData(quad(2, 0, 1, 1));
    render.flush();
    ASSERT_EQ(render.batches.size(), 1u);
    EXPECT_EQ(render.batches[0].vertexCount, 8u);
    EXPECT_EQ(render.batches[0].indices, (std::vector<std::uint16_t>{0, 1, 3, 3, 1, 2, 4, 5, 7, 7, 5, 6}));
}

TEST_F(BaseRenderTest, BatchFlushesBeforeItsIndicesWouldWrap) {
    render.keepVertices = true;
    // 16,385 quads: the last one would need vertex 65,536.
    const VertexData q = quad(0, 0, 1, 1);
    for (int i = 0; i < 16385; ++i) {
        render.drawVertexData(q);
    }
    render.flush();
    ASSERT_EQ(render.batches.size(), 2u);
    EXPECT_EQ(render.batches[0].vertexCount, BaseRender::maxBatchVertices);
    EXPECT_EQ(render.batches[1].vertexCount, 4u);
    for (const auto& batch : render.batches) {
        for (const std::uint16_t index : batch.indices) {
            ASSERT_LT(index, batch.vertexCount);
        }
    }
    // The first quad of the second batch starts again at 0, not at a wrapped index.
    EXPECT_EQ(render.batches[1].indices, (std::vector<std::uint16_t>{0, 1, 3, 3, 1, 2}));
}

TEST_F(BaseRenderTest, TooManyIndicesForTheDeviceAreSentInRunsOfWholeTriangles) {
    VertexData many;
    many.vertices.resize(3);
    const std::size_t triangles = BaseRender::maxBatchIndices / 3 + 10;
    for (std::size_t i = 0; i < triangles; ++i) {
        many.indices.insert(many.indices.end(), {0, 1, 2});
    }
    render.keepVertices = false;
    render.drawVertexData(many);
    render.flush();
    ASSERT_EQ(render.batches.size(), 2u);
    EXPECT_EQ(render.batches[0].indexCount, BaseRender::maxBatchIndices);
    EXPECT_EQ(render.batches[1].indexCount, 30u);
    EXPECT_EQ(render.batches[1].vertexCount, 3u);
}

TEST_F(BaseRenderTest, MalformedVertexDataIsRefusedOrTrimmed) {
    // An index past the data's own vertices would draw from another draw's.
    VertexData bad = quad(0, 0, 1, 1);
    bad.indices.push_back(7);
    bad.indices.push_back(0);
    bad.indices.push_back(1);
    const std::string log = captureLog([&] { render.drawVertexData(bad); });
    EXPECT_NE(log.find("past the 4 vertices"), std::string::npos) << log;
    EXPECT_EQ(render.batchVertexCount(), 0u);

    // Stray indices after the last whole triangle are dropped, so they
    // cannot pair up with the next draw's.
    VertexData stray = quad(0, 0, 1, 1);
    stray.indices.push_back(2);
    render.drawVertexData(stray);
    render.drawVertexData(quad(0, 0, 1, 1));
    render.flush();
    ASSERT_EQ(render.batches.size(), 1u);
    EXPECT_EQ(render.batches[0].indices, (std::vector<std::uint16_t>{0, 1, 3, 3, 1, 2, 4, 5, 7, 7, 5, 6}));

    // More vertices than 16-bit indices reach: the rest cannot be drawn.
    VertexData huge;
    huge.vertices.resize(BaseRender::maxBatchVertices + 5);
    huge.indices = {0, 1, 2};
    const std::string log2 = captureLog([&] { render.drawVertexData(huge); });
    EXPECT_NE(log2.find("only the first 65536"), std::string::npos) << log2;
    EXPECT_EQ(render.batchVertexCount(), BaseRender::maxBatchVertices);
}

TEST_F(BaseRenderTest, WrapChangeFlushesOnceWithTheOldAddressing) {
    render.drawVertexData(quad(0, 0, 1, 1));
    render.setTextureWrap(1, 1);
    const int flushes = render.flushes;
    render.setTextureWrap(1, 1);
    EXPECT_EQ(render.flushes, flushes);
    render.drawVertexData(quad(0, 0, 1, 1));
    render.setTextureWrap(0, 1);
    ASSERT_EQ(render.batches.size(), 2u);
    EXPECT_EQ(render.batches[0].wrapU, 0);
    EXPECT_EQ(render.batches[1].wrapU, 1);
    EXPECT_EQ(render.batches[1].wrapV, 1);
}

TEST_F(BaseRenderTest, ClipStackRestoresOrDisables) {
    render.setClipRect(Rect(0, 0, 100, 100), true);
    render.pushClip();
    render.setClipRect(Rect(50, 50, 100, 100), true);
    EXPECT_EQ(render.clipState().rect, Rect(50, 50, 50, 50));
    render.drawVertexData(quad(0, 0, 1, 1));
    render.popClip();
    EXPECT_TRUE(render.clipState().enabled);
    EXPECT_EQ(render.clipState().rect, Rect(0, 0, 100, 100));
    ASSERT_EQ(render.batches.size(), 1u);
    EXPECT_EQ(render.batches[0].clip.rect, Rect(50, 50, 50, 50));

    render.popClip();
    EXPECT_FALSE(render.clipState().enabled);
}

TEST(TopLeftOrtho, MapsTheTargetCornersToClipSpaceWithYDown) {
    const glm::mat4 m = vorn::topLeftOrtho(200.0f, 150.0f);
    const glm::vec4 topLeft = m * glm::vec4(0.0f, 0.0f, 0.0f, 1.0f);
    const glm::vec4 bottomRight = m * glm::vec4(200.0f, 150.0f, 0.0f, 1.0f);
    const glm::vec4 centre = m * glm::vec4(100.0f, 75.0f, 0.5f, 1.0f);
    EXPECT_EQ(topLeft, glm::vec4(-1.0f, 1.0f, 0.0f, 1.0f));
    EXPECT_EQ(bottomRight, glm::vec4(1.0f, -1.0f, 0.0f, 1.0f));
    EXPECT_EQ(centre, glm::vec4(0.0f, 0.0f, -0.5f, 1.0f));
}

TEST(TopLeftOrtho, AZeroExtentGivesZeroOnThatAxis) {
    const glm::mat4 m = vorn::topLeftOrtho(0.0f, 100.0f);
    EXPECT_EQ(m[0][0], 0.0f);
    EXPECT_EQ(m[1][1], -0.02f);
    for (int column = 0; column < 4; ++column) {
        for (int row = 0; row < 4; ++row) EXPECT_TRUE(std::isfinite(m[column][row])) << column << " " << row;
    }
}
