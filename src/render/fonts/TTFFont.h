#pragma once

#include "render/Glyph.h"
#include "render/fonts/Font.h"

#include <stb/stb_truetype.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

namespace vorn {

class Data;
class Texture;

// A TrueType font at one size. Glyphs are rendered on demand into the shared
// glyph atlas at size x resolution scale pixels and scaled back, so text
// stays sharp on large screens. Laid-out text is decoded from UTF-8, so any
// character of the font can be drawn.
//
// A font may be made on the loading worker (it renders its first glyphs
// there); everything else, drawing and laying out text included, happens on
// the main thread.
class TTFFont : public Font {
public:
    // Rendered when a font is made.
    static constexpr const char* preloadedCharacters =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789,.-+";
    // Larger sizes cannot fit in any atlas page.
    static constexpr float maxSize = 4096.0f;

    // A file that is missing, empty or not a usable TrueType font, or a size
    // that is not a positive number, gives a font with zero metrics that
    // draws nothing (logged).
    TTFFont(const std::string& path, float size, float resolutionScale);

    // Renders the code points the font does not have yet. Main thread only.
    void addGlyphs(const std::u32string& codePoints);
    // Horizontal adjustment between two characters, in design units; 0 when
    // the font has no kerning for them. Main thread only.
    float kerning(char32_t first, char32_t second) const;

    void prepareTextures() override;
    // Works on the bytes of the text and adds no glyphs: bytes 128 to 255
    // draw nothing.
    void drawSpaced(const glm::vec3& position, const std::string& text, float extraSpace) override;
    std::shared_ptr<DrawData> buildDrawData(const glm::vec3& position, const std::string& text,
                                            float extraSpace) override;
    glm::vec2 measure(const std::string& text) override;
    // The bytes, other than line ends, that have a glyph in the font file:
    // those not rendered yet are rendered first. Main thread only.
    std::string filterText(const std::string& text) override;
    float lineHeight() override { return lineHeight_; }
    float base() override { return base_; }

    bool isUsable() const { return usable_; }
    const Glyph* findGlyph(char32_t code) const;
    std::size_t glyphCount() const { return glyphs_.size(); }
    float size() const { return size_; }
    float scale() const { return scale_; }
    float resolutionScale() const { return resolutionScale_; }

private:
    template <typename EmitQuad>
    float layout(const glm::vec3& position, const std::u32string& codes, float extraSpace, EmitQuad emit) const;
    void addMissingGlyphs(const std::u32string& codes);
    void storeGlyphs(const std::u32string& codes);

    std::shared_ptr<Data> fontBytes_;
    stbtt_fontinfo info_{};
    float lineHeight_ = 0.0f;
    float base_ = 0.0f;
    std::map<std::uint32_t, Glyph> glyphs_;
    std::shared_ptr<Texture> texture_;
    float size_ = 0.0f;
    float scale_ = 0.0f;
    float resolutionScale_ = 1.0f;
    bool usable_ = false;
    // Looking a pair up in the font's tables costs more than all the rest of
    // laying out a character, and text repeats its pairs.
    mutable std::unordered_map<std::uint64_t, float> kerningCache_;
};

} // namespace vorn
