#include "render/TextureD3D.h"

#include "core/Log.h"
#include "render/Bitmap.h"
#include "render/RenderD3D.h"

#include <cstdint>
#include <cstring>

namespace vorn::d3d {

namespace {

// One device pixel, 0xAARRGGBB, stored little-endian: bytes B, G, R, A.
inline void put(std::uint8_t* out, unsigned r, unsigned g, unsigned b, unsigned a) {
    out[0] = static_cast<std::uint8_t>(b);
    out[1] = static_cast<std::uint8_t>(g);
    out[2] = static_cast<std::uint8_t>(r);
    out[3] = static_cast<std::uint8_t>(a);
}

// Widens an n-bit channel to 8 bits so that its largest value becomes 255.
inline unsigned widen4(unsigned v) { return v << 4 | v; }
inline unsigned widen5(unsigned v) { return v << 3 | v >> 2; }
inline unsigned widen6(unsigned v) { return v << 2 | v >> 4; }

void convertRow(int format, const std::uint8_t* in, std::uint8_t* out, int width) {
    switch (format) {
    case PixelFormatA8:
        std::memcpy(out, in, static_cast<std::size_t>(width));
        return;
    case PixelFormatRGB888:
        for (int x = 0; x < width; ++x, in += 3, out += 4) {
            put(out, in[0], in[1], in[2], 255);
        }
        return;
    case PixelFormatRGBA4444:
        for (int x = 0; x < width; ++x, in += 2, out += 4) {
            const unsigned v = in[0] | in[1] << 8;
            put(out, widen4(v >> 12 & 0xF), widen4(v >> 8 & 0xF), widen4(v >> 4 & 0xF), widen4(v & 0xF));
        }
        return;
    case PixelFormatRGBA5551:
        for (int x = 0; x < width; ++x, in += 2, out += 4) {
            const unsigned v = in[0] | in[1] << 8;
            put(out, widen5(v >> 11 & 0x1F), widen5(v >> 6 & 0x1F), widen5(v >> 1 & 0x1F), (v & 1) ? 255 : 0);
        }
        return;
    case PixelFormatRGB565:
        for (int x = 0; x < width; ++x, in += 2, out += 4) {
            const unsigned v = in[0] | in[1] << 8;
            put(out, widen5(v >> 11 & 0x1F), widen6(v >> 5 & 0x3F), widen5(v & 0x1F), 255);
        }
        return;
    case PixelFormatNone:
        // Grey with alpha.
        for (int x = 0; x < width; ++x, in += 2, out += 4) {
            put(out, in[0], in[0], in[0], in[1]);
        }
        return;
    default:
        for (int x = 0; x < width; ++x, in += 4, out += 4) {
            put(out, in[0], in[1], in[2], in[3]);
        }
        return;
    }
}

} // namespace

TextureD3D::TextureD3D(IDirect3DDevice9* device) : device_(device) {
    if (device_) {
        device_->AddRef();
    }
}

TextureD3D::TextureD3D(RenderD3D* render, int width, int height)
    : device_(render ? render->device() : nullptr), renderTarget_(true), render_(render) {
    if (device_) {
        device_->AddRef();
    }
    kind_ = KindRenderTarget;
    width_ = static_cast<std::uint32_t>(width > 0 ? width : 0);
    height_ = static_cast<std::uint32_t>(height > 0 ? height : 0);
    createEmptyTexture(width, height, PixelFormatRGBA8888, true);
    if (render_) {
        render_->addRenderTarget(this);
    }
}

TextureD3D::~TextureD3D() {
    if (renderTarget_) {
        log("TextureD3D::~TextureD3D() (for rendertarget texture)");
        if (render_ && render_->removeRenderTarget(this)) {
            log("TextureD3D::~TextureD3D() (for rendertarget texture) erasing from render");
        }
    }
    releaseDeviceTexture();
    if (renderTarget_) {
        log("TextureD3D::~TextureD3D() (for rendertarget texture) DONE");
    }
    if (device_) {
        device_->Release();
    }
}

void TextureD3D::releaseDeviceTexture() {
    // We hold exactly one reference; dropping more would free the texture
    // under whoever else holds one.
    if (texture_) {
        texture_->Release();
        texture_ = nullptr;
    }
}

bool TextureD3D::createEmptyTexture(int width, int height, const int& format, bool renderTarget) {
    log("TextureD3D::createEmptyTexture()");
    D3DFORMAT deviceFormat = D3DFMT_A8R8G8B8;
    int bytes = 4;
    switch (format) {
    case PixelFormatRGB888:
        deviceFormat = D3DFMT_X8R8G8B8;
        bytes = 3;
        break;
    case PixelFormatA8:
        deviceFormat = D3DFMT_A8;
        bytes = 1;
        break;
    case PixelFormatRGBA4444:
    case PixelFormatRGB565:
    case PixelFormatRGBA5551:
        // Widened to 32 bits while copying.
        bytes = 2;
        break;
    case PixelFormatNone:
        // Only a grey-with-alpha image keeps format 0.
        bytes = 2;
        break;
    default:
        break;
    }
    format_ = format;
    pitch_ = bytes * (width > 0 ? width : 0);

    HRESULT result = D3DERR_INVALIDCALL;
    if (device_ && width > 0 && height > 0) {
        result = device_->CreateTexture(static_cast<UINT>(width), static_cast<UINT>(height), 1,
                                        renderTarget ? D3DUSAGE_RENDERTARGET : 0, deviceFormat,
                                        renderTarget ? D3DPOOL_DEFAULT : D3DPOOL_MANAGED, &texture_, nullptr);
    }
    if (FAILED(result) || !texture_) {
        texture_ = nullptr;
        if (renderTarget) {
            log("TextureD3D::createEmptyTexture() ERROR CreateTexture fail w: %i h: %i (render-target)", width,
                height);
        } else {
            log("TextureD3D::createEmptyTexture() ERROR CreateTexture fail w: %i h: %i (non-render-target)", width,
                height);
        }
        return false;
    }
    width_ = static_cast<std::uint32_t>(width);
    height_ = static_cast<std::uint32_t>(height);
    log("TextureD3D::createEmptyTexture() END");
    return true;
}

void TextureD3D::load() {
    if (texture_ || !bitmap_ || renderTarget_) {
        return;
    }
    const Bitmap& bitmap = *bitmap_;
    const int bytes = bitmap.storedBytesPerPixel();
    const std::uint64_t needed = static_cast<std::uint64_t>(bitmap.width() > 0 ? bitmap.width() : 0) *
                                 static_cast<std::uint64_t>(bitmap.height() > 0 ? bitmap.height() : 0) *
                                 static_cast<std::uint64_t>(bytes);
    if (bitmap.empty() || bytes == 0 || bitmap.pixels().size() < needed) {
        log("TextureD3D::load() ERROR texture not created");
        return;
    }
    if (!createEmptyTexture(bitmap.width(), bitmap.height(), bitmap.format(), false)) {
        log("TextureD3D::load() ERROR texture not created");
        return;
    }
    D3DLOCKED_RECT locked{};
    if (FAILED(texture_->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD)) || !locked.pBits) {
        return;
    }
    const std::uint8_t* in = bitmap.pixels().data();
    auto* out = static_cast<std::uint8_t*>(locked.pBits);
    for (int y = 0; y < bitmap.height(); ++y) {
        convertRow(format_, in, out, bitmap.width());
        in += pitch_;
        out += locked.Pitch;
    }
    texture_->UnlockRect(0);
    if (releasePixels_) bitmap_.reset();
}

void TextureD3D::render(const std::function<void()>& draw, float scale) {
    RenderD3D* render = render_;
    if (!render || !device_ || !renderTarget_) {
        log("TextureD3D::render ERROR: no renderer");
        return;
    }
    // What the frame drew before this pass may sample this texture: it
    // goes to the device first, with the texture's old content.
    render->flush(FlushReason::RenderTarget);
    render->drawKeptFrame();
    if (!texture_) {
        createEmptyTexture(static_cast<int>(width_), static_cast<int>(height_), PixelFormatRGBA8888, true);
    }

    IDirect3DSurface9* original = nullptr;
    if (FAILED(device_->GetRenderTarget(0, &original)) || !original) {
        log("TextureD3D::render ERROR: can't get original rendertarget");
        return;
    }
    // Never sample the texture being drawn into.
    device_->SetTexture(0, nullptr);
    render->forgetAppliedState();

    IDirect3DSurface9* surface = nullptr;
    if (texture_ && (FAILED(texture_->GetSurfaceLevel(0, &surface)) || !surface)) {
        surface = nullptr;
        log("TextureD3D::render ERROR: GetSurfaceLevel fail");
    }

    const Rect viewport = render->getViewport();
    const glm::mat4 projection = render->getProjection();
    const glm::mat4 matrix = render->getMatrix();
    const Color color = render->getColor();
    const bool wasMissing = render->isTargetMissing();

    bool targetSet = false;
    if (surface) {
        targetSet = SUCCEEDED(device_->SetRenderTarget(0, surface));
        if (!targetSet) {
            log("TextureD3D::render ERROR: SetRenderTarget error");
        }
    } else {
        log("TextureD3D::render ERROR: no rt");
    }
    // Without our target the clear and the draws would land in the previous
    // one: skip them instead.
    render->setTargetMissing(!targetSet);

    render->clear(Color(0.0f, 0.0f, 0.0f, 0.0f));
    const float w = static_cast<float>(width_);
    const float h = static_cast<float>(height_);
    render->setViewport(Rect(0.0f, 0.0f, w, h));
    render->setProjection(topLeftOrtho(w, h));
    glm::mat4 scaling(1.0f);
    if (scale != 1.0f) {
        scaling[0][0] = scale;
        scaling[1][1] = scale;
        scaling[2][2] = scale;
    }
    render->setMatrix(scaling);
    if (draw) {
        draw();
    }
    render->flush(FlushReason::RenderTarget);

    device_->SetRenderTarget(0, original);
    render->forgetAppliedState();
    render->setTargetMissing(wasMissing);
    render->setViewport(viewport);
    render->setProjection(projection);
    render->setMatrix(matrix);
    render->setColor(color);
    render->applyClip();

    if (surface) {
        surface->Release();
    }
    original->Release();
}

void TextureD3D::reset() {
    if (!renderTarget_) {
        return;
    }
    log("TextureD3D::reset()");
    releaseDeviceTexture();
    log("TextureD3D::reset() DONE");
}

} // namespace vorn::d3d
