#include "render/fonts/EasyFont.h"

#include "render/DrawData.h"
#include "render/DrawRecorder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace vorn {
namespace {

using test::DrawRecorder;

// Smallest and largest y over everything a draw data holds.
std::pair<float, float> verticalExtent(const DrawData& data) {
    float top = 1e9f, bottom = -1e9f;
    for (const auto& batch : data.batches) {
        for (const auto& v : batch.vertexData.vertices) {
            top = std::min(top, v.y);
            bottom = std::max(bottom, v.y);
        }
    }
    return {top, bottom};
}

std::size_t vertexCount(const DrawData& data) {
    std::size_t n = 0;
    for (const auto& batch : data.batches) {
        n += batch.vertexData.vertices.size();
    }
    return n;
}

TEST(EasyFontMetrics, LineHeightAndBaseAreTwelve) {
    EasyFont font;
    EXPECT_FLOAT_EQ(font.lineHeight(), 12.0f);
    EXPECT_FLOAT_EQ(font.base(), 12.0f);
    EXPECT_EQ(font.name(), "");
}

struct MeasureCase {
    const char* text;
    float width;
    float height;
};
// Test names and failure messages show the case, not its bytes.
void PrintTo(const MeasureCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class EasyFontMeasure : public testing::TestWithParam<MeasureCase> {};

TEST_P(EasyFontMeasure, GivesWidestLineAndTwelvePerLine) {
    EasyFont font;
    const glm::vec2 size = font.measure(GetParam().text);
    EXPECT_FLOAT_EQ(size.x, GetParam().width) << GetParam().text;
    EXPECT_FLOAT_EQ(size.y, GetParam().height) << GetParam().text;
}

// Advances come from the generator's table: 'a', 'b' and ' ' 6, 'W' 7.
INSTANTIATE_TEST_SUITE_P(Cases, EasyFontMeasure,
                         testing::Values(MeasureCase{"", 0, 0}, MeasureCase{"a", 6, 12}, MeasureCase{"a\nb", 6, 24},
                                         MeasureCase{"ab\n", 12, 12}, MeasureCase{"a\nWW", 14, 24},
                                         MeasureCase{"a b", 18, 12},
                                         // Bytes the generator has no entry for are left out.
                                         MeasureCase{"a\x01\x7f\xc3\xa9\r\tb", 12, 12}));

TEST(EasyFontDrawing, OneLineTextStandsOnThePosition) {
    EasyFont font;
    // The generated line starts three quarters of a line above the
    // position, so capitals sit just above it.
    const auto data = font.buildDrawData({0, 30, 0}, "HELLO", 0.0f);
    const auto [top, bottom] = verticalExtent(*data);
    EXPECT_FLOAT_EQ(top, 21.0f);
    EXPECT_GT(bottom, 21.0f);
    EXPECT_LE(bottom, 30.0f);
}

TEST(EasyFontDrawing, BuildsOneUntexturedBatchAndIgnoresExtraSpace) {
    EasyFont font;
    const auto plain = font.buildDrawData({5, 20, 0}, "a b c", 0.0f);
    const auto spaced = font.buildDrawData({5, 20, 0}, "a b c", 40.0f);
    ASSERT_EQ(plain->batches.size(), 1u);
    EXPECT_EQ(plain->batches[0].texture, nullptr);
    const auto& vertices = plain->batches[0].vertexData.vertices;
    ASSERT_FALSE(vertices.empty());
    EXPECT_EQ(vertices.size() % 4, 0u);
    EXPECT_EQ(plain->batches[0].vertexData.indices.size(), vertices.size() / 4 * 6);
    ASSERT_EQ(spaced->batches.size(), 1u);
    ASSERT_EQ(spaced->batches[0].vertexData.vertices.size(), vertices.size());
    for (std::size_t i = 0; i < vertices.size(); ++i) {
        EXPECT_EQ(spaced->batches[0].vertexData.vertices[i].x, vertices[i].x);
    }
    for (const auto& v : vertices) {
        EXPECT_EQ(Color(v.r, v.g, v.b, v.a), Color());
    }
}

TEST(EasyFontDrawing, DrawingNowMatchesTheBuiltGeometry) {
    DrawRecorder render;
    EasyFont font;
    const auto built = font.buildDrawData({10, 40, 0}, "Draw me", 0.0f);
    font.drawAt({10, 40, 0}, "Draw me");
    EXPECT_EQ(render.textureUnsets, 1);
    EXPECT_EQ(render.bound, nullptr);
    std::vector<VertexData::Vertex> drawn;
    for (const auto& draw : render.draws) {
        EXPECT_EQ(draw.data.vertices.size(), 4u);
        drawn.insert(drawn.end(), draw.data.vertices.begin(), draw.data.vertices.end());
    }
    const auto& expected = built->batches[0].vertexData.vertices;
    ASSERT_EQ(drawn.size(), expected.size());
    for (std::size_t i = 0; i < drawn.size(); ++i) {
        EXPECT_EQ(drawn[i].x, expected[i].x);
        EXPECT_EQ(drawn[i].y, expected[i].y);
    }
}

// The generator indexes its character table with each byte: every byte
// outside the printable range must be dropped before it gets there.
TEST(EasyFontDrawing, EveryByteValueIsSafeAndOnlyPrintableOnesDraw) {
    std::string all;
    for (int c = 1; c < 256; ++c) {
        all += static_cast<char>(c);
    }
    std::string printable;
    for (int c = 32; c < 127; ++c) {
        printable += static_cast<char>(c);
    }
    EasyFont font;
    const auto fromAll = font.buildDrawData({0, 0, 0}, all, 0.0f);
    // The line break in the full set moves the printable part down a line.
    const auto fromPrintable = font.buildDrawData({0, 12, 0}, "\n" + printable, 0.0f);
    EXPECT_EQ(vertexCount(*fromAll), vertexCount(*fromPrintable));
    EXPECT_EQ(font.measure(all), font.measure("\n" + printable));
    DrawRecorder render;
    font.drawSpaced({0, 0, 0}, all, 0.0f);
    EXPECT_EQ(render.draws.size() * 4, vertexCount(*fromAll));
}

TEST(EasyFontDrawing, VeryLongTextStopsAtTheBufferWithoutOverrunningIt) {
    EasyFont font;
    const std::string text(20000, '#');
    const auto data = font.buildDrawData({0, 0, 0}, text, 0.0f);
    EXPECT_EQ(vertexCount(*data), static_cast<std::size_t>(EasyFont::bufferSize / 64 * 4));
}

TEST(EasyFontDrawing, NothingIsDrawnWithoutARenderer) {
    EasyFont font;
    font.draw("no renderer");
    EXPECT_EQ(font.filterText("keeps\xc3\xa9 all\n"), "keeps\xc3\xa9 all\n");
}

} // namespace
} // namespace vorn
