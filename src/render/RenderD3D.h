#pragma once

#include "render/BaseRender.h"

#include "platform/d3d9.h"

#include <glm/vec2.hpp>

#include <memory>
#include <vector>

namespace vorn::d3d {

class TextureD3D;

// The Direct3D 9 back end of the renderer. The window constructs it, makes
// it the global renderer, calls setup once (and stops the program when that
// fails), frames every pass with beginFrame / endFrame and calls resize when
// it switches between windowed and full screen.
class RenderD3D : public BaseRender {
public:
    // One flushed batch at most; the batch flushes before it would outgrow
    // either buffer.
    static constexpr unsigned vertexBufferVertices = 65535 * 15;
    static constexpr unsigned indexBufferIndices = 65535 * 10;
    static constexpr DWORD vertexFormat = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;

    RenderD3D();
    ~RenderD3D() override;

    // False (logged, and shown in a "D3D_DEV ERR" message box) when there is
    // no Direct3D object, no device or no buffers: nothing can be drawn then.
    [[nodiscard]] bool setup() override;
    // True once setup has succeeded.
    bool isReady() const { return ready_; }
    void beginFrame() override;
    void endFrame() override;
    void setViewport(const Rect& viewport) override;
    Rect getViewport() override;
    std::shared_ptr<Texture> createTexture() override;
    std::shared_ptr<Texture> createRenderTexture(int width, int height) override;
    void clear(const Color& color) override;
    void setTexture(const std::shared_ptr<Texture>& texture) override;
    void unsetTexture() override;
    void flush() override;
    void setClipRect(const Rect& rect, bool inWindowPixels) override;
    void disableClip() override;

    // New back-buffer size, when the window changes mode.
    void resize(const glm::vec2& size);
    // Resets a device that reports it is ready to be reset.
    void resetDevice();
    // (Re)creates the vertex and index buffers; false when either fails.
    bool createBuffers();

    // The window the device draws into; without one, the window's own
    // (WindowWin::handle()).
    void setWindow(HWND window);
    IDirect3DDevice9* device() const { return device_; }
    const std::shared_ptr<Texture>& boundTexture() const { return boundTexture_; }

    // Every live render-target texture gives up its device texture before a
    // device reset; they add and remove themselves.
    void addRenderTarget(TextureD3D* texture);
    // False when the texture was not in the list.
    bool removeRenderTarget(TextureD3D* texture);
    const std::vector<TextureD3D*>& renderTargets() const { return renderTargets_; }

    // True while drawing into a render target whose surface could not be
    // made the device's target: the draws would land in the wrong target,
    // so they are skipped.
    void setTargetMissing(bool missing) { targetMissing_ = missing; }
    bool isTargetMissing() const { return targetMissing_; }
    // Puts the clip state back on the device, whose scissor a target change
    // or a reset has reset.
    void applyClip();

private:
    void fillPresentParameters(const glm::vec2& size, D3DFORMAT format);
    void resetTransformsAndStates();
    // Stage 0 as for a colour texture: texture times vertex colour, in colour and alpha.
    void modulateTextureByDiffuse();
    void releaseRenderTargets();

    HWND window_ = nullptr;
    IDirect3D9* direct3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
    D3DPRESENT_PARAMETERS presentParameters_{};
    IDirect3DVertexBuffer9* vertexBuffer_ = nullptr;
    IDirect3DIndexBuffer9* indexBuffer_ = nullptr;
    std::shared_ptr<Texture> boundTexture_;
    std::vector<TextureD3D*> renderTargets_;
    bool ready_ = false;
    bool targetMissing_ = false;
};

} // namespace vorn::d3d
