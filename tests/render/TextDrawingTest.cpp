// Text drawn for real: the three font kinds through the Direct3D renderer on
// our OpenGL layer, read back from the back buffer and probed.

#include "D3DFixture.h"

#include "core/Platform.h"
#include "core/ResourceManager.h"
#include "render/DrawData.h"
#include "render/fonts/BMFont.h"
#include "render/fonts/EasyFont.h"
#include "render/fonts/GlyphAtlas.h"
#include "render/fonts/TTFFont.h"

#include <algorithm>
#include <string>

namespace vorn {
namespace {

constexpr const char* gameFont = "data/fonts/DejaVuSans-Bold.ttf";

struct Box {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1; // inclusive
    bool empty() const { return right < left; }
};

class TextDrawingTest : public test::D3DFixture {
protected:
    void SetUp() override {
        Platform::instance()->setDesktopSizeForTesting({1024, 768});
        D3DFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        ResourceManager::instance()->setRender(render.get());
        ResourceManager::instance()->addSearchPath("tests/render/fixtures");
    }

    void TearDown() override {
        ResourceManager::instance()->setRender(nullptr);
        D3DFixture::TearDown();
    }

    static bool lit(std::uint32_t p, int threshold) {
        return static_cast<int>((p >> 16) & 0xFF) > threshold || static_cast<int>((p >> 8) & 0xFF) > threshold ||
               static_cast<int>(p & 0xFF) > threshold;
    }

    // Bounding box of the pixels brighter than threshold inside a region.
    // A bound of -1 stands for the frame's edge.
    Box litBox(int threshold = 64, int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1) const {
        if (x1 < 0) x1 = width;
        if (y1 < 0) y1 = height;
        Box box;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) {
                if (lit(pixel(x, y), threshold)) {
                    box.left = std::min(box.left, x);
                    box.right = std::max(box.right, x);
                    box.top = std::min(box.top, y);
                    box.bottom = std::max(box.bottom, y);
                }
            }
        }
        return box;
    }

    void drawText(const std::shared_ptr<DrawData>& data, Color color = Color()) {
        render->setColor(color);
        data->draw();
        render->setColor(Color());
    }
};

// The built-in font's quads lie on whole pixels: every pixel is lit exactly
// when one of the quads covers its centre.
TEST_F(TextDrawingTest, BuiltInFontLightsExactlyItsQuads) {
    EasyFont font;
    const glm::vec3 at(12, 40, 0);
    const std::string text = "Hello, 42!\nSecond line";
    const auto data = font.buildDrawData(at, text, 0.0f);
    beginFrame();
    drawText(data, Color(1, 1, 0, 1));
    endFrame();

    int mismatches = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            bool covered = false;
            const auto& v = data->batches[0].vertexData.vertices;
            for (std::size_t q = 0; q < v.size() && !covered; q += 4) {
                covered = x + 0.5f > v[q].x && x + 0.5f < v[q + 2].x && y + 0.5f > v[q].y && y + 0.5f < v[q + 2].y;
            }
            if (covered != lit(pixel(x, y), 128)) {
                ++mismatches;
            }
        }
    }
    EXPECT_EQ(mismatches, 0) << "frame written to " << saveFrame();
    const Box box = litBox();
    const glm::vec2 size = font.measure(text);
    EXPECT_GE(box.left, 12);
    EXPECT_LT(box.right, 12 + static_cast<int>(size.x));
    EXPECT_EQ(box.top, 40 - 18); // two lines start one and a half lines up
}

TEST_F(TextDrawingTest, BuiltInFontDrawsAtOnceWhatItBuilds) {
    EasyFont font;
    beginFrame();
    font.drawAt({20, 30, 0}, "Draw now");
    endFrame();
    const Box drawn = litBox();
    beginFrame();
    drawText(font.buildDrawData({20, 30, 0}, "Draw now", 0.0f));
    endFrame();
    const Box built = litBox();
    ASSERT_FALSE(drawn.empty());
    EXPECT_EQ(drawn.left, built.left);
    EXPECT_EQ(drawn.top, built.top);
    EXPECT_EQ(drawn.right, built.right);
    EXPECT_EQ(drawn.bottom, built.bottom);
}

// "A" is white above and grey below; "V" is white, kerned two units towards
// "A" and drawn one unit right of its pen.
TEST_F(TextDrawingTest, BitmapFontDrawsItsPageTheRightWayUpWithKerning) {
    auto font = ResourceManager::instance()->getFont("blocks.xml", 12);
    ASSERT_NE(std::dynamic_pointer_cast<BMFont>(font), nullptr);
    font->prepareTextures();
    const auto data = font->buildDrawData({20, 40, 0}, "AV", 0.0f);
    beginFrame();
    drawText(data);
    endFrame();
    // Glyph tops are at 40 - base 13 + yoffset 1 = 28, bottoms at 40.
    probe(20, 28, 0xFFFFFF);
    probe(27, 33, 0xFFFFFF);
    probe(20, 34, 0x808080);
    probe(27, 39, 0x808080);
    probe(28, 30, 0x000000); // the gap between "A" (20..27) and "V" (29..36)
    probe(29, 30, 0xFFFFFF);
    probe(36, 39, 0xFFFFFF);
    probe(37, 30, 0x000000);
    probe(24, 27, 0x000000);
    probe(24, 40, 0x000000);
    const Box box = litBox();
    EXPECT_EQ(box.right + 1 - 20, static_cast<int>(font->measure("AV").x) - 1);
}

TEST_F(TextDrawingTest, BitmapFontBreaksLinesAndTintsWithTheCurrentColour) {
    auto font = ResourceManager::instance()->getFont("blocks.xml", 12);
    const auto data = font->buildDrawData({50, 20, 0}, "V\nVV", 0.0f);
    beginFrame();
    drawText(data, Color(0, 1, 0, 1));
    endFrame();
    probe(51, 8, 0x00FF00);   // first line at its position
    probe(1, 24, 0x00FF00);   // the next line starts at x 0, one line height down
    probe(11, 35, 0x00FF00);
    probe(51, 24, 0x000000);
    const Box second = litBox(64, 0, 22, width, height);
    EXPECT_EQ(second.top, 24);
    EXPECT_EQ(second.left, 1);
    EXPECT_EQ(second.right, 18);
}

class TrueTypeDrawingTest : public TextDrawingTest {
protected:
    void SetUp() override {
        TextDrawingTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) {
            return;
        }
        font = std::make_unique<TTFFont>(gameFont, 40.0f, 1.0f);
        font->prepareTextures();
    }
    std::unique_ptr<TTFFont> font;
};

TEST_F(TrueTypeDrawingTest, TextStandsOnTheBaselineInsideItsMeasuredWidth) {
    const glm::vec3 at(10, 80, 0);
    beginFrame();
    drawText(font->buildDrawData(at, "HILL", 0.0f));
    endFrame();
    const Box box = litBox(128);
    ASSERT_FALSE(box.empty()) << saveFrame();
    const Glyph& h = *font->findGlyph(U'H');
    // Capitals end on the baseline.
    EXPECT_EQ(box.bottom, 79);
    EXPECT_NEAR(box.top, 80 + h.corners[0].y, 1.5f);
    EXPECT_NEAR(box.left, 10 + h.xoffset, 1.5f);
    EXPECT_LE(box.right, 10 + font->measure("HILL").x);
    EXPECT_GT(box.right, 10 + font->measure("HIL").x);

    // Inside the left stem of the "H" is full coverage, the space between
    // the stems above the bar is background.
    const int stem = static_cast<int>(10 + h.xoffset + 3);
    probe(stem, 80 - 5, 0xFFFFFF, 8);
    probe(stem, 80 - 25, 0xFFFFFF, 8);
    const int between = static_cast<int>(10 + h.xoffset + (h.corners[1].x - h.corners[0].x) / 2);
    probe(between, 80 - 5, 0x000000, 8);
}

TEST_F(TrueTypeDrawingTest, KerningAndLineBreaksShowInThePicture) {
    beginFrame();
    drawText(font->buildDrawData({10, 50, 0}, "AV\nAV", 0.0f));
    endFrame();
    const Box first = litBox(128, 0, 0, width, 52);
    const Box second = litBox(128, 0, 52, width, height);
    const float kern = font->kerning(U'A', U'V');
    ASSERT_LT(kern, -1.0f);
    const Glyph& v = *font->findGlyph(U'V');
    const float vRight = font->findGlyph(U'A')->xadvance + kern + v.corners[1].x;
    EXPECT_NEAR(first.right + 1, 10 + vRight, 1.5f);
    EXPECT_NEAR(second.right + 1, vRight, 1.5f);
    EXPECT_EQ(second.bottom - first.bottom, static_cast<int>(std::lround(font->lineHeight())));
}

// New characters go into the atlas page the fonts already use: the page's
// texture is updated in place, only around what changed.
TEST_F(TrueTypeDrawingTest, NewCharactersAreUploadedInPlaceAndShow) {
    const auto texture = font->findGlyph(U'a')->texture;
    const auto before = GlyphAtlas::instance()->stats();
    const auto data = font->buildDrawData({10, 80, 0}, "\xc3\x89\xe2\x82\xac", 0.0f); // "É€"
    const auto after = GlyphAtlas::instance()->stats();
    EXPECT_EQ(font->findGlyph(U'\u00c9')->texture, texture);
    EXPECT_EQ(after.pageUploads, before.pageUploads);
    EXPECT_EQ(after.regionUploads, before.regionUploads + 1);
    const std::uint64_t side = static_cast<std::uint64_t>(GlyphAtlas::instance()->side());
    EXPECT_LT(after.bytesUploaded - before.bytesUploaded, side * side / 64);

    beginFrame();
    drawText(data);
    endFrame();
    const Box box = litBox(128);
    ASSERT_FALSE(box.empty()) << "new glyphs did not reach the texture; frame " << saveFrame();
    // The accent of the "É" rises above the capital height.
    EXPECT_LT(box.top, 80 + font->findGlyph(U'H')->corners[0].y - 3);
    EXPECT_EQ(box.bottom, 79);
}

TEST_F(TrueTypeDrawingTest, DrawingNowMatchesTheBuiltGeometry) {
    // Building adds the space, which drawing at once would not.
    const auto data = font->buildDrawData({15, 70, 0}, "Score 1234", 0.0f);
    beginFrame();
    drawText(data);
    endFrame();
    const std::vector<std::uint32_t> built = frame;
    ASSERT_FALSE(litBox().empty());
    beginFrame();
    font->drawAt({15, 70, 0}, "Score 1234");
    endFrame();
    EXPECT_EQ(frame, built) << "frame written to " << saveFrame();
}

} // namespace
} // namespace vorn
