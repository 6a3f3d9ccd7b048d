#pragma once

// A renderer without a device for the frame and font tests: it hands out
// textures that only count their uploads, and records every draw with the
// texture bound at the time, in the coordinates it was handed.

#include "core/ResourceManager.h"
#include "render/BaseRender.h"
#include "render/Bitmap.h"
#include "render/Texture.h"
#include "render/VertexData.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>
#include "support/LogCapture.h"

namespace vorn::test {

class CountingTexture : public Texture {
public:
    CountingTexture() = default;
    // An image texture over a bitmap of width x height pixels.
    CountingTexture(int width, int height) {
        auto bitmap = std::make_shared<Bitmap>();
        bitmap->create(Data(static_cast<std::uint32_t>(width * height * 4)), width, height, PixelFormatRGBA8888);
        setBitmap(bitmap);
    }
    void load() override { ++loads; }
    void render(const std::function<void()>&, float) override {}

    std::atomic<int> loads{0};
};

class DrawRecorder : public BaseRender {
public:
    struct Draw {
        std::shared_ptr<Texture> texture;
        VertexData data;
    };

    // Becomes the renderer of the engine and of the resource manager.
    DrawRecorder() {
        Render::setInstance(this);
        ResourceManager::instance()->setRender(this);
    }
    ~DrawRecorder() override {
        ResourceManager::instance()->setRender(nullptr);
        Render::setInstance(nullptr);
    }

    bool setup() override { return true; }
    void beginFrame() override {}
    void endFrame() override {}
    void setViewport(const Rect& viewport) override { viewport_ = viewport; }
    Rect getViewport() override { return viewport_; }
    std::shared_ptr<Texture> createTexture() override {
        ++texturesMade;
        return std::make_shared<CountingTexture>();
    }
    std::shared_ptr<Texture> createRenderTexture(int width, int height) override {
        return std::make_shared<CountingTexture>(width, height);
    }
    void clear(const Color&) override {}
    void setTexture(const std::shared_ptr<Texture>& texture) override {
        bound = texture;
        ++textureBinds;
    }
    void unsetTexture() override {
        bound = nullptr;
        ++textureUnsets;
    }
    using BaseRender::flush;
    void flush(FlushReason) override { clearBatch(); }
    void drawVertexData(const VertexData& data) override {
        draws.push_back({bound, data});
        BaseRender::drawVertexData(data);
    }

    std::shared_ptr<Texture> bound;
    std::vector<Draw> draws;
    int textureBinds = 0;
    int textureUnsets = 0;
    std::atomic<int> texturesMade{0};

private:
    Rect viewport_;
};


} // namespace vorn::test
