#pragma once

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <array>
#include <memory>

namespace vorn {

class Texture;
class VertexData;

// One character of a bitmap or TrueType font: a textured quad relative to
// the pen. Corners and uv run top-left, top-right, bottom-right, bottom-left.
class Glyph {
public:
    int id = 0;
    std::shared_ptr<Texture> texture;
    std::array<glm::vec3, 4> corners{};
    std::array<glm::vec2, 4> uv{};
    float xoffset = 0.0f;
    float yoffset = 0.0f;
    float xadvance = 0.0f;

    // Appends the quad at pen, white, as the two triangles top-left,
    // top-right, bottom-left and bottom-left, top-right, bottom-right.
    void appendQuad(VertexData& data, const glm::vec3& pen) const;
};

} // namespace vorn
