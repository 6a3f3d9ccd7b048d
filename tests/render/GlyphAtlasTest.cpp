#include "render/fonts/GlyphAtlas.h"

#include "core/Data.h"
#include "core/Platform.h"
#include "render/Bitmap.h"
#include "render/DrawData.h"
#include "render/DrawRecorder.h"
#include "render/fonts/TTFFont.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

namespace vorn {
namespace {

using test::DrawRecorder;
using test::LogCapture;

constexpr const char* gameFont = "data/fonts/DejaVuSans-Bold.ttf";

// A glyph's image on the page, in pixels: [x0, x1) x [y0, y1).
struct PixelRect {
    int x0, y0, x1, y1;
    bool empty() const { return x0 == x1 || y0 == y1; }
    bool overlaps(const PixelRect& o) const { return x0 < o.x1 && o.x0 < x1 && y0 < o.y1 && o.y0 < y1; }
};

PixelRect pixelsOf(const Glyph& glyph, int side) {
    auto at = [side](float t) { return static_cast<int>(std::lround(t * static_cast<float>(side))); };
    return {at(glyph.uv[0].x), at(glyph.uv[0].y), at(glyph.uv[2].x), at(glyph.uv[2].y)};
}

void expectDisjoint(const std::vector<PixelRect>& rects, int side) {
    for (std::size_t i = 0; i < rects.size(); ++i) {
        EXPECT_GE(rects[i].x0, 0);
        EXPECT_GE(rects[i].y0, 0);
        EXPECT_LE(rects[i].x1, side);
        EXPECT_LE(rects[i].y1, side);
        for (std::size_t j = i + 1; j < rects.size(); ++j) {
            EXPECT_FALSE(rects[i].overlaps(rects[j])) << "glyph images " << i << " and " << j << " overlap";
        }
    }
}

std::u32string letters() {
    return U"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
}

TEST(GlyphAtlasPacking, GlyphsGetTheirOwnPlaceAndTheirImageIsOnThePage) {
    const Data bytes = Data::readFile(gameFont);
    GlyphAtlas atlas(256);
    std::vector<Glyph> glyphs = atlas.packGlyphs(bytes, 16.0f, 1.0f, letters());
    const auto more = atlas.packGlyphs(bytes, 24.0f, 1.0f, U"@#&%\u00e9\u20ac");
    glyphs.insert(glyphs.end(), more.begin(), more.end());
    ASSERT_EQ(glyphs.size(), letters().size() + 6);

    std::vector<PixelRect> rects;
    for (const Glyph& glyph : glyphs) {
        rects.push_back(pixelsOf(glyph, atlas.side()));
        EXPECT_FALSE(rects.back().empty());
        EXPECT_EQ(glyph.texture, nullptr);
        EXPECT_GT(glyph.xadvance, 0.0f);
    }
    expectDisjoint(rects, atlas.side());
    EXPECT_EQ(atlas.stats().glyphsDropped, 0);

    // The middle of the "H" bars is inked; the gap around glyphs is not.
    const PixelRect h = rects[7];
    EXPECT_GT(atlas.coverage(h.x0 + 1, (h.y0 + h.y1) / 2), 128);
    EXPECT_EQ(atlas.coverage(h.x0 - 1, h.y0), 0);
    EXPECT_EQ(atlas.coverage(atlas.side() - 1, atlas.side() - 1), 0);
}

TEST(GlyphAtlasPacking, QuadsMatchTheRenderedImageAtTheResolutionScale) {
    const Data bytes = Data::readFile(gameFont);
    GlyphAtlas atlas(512);
    const Glyph glyph = atlas.packGlyphs(bytes, 20.0f, 2.0f, U"H")[0];
    const PixelRect r = pixelsOf(glyph, atlas.side());
    EXPECT_FLOAT_EQ(glyph.corners[1].x - glyph.corners[0].x, static_cast<float>(r.x1 - r.x0) / 2.0f);
    EXPECT_FLOAT_EQ(glyph.corners[3].y - glyph.corners[0].y, static_cast<float>(r.y1 - r.y0) / 2.0f);
    EXPECT_FLOAT_EQ(glyph.corners[0].x, glyph.xoffset);
    EXPECT_FLOAT_EQ(glyph.corners[0].y, glyph.yoffset);
    // A capital stands on the baseline: its image ends there.
    EXPECT_NEAR(glyph.corners[2].y, 0.0f, 0.5f);
    EXPECT_LE(glyph.corners[0].y, -12.0f);
}

// stb leaves the records of glyphs that found no room unwritten; they must
// come back blank, keep their advance, and be reported once.
TEST(GlyphAtlasFull, DroppedGlyphsAreBlankKeepTheirAdvanceAndAreLoggedOnce) {
    const Data bytes = Data::readFile(gameFont);
    GlyphAtlas roomy(1024);
    const auto reference = roomy.packGlyphs(bytes, 40.0f, 1.0f, letters());

    GlyphAtlas atlas(96);
    LogCapture log;
    const auto glyphs = atlas.packGlyphs(bytes, 40.0f, 1.0f, letters());
    const auto again = atlas.packGlyphs(bytes, 40.0f, 1.0f, U"WXYZ");
    EXPECT_EQ(log.count("page is full"), 1) << log.text();

    int dropped = 0;
    std::vector<PixelRect> placed;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        EXPECT_FLOAT_EQ(glyphs[i].xadvance, reference[i].xadvance);
        const PixelRect r = pixelsOf(glyphs[i], atlas.side());
        if (r.empty()) {
            ++dropped;
            for (int c = 0; c < 4; ++c) {
                EXPECT_EQ(glyphs[i].corners[c], glm::vec3(0.0f));
                EXPECT_EQ(glyphs[i].uv[c], glm::vec2(0.0f));
            }
        } else {
            placed.push_back(r);
        }
    }
    EXPECT_GT(dropped, 0);
    EXPECT_FALSE(placed.empty());
    expectDisjoint(placed, atlas.side());
    EXPECT_EQ(atlas.stats().glyphsDropped, dropped + 4);
    for (const Glyph& glyph : again) {
        EXPECT_GT(glyph.xadvance, 0.0f);
    }
}

TEST(GlyphAtlasFull, TextOfDroppedGlyphsDrawsNothingAndMeasuresItsAdvances) {
    Platform::instance()->setDesktopSizeForTesting({1024, 768});
    DrawRecorder render;
    LogCapture log;
    // Glyphs of 700 pixels: only a few of the first 66 fit in the 2048 page.
    TTFFont font(gameFont, 700.0f, 1.0f);
    EXPECT_EQ(log.count("page is full"), 1);
    const auto dropped = GlyphAtlas::instance()->stats().glyphsDropped;
    EXPECT_GT(dropped, 0);
    EXPECT_LT(dropped, 66);

    const std::string text = TTFFont::preloadedCharacters;
    float advances = 0.0f;
    for (const char c : text) {
        advances += font.findGlyph(static_cast<char32_t>(c))->xadvance;
    }
    EXPECT_FLOAT_EQ(font.measure(text).x, advances);

    // Glyphs that found no room collapse onto the pen instead of showing
    // stale or foreign pixels; the others keep their images.
    const auto data = font.buildDrawData({0, 500, 0}, text, 0.0f);
    ASSERT_EQ(data->batches.size(), 1u);
    const auto& v = data->batches[0].vertexData.vertices;
    ASSERT_EQ(v.size(), text.size() * 4);
    int blank = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const Glyph& glyph = *font.findGlyph(static_cast<char32_t>(text[i]));
        const bool droppedGlyph = glyph.uv[2] == glm::vec2(0.0f);
        const auto& topLeft = v[4 * i];
        const auto& bottomRight = v[4 * i + 2];
        EXPECT_EQ(droppedGlyph, topLeft.x == bottomRight.x && topLeft.y == bottomRight.y) << text[i];
        blank += droppedGlyph ? 1 : 0;
    }
    EXPECT_EQ(blank, dropped);
}

struct SideCase {
    const char* name;
    glm::vec2 desktop;
    int side;
};
// Test names and failure messages show the case, not its bytes.
void PrintTo(const SideCase& c, std::ostream* os) { *os << c.name; }

class GlyphAtlasSide : public testing::TestWithParam<SideCase> {};

TEST_P(GlyphAtlasSide, FollowsTheDesktopHeight) {
    Platform::instance()->setDesktopSizeForTesting(GetParam().desktop);
    EXPECT_EQ(GlyphAtlas::instance()->side(), GetParam().side);
}

INSTANTIATE_TEST_SUITE_P(Cases, GlyphAtlasSide,
                         testing::Values(SideCase{"Large", {1920, 1080}, 4096}, SideCase{"Small", {1920, 1079}, 2048}),
                         [](const testing::TestParamInfo<SideCase>& param) { return std::string(param.param.name); });

TEST(GlyphAtlasTexture, IsMadeOnceAndRefreshedAfterPacking) {
    DrawRecorder render;
    const Data bytes = Data::readFile(gameFont);
    GlyphAtlas atlas(128);
    EXPECT_TRUE(atlas.isDirty());
    const auto texture = atlas.createTexture();
    ASSERT_NE(texture, nullptr);
    EXPECT_FALSE(atlas.isDirty());
    EXPECT_EQ(texture->getSize(), glm::vec2(128, 128));
    EXPECT_EQ(atlas.createTexture(), texture);
    atlas.packGlyphs(bytes, 12.0f, 1.0f, U"xyz");
    EXPECT_TRUE(atlas.isDirty());
    EXPECT_EQ(atlas.createTexture(), texture);
    EXPECT_FALSE(atlas.isDirty());
    EXPECT_EQ(render.texturesMade, 1);
}

// The page's pixels are kept once: the texture's bitmap is the page the
// glyphs are rendered into, not a copy of it.
TEST(GlyphAtlasTexture, HoldsThePageItselfAsItsBitmap) {
    DrawRecorder render;
    const Data bytes = Data::readFile(gameFont);
    GlyphAtlas atlas(128);
    const auto texture = atlas.createTexture();
    ASSERT_NE(texture, nullptr);
    const std::uint8_t* pixels = texture->getBitmap()->pixels().data();
    const std::vector<Glyph> glyphs = atlas.packGlyphs(bytes, 24.0f, 1.0f, U"W");
    const PixelRect rect = pixelsOf(glyphs[0], 128);
    ASSERT_FALSE(rect.empty());
    int covered = 0;
    for (int y = rect.y0; y < rect.y1; ++y) {
        for (int x = rect.x0; x < rect.x1; ++x) {
            EXPECT_EQ(pixels[y * 128 + x], atlas.coverage(x, y));
            covered += atlas.coverage(x, y) > 0;
        }
    }
    EXPECT_GT(covered, 20);
    atlas.createTexture();
    EXPECT_EQ(texture->getBitmap()->pixels().data(), pixels);
}

TEST(GlyphAtlasTexture, IsNullBeforeThereIsARenderer) {
    GlyphAtlas atlas(64);
    EXPECT_EQ(atlas.createTexture(), nullptr);
    EXPECT_TRUE(atlas.isDirty());
}

// Fonts are made on the loading worker while the main thread lays out text
// and updates the atlas texture: packing, the file cache and the texture
// must not race, and no two glyphs may be given the same place.
TEST(GlyphAtlasThreaded, FontsMadeOnWorkersAndTextOnTheMainThreadShareThePage) {
    Platform::instance()->setDesktopSizeForTesting({1024, 768});
    DrawRecorder render;
    TTFFont mainFont(gameFont, 18.0f, 1.0f);
    mainFont.prepareTextures();

    std::vector<std::unique_ptr<TTFFont>> made(4);
    auto worker = [&made](int first) {
        for (int i = first; i < first + 2; ++i) {
            made[static_cast<std::size_t>(i)] = std::make_unique<TTFFont>(gameFont, 10.0f + 7.0f * i, 1.0f);
        }
    };
    std::thread a(worker, 0);
    std::thread b(worker, 2);
    std::u32string extra;
    for (char32_t c = 0xC0; c < 0x180; ++c) {
        const std::string text = "x" + std::string(1, static_cast<char>(0xC0 | (c >> 6))) +
                                 std::string(1, static_cast<char>(0x80 | (c & 0x3F)));
        mainFont.buildDrawData({0, 0, 0}, text, 0.0f);
        extra += c;
    }
    a.join();
    b.join();

    const int side = GlyphAtlas::instance()->side();
    std::vector<PixelRect> rects;
    auto collect = [&](TTFFont& font, const std::u32string& codes) {
        for (const char32_t c : codes) {
            const Glyph* glyph = font.findGlyph(c);
            ASSERT_NE(glyph, nullptr);
            rects.push_back(pixelsOf(*glyph, side));
        }
    };
    collect(mainFont, extra);
    for (auto& font : made) {
        ASSERT_TRUE(font->isUsable());
        EXPECT_EQ(font->glyphCount(), 66u);
        collect(*font, U"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
        font->prepareTextures();
        EXPECT_EQ(font->findGlyph(U'a')->texture, mainFont.findGlyph(U'a')->texture);
    }
    expectDisjoint(rects, side);
    EXPECT_FALSE(GlyphAtlas::instance()->isDirty());
    EXPECT_EQ(render.texturesMade, 1);
}

} // namespace
} // namespace vorn
