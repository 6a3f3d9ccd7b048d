#pragma once

#include "render/Glyph.h"
#include "render/fonts/Font.h"

#include <cstdint>
#include <map>
#include <memory>

namespace tinyxml2 {
class XMLElement;
}

namespace vorn {

class ImageData;

// A font of pre-rendered glyph images described by an XML file: pages,
// characters with their rectangles, offsets and advances, kerning pairs.
// Characters are the bytes of the text, so it draws ASCII; bytes 128 to 255
// never find a glyph.
class BMFont : public Font {
public:
    // Builds the font from the description's root element. A missing
    // section, a page without a file or whose image is missing, and a
    // character on a page that is not there are logged and left out.
    explicit BMFont(const tinyxml2::XMLElement* root);

    Glyph parseChar(const std::shared_ptr<ImageData>& page, const tinyxml2::XMLElement* element);

    void prepareTextures() override;
    void drawSpaced(const glm::vec3& position, const std::string& text, float extraSpace) override;
    std::shared_ptr<DrawData> buildDrawData(const glm::vec3& position, const std::string& text,
                                            float extraSpace) override;
    glm::vec2 measure(const std::string& text) override;
    std::string filterText(const std::string& text) override;
    float lineHeight() override { return lineHeight_; }
    float base() override { return base_; }

private:
    template <typename EmitQuad>
    float layout(const glm::vec3& position, const std::string& text, float extraSpace, EmitQuad emit);
    const Glyph* findGlyph(std::uint32_t code) const;
    float kerning(std::uint32_t first, std::uint32_t second) const;

    float lineHeight_ = 0.0f;
    float base_ = 0.0f;
    std::map<std::uint32_t, Glyph> chars_;
    std::map<int, std::shared_ptr<ImageData>> pages_;
    std::map<std::uint32_t, std::map<std::uint32_t, float>> kernings_;
    bool prepared_ = false;
};

} // namespace vorn
