#pragma once

#include "render/Render.h"

#include <glm/vec3.hpp>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace vorn {

// Everything of the renderer that needs no device: the matrix, colour and
// clip stacks and one CPU-side batch. Every drawn vertex is transformed and
// coloured here, so consecutive draws with one texture reach the device as
// one draw call; the device sees only the projection.
class BaseRender : public Render {
public:
    // The vertex of the batch and of the device buffers.
    struct BatchVertex {
        float x, y, z;
        std::uint32_t color; // 0xAARRGGBB
        float u, v;
    };
    static_assert(sizeof(BatchVertex) == 24);

    struct ClipState {
        bool enabled = false;
        Rect rect; // in pixels of the render target
        bool operator==(const ClipState&) const = default;
    };

    // 16-bit indices address 65,536 vertices; the index bound is the device
    // index buffer's size. A draw that would pass either flushes first.
    static constexpr std::size_t maxBatchVertices = 65536;
    static constexpr std::size_t maxBatchIndices = 655350;

    BaseRender();
    ~BaseRender() override;

    std::shared_ptr<VertexData> createVertexData() override;
    void setTextureWrap(const int& u, const int& v) override;
    void draw(const std::shared_ptr<VertexData>& data) override;
    void drawVertexData(const VertexData& data) override;

    void setColor(const Color& color) override;
    void multiplyColor(const Color& color) override;
    void pushColor() override;
    void popColor() override;
    const Color& getColor() override;

    void setProjection(const glm::mat4& projection) override;
    glm::mat4 getProjection() override;
    void setMatrix(const glm::mat4& matrix) override;
    void multMatrix(const glm::mat4& m) override;
    void pushMatrix() override;
    void popMatrix() override;
    glm::mat4 getMatrix() override;

    // Left to the back end.
    void setClipRect(const Rect& rect, bool inWindowPixels) override;
    void disableClip() override;
    void pushClip() override;
    void popClip() override;

    const ClipState& clipState() const { return clip_; }
    int wrapU() const { return wrapU_; }
    int wrapV() const { return wrapV_; }
    bool isTranslationOnly() const { return translationOnly_; }
    bool isIdentity() const { return identity_; }

    const BatchVertex* batchVertices() const { return vertices_.get(); }
    std::size_t batchVertexCount() const { return vertexCount_; }
    const std::uint16_t* batchIndices() const { return indices_.get(); }
    std::size_t batchIndexCount() const { return indexCount_; }

    using Render::flush;
    // Batches the back end has handed on for that reason, since the last reset.
    std::uint64_t flushCount(FlushReason reason) const { return flushCounts_[static_cast<std::size_t>(reason)]; }
    void resetFlushCounts() { flushCounts_ = {}; }

protected:
    void clearBatch();
    // A back end calls it once for every batch it hands on.
    void countFlush(FlushReason reason) { ++flushCounts_[static_cast<std::size_t>(reason)]; }
    void setClipState(const ClipState& clip) { clip_ = clip; }

private:
    void analyseMatrix();
    void appendChecked(const VertexData& data, std::size_t vertexCount, std::size_t firstIndex,
                       std::size_t indexCount);
    void makeRoom(std::size_t vertexCount, std::size_t indexCount);

    glm::mat4 matrix_{1.0f};
    glm::mat4 projection_{1.0f};
    Color color_;
    std::vector<glm::mat4> matrixStack_;
    std::vector<Color> colorStack_;
    std::unique_ptr<BatchVertex[]> vertices_;
    std::unique_ptr<std::uint16_t[]> indices_;
    std::size_t vertexCount_ = 0;
    std::size_t indexCount_ = 0;
    bool translationOnly_ = false;
    bool identity_ = false;
    glm::vec3 translation_{0.0f};
    std::vector<bool> translationOnlyStack_;
    std::vector<bool> identityStack_;
    ClipState clip_;
    std::vector<ClipState> clipStack_;
    int wrapU_ = 0;
    int wrapV_ = 0;
    std::array<std::uint64_t, flushReasonCount> flushCounts_{};
};

} // namespace vorn
