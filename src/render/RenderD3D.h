#pragma once

#include "render/BaseRender.h"

#include "platform/d3d9.h"

#include <glm/vec2.hpp>

#include <cstdint>
#include <memory>
#include <vector>

namespace vorn::d3d {

class TextureD3D;

// The Direct3D 9 back end of the renderer. The window constructs it, makes
// it the global renderer, calls setup once (and stops the program when that
// fails), frames every pass with beginFrame / endFrame and calls resize when
// it switches between windowed and full screen.
//
// What a frame draws into the back buffer is kept until the frame ends and
// sent to the device then; a frame that would draw exactly what the back
// buffer already holds (same batches, same states, no texture written since)
// is not drawn again, only presented. A standing screen then costs the
// device nothing but the present.
class RenderD3D : public BaseRender {
public:
    // One flushed batch at most; the batch flushes before it would outgrow
    // either buffer.
    // The batch's own bounds: 16-bit indices reach no further vertex, so
    // room for more would only be memory never written.
    static constexpr unsigned vertexBufferVertices = static_cast<unsigned>(maxBatchVertices);
    static constexpr unsigned indexBufferIndices = static_cast<unsigned>(maxBatchIndices);
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
    using BaseRender::flush;
    void flush(FlushReason reason) override;
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

    // Sends what the frame has kept so far to the device and draws the rest
    // of the frame straight away: for a render target, which needs every
    // earlier draw in place.
    void drawKeptFrame();
    // Frames presented without being drawn again, their back buffer unchanged.
    std::uint64_t repeatedFrames() const { return repeatedFrames_; }

    // Something other than this renderer changed the device's texture,
    // target or states: the next draw sets everything again.
    void forgetAppliedState() {
        appliedValid_ = false;
        appliedViewportValid_ = false;
        appliedClipValid_ = false;
    }

private:
    struct Viewport {
        DWORD x = 0;
        DWORD y = 0;
        DWORD width = 0;
        DWORD height = 0;
        float minZ = 0.0f;
        float maxZ = 1.0f;
        bool operator==(const Viewport&) const = default;
    };
    // Everything a batch or a clear is drawn under. Two equal states draw
    // alike: the frame cache compares them and the device is only told
    // what differs from the state before, so a field belongs here and
    // nowhere else.
    struct DeviceState {
        Viewport viewport;
        // Its rectangle is empty while clipping is off.
        ClipState clip;
        glm::mat4 projection{1.0f};
        // Held so that an address seen again is the same texture.
        std::shared_ptr<Texture> texture;
        int wrapU = 0;
        int wrapV = 0;
        bool operator==(const DeviceState&) const = default;
    };
    // One flush or clear of a frame's back-buffer pass.
    struct Command {
        bool clear = false;
        std::uint32_t clearColor = 0;
        DeviceState state;
        std::size_t firstVertex = 0;
        std::size_t vertexCount = 0;
        std::size_t firstIndex = 0;
        std::size_t indexCount = 0;
        bool operator==(const Command&) const = default;
    };
    struct FrameRecord {
        std::vector<Command> commands;
        std::vector<BatchVertex> vertices;
        std::vector<std::uint16_t> indices;
        void clear();
        bool operator==(const FrameRecord& other) const;
    };

    void submit(const Command& command, const BatchVertex* vertices, const std::uint16_t* indices);
    void submitRecord(const FrameRecord& record);
    DeviceState stateNow();
    // Viewport and scissor, where they differ from what the device holds.
    void applyTarget(const DeviceState& state);
    // Projection, texture, stage 0 and addressing, where they differ.
    void applyDrawing(const DeviceState& state);
    void setDeviceViewport(const Viewport& viewport);
    // The back buffer no longer holds the kept frame.
    void forgetShownFrame() { shownValid_ = false; }

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
    bool keeping_ = false;
    FrameRecord frame_;
    FrameRecord shown_;
    bool shownValid_ = false;
    std::uint64_t shownTextureWrites_ = 0;
    std::uint64_t repeatedFrames_ = 0;

    // What the device was last told; only the parts named valid are known.
    enum class StageMode { Untextured, Alpha, Modulate };
    DeviceState applied_;
    IDirect3DTexture9* appliedDeviceTexture_ = nullptr;
    StageMode appliedStage_ = StageMode::Untextured;
    bool appliedValid_ = false;
    bool appliedViewportValid_ = false;
    bool appliedClipValid_ = false;
};

} // namespace vorn::d3d
