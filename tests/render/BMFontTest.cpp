#include "render/fonts/BMFont.h"

#include "core/ResourceManager.h"
#include "render/DrawData.h"
#include "render/DrawRecorder.h"
#include "render/ImageData.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <memory>
#include <string>

namespace vorn {
namespace {

using test::CountingTexture;
using test::DrawRecorder;
using test::LogCapture;

// The fixture font lives under tests/render/fixtures/data/fonts: "A" (advance
// 9 + 1, white top half, grey bottom half), "V" (advance 9 + 1, one unit to
// the right of its pen), a space (advance 5 + 1), kerning A-V of -2, line
// height 16, base 13, one 32 x 16 page.
constexpr const char* fixtures = "tests/render/fixtures";

class BMFontTest : public testing::Test {
protected:
    void SetUp() override { ResourceManager::instance()->addSearchPath(fixtures); }

    std::shared_ptr<BMFont> fixtureFont() {
        auto font = std::dynamic_pointer_cast<BMFont>(ResourceManager::instance()->getFont("blocks.xml", 12));
        EXPECT_NE(font, nullptr);
        return font;
    }

    // A font built from a description given inline; its pages are looked up
    // under the fixtures.
    std::shared_ptr<BMFont> fontFrom(const std::string& xml) {
        tinyxml2::XMLDocument document;
        EXPECT_EQ(document.Parse(xml.c_str()), tinyxml2::XML_SUCCESS);
        return std::make_shared<BMFont>(document.FirstChildElement());
    }

    // The pen x of every glyph quad drawn, from its top-left corner minus
    // the glyph's x offset.
    static std::vector<float> quadLefts(const DrawData& data) {
        std::vector<float> lefts;
        for (const auto& batch : data.batches) {
            const auto& vertices = batch.vertexData.vertices;
            for (std::size_t i = 0; i < vertices.size(); i += 4) {
                lefts.push_back(vertices[i].x);
            }
        }
        return lefts;
    }

    DrawRecorder render;
};

TEST_F(BMFontTest, ReadsMetricsGlyphsAndTheAdvanceAddition) {
    auto font = fixtureFont();
    ASSERT_NE(font, nullptr);
    EXPECT_FLOAT_EQ(font->lineHeight(), 16.0f);
    EXPECT_FLOAT_EQ(font->base(), 13.0f);
    EXPECT_EQ(font->measure("A"), glm::vec2(10, 16));
    EXPECT_EQ(font->measure(" "), glm::vec2(6, 16));
    EXPECT_EQ(ResourceManager::instance()->getFont("blocks.xml", 30), font);
}

TEST_F(BMFontTest, GlyphQuadSitsBelowTheTopOfTheLineWithItsPageCoordinates) {
    auto font = fixtureFont();
    const auto data = font->buildDrawData({4, 20, 0}, "A", 0.0f);
    ASSERT_EQ(data->batches.size(), 1u);
    const auto& vertices = data->batches[0].vertexData.vertices;
    ASSERT_EQ(vertices.size(), 4u);
    // The pen is at the baseline; the top of the line is base (13) above it
    // and the glyph one unit below that.
    const float expected[4][4] = {{4, 8, 0, 0}, {12, 8, 0.25f, 0}, {12, 20, 0.25f, 0.75f}, {4, 20, 0, 0.75f}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FLOAT_EQ(vertices[i].x, expected[i][0]);
        EXPECT_FLOAT_EQ(vertices[i].y, expected[i][1]);
        EXPECT_FLOAT_EQ(vertices[i].u, expected[i][2]);
        EXPECT_FLOAT_EQ(vertices[i].v, expected[i][3]);
    }
    EXPECT_EQ(data->batches[0].vertexData.indices, (std::vector<std::uint16_t>{0, 1, 3, 3, 1, 2}));
}

struct LayoutCase {
    const char* name;
    const char* text;
    float extraSpace;
    std::vector<float> lefts;
    float width;
};
// Test names and failure messages show the case, not its bytes.
void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }

class BMFontLayout : public BMFontTest, public testing::WithParamInterface<LayoutCase> {};

// Drawing, building and measuring walk the text alike: the measured width is
// where the pen ends after the last line.
TEST_P(BMFontLayout, PlacesGlyphsAndMeasuresTheSameWalk) {
    auto font = fixtureFont();
    const LayoutCase& c = GetParam();
    const auto built = font->buildDrawData({0, 20, 0}, c.text, c.extraSpace);
    EXPECT_EQ(quadLefts(*built), c.lefts);
    EXPECT_EQ(font->measure(c.text), glm::vec2(c.width, 16));

    font->drawSpaced({0, 20, 0}, c.text, c.extraSpace);
    std::vector<float> drawnLefts;
    for (const auto& draw : render.draws) {
        drawnLefts.push_back(draw.data.vertices[0].x);
    }
    EXPECT_EQ(drawnLefts, c.lefts);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BMFontLayout,
    testing::Values(LayoutCase{"Kerned", "AV", 0, {0, 9}, 18}, LayoutCase{"NotKernedTheOtherWay", "VA", 0, {1, 10}, 20},
                    // Every byte of a two-byte UTF-8 character lacks a glyph:
                    // nothing drawn, the pen stays, the kerning pair holds.
                    LayoutCase{"MultiByteCharacterSkipped", "A\xc3\xa9V", 0, {0, 9}, 18},
                    LayoutCase{"ExtraSpaceAfterSpaces", "A A", 7, {0, 10, 23}, 26},
                    LayoutCase{"ExtraSpaceNotInMeasure", "A ", 7, {0, 10}, 16},
                    LayoutCase{"EndsWithLineBreak", "AV\n", 0, {0, 9}, 0},
                    LayoutCase{"SecondLineAtZero", "A\nV", 0, {0, 1}, 10}),
    [](const testing::TestParamInfo<LayoutCase>& param) { return std::string(param.param.name); });

TEST_F(BMFontTest, SecondLineStartsAtZeroWhateverThePosition) {
    auto font = fixtureFont();
    const auto data = font->buildDrawData({100, 20, 0}, "A\nA", 0.0f);
    const auto lefts = quadLefts(*data);
    ASSERT_EQ(lefts.size(), 2u);
    EXPECT_FLOAT_EQ(lefts[0], 100.0f);
    EXPECT_FLOAT_EQ(lefts[1], 0.0f);
    EXPECT_FLOAT_EQ(data->batches[0].vertexData.vertices[4].y - data->batches[0].vertexData.vertices[0].y, 16.0f);
}

TEST_F(BMFontTest, GlyphsOfOnePageShareOneBatchAndTheirTextureIsUploadedBeforeDrawing) {
    auto font = fixtureFont();
    const auto data = font->buildDrawData({0, 0, 0}, "AVA VA", 0.0f);
    ASSERT_EQ(data->batches.size(), 1u);
    const auto texture = data->batches[0].texture;
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(data->batches[0].vertexData.vertices.size(), 6u * 4u);
    EXPECT_EQ(static_cast<CountingTexture&>(*texture).loads, 1);
    font->drawAt({0, 0, 0}, "A");
    EXPECT_EQ(render.bound, texture);
}

TEST_F(BMFontTest, ExtraSpaceNeedsASpaceGlyph) {
    auto font = fontFrom(R"(<font><common lineHeight="16" base="13"/>
        <pages><page id="0" file="blocks.png"/></pages>
        <chars><char id="65" width="8" height="8" xadvance="10"/></chars><kernings/></font>)");
    EXPECT_EQ(quadLefts(*font->buildDrawData({0, 0, 0}, "A A", 7.0f)), (std::vector<float>{0, 10}));
}

TEST_F(BMFontTest, FilterKeepsBytesWithGlyphsAndDropsLineEnds) {
    auto font = fixtureFont();
    EXPECT_EQ(font->filterText("A\r\nB V\xc3\xa9"), "A V");
}

TEST_F(BMFontTest, CharacterOnAMissingPageIsLoggedAndLeftOut) {
    LogCapture log;
    auto font = fontFrom(R"(<font><common lineHeight="10" base="8"/>
        <pages><page id="0" file="blocks.png"/><page id="1" file="blocks.png"/></pages>
        <chars><char id="65" width="4" height="4" xadvance="5"/>
               <char id="66" page="3" width="4" height="4" xadvance="5"/></chars>
        <kernings/></font>)");
    EXPECT_EQ(log.count("Incorrect page"), 1);
    EXPECT_EQ(font->filterText("AB"), "A");
}

struct BrokenCase {
    const char* name;
    const char* xml;
    const char* logged;
    // What the font can still draw.
    const char* drawable;
    float lineHeight;
};
void PrintTo(const BrokenCase& c, std::ostream* os) { *os << c.name; }

class BMFontBrokenDescription : public BMFontTest, public testing::WithParamInterface<BrokenCase> {};

// Each of these used to end in a null dereference.
TEST_P(BMFontBrokenDescription, LogsAndKeepsWhatIsUsable) {
    const BrokenCase& c = GetParam();
    LogCapture log;
    auto font = fontFrom(c.xml);
    EXPECT_GE(log.count(c.logged), 1) << log.text();
    EXPECT_EQ(font->filterText("AV"), c.drawable);
    EXPECT_FLOAT_EQ(font->lineHeight(), c.lineHeight);
    font->drawSpaced({0, 0, 0}, "AV", 0.0f);
    const auto data = font->buildDrawData({0, 0, 0}, "AV", 0.0f);
    for (const auto& batch : data->batches) {
        EXPECT_NE(batch.texture, nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, BMFontBrokenDescription,
    testing::Values(
        BrokenCase{"NoCommon",
                   R"(<font><pages><page id="0" file="blocks.png"/></pages>
                      <chars><char id="65" width="8" height="8" xadvance="9"/></chars><kernings/></font>)",
                   "no <common>", "A", 0},
        BrokenCase{"NoPages", R"(<font><common lineHeight="16"/><chars><char id="65"/></chars><kernings/></font>)",
                   "no <pages>", "", 16},
        BrokenCase{"NoChars",
                   R"(<font><common lineHeight="16"/><pages><page id="0" file="blocks.png"/></pages>
                      <kernings/></font>)",
                   "no <chars>", "", 16},
        BrokenCase{"NoKernings",
                   R"(<font><common lineHeight="16"/><pages><page id="0" file="blocks.png"/></pages>
                      <chars><char id="86" width="8" height="8" xadvance="9"/></chars></font>)",
                   "no <kernings>", "V", 16},
        BrokenCase{"PageWithoutFile",
                   R"(<font><common lineHeight="16"/><pages><page id="0"/></pages>
                      <chars><char id="65" width="8" height="8"/></chars><kernings/></font>)",
                   "page 0 has no \"file\"", "", 16},
        BrokenCase{"PageImageMissing",
                   R"(<font><common lineHeight="16"/><pages><page id="0" file="absent.png"/>
                      <page id="1" file="blocks.png"/></pages>
                      <chars><char id="65" width="8" height="8"/><char id="86" page="1" width="8" height="8"/>
                      </chars><kernings/></font>)",
                   "page image data/fonts/absent.png is missing", "V", 16},
        BrokenCase{"PageImageNotAnImage",
                   R"(<font><common lineHeight="16"/><pages><page id="0" file="blocks.xml"/></pages>
                      <chars><char id="65" width="8" height="8"/></chars><kernings/></font>)",
                   "is missing", "", 16}),
    [](const testing::TestParamInfo<BrokenCase>& param) { return std::string(param.param.name); });

TEST_F(BMFontTest, NoRootElementGivesAnEmptyFont) {
    LogCapture log;
    BMFont font(nullptr);
    EXPECT_EQ(log.count("BMFont: no <"), 4);
    EXPECT_EQ(font.measure("AV"), glm::vec2(0, 0));
    EXPECT_TRUE(font.buildDrawData({0, 0, 0}, "AV", 0)->batches.empty());
}

TEST_F(BMFontTest, LaterEntriesReplaceEarlierOnesAndNamesMayRepeatAcrossElements) {
    auto font = fontFrom(R"(<font><common lineHeight="16" base="13"/>
        <pages><page id="0" file="blocks.png"/></pages>
        <chars><char id="65" width="8" height="8" xadvance="3"/><char id="65" width="8" height="8" xadvance="7"/>
               <other id="86" xadvance="50"/></chars>
        <kernings><kerning first="65" second="65" amount="1"/><kerning first="65" second="65" amount="-4"/>
        </kernings></font>)");
    EXPECT_EQ(font->measure("AA"), glm::vec2(10, 16));
    EXPECT_EQ(font->filterText("AV"), "A");
}

} // namespace
} // namespace vorn
