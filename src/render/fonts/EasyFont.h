#pragma once

#include "render/fonts/Font.h"

namespace vorn {

// The built-in font that needs no file: every character is a few untextured
// rectangles from the stb_easy_font generator, 12 units per line. It draws
// the printable ASCII characters and line breaks; other bytes are left out.
class EasyFont : public Font {
public:
    // At most this many bytes of quads per call; the rest of a longer text
    // is not drawn.
    static constexpr int bufferSize = 99999;

    EasyFont() = default;

    void prepareTextures() override {}
    void drawSpaced(const glm::vec3& position, const std::string& text, float extraSpace) override;
    std::shared_ptr<DrawData> buildDrawData(const glm::vec3& position, const std::string& text,
                                            float extraSpace) override;
    glm::vec2 measure(const std::string& text) override;
    std::string filterText(const std::string& text) override { return text; }
    float lineHeight() override;
    float base() override;
};

} // namespace vorn
