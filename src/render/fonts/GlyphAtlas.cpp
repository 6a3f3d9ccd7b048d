#include "render/fonts/GlyphAtlas.h"

#include "core/Log.h"
#include "core/ResourceManager.h"
#include "render/Bitmap.h"
#include "render/Texture.h"
#include "render/TextureD3D.h"
#include "render/fonts/TrueTypeCheck.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <utility>

namespace vorn {

namespace {

GlyphAtlas* made = nullptr;
std::atomic<bool> sideAtNextUse{false};

int sideForDesktop() { return ResourceManager::instance()->isLargeScreen() ? 4096 : 2048; }

// The least and the most a quadratic curve from a over c to b reaches along
// one axis: its ends, or its turn between them.
std::pair<float, float> curveReach(float a, float c, float b) {
    float low = std::min(a, b);
    float high = std::max(a, b);
    const float bend = a - 2.0f * c + b;
    if (bend != 0.0f) {
        const float t = (a - c) / bend;
        if (t > 0.0f && t < 1.0f) {
            const float turn = (1.0f - t) * (1.0f - t) * a + 2.0f * (1.0f - t) * t * c + t * t * b;
            low = std::min(low, turn);
            high = std::max(high, turn);
        }
    }
    return {low, high};
}

// Whether a glyph's outline, at that scale, stays within the room that
// stb_truetype makes for it on the page. It sizes the room from the box in
// the glyph's header and draws the outline into it without looking: the
// outline of a damaged font that reaches past it is drawn clipped, and
// trips the rasteriser's checks. A curve's control point may lie outside
// while the curve stays in (real fonts have such glyphs), so curves are
// followed to their turns.
bool outlineFitsItsRoom(const stbtt_fontinfo& info, int glyph, float scale) {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    stbtt_GetGlyphBitmapBoxSubpixel(&info, glyph, scale, scale, 0.0f, 0.0f, &x0, &y0, &x1, &y1);
    // The room's rows run down the page, the outline's y up.
    const auto within = [&](std::pair<float, float> xs, std::pair<float, float> ys) {
        return xs.first * scale >= static_cast<float>(x0) && xs.second * scale <= static_cast<float>(x1) &&
               -ys.second * scale >= static_cast<float>(y0) && -ys.first * scale <= static_cast<float>(y1);
    };
    stbtt_vertex* vertices = nullptr;
    const int count = stbtt_GetGlyphShape(&info, glyph, &vertices);
    bool inside = true;
    float penX = 0.0f, penY = 0.0f;
    for (int i = 0; i < count && inside; ++i) {
        const stbtt_vertex& v = vertices[i];
        const float x = v.x, y = v.y, cx = v.cx, cy = v.cy;
        if (v.type == STBTT_vcurve) {
            inside = within(curveReach(penX, cx, x), curveReach(penY, cy, y));
        } else if (v.type == STBTT_vcubic) {
            // Within the hull of its control points (only CFF fonts have them).
            const float cx1 = v.cx1, cy1 = v.cy1;
            inside = within(std::minmax({penX, cx, cx1, x}), std::minmax({penY, cy, cy1, y}));
        } else {
            inside = within({x, x}, {y, y});
        }
        penX = x;
        penY = y;
    }
    stbtt_FreeShape(&info, vertices);
    return inside;
}

} // namespace

GlyphAtlas* GlyphAtlas::instance() {
    static GlyphAtlas* atlas = made = new GlyphAtlas(sideForDesktop());
    if (sideAtNextUse.load(std::memory_order_relaxed) && sideAtNextUse.exchange(false)) {
        const int side = sideForDesktop();
        if (side != atlas->side()) atlas->startPage(side);
    }
    return atlas;
}

void GlyphAtlas::resetForTests() {
    if (made == nullptr) return;
    // The texture goes now: it holds the renderer's device, which must not
    // outlive the test that made it.
    made->startPage(made->side());
    sideAtNextUse = true;
}

GlyphAtlas::GlyphAtlas(int side) { startPage(side); }

GlyphAtlas::~GlyphAtlas() {
    if (packerReady_) {
        stbtt_PackEnd(&packer_);
    }
}

void GlyphAtlas::startPage(int side) {
    std::lock_guard lock(mutex_);
    if (packerReady_) {
        stbtt_PackEnd(&packer_);
    }
    side_ = std::max(side, 1);
    page_ = std::make_shared<Bitmap>();
    const auto size = static_cast<std::uint32_t>(side_) * static_cast<std::uint32_t>(side_);
    Data pixels(size);
    std::memset(pixels.data(), 0, size);
    page_->create(std::move(pixels), side_, side_, PixelFormatA8);
    // A gap of one pixel around every glyph, so that filtering at a glyph's
    // edge never picks up its neighbour; no oversampling.
    packer_ = {};
    packerReady_ = stbtt_PackBegin(&packer_, page_->writablePixels(), side_, side_, side_, 1, nullptr) != 0;
    if (!packerReady_) {
        log("GlyphAtlas: can't set up the packer for a page of %d pixels", side_);
    }
    texture_.reset();
    dirtyX0_ = dirtyY0_ = 0;
    dirtyX1_ = side_;
    dirtyY1_ = side_;
    dirty_ = true;
    stats_ = {};
}

bool GlyphAtlas::initFont(stbtt_fontinfo& info, const Data& bytes, std::string* fault) {
    // stb_truetype trusts the file: everything it reads is checked first,
    // so that a damaged or foreign file is refused instead of read past its
    // tables.
    std::string why = trueTypeFault(bytes.data(), bytes.size());
    if (why.empty() && !stbtt_InitFont(&info, bytes.data(), 0)) why = "not a font stb_truetype knows";
    if (fault) *fault = why;
    return why.empty();
}

std::vector<Glyph> GlyphAtlas::packGlyphs(const Data& fontBytes, float size, float resolutionScale,
                                          const std::u32string& codePoints) {
    stbtt_fontinfo info{};
    if (codePoints.empty() || !initFont(info, fontBytes)) {
        return std::vector<Glyph>(codePoints.size());
    }
    return packGlyphs(info, size, resolutionScale, codePoints);
}

std::vector<Glyph> GlyphAtlas::packGlyphs(const stbtt_fontinfo& info, float size, float resolutionScale,
                                          const std::u32string& codePoints) {
    std::vector<Glyph> glyphs(codePoints.size());
    if (codePoints.empty() || resolutionScale <= 0.0f) {
        return glyphs;
    }
    const auto count = static_cast<int>(codePoints.size());
    const float pixelSize = size * resolutionScale;
    // Glyph boxes are at most 65536 font units across; at a larger scale
    // their pixel sizes would overflow, and no page holds them anyway.
    const float scale = stbtt_ScaleForPixelHeight(&info, pixelSize);
    if (!(scale * 65536.0f < static_cast<float>(1 << 24))) {
        return glyphs;
    }
    const float advanceScale = scale / resolutionScale;

    std::vector<int> codes(codePoints.begin(), codePoints.end());
    std::vector<stbtt_packedchar> packed(codePoints.size());
    std::vector<stbrp_rect> rects(codePoints.size());
    stbtt_pack_range range{};
    range.font_size = pixelSize;
    range.array_of_unicode_codepoints = codes.data();
    range.num_chars = count;
    range.chardata_for_range = packed.data();

    std::lock_guard lock(mutex_);
    if (!packerReady_) {
        return glyphs;
    }
    dirty_ = true;
    // Packing and rendering are done as separate steps so that the glyphs
    // that found no room are known (their records are left unwritten) and
    // the changed region of the page is known exactly.
    const int gathered = stbtt_PackFontRangesGatherRects(&packer_, &info, &range, 1, rects.data());
    for (std::size_t i = 0; i < static_cast<std::size_t>(gathered); ++i) {
        if (!outlineFitsItsRoom(info, stbtt_FindGlyphIndex(&info, codes[i]), scale)) {
            log("GlyphAtlas: the outline of U+%04X reaches outside its glyph's box; it is drawn as a blank",
                static_cast<unsigned>(codes[i]));
            // No room: it is packed as a glyph without an outline is.
            rects[i].w = 0;
            rects[i].h = 0;
        }
    }
    stbtt_PackFontRangesPackRects(&packer_, rects.data(), gathered);
    stbtt_PackFontRangesRenderIntoRects(&packer_, &info, &range, 1, rects.data());

    const float s = static_cast<float>(side_);
    const float r = resolutionScale;
    for (std::size_t i = 0; i < glyphs.size(); ++i) {
        Glyph& glyph = glyphs[i];
        int advance = 0, leftBearing = 0;
        stbtt_GetCodepointHMetrics(&info, codes[i], &advance, &leftBearing);
        glyph.xadvance = advanceScale * static_cast<float>(advance);
        const stbrp_rect& rect = rects[i];
        if (!rect.was_packed) {
            ++stats_.glyphsDropped;
            if (stats_.glyphsDropped == 1) {
                log("GlyphAtlas: the %d-pixel page is full; glyphs that do not fit are drawn as blanks", side_);
            }
            continue;
        }
        if (rect.w > 0 && rect.h > 0) {
            if (dirtyX0_ == dirtyX1_ || dirtyY0_ == dirtyY1_) {
                dirtyX0_ = rect.x;
                dirtyY0_ = rect.y;
                dirtyX1_ = rect.x + rect.w;
                dirtyY1_ = rect.y + rect.h;
            } else {
                dirtyX0_ = std::min(dirtyX0_, static_cast<int>(rect.x));
                dirtyY0_ = std::min(dirtyY0_, static_cast<int>(rect.y));
                dirtyX1_ = std::max(dirtyX1_, static_cast<int>(rect.x + rect.w));
                dirtyY1_ = std::max(dirtyY1_, static_cast<int>(rect.y + rect.h));
            }
        }
        const stbtt_packedchar& p = packed[i];
        const float x0 = p.x0, y0 = p.y0, x1 = p.x1, y1 = p.y1;
        glyph.uv = {glm::vec2(x0 / s, y0 / s), glm::vec2(x1 / s, y0 / s), glm::vec2(x1 / s, y1 / s),
                    glm::vec2(x0 / s, y1 / s)};
        const float left = p.xoff / r;
        const float top = p.yoff / r;
        const float right = (p.xoff + x1 - x0) / r;
        const float bottom = (p.yoff + y1 - y0) / r;
        glyph.corners = {glm::vec3(left, top, 0.0f), glm::vec3(right, top, 0.0f), glm::vec3(right, bottom, 0.0f),
                         glm::vec3(left, bottom, 0.0f)};
        glyph.xoffset = left;
        glyph.yoffset = top;
    }
    return glyphs;
}

std::shared_ptr<Texture> GlyphAtlas::createTexture() {
    std::lock_guard lock(mutex_);
    if (!texture_) {
        texture_ = ResourceManager::instance()->createTexture();
        if (!texture_) {
            return nullptr;
        }
        uploadPage();
    } else if (dirty_ && !uploadRegion()) {
        uploadPage();
    }
    return texture_;
}

// The texture is on the device: only the rectangle around what was packed
// since the last upload is copied.
bool GlyphAtlas::uploadRegion() {
    auto* d3dTexture = dynamic_cast<d3d::TextureD3D*>(texture_.get());
    IDirect3DTexture9* deviceTexture = d3dTexture ? d3dTexture->deviceTexture() : nullptr;
    if (!deviceTexture) {
        return false;
    }
    if (dirtyX0_ == dirtyX1_ || dirtyY0_ == dirtyY1_) {
        dirty_ = false;
        return true;
    }
    if (d3dTexture->format() != PixelFormatA8) {
        log("GlyphAtlas: the page texture is not alpha-only; new glyphs not uploaded");
        return true;
    }
    RECT region{dirtyX0_, dirtyY0_, dirtyX1_, dirtyY1_};
    D3DLOCKED_RECT locked{};
    if (FAILED(deviceTexture->LockRect(0, &locked, &region, 0))) {
        // Stays dirty: the next call tries again.
        log("GlyphAtlas: can't lock the page texture");
        return true;
    }
    const auto width = static_cast<std::size_t>(dirtyX1_ - dirtyX0_);
    auto* destination = static_cast<std::uint8_t*>(locked.pBits);
    const std::uint8_t* source = page_->pixels().data() + static_cast<std::size_t>(dirtyY0_) * side_ + dirtyX0_;
    for (int y = dirtyY0_; y < dirtyY1_; ++y) {
        std::memcpy(destination, source, width);
        destination += locked.Pitch;
        source += side_;
    }
    deviceTexture->UnlockRect(0);
    ++stats_.regionUploads;
    stats_.bytesUploaded += width * static_cast<std::size_t>(dirtyY1_ - dirtyY0_);
    dirtyX0_ = dirtyY0_ = dirtyX1_ = dirtyY1_ = 0;
    dirty_ = false;
    return true;
}

// The texture has no device copy yet: the page itself becomes its bitmap.
void GlyphAtlas::uploadPage() {
    texture_->setBitmap(page_);
    texture_->load();
    ++stats_.pageUploads;
    stats_.bytesUploaded += page_->pixels().size();
    dirtyX0_ = dirtyY0_ = dirtyX1_ = dirtyY1_ = 0;
    dirty_ = false;
}

bool GlyphAtlas::isDirty() const {
    std::lock_guard lock(mutex_);
    return dirty_;
}

GlyphAtlas::Stats GlyphAtlas::stats() const {
    std::lock_guard lock(mutex_);
    return stats_;
}

std::uint8_t GlyphAtlas::coverage(int x, int y) const {
    std::lock_guard lock(mutex_);
    if (x < 0 || y < 0 || x >= side_ || y >= side_) {
        return 0;
    }
    return page_->pixels().data()[static_cast<std::size_t>(y) * side_ + x];
}

} // namespace vorn
