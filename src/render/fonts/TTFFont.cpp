#include "render/fonts/TTFFont.h"

#include "core/Data.h"
#include "core/Log.h"
#include "render/DrawData.h"
#include "render/Render.h"
#include "render/VertexData.h"
#include "render/fonts/GlyphAtlas.h"
#include "render/fonts/Utf8.h"

#include <cmath>
#include <mutex>
#include <unordered_set>

namespace vorn {

namespace {

// Font files by path, shared by the fonts of every size and never dropped.
// Fonts are made on the loading worker as well as on the main thread.
std::shared_ptr<Data> cachedFontFile(const std::string& path) {
    static std::mutex mutex;
    static auto* files = new std::map<std::string, std::shared_ptr<Data>>;
    std::lock_guard lock(mutex);
    auto& entry = (*files)[path];
    if (!entry) {
        entry = std::make_shared<Data>(Data::readFile(path));
    }
    return entry;
}

// drawSpaced and filterText compare each byte as a signed char widened to 32
// bits, so bytes 128 to 255 never match a code point.
char32_t codeOfByte(char c) {
    return static_cast<char32_t>(static_cast<std::int32_t>(static_cast<signed char>(c)));
}

bool usableNumber(float value, float limit) {
    return std::isfinite(value) && value > 0.0f && value <= limit;
}

} // namespace

TTFFont::TTFFont(const std::string& path, float size, float resolutionScale)
    : Font(path), size_(size), resolutionScale_(resolutionScale) {
    fontBytes_ = cachedFontFile(path);
    if (fontBytes_->empty()) {
        log("TTFFont: font file %s is missing or empty; its text draws nothing", path.c_str());
        return;
    }
    std::string fault;
    if (!GlyphAtlas::initFont(info_, *fontBytes_, &fault)) {
        log("TTFFont: %s is not a usable TrueType font (%s); its text draws nothing", path.c_str(), fault.c_str());
        return;
    }
    if (!usableNumber(size, maxSize) || !usableNumber(resolutionScale, 16.0f)) {
        log("TTFFont: %s can't be used at size %g and resolution scale %g; its text draws nothing", path.c_str(),
            static_cast<double>(size), static_cast<double>(resolutionScale));
        return;
    }
    usable_ = true;
    int ascent = 0, descent = 0, lineGap = 0;
    stbtt_GetFontVMetrics(&info_, &ascent, &descent, &lineGap);
    scale_ = stbtt_ScaleForPixelHeight(&info_, size_);
    lineHeight_ = scale_ * static_cast<float>(ascent - descent + lineGap);
    base_ = scale_ * static_cast<float>(ascent);
    // Packing only: the atlas texture is taken on the main thread, by
    // prepareTextures.
    storeGlyphs(decodeUtf8(preloadedCharacters));
}

void TTFFont::storeGlyphs(const std::u32string& codes) {
    const std::vector<Glyph> packed = GlyphAtlas::instance()->packGlyphs(info_, size_, resolutionScale_, codes);
    for (std::size_t i = 0; i < codes.size(); ++i) {
        glyphs_[codes[i]] = packed[i];
    }
}

void TTFFont::addGlyphs(const std::u32string& codePoints) {
    if (!usable_ || codePoints.empty()) {
        return;
    }
    storeGlyphs(codePoints);
    texture_ = nullptr;
    prepareTextures();
}

void TTFFont::prepareTextures() {
    if (texture_ || !usable_) {
        return;
    }
    texture_ = GlyphAtlas::instance()->createTexture();
    if (!texture_) {
        return;
    }
    for (auto& [code, glyph] : glyphs_) {
        glyph.texture = texture_;
    }
}

float TTFFont::kerning(char32_t first, char32_t second) const {
    // Widened bytes of drawSpaced are no code points at all.
    if (!usable_ || first > 0x10FFFF || second > 0x10FFFF) {
        return 0.0f;
    }
    const std::uint64_t key = static_cast<std::uint64_t>(first) << 32 | second;
    const auto cached = kerningCache_.find(key);
    if (cached != kerningCache_.end()) {
        return cached->second;
    }
    const float amount = scale_ * static_cast<float>(stbtt_GetCodepointKernAdvance(&info_, static_cast<int>(first),
                                                                                  static_cast<int>(second)));
    kerningCache_.emplace(key, amount);
    return amount;
}

const Glyph* TTFFont::findGlyph(char32_t code) const {
    const auto found = glyphs_.find(code);
    return found == glyphs_.end() ? nullptr : &found->second;
}

// Every code point the text needs and the font lacks, each once: a repeated
// character must not take room in the atlas twice.
void TTFFont::addMissingGlyphs(const std::u32string& codes) {
    std::u32string missing;
    std::unordered_set<char32_t> seen;
    for (const char32_t code : codes) {
        if (!glyphs_.count(code) && seen.insert(code).second) {
            missing += code;
        }
    }
    addGlyphs(missing);
}

// The one walk behind drawing, building and measuring. The pen's y is the
// baseline: the glyph corners hold their offsets from it. Returns the pen's
// final x.
template <typename EmitQuad>
float TTFFont::layout(const glm::vec3& position, const std::u32string& codes, float extraSpace,
                      EmitQuad emit) const {
    float x = position.x;
    float y = position.y;
    bool havePrevious = false;
    char32_t previous = 0;
    for (const char32_t code : codes) {
        if (code == U'\n') {
            havePrevious = false;
            x = 0.0f;
            y += lineHeight_;
            continue;
        }
        if (havePrevious) {
            x += kerning(previous, code);
        }
        const Glyph* glyph = findGlyph(code);
        if (!glyph) {
            continue;
        }
        emit(*glyph, glm::vec3(x, y, position.z));
        havePrevious = true;
        previous = code;
        x += glyph->xadvance;
        if (code == U' ') {
            x += extraSpace;
        }
    }
    return x;
}

void TTFFont::drawSpaced(const glm::vec3& position, const std::string& text, float extraSpace) {
    Render* render = Render::instance();
    if (!render || !usable_) {
        return;
    }
    prepareTextures();
    std::u32string codes;
    codes.reserve(text.size());
    for (const char c : text) {
        codes += codeOfByte(c);
    }
    VertexData quad;
    layout(position, codes, extraSpace, [&](const Glyph& glyph, const glm::vec3& pen) {
        // Without the atlas texture a glyph would show as a white box.
        if (!glyph.texture) {
            return;
        }
        render->setTexture(glyph.texture);
        quad.vertices.clear();
        quad.indices.clear();
        glyph.appendQuad(quad, pen);
        render->drawVertexData(quad);
    });
}

std::shared_ptr<DrawData> TTFFont::buildDrawData(const glm::vec3& position, const std::string& text,
                                                 float extraSpace) {
    auto result = std::make_shared<DrawData>();
    if (!usable_) {
        return result;
    }
    const std::u32string codes = decodeUtf8(text);
    addMissingGlyphs(codes);
    prepareTextures();
    // Quads go straight into the batch of their texture (a new batch when
    // the texture changes, as DrawData::add would merge them).
    auto& batches = result->batches;
    layout(position, codes, extraSpace, [&](const Glyph& glyph, const glm::vec3& pen) {
        if (!glyph.texture) {
            return;
        }
        if (batches.empty() || batches.back().texture != glyph.texture) {
            batches.push_back({glyph.texture, {}});
            batches.back().vertexData.vertices.reserve(codes.size() * 4);
            batches.back().vertexData.indices.reserve(codes.size() * 6);
        }
        glyph.appendQuad(batches.back().vertexData, pen);
    });
    return result;
}

glm::vec2 TTFFont::measure(const std::string& text) {
    const std::u32string codes = decodeUtf8(text);
    addMissingGlyphs(codes);
    const float width = layout(glm::vec3(0.0f), codes, 0.0f, [](const Glyph&, const glm::vec3&) {});
    return {width, lineHeight_};
}

std::string TTFFont::filterText(const std::string& text) {
    // Only the preloaded characters and those laid out so far have glyphs
    // yet: one the font file holds (a space typed into a field whose font
    // has drawn none) is rendered now rather than taken for one it lacks.
    std::u32string missing;
    for (const char c : text) {
        const char32_t code = codeOfByte(c);
        if (usable_ && code >= 0x20 && code < 0x7F && !findGlyph(code) && missing.find(code) == std::u32string::npos &&
            stbtt_FindGlyphIndex(&info_, static_cast<int>(code)) != 0) {
            missing += code;
        }
    }
    addGlyphs(missing);
    std::string result;
    for (const char c : text) {
        if (c != '\n' && c != '\r' && findGlyph(codeOfByte(c))) {
            result += c;
        }
    }
    return result;
}

} // namespace vorn
