#pragma once

// A renderer back end with no device: every flush is recorded with its
// texture, wrap flags, clip and (optionally) its vertices, so that drawing
// code can be checked without a window. Header-only, so benchmarks can use
// it too.

#include "render/BaseRender.h"
#include "render/Texture.h"

#include <functional>
#include <memory>
#include <vector>

namespace vorn::test {

class RecordingRender;

// A texture that counts its loads and renders into the recording renderer.
// As a render target it does what the device's does around the drawing:
// its own viewport, the matrix set to the scale, and everything restored
// afterwards.
class RecordingTexture : public Texture {
public:
    RecordingTexture() = default;
    RecordingTexture(RecordingRender* render, int width, int height) : render_(render) {
        kind_ = KindRenderTarget;
        width_ = static_cast<std::uint32_t>(width);
        height_ = static_cast<std::uint32_t>(height);
    }

    void load() override { ++loads; }
    inline void render(const std::function<void()>& draw, float scale) override;

    int loads = 0;
    int renders = 0;

private:
    RecordingRender* render_ = nullptr;
};

class RecordingRender : public BaseRender {
public:
    struct Batch {
        std::shared_ptr<Texture> texture;
        // The render target drawn into; null for the back buffer.
        const Texture* target = nullptr;
        int wrapU = 0;
        int wrapV = 0;
        ClipState clip;
        std::size_t vertexCount = 0;
        std::size_t indexCount = 0;
        std::vector<BatchVertex> vertices;
        std::vector<std::uint16_t> indices;
    };

    // Set false to record only counts (benchmarks).
    bool keepVertices = true;
    std::vector<Batch> batches;
    int flushes = 0;
    std::vector<Color> clears;
    Rect viewport;
    int frames = 0;

    bool setup() override { return true; }
    void beginFrame() override {}
    void endFrame() override {
        flush(FlushReason::FrameEnd);
        ++frames;
    }
    void setViewport(const Rect& r) override { viewport = r; }
    Rect getViewport() override { return viewport; }
    std::shared_ptr<Texture> createTexture() override { return std::make_shared<RecordingTexture>(); }
    std::shared_ptr<Texture> createRenderTexture(int width, int height) override {
        return std::make_shared<RecordingTexture>(this, width, height);
    }
    void clear(const Color& color) override { clears.push_back(color); }
    void setTexture(const std::shared_ptr<Texture>& texture) override {
        if (texture.get() != bound_.get()) {
            flush(FlushReason::Texture);
        }
        bound_ = texture;
    }
    void unsetTexture() override {
        if (bound_) {
            flush(FlushReason::Texture);
        }
        bound_.reset();
    }
    using BaseRender::flush;
    void flush(FlushReason reason) override {
        ++flushes;
        if (batchVertexCount() == 0) {
            return;
        }
        countFlush(reason);
        Batch batch;
        batch.texture = bound_;
        batch.target = target;
        batch.wrapU = wrapU();
        batch.wrapV = wrapV();
        batch.clip = clipState();
        batch.vertexCount = batchVertexCount();
        batch.indexCount = batchIndexCount();
        if (keepVertices) {
            batch.vertices.assign(batchVertices(), batchVertices() + batchVertexCount());
            batch.indices.assign(batchIndices(), batchIndices() + batchIndexCount());
        }
        batches.push_back(std::move(batch));
        clearBatch();
    }
    void setClipRect(const Rect& rect, bool) override {
        flush(FlushReason::Clip);
        Rect r = rect;
        if (clipState().enabled) {
            r = r.intersection(clipState().rect);
        }
        setClipState(ClipState{true, r});
        ++clipChanges;
    }
    void disableClip() override {
        flush(FlushReason::Clip);
        setClipState(ClipState{false, clipState().rect});
        ++clipChanges;
    }

    const std::shared_ptr<Texture>& boundTexture() const { return bound_; }
    int clipChanges = 0;
    // The render target being drawn, while one is.
    const Texture* target = nullptr;

private:
    std::shared_ptr<Texture> bound_;
};

void RecordingTexture::render(const std::function<void()>& draw, float scale) {
    ++renders;
    if (!render_) {
        if (draw) draw();
        return;
    }
    RecordingRender& r = *render_;
    r.flush(FlushReason::RenderTarget);
    const Texture* previousTarget = r.target;
    const Rect viewport = r.getViewport();
    const glm::mat4 matrix = r.getMatrix();
    const Color color = r.getColor();
    r.target = this;
    r.setViewport(Rect(0.0f, 0.0f, static_cast<float>(width_), static_cast<float>(height_)));
    glm::mat4 scaling(1.0f);
    scaling[0][0] = scaling[1][1] = scaling[2][2] = scale;
    r.setMatrix(scaling);
    if (draw) draw();
    r.flush(FlushReason::RenderTarget);
    r.target = previousTarget;
    r.setViewport(viewport);
    r.setMatrix(matrix);
    r.setColor(color);
}

} // namespace vorn::test
