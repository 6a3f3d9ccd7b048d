#include "render/DrawData.h"
#include "render/Glyph.h"
#include "render/VertexData.h"
#include "support/RecordingRender.h"

#include <gtest/gtest.h>

using vorn::DrawData;
using vorn::Glyph;
using vorn::Render;
using vorn::VertexData;
using vorn::test::RecordingRender;
using vorn::test::RecordingTexture;

namespace {

VertexData quadAt(float x) {
    Glyph g;
    g.corners = {glm::vec3(0, 0, 0), glm::vec3(1, 0, 0), glm::vec3(1, 1, 0), glm::vec3(0, 1, 0)};
    VertexData data;
    g.appendQuad(data, glm::vec3(x, 0, 0));
    return data;
}

} // namespace

TEST(VertexDataTest, AppendShiftsIndicesInSixteenBits) {
    VertexData a = quadAt(0);
    a.append(quadAt(5));
    EXPECT_EQ(a.vertices.size(), 8u);
    EXPECT_EQ(a.indices, (std::vector<std::uint16_t>{0, 1, 3, 3, 1, 2, 4, 5, 7, 7, 5, 6}));

    VertexData full;
    full.vertices.resize(65536);
    full.append(quadAt(0));
    EXPECT_EQ(std::vector<std::uint16_t>(full.indices.begin(), full.indices.end()),
              (std::vector<std::uint16_t>{0, 1, 3, 3, 1, 2}));
}

TEST(VertexDataTest, GlyphQuadSitsAtThePen) {
    Glyph g;
    g.corners = {glm::vec3(0, -8, 0), glm::vec3(5, -8, 0), glm::vec3(5, 0, 0), glm::vec3(0, 0, 0)};
    g.uv = {glm::vec2(0.1f, 0.2f), glm::vec2(0.3f, 0.2f), glm::vec2(0.3f, 0.4f), glm::vec2(0.1f, 0.4f)};
    VertexData data;
    data.vertices.resize(2);
    g.appendQuad(data, glm::vec3(10, 20, 0));
    ASSERT_EQ(data.vertices.size(), 6u);
    const float expected[4][2] = {{10, 12}, {15, 12}, {15, 20}, {10, 20}};
    for (int i = 0; i < 4; ++i) {
        const auto& v = data.vertices[2 + i];
        EXPECT_EQ(v.x, expected[i][0]);
        EXPECT_EQ(v.y, expected[i][1]);
        EXPECT_EQ(v.u, g.uv[i].x);
        EXPECT_EQ(v.v, g.uv[i].y);
        EXPECT_EQ(v.a, 1.0f);
    }
    EXPECT_EQ(data.indices, (std::vector<std::uint16_t>{2, 3, 5, 5, 3, 4}));
}

TEST(VertexDataTest, DrawDataMergesOnlyIntoTheLastBatch) {
    auto a = std::make_shared<RecordingTexture>();
    auto b = std::make_shared<RecordingTexture>();
    DrawData data;
    data.add(a, quadAt(0));
    data.add(a, quadAt(1));
    data.add(b, quadAt(2));
    data.add(a, quadAt(3));
    data.add(nullptr, quadAt(4));
    data.add(nullptr, quadAt(5));
    ASSERT_EQ(data.batches.size(), 4u);
    EXPECT_EQ(data.batches[0].vertexData.indices,
              (std::vector<std::uint16_t>{0, 1, 3, 3, 1, 2, 4, 5, 7, 7, 5, 6}));
    EXPECT_EQ(data.batches[3].texture, nullptr);
    EXPECT_EQ(data.batches[3].vertexData.vertices.size(), 8u);

    DrawData more;
    more.add(nullptr, quadAt(6));
    data.append(more);
    EXPECT_EQ(data.batches.size(), 5u);
}

TEST(VertexDataTest, DrawDataDrawsEachBatchWithItsTexture) {
    RecordingRender render;
    Render::setInstance(&render);
    auto a = std::make_shared<RecordingTexture>();
    auto b = std::make_shared<RecordingTexture>();
    DrawData data;
    data.add(a, quadAt(0));
    data.add(b, quadAt(1));
    data.add(a, quadAt(2));
    render.setMatrix(glm::mat4(1.0f));
    data.draw();
    render.flush();
    Render::setInstance(nullptr);
    ASSERT_EQ(render.batches.size(), 3u);
    EXPECT_EQ(render.batches[0].texture, a);
    EXPECT_EQ(render.batches[1].texture, b);
    EXPECT_EQ(render.batches[2].texture, a);
    EXPECT_EQ(render.batches[1].vertices[0].x, 1.0f);
}
