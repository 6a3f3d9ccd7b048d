#include "render/BaseRender.h"

#include "core/Log.h"
#include "render/VertexData.h"

#include <algorithm>

namespace vorn {

namespace {

// Saturates instead of wrapping, and maps NaN to 0.
inline std::uint32_t channelByte(float c) {
    const float clamped = c > 0.0f ? (c < 1.0f ? c : 1.0f) : 0.0f;
    return static_cast<std::uint32_t>(clamped * 255.0f);
}

inline std::uint32_t packColor(const VertexData::Vertex& v, const Color& c) {
    return channelByte(v.a * c.a) << 24 | channelByte(v.r * c.r) << 16 | channelByte(v.g * c.g) << 8 |
           channelByte(v.b * c.b);
}

} // namespace

// Left unset: a batch writes what it draws before it is read, and pages
// never written (most of both arrays in a plain frame) cost no memory and
// no time at start.
BaseRender::BaseRender()
    : vertices_(std::make_unique_for_overwrite<BatchVertex[]>(maxBatchVertices)),
      indices_(std::make_unique_for_overwrite<std::uint16_t[]>(maxBatchIndices)) {}

BaseRender::~BaseRender() = default;

std::shared_ptr<VertexData> BaseRender::createVertexData() { return std::make_shared<VertexData>(); }

void BaseRender::setTextureWrap(const int& u, const int& v) {
    if (u == wrapU_ && v == wrapV_) {
        return;
    }
    // Vertices already batched keep the old addressing.
    flush(FlushReason::TextureWrap);
    wrapU_ = u;
    wrapV_ = v;
}

void BaseRender::draw(const std::shared_ptr<VertexData>& data) {
    if (data) {
        drawVertexData(*data);
    }
}

void BaseRender::drawVertexData(const VertexData& data) {
    std::size_t vertexCount = data.vertices.size();
    if (vertexCount == 0) {
        return;
    }
    if (vertexCount > maxBatchVertices) {
        // 16-bit indices cannot reach further.
        log("BaseRender::drawVertexData: %zu vertices, only the first %zu can be drawn", vertexCount,
            maxBatchVertices);
        vertexCount = maxBatchVertices;
    }
    // A stray index or two past the last whole triangle would pair up with
    // the next draw's indices into triangles nobody asked for.
    const std::size_t indexCount = data.indices.size() - data.indices.size() % 3;
    if (indexCount <= maxBatchIndices) {
        appendChecked(data, vertexCount, 0, indexCount);
        return;
    }
    // Too many triangles for one device draw: send them in runs of whole
    // triangles, each with the vertices it indexes.
    for (std::size_t first = 0; first < indexCount; first += maxBatchIndices) {
        appendChecked(data, vertexCount, first, std::min(maxBatchIndices, indexCount - first));
    }
}

void BaseRender::makeRoom(std::size_t vertexCount, std::size_t indexCount) {
    if (vertexCount_ + vertexCount <= maxBatchVertices && indexCount_ + indexCount <= maxBatchIndices) {
        return;
    }
    flush(FlushReason::BatchFull);
    if (vertexCount_ != 0 || indexCount_ != 0) {
        // The device did not take the batch; it cannot grow any further.
        log("BaseRender: batch of %zu vertices dropped, the device did not take it", vertexCount_);
        clearBatch();
    }
}

void BaseRender::appendChecked(const VertexData& data, std::size_t vertexCount, std::size_t firstIndex,
                               std::size_t indexCount) {
    makeRoom(vertexCount, indexCount);

    const std::size_t base = vertexCount_;
    BatchVertex* out = vertices_.get() + base;
    const VertexData::Vertex* in = data.vertices.data();
    const Color c = color_;
    if (identity_) {
        for (std::size_t i = 0; i < vertexCount; ++i) {
            const VertexData::Vertex& v = in[i];
            out[i] = BatchVertex{v.x, v.y, v.z, packColor(v, c), v.u, v.v};
        }
    } else if (translationOnly_) {
        const float tx = translation_.x;
        const float ty = translation_.y;
        for (std::size_t i = 0; i < vertexCount; ++i) {
            const VertexData::Vertex& v = in[i];
            out[i] = BatchVertex{v.x + tx, v.y + ty, v.z, packColor(v, c), v.u, v.v};
        }
    } else {
        const glm::mat4& m = matrix_;
        for (std::size_t i = 0; i < vertexCount; ++i) {
            const VertexData::Vertex& v = in[i];
            out[i] = BatchVertex{m[0][0] * v.x + m[1][0] * v.y + m[2][0] * v.z + m[3][0],
                                 m[0][1] * v.x + m[1][1] * v.y + m[2][1] * v.z + m[3][1],
                                 m[0][2] * v.x + m[1][2] * v.y + m[2][2] * v.z + m[3][2],
                                 packColor(v, c),
                                 v.u,
                                 v.v};
        }
    }

    // Indices past this data's own vertices would draw whatever else sits in
    // the batch or the device buffer.
    const std::uint16_t* source = data.indices.data() + firstIndex;
    std::uint16_t* target = indices_.get() + indexCount_;
    const auto shift = static_cast<std::uint32_t>(base);
    std::uint32_t largest = 0;
    for (std::size_t i = 0; i < indexCount; ++i) {
        const std::uint32_t index = source[i];
        largest = std::max(largest, index);
        target[i] = static_cast<std::uint16_t>(index + shift);
    }
    if (indexCount != 0 && largest >= vertexCount) {
        log("BaseRender::drawVertexData: index %u past the %zu vertices, draw skipped", largest, vertexCount);
        return;
    }
    vertexCount_ += vertexCount;
    indexCount_ += indexCount;
}

void BaseRender::clearBatch() {
    vertexCount_ = 0;
    indexCount_ = 0;
}

void BaseRender::setColor(const Color& color) { color_ = color; }

void BaseRender::multiplyColor(const Color& color) { color_ = color_ * color; }

void BaseRender::pushColor() { colorStack_.push_back(color_); }

void BaseRender::popColor() {
    if (colorStack_.empty()) {
        color_ = Color();
        return;
    }
    color_ = colorStack_.back();
    colorStack_.pop_back();
}

const Color& BaseRender::getColor() { return color_; }

void BaseRender::setProjection(const glm::mat4& projection) { projection_ = projection; }

glm::mat4 BaseRender::getProjection() { return projection_; }

void BaseRender::analyseMatrix() {
    translationOnly_ = false;
    identity_ = false;
    const glm::mat4& m = matrix_;
    for (int column = 0; column < 3; ++column) {
        for (int row = 0; row < 3; ++row) {
            if (m[column][row] != (column == row ? 1.0f : 0.0f)) {
                return;
            }
        }
    }
    if (m[0][3] != 0.0f || m[1][3] != 0.0f || m[2][3] != 0.0f || m[3][2] != 0.0f || m[3][3] != 1.0f) {
        return;
    }
    translationOnly_ = true;
    translation_ = glm::vec3(m[3][0], m[3][1], 0.0f);
}

void BaseRender::setMatrix(const glm::mat4& matrix) {
    matrix_ = matrix;
    analyseMatrix();
}

void BaseRender::multMatrix(const glm::mat4& m) {
    const bool simple = translationOnly_ || identity_;
    matrix_ = matrix_ * m;
    if (simple) {
        analyseMatrix();
    } else {
        translationOnly_ = false;
        identity_ = false;
    }
}

void BaseRender::pushMatrix() {
    matrixStack_.push_back(matrix_);
    translationOnlyStack_.push_back(translationOnly_);
    identityStack_.push_back(identity_);
}

void BaseRender::popMatrix() {
    if (matrixStack_.empty()) {
        matrix_ = glm::mat4(1.0f);
        translationOnly_ = false;
        identity_ = true;
        return;
    }
    matrix_ = matrixStack_.back();
    matrixStack_.pop_back();
    translationOnly_ = translationOnlyStack_.back();
    translationOnlyStack_.pop_back();
    identity_ = identityStack_.back();
    identityStack_.pop_back();
    if (translationOnly_) {
        translation_ = glm::vec3(matrix_[3][0], matrix_[3][1], 0.0f);
    }
}

glm::mat4 BaseRender::getMatrix() { return matrix_; }

void BaseRender::setClipRect(const Rect&, bool) {}

void BaseRender::disableClip() {}

void BaseRender::pushClip() { clipStack_.push_back(clip_); }

void BaseRender::popClip() {
    // What is batched was drawn under the clip being left.
    flush(FlushReason::Clip);
    if (clipStack_.empty()) {
        disableClip();
        return;
    }
    clip_ = clipStack_.back();
    clipStack_.pop_back();
    if (clip_.enabled) {
        setClipRect(clip_.rect, true);
    } else {
        disableClip();
    }
}

} // namespace vorn
