// TrueType font files: checked and set up as the glyph atlas does, glyphs
// rendered into a small page of their own, metrics and kerning read.
#include "FuzzSupport.h"

#include "core/Data.h"
#include "render/fonts/GlyphAtlas.h"

#include <string>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    vorn::fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const vorn::Data bytes(data, static_cast<std::uint32_t>(size));
    stbtt_fontinfo info{};
    if (!vorn::GlyphAtlas::initFont(info, bytes)) return 0;
    int ascent = 0, descent = 0, lineGap = 0;
    stbtt_GetFontVMetrics(&info, &ascent, &descent, &lineGap);
    const std::u32string codes = U"AVa g\u00e9\u4e2d\U0001F600\uFFFD";
    for (char32_t first : codes) {
        for (char32_t second : codes) {
            (void)stbtt_GetCodepointKernAdvance(&info, static_cast<int>(first), static_cast<int>(second));
        }
    }
    // A page of its own, so that every input renders into free room.
    vorn::GlyphAtlas atlas(128);
    for (const float pixels : {11.0f, 40.0f}) (void)atlas.packGlyphs(bytes, pixels, 1.0f, codes);
    return 0;
}
