#pragma once

#include "render/VertexData.h"

#include <memory>
#include <vector>

namespace vorn {

class Texture;

// What a font builds for a text: batches in drawing order, each a texture
// (null for untextured) with the vertex data drawn with it.
class DrawData {
public:
    struct Batch {
        std::shared_ptr<Texture> texture;
        VertexData vertexData;
    };

    std::vector<Batch> batches;

    // Merges into the last batch when it has the same texture object (two
    // null textures are the same); only the last batch is compared.
    void add(const std::shared_ptr<Texture>& texture, const VertexData& data);
    // Copies other's batches to the end without merging across the seam.
    void append(const DrawData& other);
    // Binds each batch's texture and draws its vertex data on the current
    // renderer, under its matrix and colour.
    void draw() const;
};

} // namespace vorn
