#include "render/Glyph.h"

#include "render/VertexData.h"

namespace vorn {

void Glyph::appendQuad(VertexData& data, const glm::vec3& pen) const {
    const auto base = static_cast<std::uint16_t>(data.vertices.size());
    for (std::size_t i = 0; i < 4; ++i) {
        VertexData::Vertex v;
        v.x = corners[i].x + pen.x;
        v.y = corners[i].y + pen.y;
        v.z = corners[i].z + pen.z;
        v.u = uv[i].x;
        v.v = uv[i].y;
        data.vertices.push_back(v);
    }
    for (const int offset : {0, 1, 3, 3, 1, 2}) {
        data.indices.push_back(static_cast<std::uint16_t>(base + offset));
    }
}

} // namespace vorn
