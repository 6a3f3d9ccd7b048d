#pragma once

// Helpers for the resource, locale and configuration tests: a data tree in a
// temporary working directory, a renderer that hands out textures without a
// device, and a log capture.

#include "render/BaseRender.h"
#include "render/Texture.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include "support/LogCapture.h"

namespace vorn::test {

// Makes a fresh folder the working directory for the life of the object, so
// that "data/..." paths read the files the test writes.
class DataTree {
public:
    DataTree() : previous_(std::filesystem::current_path()) { std::filesystem::current_path(dir_.path()); }
    ~DataTree() { std::filesystem::current_path(previous_); }
    DataTree(const DataTree&) = delete;
    DataTree& operator=(const DataTree&) = delete;

    // Writes a file under the tree, creating its folders.
    void write(const std::string& relative, const std::string& bytes) const {
        const std::filesystem::path path = dir_.path() / relative;
        std::filesystem::create_directories(path.parent_path());
        writeBytes(path.string(), bytes);
    }
    void remove(const std::string& relative) const { std::filesystem::remove(dir_.path() / relative); }
    const std::filesystem::path& path() const { return dir_.path(); }

private:
    TempDir dir_;
    std::filesystem::path previous_;
};

// Records on which thread it was uploaded, as the device texture would be.
class FakeTexture : public Texture {
public:
    void load() override {
        ++loads;
        loadThread = std::this_thread::get_id();
    }
    void render(const std::function<void()>&, float) override {}

    std::atomic<int> loads{0};
    std::thread::id loadThread;
};

// Hands out textures and counts them; draws nothing.
class FakeRender : public BaseRender {
public:
    bool setup() override { return true; }
    void beginFrame() override {}
    void endFrame() override {}
    void setViewport(const Rect& viewport) override { viewport_ = viewport; }
    Rect getViewport() override { return viewport_; }
    std::shared_ptr<Texture> createTexture() override {
        ++texturesMade;
        return std::make_shared<FakeTexture>();
    }
    std::shared_ptr<Texture> createRenderTexture(int, int) override { return std::make_shared<FakeTexture>(); }
    void clear(const Color&) override {}
    void setTexture(const std::shared_ptr<Texture>&) override {}
    void unsetTexture() override {}
    using BaseRender::flush;
    void flush(FlushReason) override { clearBatch(); }

    std::atomic<int> texturesMade{0};

private:
    Rect viewport_;
};

// A minimal plist document around the given body.
inline std::string plist(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" + body + "\n</plist>\n";
}

} // namespace vorn::test
