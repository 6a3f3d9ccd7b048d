#pragma once

#include <cstdint>
#include <vector>

namespace vorn {

// Coloured, textured vertices with a triangle list: the unit handed to the
// renderer's drawVertexData. Copies are deep.
class VertexData {
public:
    struct Vertex {
        float x = 0.0f, y = 0.0f, z = 0.0f;
        float r = 1.0f, g = 1.0f, b = 1.0f, a = 1.0f; // 0 to 1
        float u = 0.0f, v = 0.0f;
    };
    static_assert(sizeof(Vertex) == 9 * sizeof(float));

    std::vector<Vertex> vertices;
    // Three per triangle, over the vertices of this same object.
    std::vector<std::uint16_t> indices;

    // Appends other's vertices and its indices shifted by this object's
    // vertex count from before the call (16-bit sums).
    void append(const VertexData& other);
};

} // namespace vorn
