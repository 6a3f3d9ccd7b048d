#include "render/fonts/TTFFont.h"

#include "core/Data.h"
#include "core/Platform.h"
#include "render/DrawData.h"
#include "render/DrawRecorder.h"
#include "render/fonts/GlyphAtlas.h"
#include "render/fonts/Utf8.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vorn {
namespace {

using test::DrawRecorder;
using test::LogCapture;

// The game's font (DejaVu Sans Bold, which has a kerning table) and a
// monospaced face without one.
constexpr const char* gameFont = "data/fonts/DejaVuSans-Bold.ttf";
constexpr const char* monoFont = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono.ttf";

std::size_t quadCount(const DrawData& data) {
    std::size_t n = 0;
    for (const auto& batch : data.batches) {
        n += batch.vertexData.vertices.size() / 4;
    }
    return n;
}

// Left edges of the quads drawn, minus each glyph's offset: the pens.
std::vector<float> pens(const DrawData& data, TTFFont& font, const std::u32string& codes) {
    std::vector<float> result;
    std::size_t i = 0;
    for (const auto& batch : data.batches) {
        for (std::size_t v = 0; v < batch.vertexData.vertices.size(); v += 4, ++i) {
            result.push_back(batch.vertexData.vertices[v].x - font.findGlyph(codes[i])->xoffset);
        }
    }
    return result;
}

class TTFFontTest : public testing::Test {
protected:
    DrawRecorder render;
};

TEST_F(TTFFontTest, MetricsFollowTheFontsVerticalMetricsAtTheRequestedSize) {
    TTFFont font(gameFont, 20.0f, 1.0f);
    ASSERT_TRUE(font.isUsable());
    EXPECT_EQ(font.name(), gameFont);
    // DejaVu: ascent 1901, descent -483, no line gap; the pixel-height scale
    // maps ascent - descent to the size.
    EXPECT_NEAR(font.lineHeight(), 20.0f, 1e-4);
    EXPECT_NEAR(font.base(), 20.0f * 1901 / 2384, 1e-4);
    EXPECT_NEAR(font.scale(), 20.0f / 2384, 1e-7);
}

TEST_F(TTFFontTest, CommonCharactersAreRenderedAtOnceAndGetTheAtlasTextureOnPreparation) {
    TTFFont font(gameFont, 20.0f, 1.0f);
    EXPECT_EQ(font.glyphCount(), 66u);
    for (const char32_t c : std::u32string(U"azAZ09,.-+")) {
        ASSERT_NE(font.findGlyph(c), nullptr);
        EXPECT_EQ(font.findGlyph(c)->texture, nullptr);
    }
    EXPECT_EQ(font.findGlyph(U' '), nullptr);
    font.prepareTextures();
    const auto texture = font.findGlyph(U'a')->texture;
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(font.findGlyph(U'+')->texture, texture);
    EXPECT_EQ(texture->getSize(), glm::vec2(GlyphAtlas::instance()->side()));
}

// Glyph images are rendered size x resolution scale pixels high and their
// quads are scaled back, so both fonts lay text out alike.
TEST_F(TTFFontTest, ResolutionScaleRendersLargerButLaysOutTheSame) {
    TTFFont normal(gameFont, 20.0f, 1.0f);
    TTFFont sharp(gameFont, 20.0f, 2.0f);
    const float side = static_cast<float>(GlyphAtlas::instance()->side());
    for (const char32_t c : std::u32string(U"HgW0")) {
        const Glyph& a = *normal.findGlyph(c);
        const Glyph& b = *sharp.findGlyph(c);
        EXPECT_FLOAT_EQ(a.xadvance, b.xadvance);
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(a.corners[i].x, b.corners[i].x, 1.0f);
            EXPECT_NEAR(a.corners[i].y, b.corners[i].y, 1.0f);
        }
        const float normalPixels = (a.uv[2].y - a.uv[0].y) * side;
        const float sharpPixels = (b.uv[2].y - b.uv[0].y) * side;
        EXPECT_NEAR(sharpPixels, 2.0f * normalPixels, 2.0f);
        EXPECT_FLOAT_EQ(b.corners[2].y - b.corners[0].y, sharpPixels / 2.0f);
    }
    EXPECT_EQ(normal.measure("Hello, World"), sharp.measure("Hello, World"));
}

TEST_F(TTFFontTest, NewCharacterIsAddedOnceIntoTheSameAtlasTexture) {
    TTFFont font(gameFont, 20.0f, 1.0f);
    font.prepareTextures();
    const auto texture = font.findGlyph(U'a')->texture;
    const auto before = GlyphAtlas::instance()->stats();

    const auto data = font.buildDrawData({0, 0, 0}, "caf\xc3\xa9 \xc3\xa9t\xc3\xa9", 0.0f);
    EXPECT_EQ(font.glyphCount(), 68u); // 'é' and ' ', each once
    ASSERT_NE(font.findGlyph(U'\u00e9'), nullptr);
    EXPECT_EQ(font.findGlyph(U'\u00e9')->texture, texture);
    ASSERT_EQ(data->batches.size(), 1u);
    EXPECT_EQ(data->batches[0].texture, texture);
    EXPECT_EQ(quadCount(*data), 8u);

    const auto afterFirst = GlyphAtlas::instance()->stats();
    font.buildDrawData({0, 0, 0}, "caf\xc3\xa9 \xc3\xa9t\xc3\xa9", 0.0f);
    font.measure("\xc3\xa9t\xc3\xa9");
    EXPECT_EQ(font.glyphCount(), 68u);
    const auto afterSecond = GlyphAtlas::instance()->stats();
    EXPECT_EQ(afterSecond.bytesUploaded, afterFirst.bytesUploaded);
    EXPECT_GT(afterFirst.bytesUploaded, before.bytesUploaded);
    // One atlas texture for the life of the process.
    EXPECT_EQ(render.texturesMade, 1);
}

TEST_F(TTFFontTest, FontsOfOneFileShareTheAtlasTextureAndOneBatch) {
    TTFFont small(gameFont, 14.0f, 1.0f);
    TTFFont large(gameFont, 30.0f, 1.0f);
    auto data = small.buildDrawData({0, 20, 0}, "small", 0.0f);
    data->append(*large.buildDrawData({0, 60, 0}, "large", 0.0f));
    ASSERT_EQ(data->batches.size(), 2u);
    EXPECT_EQ(data->batches[0].texture, data->batches[1].texture);
    EXPECT_EQ(render.texturesMade, 1);
}

TEST_F(TTFFontTest, MeasureGivesTheLastLineAndOneLineHeight) {
    TTFFont font(gameFont, 20.0f, 1.0f);
    EXPECT_EQ(font.measure("ab\nc"), glm::vec2(font.measure("c").x, font.lineHeight()));
    EXPECT_EQ(font.measure("abc\n"), glm::vec2(0, font.lineHeight()));
    EXPECT_EQ(font.measure(""), glm::vec2(0, font.lineHeight()));
}

TEST_F(TTFFontTest, KerningMovesThePenInLayoutAndMeasureAlike) {
    TTFFont font(gameFont, 20.0f, 1.0f);
    const float kern = font.kerning(U'A', U'V');
    EXPECT_NEAR(kern, font.scale() * -139, 1e-5);
    const float a = font.findGlyph(U'A')->xadvance;
    const float v = font.findGlyph(U'V')->xadvance;
    EXPECT_FLOAT_EQ(font.measure("AV").x, a + kern + v);

    const auto data = font.buildDrawData({10, 30, 0}, "AV", 0.0f);
    const auto at = pens(*data, font, U"AV");
    ASSERT_EQ(at.size(), 2u);
    EXPECT_FLOAT_EQ(at[0], 10.0f);
    EXPECT_FLOAT_EQ(at[1], 10.0f + a + kern);
}

TEST_F(TTFFontTest, FontWithoutKerningTableHasNoKerning) {
    TTFFont font(monoFont, 20.0f, 1.0f);
    ASSERT_TRUE(font.isUsable());
    for (const auto& [first, second] : {std::pair{U'A', U'V'}, std::pair{U'T', U'o'}, std::pair{U'L', U'T'}}) {
        EXPECT_EQ(font.kerning(first, second), 0.0f);
    }
    EXPECT_FLOAT_EQ(font.measure("AVAV").x, 4 * font.findGlyph(U'A')->xadvance);
}

TEST_F(TTFFontTest, PenStartsOnTheBaselineAndLinesStepByLineHeight) {
    TTFFont font(gameFont, 20.0f, 1.0f);
    const auto data = font.buildDrawData({100, 50, 0}, "H\nH", 0.0f);
    ASSERT_EQ(quadCount(*data), 2u);
    const auto& v = data->batches[0].vertexData.vertices;
    const Glyph& h = *font.findGlyph(U'H');
    // The bottom of an "H" is the baseline.
    EXPECT_NEAR(v[2].y, 50.0f, 1.0f);
    EXPECT_FLOAT_EQ(v[0].x, 100.0f + h.xoffset);
    EXPECT_FLOAT_EQ(v[4].x, 0.0f + h.xoffset);
    EXPECT_FLOAT_EQ(v[4].y - v[0].y, font.lineHeight());
}

TEST_F(TTFFontTest, ExtraSpaceIsAddedAfterSpacesWhenBuildingOnly) {
    TTFFont font(gameFont, 20.0f, 1.0f);
    const auto plain = font.buildDrawData({0, 0, 0}, "a b", 0.0f);
    const auto spaced = font.buildDrawData({0, 0, 0}, "a b", 12.0f);
    const auto& p = plain->batches[0].vertexData.vertices;
    const auto& s = spaced->batches[0].vertexData.vertices;
    ASSERT_EQ(p.size(), 12u);
    EXPECT_FLOAT_EQ(s[4].x, p[4].x);
    EXPECT_FLOAT_EQ(s[8].x, p[8].x + 12.0f);
    // Measuring adds no extra space: "a b" is as wide as the plain pen's
    // advances over its characters, kerning included, and the plain "b"
    // starts where "a " measures to end.
    const Glyph& a = *font.findGlyph(U'a');
    const Glyph& blank = *font.findGlyph(U' ');
    const Glyph& b = *font.findGlyph(U'b');
    const float width =
        a.xadvance + font.kerning(U'a', U' ') + blank.xadvance + font.kerning(U' ', U'b') + b.xadvance;
    EXPECT_FLOAT_EQ(font.measure("a b").x, width);
    EXPECT_FLOAT_EQ(font.measure("a b").y, font.lineHeight());
    EXPECT_FLOAT_EQ(p[8].x - b.xoffset, font.measure("a ").x + font.kerning(U' ', U'b'));
    EXPECT_FLOAT_EQ(s[8].x - b.xoffset, font.measure("a ").x + font.kerning(U' ', U'b') + 12.0f);
}

// drawSpaced works on bytes and adds no glyphs; building decodes UTF-8.
TEST_F(TTFFontTest, DrawingNowSkipsMultiByteCharactersThatBuildingDraws) {
    TTFFont font(gameFont, 20.0f, 1.0f);
    font.drawAt({0, 20, 0}, "a\xc3\xa9z");
    EXPECT_EQ(render.draws.size(), 2u);
    EXPECT_EQ(font.findGlyph(U'\u00e9'), nullptr);
    for (const auto& draw : render.draws) {
        EXPECT_NE(draw.texture, nullptr);
    }
    EXPECT_EQ(quadCount(*font.buildDrawData({0, 20, 0}, "a\xc3\xa9z", 0.0f)), 3u);
    EXPECT_EQ(font.filterText("a\xc3\xa9\r\nz?"), "az?");
}

// What the font file holds passes the filter whether or not it was drawn
// before; the filter renders it on the way.
TEST_F(TTFFontTest, FilteringKeepsTheCharactersOfTheFileDrawnOrNot) {
    struct Case {
        std::string text;
        std::string kept;
    };
    const Case cases[] = {
        {"Ana Tester", "Ana Tester"},
        {"O'Neil & Co. (2nd)!?", "O'Neil & Co. (2nd)!?"},
        {"a\tb\r\nc", "abc"},
        {"caf\xc3\xa9", "caf"},
    };
    for (const Case& c : cases) {
        TTFFont font(gameFont, 20.0f, 1.0f);
        EXPECT_EQ(font.findGlyph(U' '), nullptr) << "a space is among the preloaded characters";
        EXPECT_EQ(font.filterText(c.text), c.kept);
        // Now drawn the same way as the preloaded characters.
        for (const char ch : c.kept) EXPECT_NE(font.findGlyph(static_cast<char32_t>(ch)), nullptr) << ch;
    }
    TTFFont broken("/nonexistent/font.ttf", 20.0f, 1.0f);
    EXPECT_EQ(broken.filterText("Ana Tester"), "");
}

struct Utf8Case {
    const char* name;
    std::string bytes;
    std::u32string codes;
};
// Test names and failure messages show the case, not its bytes.
void PrintTo(const Utf8Case& c, std::ostream* os) { *os << c.name; }

class Utf8Decoding : public testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8Decoding, ReplacesEachBrokenPieceWithOneReplacementCharacter) {
    EXPECT_EQ(decodeUtf8(GetParam().bytes), GetParam().codes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Utf8Decoding,
    testing::Values(Utf8Case{"Ascii", "Ab\n1", U"Ab\n1"},
                    Utf8Case{"AllLengths", "\xc3\xa9\xe2\x82\xac\xf0\x9f\x80\x84", U"\u00e9\u20ac\U0001F004"},
                    Utf8Case{"Extremes", std::string("\x00\x7f\xc2\x80\xf4\x8f\xbf\xbf", 8),
                             std::u32string(U"\u0000\u007f\u0080\U0010FFFF", 4)},
                    Utf8Case{"StrayContinuation", "a\x80z", U"a\uFFFDz"},
                    Utf8Case{"TruncatedAtEnd", "a\xe2\x82", U"a\uFFFD"},
                    Utf8Case{"TruncatedBeforeAscii", "\xe2\x82z", U"\uFFFDz"},
                    Utf8Case{"Overlong", "\xc0\xaf\xe0\x80\xaf", U"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"},
                    Utf8Case{"Surrogate", "\xed\xa0\x80", U"\uFFFD\uFFFD\uFFFD"},
                    Utf8Case{"PastUnicode", "\xf4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},
                    Utf8Case{"InvalidLeads", "\xf8\xff\xfe", U"\uFFFD\uFFFD\uFFFD"}),
    [](const testing::TestParamInfo<Utf8Case>& param) { return std::string(param.param.name); });

// Text from outside (player names, translations) may be damaged; laying it
// out must never throw.
TEST_F(TTFFontTest, InvalidUtf8IsDrawnWithReplacementCharacters) {
    TTFFont font(gameFont, 20.0f, 1.0f);
    std::shared_ptr<DrawData> data;
    EXPECT_NO_THROW(data = font.buildDrawData({0, 0, 0}, "a\xff\xc3(b\xe2\x82", 0.0f));
    // a, U+FFFD, U+FFFD, (, b, U+FFFD
    EXPECT_EQ(quadCount(*data), 6u);
    ASSERT_NE(font.findGlyph(U'\uFFFD'), nullptr);
    EXPECT_GT(font.findGlyph(U'\uFFFD')->xadvance, 0.0f);
    EXPECT_NO_THROW(font.measure("\xed\xa0\x80"));
}

struct BadFontCase {
    const char* name;
    std::string bytes; // written to a file; "-" for no file at all
    const char* logged;
};
void PrintTo(const BadFontCase& c, std::ostream* os) { *os << c.name; }

class TTFFontBadFile : public testing::TestWithParam<BadFontCase> {};

TEST_P(TTFFontBadFile, GivesZeroMetricsAFontThatDrawsNothingAndALogLine) {
    DrawRecorder render;
    test::TempDir dir;
    const std::string path = dir.file("font.ttf");
    if (GetParam().bytes != "-") {
        test::writeBytes(path, GetParam().bytes);
    }
    LogCapture log;
    TTFFont font(path, 20.0f, 1.0f);
    EXPECT_EQ(log.count(GetParam().logged), 1) << log.text();
    EXPECT_FALSE(font.isUsable());
    EXPECT_EQ(font.lineHeight(), 0.0f);
    EXPECT_EQ(font.base(), 0.0f);
    EXPECT_EQ(font.glyphCount(), 0u);
    EXPECT_EQ(font.measure("Text"), glm::vec2(0, 0));
    EXPECT_TRUE(font.buildDrawData({0, 0, 0}, "Text", 0.0f)->batches.empty());
    font.prepareTextures();
    font.drawAt({0, 0, 0}, "Text");
    EXPECT_TRUE(render.draws.empty());
    EXPECT_EQ(font.filterText("Text"), "");
    EXPECT_EQ(font.kerning(U'A', U'V'), 0.0f);
}

std::string realFontPrefix(std::size_t length) {
    const Data bytes = Data::readFile(gameFont);
    return std::string(reinterpret_cast<const char*>(bytes.data()), std::min<std::size_t>(length, bytes.size()));
}

// The game's font with a few bytes changed where its tables say.
class PatchedFont {
public:
    PatchedFont() : bytes_(realFontPrefix(std::string::npos)) {}

    std::uint32_t u16(std::uint32_t at) const { return std::uint32_t(byte(at) << 8 | byte(at + 1)); }
    std::uint32_t u32(std::uint32_t at) const { return u16(at) << 16 | u16(at + 2); }
    void set16(std::uint32_t at, std::uint32_t v) {
        bytes_[at] = char(v >> 8);
        bytes_[at + 1] = char(v);
    }
    void set32(std::uint32_t at, std::uint32_t v) {
        set16(at, v >> 16);
        set16(at + 2, v & 0xFFFF);
    }
    // The directory entry of a table, and the table itself.
    std::uint32_t entry(const char* tag) const {
        for (std::uint32_t i = 0; i < u16(4); ++i) {
            if (bytes_.compare(12 + 16 * i, 4, tag) == 0) return 12 + 16 * i;
        }
        ADD_FAILURE() << "no table " << tag;
        return 0;
    }
    std::uint32_t table(const char* tag) const { return u32(entry(tag) + 8); }
    std::uint32_t glyphCount() const { return u16(table("maxp") + 4); }
    // Where glyph g's outline starts.
    std::uint32_t glyph(std::uint32_t g) const {
        const bool shortOffsets = u16(table("head") + 50) == 0;
        const std::uint32_t loca = table("loca");
        return table("glyf") + (shortOffsets ? 2 * u16(loca + 2 * g) : u32(loca + 4 * g));
    }
    std::uint32_t glyphOf(char32_t c) const {
        stbtt_fontinfo info{};
        stbtt_InitFont(&info, reinterpret_cast<const unsigned char*>(bytes_.data()), 0);
        return std::uint32_t(stbtt_FindGlyphIndex(&info, int(c)));
    }
    std::uint32_t firstCompositeGlyph() const {
        for (std::uint32_t g = 0; g < glyphCount(); ++g) {
            if (glyph(g) != glyph(g + 1) && std::int16_t(u16(glyph(g))) < 0) return g;
        }
        ADD_FAILURE() << "no composite glyph";
        return 0;
    }
    // The Unicode character map stb_truetype reads: the last one listed.
    std::uint32_t characterMap() const {
        const std::uint32_t cmap = table("cmap");
        return cmap + u32(cmap + 4 + 8 * (u16(cmap + 2) - 1) + 4);
    }

    std::string bytes_;

private:
    std::uint32_t byte(std::uint32_t at) const { return static_cast<unsigned char>(bytes_[at]); }
};

std::string patched(const std::function<void(PatchedFont&)>& patch) {
    PatchedFont font;
    patch(font);
    return font.bytes_;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TTFFontBadFile,
    testing::Values(BadFontCase{"Missing", "-", "is missing or empty"},
                    BadFontCase{"Empty", "", "is missing or empty"},
                    BadFontCase{"Text", "This is not a font at all, only some text.", "not a usable TrueType font"},
                    BadFontCase{"HeaderOnly", realFontPrefix(12), "not a usable TrueType font"},
                    BadFontCase{"TruncatedDirectory", realFontPrefix(100), "not a usable TrueType font"},
                    BadFontCase{"TruncatedTables", realFontPrefix(20000), "not a usable TrueType font"},
                    // Damage in the tables behind the directory, each where
                    // stb_truetype would otherwise read past the font or
                    // pack a glyph of negative size.
                    BadFontCase{"CharacterMapPastItsTable",
                                patched([](PatchedFont& f) {
                                    const std::uint32_t cmap = f.table("cmap");
                                    for (std::uint32_t i = 0; i < f.u16(cmap + 2); ++i) {
                                        f.set32(cmap + 4 + 8 * i + 4, 0x7FFFFFF0);
                                    }
                                }),
                                "(a character map past the cmap table)"},
                    BadFontCase{"CharacterMappedToNoGlyph",
                                patched([](PatchedFont& f) { f.set32(f.characterMap() + 16 + 8, 0xFFFF); }),
                                "(a character mapped to no glyph)"},
                    BadFontCase{"GlyphBoxInsideOut",
                                patched([](PatchedFont& f) {
                                    const std::uint32_t a = f.glyph(f.glyphOf(U'A'));
                                    f.set16(a + 2, 0x7000); // xMin far right of xMax
                                }),
                                "(a glyph box turned inside out (glyph"},
                    BadFontCase{"InstructionsPastTheGlyph",
                                patched([](PatchedFont& f) {
                                    const std::uint32_t a = f.glyph(f.glyphOf(U'A'));
                                    f.set16(a + 10 + 2 * f.u16(a), 0xFFFF);
                                }),
                                "(instructions past the glyph's end (glyph"},
                    BadFontCase{"CompositeGlyphContainingItself",
                                patched([](PatchedFont& f) {
                                    const std::uint32_t g = f.firstCompositeGlyph();
                                    f.set16(f.glyph(g) + 12, g);
                                }),
                                "(composite glyphs that contain themselves"},
                    BadFontCase{"GlyphPartPlacedOutOfRange",
                                patched([](PatchedFont& f) {
                                    // The first part of the first composite glyph placed by
                                    // 16-bit offsets, moved to the edge of the coordinates.
                                    for (std::uint32_t g = 0; g < f.glyphCount(); ++g) {
                                        const std::uint32_t at = f.glyph(g);
                                        if (f.glyph(g + 1) == at || std::int16_t(f.u16(at)) >= 0 ||
                                            (f.u16(at + 10) & 1) == 0) {
                                            continue;
                                        }
                                        f.set16(at + 14, 0x7FFF);
                                        return;
                                    }
                                    ADD_FAILURE() << "no composite glyph with 16-bit offsets";
                                }),
                                "(glyph parts placed beyond the coordinates' range (glyph"},
                    BadFontCase{"GlyphLocationPastGlyf",
                                patched([](PatchedFont& f) { f.set32(f.entry("glyf") + 12, 16); }),
                                "(glyph locations out of order or past the glyf table (glyph"},
                    BadFontCase{"UnknownLocationFormat",
                                patched([](PatchedFont& f) { f.set16(f.table("head") + 50, 2); }),
                                "(an unknown glyph location format)"},
                    BadFontCase{"NoHorizontalMetrics",
                                patched([](PatchedFont& f) { f.set16(f.table("hhea") + 34, 0); }),
                                "(no horizontal metrics)"},
                    BadFontCase{"MoreMetricsThanHmtxHolds",
                                patched([](PatchedFont& f) { f.set16(f.table("hhea") + 34, 0xFFFF); }),
                                "(an hmtx table shorter than its glyphs need)"},
                    BadFontCase{"NoHeight",
                                patched([](PatchedFont& f) {
                                    const std::uint32_t hhea = f.table("hhea");
                                    f.set16(hhea + 6, f.u16(hhea + 4));
                                }),
                                "(no height between ascent and descent)"},
                    BadFontCase{"MoreKerningPairsThanKernHolds",
                                patched([](PatchedFont& f) { f.set16(f.table("kern") + 10, 0xFFFF); }),
                                "(more kerning pairs than the kern table holds)"},
                    BadFontCase{"PairAdjustmentsPastGpos",
                                patched([](PatchedFont& f) { f.set32(f.entry("GPOS") + 12, 12); }),
                                "(a GPOS table that points past its end)"}),
    [](const testing::TestParamInfo<BadFontCase>& param) { return std::string(param.param.name); });

// The page is packed straight from the bytes too: nothing of a refused font
// reaches it, and its glyphs come back blank.
TEST_P(TTFFontBadFile, PackingItsGlyphsGivesBlanks) {
    const Data bytes(GetParam().bytes.data(), std::uint32_t(GetParam().bytes.size()));
    GlyphAtlas atlas(256);
    LogCapture log;
    const std::vector<Glyph> glyphs = atlas.packGlyphs(bytes, 20.0f, 1.0f, U"AV\u00e9 ");
    ASSERT_EQ(glyphs.size(), 4u);
    for (const Glyph& glyph : glyphs) {
        EXPECT_EQ(glyph.xadvance, 0.0f);
        EXPECT_EQ(glyph.corners[2], glm::vec3(0.0f));
    }
    for (int y = 0; y < atlas.side(); ++y) {
        for (int x = 0; x < atlas.side(); ++x) ASSERT_EQ(atlas.coverage(x, y), 0) << x << ", " << y;
    }
}

// A glyph whose outline reaches past the box in its header (found by
// fuzzing) would be drawn past the room the page makes for it from that box.
TEST(GlyphOutlines, AGlyphReachingOutsideItsBoxIsPackedBlankAndTheOthersAreDrawn) {
    const std::string bytes = patched([](PatchedFont& f) {
        const std::uint32_t a = f.glyph(f.glyphOf(U'A'));
        f.set16(a + 8, f.u16(a + 4) + 1); // yMax just over yMin: the box of a sliver
    });
    const Data font(bytes.data(), std::uint32_t(bytes.size()));
    GlyphAtlas atlas(256);
    LogCapture log;
    const std::vector<Glyph> glyphs = atlas.packGlyphs(font, 20.0f, 1.0f, U"AV");
    ASSERT_EQ(glyphs.size(), 2u);
    EXPECT_EQ(log.count("U+0041 reaches outside its glyph's box"), 1) << log.text();
    EXPECT_EQ(glyphs[0].corners[2], glm::vec3(0.0f));
    EXPECT_GT(glyphs[0].xadvance, 0.0f);
    EXPECT_NE(glyphs[1].corners[2], glm::vec3(0.0f));
    int covered = 0;
    for (int y = 0; y < atlas.side(); ++y) {
        for (int x = 0; x < atlas.side(); ++x) covered += atlas.coverage(x, y) > 0;
    }
    EXPECT_GT(covered, 0);
}

TEST_F(TTFFontTest, SizesThatAreNotPositiveNumbersGiveAnEmptyFont) {
    for (const float size : {0.0f, -12.0f, NAN, INFINITY, 1e9f}) {
        LogCapture log;
        TTFFont font(gameFont, size, 1.0f);
        EXPECT_EQ(log.count("can't be used at size"), 1) << size;
        EXPECT_FALSE(font.isUsable());
        EXPECT_EQ(font.glyphCount(), 0u);
        EXPECT_EQ(font.lineHeight(), 0.0f);
    }
    LogCapture log;
    TTFFont font(gameFont, 20.0f, 0.0f);
    EXPECT_FALSE(font.isUsable());
}

TEST_F(TTFFontTest, FontFileIsReadOncePerPath) {
    test::TempDir dir;
    const std::string path = dir.file("copy.ttf");
    const Data bytes = Data::readFile(gameFont);
    test::writeBytes(path, std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    TTFFont first(path, 12.0f, 1.0f);
    std::filesystem::remove(path);
    TTFFont second(path, 24.0f, 1.0f);
    EXPECT_TRUE(second.isUsable());
}

} // namespace
} // namespace vorn
