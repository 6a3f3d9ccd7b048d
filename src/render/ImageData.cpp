#include "render/ImageData.h"

#include "core/Log.h"
#include "render/Render.h"
#include "render/Texture.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace vorn {

namespace {

// Whitespace-separated pieces. Atlas tools write one blank between numbers,
// but a line break or a double blank in a hand-edited file must not turn
// into an empty "number".
std::vector<std::string> numberPieces(const tinyxml2::XMLElement* element) {
    std::vector<std::string> pieces;
    const char* text = element->GetText();
    if (!text) {
        return pieces;
    }
    std::string piece;
    for (const char* p = text;; ++p) {
        const bool blank = *p == ' ' || *p == '\t' || *p == '\n' || *p == '\r';
        if (*p == '\0' || blank) {
            if (!piece.empty()) {
                pieces.push_back(piece);
                piece.clear();
            }
            if (*p == '\0') {
                break;
            }
        } else {
            piece += *p;
        }
    }
    return pieces;
}

bool parseFloat(const std::string& text, float& value) {
    errno = 0;
    char* end = nullptr;
    value = std::strtof(text.c_str(), &end);
    return end == text.c_str() + text.size() && errno != ERANGE && std::isfinite(value);
}

bool parseIndex(const std::string& text, long& value) {
    errno = 0;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return end == text.c_str() + text.size() && errno != ERANGE;
}

float safeDivide(float value, float divisor) {
    return divisor != 0.0f ? value / divisor : 0.0f;
}

} // namespace

ImageData::ImageData() : vertexData_(std::make_shared<VertexData>()) {}

ImageData::ImageData(std::shared_ptr<Texture> texture, const std::vector<VertexData::Vertex>& vertices,
                     const std::vector<std::uint16_t>& indices)
    : texture_(std::move(texture)), vertexData_(std::make_shared<VertexData>()) {
    if (texture_) {
        const glm::vec2 size = texture_->getSize();
        width_ = size.x;
        height_ = size.y;
    }
    vertexData_->vertices = vertices;
    vertexData_->indices = indices;
}

ImageData::ImageData(const ImageData& other)
    : Resource(other),
      width_(other.width_),
      height_(other.height_),
      scale_(other.scale_),
      texture_(other.texture_),
      vertexData_(std::make_shared<VertexData>(*other.vertexData_)) {}

ImageData::ImageData(const glm::vec2& size, const Color& color)
    : width_(size.x), height_(size.y), vertexData_(std::make_shared<VertexData>()) {
    makeQuad({0.0f, 0.0f}, size, {0.0f, 0.0f}, {1.0f, 1.0f}, color);
}

ImageData::ImageData(std::shared_ptr<Texture> texture, float scale)
    : scale_(scale), texture_(std::move(texture)), vertexData_(std::make_shared<VertexData>()) {
    if (texture_) {
        const glm::vec2 size = texture_->getSize();
        width_ = size.x;
        height_ = size.y;
    }
    makeQuad({0.0f, 0.0f}, {width_ * scale_, height_ * scale_}, {0.0f, 0.0f}, {1.0f, 1.0f}, Color());
}

ImageData::ImageData(std::shared_ptr<Texture> texture, const tinyxml2::XMLElement* sprite, float scale)
    : scale_(scale), texture_(std::move(texture)), vertexData_(std::make_shared<VertexData>()) {
    if (!sprite) {
        return;
    }
    const float x = sprite->FloatAttribute("x", 0.0f);
    const float y = sprite->FloatAttribute("y", 0.0f);
    const float w = sprite->FloatAttribute("w", 0.0f);
    const float h = sprite->FloatAttribute("h", 0.0f);
    const float offsetX = sprite->FloatAttribute("oX", 0.0f);
    const float offsetY = sprite->FloatAttribute("oY", 0.0f);
    width_ = sprite->FloatAttribute("oW", w);
    height_ = sprite->FloatAttribute("oH", h);

    // A missing atlas image has size 0: its sprites get texture coordinates
    // 0 rather than infinities.
    const glm::vec2 textureSize = texture_ ? texture_->getSize() : glm::vec2(0.0f);

    if (sprite->FirstChildElement("vertices") && sprite->FirstChildElement("verticesUV") &&
        sprite->FirstChildElement("triangles")) {
        if (!readPolygon(sprite, textureSize.x, textureSize.y)) {
            vertexData_->vertices.clear();
            vertexData_->indices.clear();
        }
        return;
    }

    makeQuad({offsetX * scale_, offsetY * scale_}, {(offsetX + w) * scale_, (offsetY + h) * scale_},
             {safeDivide(x, textureSize.x), safeDivide(y, textureSize.y)},
             {safeDivide(x + w, textureSize.x), safeDivide(y + h, textureSize.y)}, Color());
}

ImageData::ImageData(const ImageData& other, bool flipX, bool flipY) : ImageData(other) {
    auto& vertices = vertexData_->vertices;
    if (vertices.empty()) {
        return;
    }
    float minX = vertices[0].x, maxX = vertices[0].x;
    float minY = vertices[0].y, maxY = vertices[0].y;
    for (const auto& v : vertices) {
        minX = std::min(minX, v.x);
        maxX = std::max(maxX, v.x);
        minY = std::min(minY, v.y);
        maxY = std::max(maxY, v.y);
    }
    const float centreX = (minX + maxX) * 0.5f;
    const float centreY = (minY + maxY) * 0.5f;
    for (auto& v : vertices) {
        if (flipY) {
            v.y = centreY - (v.y - centreY);
        }
        if (flipX) {
            v.x = centreX - (v.x - centreX);
        }
    }
}

ImageData::ImageData(const ImageData& other, float width, float height) : ImageData(other) {
    if (width == 0.0f || height == 0.0f) {
        return;
    }
    for (auto& v : vertexData_->vertices) {
        v.u = v.x / width;
        v.v = v.y / height;
    }
}

ImageData::~ImageData() = default;

ImageData& ImageData::operator=(const ImageData& other) {
    if (this == &other) {
        return *this;
    }
    width_ = other.width_;
    height_ = other.height_;
    scale_ = other.scale_;
    texture_ = other.texture_;
    vertexData_ = std::make_shared<VertexData>(*other.vertexData_);
    return *this;
}

void ImageData::load() {
    if (texture_ && !texture_->isRenderTarget()) {
        texture_->load();
    }
}

void ImageData::setSize(const glm::vec2& size) {
    // The factors would divide by zero; such a frame has nothing to stretch.
    if (width_ == 0.0f || height_ == 0.0f || scale_ == 0.0f) {
        return;
    }
    const float kx = size.x / width_;
    const float ky = size.y / height_;
    for (auto& v : vertexData_->vertices) {
        v.x = v.x * kx / scale_;
        v.y = v.y * ky / scale_;
        v.z = v.z / scale_;
    }
    width_ = size.x;
    height_ = size.y;
}

void ImageData::draw() const {
    Render* render = Render::instance();
    if (!render) {
        return;
    }
    render->setTexture(texture_);
    render->draw(vertexData_);
}

namespace {

// The smallest rectangle holding one 2D attribute of every vertex.
template <typename Vertices, typename Point>
Rect boundsOf(const Vertices& vertices, Point point) {
    if (vertices.empty()) {
        return {};
    }
    Rect r(point(vertices.front()), glm::vec2(0.0f));
    for (const auto& v : vertices) {
        r.extendTo(point(v));
    }
    return r;
}

} // namespace

Rect ImageData::bounds() const {
    return boundsOf(vertexData_->vertices, [](const auto& v) { return glm::vec2(v.x, v.y); });
}

Rect ImageData::uvBounds() const {
    return boundsOf(vertexData_->vertices, [](const auto& v) { return glm::vec2(v.u, v.v); });
}

void ImageData::makeQuad(const glm::vec2& topLeft, const glm::vec2& bottomRight, const glm::vec2& uvTopLeft,
                         const glm::vec2& uvBottomRight, const Color& color) {
    auto vertex = [&](float x, float y, float u, float v) {
        VertexData::Vertex result;
        result.x = x;
        result.y = y;
        result.r = color.r;
        result.g = color.g;
        result.b = color.b;
        result.a = color.a;
        result.u = u;
        result.v = v;
        return result;
    };
    vertexData_->vertices = {
        vertex(topLeft.x, topLeft.y, uvTopLeft.x, uvTopLeft.y),
        vertex(bottomRight.x, topLeft.y, uvBottomRight.x, uvTopLeft.y),
        vertex(bottomRight.x, bottomRight.y, uvBottomRight.x, uvBottomRight.y),
        vertex(topLeft.x, bottomRight.y, uvTopLeft.x, uvBottomRight.y),
    };
    vertexData_->indices = {0, 1, 3, 3, 1, 2};
}

// Atlas files are read on the loading worker, where an exception would end
// the process: a malformed polygon is reported and the sprite left empty.
bool ImageData::readPolygon(const tinyxml2::XMLElement* sprite, float textureWidth, float textureHeight) {
    const char* name = sprite->Attribute("n");
    auto reject = [name](const char* why) {
        log("Atlas sprite %s: %s, sprite left empty", name ? name : "(unnamed)", why);
        return false;
    };

    const auto positions = numberPieces(sprite->FirstChildElement("vertices"));
    const auto uvs = numberPieces(sprite->FirstChildElement("verticesUV"));
    const auto triangles = numberPieces(sprite->FirstChildElement("triangles"));

    if (positions.size() % 2 != 0) {
        return reject("odd number of vertex coordinates");
    }
    if (uvs.size() < positions.size()) {
        return reject("fewer texture coordinates than vertex coordinates");
    }
    const std::size_t vertexCount = positions.size() / 2;
    if (vertexCount > std::numeric_limits<std::uint16_t>::max() + std::size_t{1}) {
        return reject("more vertices than 16-bit indices reach");
    }
    if (triangles.size() % 3 != 0) {
        return reject("triangle list not a multiple of three");
    }

    auto& vertices = vertexData_->vertices;
    vertices.reserve(vertexCount);
    for (std::size_t i = 0; i < positions.size(); i += 2) {
        float x = 0.0f, y = 0.0f, u = 0.0f, v = 0.0f;
        if (!parseFloat(positions[i], x) || !parseFloat(positions[i + 1], y)) {
            return reject("vertex coordinate is not a number");
        }
        if (!parseFloat(uvs[i], u) || !parseFloat(uvs[i + 1], v)) {
            return reject("texture coordinate is not a number");
        }
        VertexData::Vertex vertex;
        vertex.x = scale_ * x;
        vertex.y = scale_ * y;
        vertex.u = safeDivide(u, textureWidth);
        vertex.v = safeDivide(v, textureHeight);
        vertices.push_back(vertex);
    }

    auto& indices = vertexData_->indices;
    indices.reserve(triangles.size());
    for (const std::string& piece : triangles) {
        long index = 0;
        if (!parseIndex(piece, index)) {
            return reject("triangle index is not a number");
        }
        if (index < 0 || static_cast<std::size_t>(index) >= vertexCount) {
            return reject("triangle index out of range");
        }
        indices.push_back(static_cast<std::uint16_t>(index));
    }
    return true;
}

} // namespace vorn
