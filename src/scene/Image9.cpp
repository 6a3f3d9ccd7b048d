#include "scene/Image9.h"

#include "core/Log.h"
#include "render/Render.h"
#include "render/Texture.h"
#include "scene/LoadContext.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace vorn {

Image9::Image9() = default;

Image9::Image9(const ImageData& frame, float corner) {
    sourceData_ = std::make_shared<ImageData>(frame);
    size_ = {frame.getWidth() * frame.getScale(), frame.getHeight() * frame.getScale()};
    setCorner(corner);
    data_ = buildNineSlice();
}

Image9::~Image9() = default;

void Image9::setCorner(float corner) {
    if (!std::isfinite(corner)) {
        log("Image9 %s: corner %f is not a number of units, 0 used", name_.c_str(), static_cast<double>(corner));
        corner = 0.0f;
    }
    corner_ = corner;
}

void Image9::setProperties(const Attributes& attributes) {
    Image::setProperties(attributes);
    LoadContext::find(attributes, "corner", [this](const Value& corner) { setCorner(corner.asFloat()); });
    if (sourceData_) data_ = buildNineSlice();
}

void Image9::onSetup() {
    if (!sourceData_) return;
    sourceData_->load();
    data_ = buildNineSlice();
}

void Image9::onSizeChanged() {
    if (sourceData_ && sourceData_->getTexture() && corner_ != 0.0f) data_ = buildNineSlice();
}

void Image9::draw() {
    Render* render = Render::instance();
    if (!render) return;
    // A repeating image drawn before must not make the slices wrap.
    render->setTextureWrap(0, 0);
    data_.draw();
}

ImageData Image9::buildNineSlice() const {
    if (!sourceData_ || !sourceData_->getTexture()) return {};
    const ImageData& source = *sourceData_;
    const float w = source.getWidth();
    const float h = source.getHeight();
    const float s = source.getScale();
    // A picture that failed to load has no pixels to cut.
    if (w <= 0.0f || h <= 0.0f || s <= 0.0f) return {};

    const Rect uv = source.uvBounds();
    const float uMin = uv.x, vMin = uv.y, uMax = uv.x + uv.w, vMax = uv.y + uv.h;
    const float c = corner_;
    const float W = size_.x;
    const float H = size_.y;
    const float G = uv.w * c / (s * w);
    const float L = uv.h * c / (s * h);

    const float xs[] = {0.0f, c, W - c, W};
    const float ys[] = {0.0f, c, H - c, H};
    const float us[] = {uMin, uMin + G, uMax - G, uMax};
    const float vs[] = {vMin, vMin + L, vMax - L, vMax};
    // Grid points (column, row), in the order the triangle list names them:
    // the four outer corners, then the rest row by row.
    static const int grid[16][2] = {{0, 0}, {3, 0}, {3, 3}, {0, 3}, {1, 0}, {2, 0}, {0, 1}, {1, 1},
                                    {2, 1}, {3, 1}, {0, 2}, {1, 2}, {2, 2}, {3, 2}, {1, 3}, {2, 3}};
    std::vector<VertexData::Vertex> vertices(16);
    for (int i = 0; i < 16; ++i) {
        VertexData::Vertex& v = vertices[static_cast<std::size_t>(i)];
        v.x = xs[grid[i][0]];
        v.y = ys[grid[i][1]];
        v.u = us[grid[i][0]];
        v.v = vs[grid[i][1]];
    }
    static const std::vector<std::uint16_t> triangles = {
        0, 4, 6,  6,  4, 7,  4,  5,  7,  7,  5, 8,  5,  1,  8,  8,  1,  9,  6,  7,  10, 10, 7,  11, 7,  8, 11,
        11, 8, 12, 8, 9, 12, 12, 9, 13, 10, 11, 3, 3, 11, 14, 11, 12, 14, 14, 12, 15, 12, 13, 15, 15, 13, 2};
    return ImageData(source.getTexture(), vertices, triangles);
}

} // namespace vorn
