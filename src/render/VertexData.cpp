#include "render/VertexData.h"

namespace vorn {

void VertexData::append(const VertexData& other) {
    const auto base = static_cast<std::uint16_t>(vertices.size());
    vertices.insert(vertices.end(), other.vertices.begin(), other.vertices.end());
    indices.reserve(indices.size() + other.indices.size());
    for (const std::uint16_t index : other.indices) {
        indices.push_back(static_cast<std::uint16_t>(index + base));
    }
}

} // namespace vorn
