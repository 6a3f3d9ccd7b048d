#include "render/fonts/Font.h"

namespace vorn {

void Font::draw(const std::string& text) {
    drawAt(glm::vec3(0.0f), text);
}

void Font::drawAt(const glm::vec3& position, const std::string& text) {
    drawSpaced(position, text, 0.0f);
}

} // namespace vorn
