#pragma once

#include "core/Data.h"
#include "render/Glyph.h"

#include <stb/stb_rect_pack.h>
#include <stb/stb_truetype.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vorn {

class Bitmap;
class Texture;

// The one alpha-only page into which every TrueType font renders its glyphs.
// Glyphs are packed once and never move, so the page only fills; its single
// texture is updated in place, changed region by changed region. The page's
// pixels exist once on this side of the device: the bitmap the glyphs are
// rendered into is the texture's own.
//
// Fonts may be made on the loading worker while the main thread lays out
// text: packing and reading the page are locked. The texture is made and
// updated only by createTexture, on the main thread.
class GlyphAtlas {
public:
    struct Stats {
        // Whole-page copies handed to a texture (the first upload).
        int pageUploads = 0;
        // In-place updates of a changed region.
        int regionUploads = 0;
        // Bytes copied towards the device by both.
        std::uint64_t bytesUploaded = 0;
        // Glyphs that found no room.
        int glyphsDropped = 0;
    };

    // The process-wide page: 4096 pixels square on screens at least 1080
    // pixels high, else 2048. Created on first use, never destroyed.
    static GlyphAtlas* instance();

    explicit GlyphAtlas(int side);
    ~GlyphAtlas();
    GlyphAtlas(const GlyphAtlas&) = delete;
    GlyphAtlas& operator=(const GlyphAtlas&) = delete;

    // Sets info up over a TrueType file; false for bytes that are empty,
    // truncated, not TrueType, damaged anywhere stb_truetype would read, or
    // without usable vertical metrics, with the reason in fault.
    static bool initFont(stbtt_fontinfo& info, const Data& bytes, std::string* fault = nullptr);

    // Renders the code points of a font at size x resolutionScale pixels and
    // returns one glyph per code point, in order, in design units (divided
    // back by resolutionScale) and without a texture. A glyph that finds no
    // room keeps its advance but has an empty quad; the first such glyph is
    // logged.
    std::vector<Glyph> packGlyphs(const Data& fontBytes, float size, float resolutionScale,
                                  const std::u32string& codePoints);
    // The same for a font already set up by initFont, which checked it:
    // the check walks the whole file, too much to repeat for every glyph.
    std::vector<Glyph> packGlyphs(const stbtt_fontinfo& info, float size, float resolutionScale,
                                  const std::u32string& codePoints);

    // The page's texture, made at the first call and brought up to date
    // with what was packed since. The same object every time; null before
    // the renderer exists. Main thread only.
    std::shared_ptr<Texture> createTexture();

    int side() const { return side_; }
    bool isDirty() const;
    Stats stats() const;
    // Coverage of one pixel of the page, for checks.
    std::uint8_t coverage(int x, int y) const;

    // For tests: the process-wide page is empty again, with no texture and
    // no counts, and its side is chosen anew for the desktop of its next
    // use. Fonts made before must not be used afterwards.
    static void resetForTests();

private:
    // An empty page of that side, not yet on a texture.
    void startPage(int side);
    bool uploadRegion();
    void uploadPage();

    int side_ = 0;
    mutable std::mutex mutex_;
    std::shared_ptr<Bitmap> page_;
    stbtt_pack_context packer_{};
    bool packerReady_ = false;
    std::shared_ptr<Texture> texture_;
    // Changed pixels not yet on the texture: [x0, x1) x [y0, y1).
    int dirtyX0_ = 0, dirtyY0_ = 0, dirtyX1_ = 0, dirtyY1_ = 0;
    bool dirty_ = true;
    Stats stats_;
};

} // namespace vorn
