#include "render/fonts/EasyFont.h"

#include "render/DrawData.h"
#include "render/Render.h"
#include "render/VertexData.h"

#include <stb/stb_easy_font.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace vorn {

namespace {

// The generator indexes its character table with every byte it is given;
// anything outside the table would be read out of bounds.
std::string drawable(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (const char c : text) {
        if (c == '\n' || (c >= 32 && c <= 126)) {
            result += c;
        }
    }
    return result;
}

// The generator's spacing is a global of this file; it is only ever 0, so it
// is set once rather than before every call (which would be a write shared
// by every thread that measures).
void useNoSpacing() {
    static std::once_flag once;
    std::call_once(once, [] { stb_easy_font_spacing(0.0f); });
}

struct GeneratedVertex {
    float x, y, z;
    unsigned char color[4];
};
static_assert(sizeof(GeneratedVertex) == 16);

// Quads of four generated vertices each, in the order top left, top right,
// bottom right, bottom left. The buffer is per thread, so fonts on two
// threads never write into one another's quads.
const GeneratedVertex* generate(const glm::vec3& position, const std::string& text, int& quadCount) {
    struct alignas(16) Buffer {
        char bytes[EasyFont::bufferSize];
    };
    thread_local Buffer buffer;
    useNoSpacing();
    std::string chars = drawable(text);
    const float height = static_cast<float>(stb_easy_font_height(chars.data()));
    quadCount = stb_easy_font_print(position.x, position.y - 0.75f * height, chars.data(), nullptr,
                                    buffer.bytes, EasyFont::bufferSize);
    return reinterpret_cast<const GeneratedVertex*>(buffer.bytes);
}

void quadAt(const GeneratedVertex* quad, VertexData& data) {
    data.vertices.resize(4);
    for (int i = 0; i < 4; ++i) {
        VertexData::Vertex& v = data.vertices[static_cast<std::size_t>(i)];
        v.x = quad[i].x;
        v.y = quad[i].y;
        v.z = quad[i].z;
    }
    data.indices = {0, 1, 3, 3, 1, 2};
}

} // namespace

void EasyFont::drawSpaced(const glm::vec3& position, const std::string& text, float) {
    Render* render = Render::instance();
    if (!render) {
        return;
    }
    int quads = 0;
    const GeneratedVertex* vertices = generate(position, text, quads);
    render->unsetTexture();
    VertexData quad;
    for (int i = 0; i < quads; ++i) {
        quadAt(vertices + 4 * i, quad);
        render->drawVertexData(quad);
    }
}

std::shared_ptr<DrawData> EasyFont::buildDrawData(const glm::vec3& position, const std::string& text, float) {
    auto result = std::make_shared<DrawData>();
    int quads = 0;
    const GeneratedVertex* vertices = generate(position, text, quads);
    VertexData quad;
    for (int i = 0; i < quads; ++i) {
        quadAt(vertices + 4 * i, quad);
        result->add(nullptr, quad);
    }
    return result;
}

glm::vec2 EasyFont::measure(const std::string& text) {
    useNoSpacing();
    std::string chars = drawable(text);
    return {static_cast<float>(stb_easy_font_width(chars.data())),
            static_cast<float>(stb_easy_font_height(chars.data()))};
}

float EasyFont::lineHeight() {
    char sample[] = "aA";
    return static_cast<float>(stb_easy_font_height(sample));
}

float EasyFont::base() {
    return lineHeight();
}

} // namespace vorn
