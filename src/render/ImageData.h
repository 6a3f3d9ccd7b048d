#pragma once

#include "core/Color.h"
#include "core/Rect.h"
#include "core/Resource.h"
#include "render/VertexData.h"

#include <glm/vec2.hpp>

#include <cstdint>
#include <memory>
#include <vector>

namespace tinyxml2 {
class XMLElement;
}

namespace vorn {

class Texture;

// One drawable frame: a texture (or none) with the triangles that show it.
// Positions are in design units, origin at the frame's top left; width and
// height are in source pixels and scale maps them to design units, so the
// frame covers width x scale by height x scale.
class ImageData : public Resource {
public:
    // No texture, no vertices, size 0.
    ImageData();
    // The given triangles over texture, copied; the size is the texture's.
    ImageData(std::shared_ptr<Texture> texture, const std::vector<VertexData::Vertex>& vertices,
              const std::vector<std::uint16_t>& indices);
    // Shares the texture, copies the vertices; the copy has no name.
    ImageData(const ImageData& other);
    // An untextured quad from (0, 0) to size in one colour.
    ImageData(const glm::vec2& size, const Color& color);
    // The whole texture as a quad of its size times scale.
    ImageData(std::shared_ptr<Texture> texture, float scale);
    // One "sprite" element of an atlas file. A polygon sprite whose lists
    // are not numbers, are uneven or name vertices it does not have is
    // rejected with a log line: the frame keeps its size but has no
    // triangles, so it draws nothing.
    ImageData(std::shared_ptr<Texture> texture, const tinyxml2::XMLElement* sprite, float scale);
    // A copy mirrored inside its own bounding box.
    ImageData(const ImageData& other, bool flipX, bool flipY);
    // A copy whose texture coordinates repeat every width x height design
    // units (with the renderer's wrap mode on). A zero width or height
    // leaves the coordinates as they were.
    ImageData(const ImageData& other, float width, float height);
    ~ImageData() override;

    // Keeps this frame's name.
    ImageData& operator=(const ImageData& other);

    // Uploads the texture; main thread only.
    void load() override;

    // Stretches the positions so that a frame spanning its extent spans
    // size; the scale stays. A frame of zero width, height or scale stays
    // as it is.
    void setSize(const glm::vec2& size);
    void draw() const;

    // Smallest rectangles around the positions and the texture
    // coordinates; all zero without vertices.
    Rect bounds() const;
    Rect uvBounds() const;

    const std::shared_ptr<Texture>& getTexture() const { return texture_; }
    const std::shared_ptr<VertexData>& getVertexData() const { return vertexData_; }
    float getWidth() const { return width_; }
    float getHeight() const { return height_; }
    float getScale() const { return scale_; }

private:
    void makeQuad(const glm::vec2& topLeft, const glm::vec2& bottomRight, const glm::vec2& uvTopLeft,
                  const glm::vec2& uvBottomRight, const Color& color);
    bool readPolygon(const tinyxml2::XMLElement* sprite, float textureWidth, float textureHeight);

    float width_ = 0.0f;
    float height_ = 0.0f;
    float scale_ = 1.0f;
    std::shared_ptr<Texture> texture_;
    std::shared_ptr<VertexData> vertexData_;
};

} // namespace vorn
