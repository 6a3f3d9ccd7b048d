#pragma once

#include <glm/vec2.hpp>

#include <cstdint>
#include <functional>
#include <memory>

namespace vorn {

class Bitmap;

// The engine's handle of a device texture: an image texture over a bitmap,
// copied to the device at its first load, or a render target. The device
// back end supplies the concrete class.
class Texture {
public:
    enum Kind { KindEmpty = 0, KindImage = 1, KindRenderTarget = 2 };

    Texture() = default;
    explicit Texture(std::shared_ptr<Bitmap> bitmap);
    virtual ~Texture();
    Texture(const Texture&) = delete;
    Texture& operator=(const Texture&) = delete;

    // Image texture: creates the device texture and copies the bitmap on the
    // first call; later calls do nothing. Main thread only.
    virtual void load() = 0;
    // Render target: makes it the target, runs draw (scaled by scale) and
    // restores the previous target. Main thread only.
    virtual void render(const std::function<void()>& draw, float scale) = 0;

    // Makes this an image texture. A device texture that already exists keeps
    // the pixels of the first bitmap.
    void setBitmap(std::shared_ptr<Bitmap> bitmap);
    const std::shared_ptr<Bitmap>& getBitmap() const { return bitmap_; }
    // An image texture that lets its bitmap go once the device holds the
    // pixels (the device keeps them through resets): pictures are then held
    // once, not twice. Its size stays readable.
    void setReleasePixelsAfterLoad(bool release) { releasePixels_ = release; }
    // A render target's size, otherwise the bitmap's, or the device
    // texture's once the bitmap has gone (0 x 0 without either).
    glm::vec2 getSize() const;
    int getKind() const { return kind_; }
    bool isRenderTarget() const { return kind_ == KindRenderTarget; }
    // Size of the device texture, once it exists.
    std::uint32_t width() const { return width_; }
    std::uint32_t height() const { return height_; }

protected:
    std::shared_ptr<Bitmap> bitmap_;
    int kind_ = KindEmpty;
    bool releasePixels_ = false;
    std::uint32_t width_ = 0;
    std::uint32_t height_ = 0;
};

} // namespace vorn
