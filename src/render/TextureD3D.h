#pragma once

#include "render/Texture.h"

#include "platform/d3d9.h"

#include <functional>

namespace vorn::d3d {

class RenderD3D;

// The Direct3D 9 texture: an image texture whose device texture is made and
// filled at its first load, or a render target in the device's default pool
// that gives its device texture up before a device reset and makes it again
// at its next render.
class TextureD3D : public Texture {
public:
    // An image texture with no device texture; makes no device call, so it
    // may be built on a worker thread.
    explicit TextureD3D(IDirect3DDevice9* device);
    // A render target of width x height, registered with render; its device
    // texture is made at once.
    TextureD3D(RenderD3D* render, int width, int height);
    ~TextureD3D() override;

    void load() override;
    void render(const std::function<void()>& draw, float scale) override;

    // Creates the device texture; false (logged) when the device refuses.
    bool createEmptyTexture(int width, int height, const int& format, bool renderTarget);
    // A render target releases its device texture; other textures keep theirs.
    void reset();
    // The renderer went away before this render target.
    void detachRender() { render_ = nullptr; }

    IDirect3DTexture9* deviceTexture() const { return texture_; }
    // Pixel format of the content, numbered as the bitmap formats.
    int format() const { return format_; }

private:
    void releaseDeviceTexture();

    IDirect3DDevice9* device_ = nullptr;
    IDirect3DTexture9* texture_ = nullptr;
    int format_ = 0;
    int pitch_ = 0;
    bool renderTarget_ = false;
    RenderD3D* render_ = nullptr;
};

} // namespace vorn::d3d
