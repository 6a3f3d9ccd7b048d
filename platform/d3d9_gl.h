#pragma once

// Internal to the platform layer: the Direct3D 9 objects carried out on
// OpenGL. Every target keeps its top row in GL row 0 (the vertex stage
// mirrors y), so uploads, render targets and read-backs share one
// orientation and only Present flips the picture for the window.

#include "platform/d3d9.h"
#include "platform/d3d9_hooks.h"

#include <SDL.h>
#include <SDL_opengl.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace d3d9gl {

class Device;
class Texture;

// COM-style release: one reference less; the last one deletes the object.
template <typename Object>
ULONG releaseReference(std::atomic<ULONG>& refs, Object* object) {
    ULONG current = refs.load();
    do {
        if (current == 0) return 0;
    } while (!refs.compare_exchange_weak(current, current - 1));
    if (current == 1) delete object;
    return current - 1;
}

// Swap interval for new devices: the test hook's, else VORN_SWAP_INTERVAL's,
// else 1.
int swapIntervalSetting();

// Entry points past OpenGL 1.1, loaded through SDL.
struct GlFunctions {
    PFNGLGENFRAMEBUFFERSPROC GenFramebuffers = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC DeleteFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC BindFramebuffer = nullptr;
    PFNGLFRAMEBUFFERTEXTURE2DPROC FramebufferTexture2D = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC CheckFramebufferStatus = nullptr;
    PFNGLBLITFRAMEBUFFERPROC BlitFramebuffer = nullptr;
    PFNGLCREATESHADERPROC CreateShader = nullptr;
    PFNGLDELETESHADERPROC DeleteShader = nullptr;
    PFNGLSHADERSOURCEPROC ShaderSource = nullptr;
    PFNGLCOMPILESHADERPROC CompileShader = nullptr;
    PFNGLGETSHADERIVPROC GetShaderiv = nullptr;
    PFNGLGETSHADERINFOLOGPROC GetShaderInfoLog = nullptr;
    PFNGLCREATEPROGRAMPROC CreateProgram = nullptr;
    PFNGLDELETEPROGRAMPROC DeleteProgram = nullptr;
    PFNGLATTACHSHADERPROC AttachShader = nullptr;
    PFNGLBINDATTRIBLOCATIONPROC BindAttribLocation = nullptr;
    PFNGLLINKPROGRAMPROC LinkProgram = nullptr;
    PFNGLGETPROGRAMIVPROC GetProgramiv = nullptr;
    PFNGLGETPROGRAMINFOLOGPROC GetProgramInfoLog = nullptr;
    PFNGLUSEPROGRAMPROC UseProgram = nullptr;
    PFNGLGETUNIFORMLOCATIONPROC GetUniformLocation = nullptr;
    PFNGLUNIFORM1IPROC Uniform1i = nullptr;
    PFNGLUNIFORM1FPROC Uniform1f = nullptr;
    PFNGLUNIFORMMATRIX4FVPROC UniformMatrix4fv = nullptr;
    PFNGLENABLEVERTEXATTRIBARRAYPROC EnableVertexAttribArray = nullptr;
    PFNGLDISABLEVERTEXATTRIBARRAYPROC DisableVertexAttribArray = nullptr;
    PFNGLVERTEXATTRIBPOINTERPROC VertexAttribPointer = nullptr;
    PFNGLVERTEXATTRIB4FPROC VertexAttrib4f = nullptr;
    PFNGLBLENDEQUATIONPROC BlendEquation = nullptr;
    PFNGLDRAWRANGEELEMENTSPROC DrawRangeElements = nullptr;
    PFNGLACTIVETEXTUREPROC ActiveTexture = nullptr;
    // OpenGL 4.5; without it a lock reads the whole level back to copy out
    // its rectangle.
    PFNGLGETTEXTURESUBIMAGEPROC GetTextureSubImage = nullptr;

    // False when any required entry point is missing.
    bool load();
};

// The level-0 surface of a texture, the device's back buffer, or a plain
// surface in system memory. The first two count their references towards
// their container.
class Surface final : public IDirect3DSurface9 {
public:
    enum Kind { TextureLevel, BackBuffer, Offscreen };

    Surface(Kind kind, Texture* texture, Device* device);
    ~Surface() = default;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect() override;

    Kind kind() const { return kind_; }
    Texture* texture() const { return texture_; }
    // References handed out for this surface itself.
    int outstanding() const { return own_.load(); }

    // Offscreen surfaces only.
    UINT width = 0;
    UINT height = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    std::vector<std::uint8_t> memory;

private:
    Kind kind_;
    Texture* texture_;
    Device* device_;
    std::atomic<int> own_{0};
};

class Texture final : public IDirect3DTexture9 {
public:
    Texture(Device* device, UINT width, UINT height, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    ~Texture();
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) override;
    HRESULT UnlockRect(UINT level) override;
    HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) override;

    // Creates the GL texture; main thread. False when GL refused it.
    bool create();
    // The GL texture with the latest locked pixels uploaded; main thread.
    GLuint bind();
    // The framebuffer drawing into this texture; 0 when GL refuses it.
    GLuint framebuffer();
    void setSampling(GLint minFilter, GLint magFilter, GLint wrapS, GLint wrapT);

    UINT width() const { return width_; }
    UINT height() const { return height_; }
    D3DFORMAT format() const { return format_; }
    bool isRenderTarget() const { return (usage_ & D3DUSAGE_RENDERTARGET) != 0; }

private:
    // Pixels of one rectangle, rows packed, on their way to GL.
    struct Staged {
        RECT rect;
        std::vector<std::uint8_t> pixels;
    };

    int bytesPerPixel() const { return format_ == D3DFMT_A8 ? 1 : 4; }
    GLenum glFormat() const { return format_ == D3DFMT_A8 ? GL_ALPHA : GL_BGRA; }
    // The GL texture's pixels of a rectangle, rows packed; main thread.
    void readBack(const RECT& rect, std::uint8_t* into);
    void uploadPending();

    Device* device_;
    std::atomic<ULONG> refs_{1};
    UINT width_;
    UINT height_;
    DWORD usage_;
    D3DFORMAT format_;
    D3DPOOL pool_;
    Surface surface_;
    GLuint texture_ = 0;
    GLuint framebuffer_ = 0;
    // A lock hands out a copy of its rectangle alone: GL holds the texture's
    // pixels, and the caller usually keeps its own. What an unlock wrote
    // waits here for the next bind (at once on the main thread), in order.
    Staged locked_{};
    bool isLocked_ = false;
    bool readOnly_ = false;
    std::vector<Staged> pending_;
    std::array<GLint, 4> sampling_{0, 0, 0, 0};
};

// Vertex and index buffers live in memory; draws hand GL the range they use.
class Buffer {
public:
    explicit Buffer(UINT length) : bytes_(length) {}
    HRESULT lock(UINT offset, UINT size, void** data);
    const std::uint8_t* data() const { return bytes_.data(); }
    UINT length() const { return static_cast<UINT>(bytes_.size()); }

private:
    std::vector<std::uint8_t> bytes_;
};

// A vertex or an index buffer: memory the renderer locks and fills.
template <typename Interface>
class DeviceBuffer final : public Interface {
public:
    DeviceBuffer(Device* device, UINT length);
    ~DeviceBuffer();
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override { return releaseReference(refs_, this); }
    HRESULT Lock(UINT offsetToLock, UINT sizeToLock, void** data, DWORD) override {
        return buffer_.lock(offsetToLock, sizeToLock, data);
    }
    HRESULT Unlock() override { return D3D_OK; }
    const Buffer& buffer() const { return buffer_; }

private:
    Device* device_;
    std::atomic<ULONG> refs_{1};
    Buffer buffer_;
};

using VertexBuffer = DeviceBuffer<IDirect3DVertexBuffer9>;
using IndexBuffer = DeviceBuffer<IDirect3DIndexBuffer9>;

class Device final : public IDirect3DDevice9 {
public:
    Device();
    ~Device();
    // Creates the GL context on the window's SDL window and the back buffer.
    HRESULT init(HWND window, D3DPRESENT_PARAMETERS* parameters);

    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT TestCooperativeLevel() override;
    HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) override;
    HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                    const RGNDATA* dirtyRegion) override;
    HRESULT GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type,
                          IDirect3DSurface9** surface) override;
    HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DTexture9** texture, HANDLE* sharedHandle) override;
    HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** buffer,
                               HANDLE* sharedHandle) override;
    HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DIndexBuffer9** buffer, HANDLE* sharedHandle) override;
    HRESULT GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destSurface) override;
    HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                        IDirect3DSurface9** surface, HANDLE* sharedHandle) override;
    HRESULT SetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9* renderTarget) override;
    HRESULT GetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9** renderTarget) override;
    HRESULT BeginScene() override;
    HRESULT EndScene() override;
    HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override;
    HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT SetViewport(const D3DVIEWPORT9* viewport) override;
    HRESULT GetViewport(D3DVIEWPORT9* viewport) override;
    HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
    HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
    HRESULT SetScissorRect(const RECT* rect) override;
    HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT minVertexIndex,
                                 UINT numVertices, UINT startIndex, UINT primitiveCount) override;
    HRESULT SetFVF(DWORD fvf) override;
    HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* streamData, UINT offsetInBytes,
                            UINT stride) override;
    HRESULT SetIndices(IDirect3DIndexBuffer9* indexData) override;

    const GlFunctions& gl() const { return gl_; }
    bool onMainThread() const { return std::this_thread::get_id() == mainThread_; }
    // GL names of objects released on another thread, deleted on the main one.
    void queueRelease(GLuint texture, GLuint framebuffer);
    int pendingReleases();
    void resourceCreated(D3DPOOL pool);
    void resourceDestroyed(D3DPOOL pool);
    // An object going away: the device forgets any binding to it, so that a
    // binding never outlives what it names.
    void forget(const void* object);
    void simulateLoss(int lostCalls);
    void keepPresentedFrames() { keepPresented_ = true; }
    // Any texture's content may have changed: written through a lock, drawn
    // or cleared into, made or reset.
    void noteTextureWrite() { textureWrites_.fetch_add(1, std::memory_order_relaxed); }
    std::uint64_t textureWrites() const { return textureWrites_.load(std::memory_order_relaxed); }
    DWORD presentedPixel(int x, int y) const;
    const VornD3D9Calls& calls() const { return calls_; }

private:
    HRESULT createBackBuffer(UINT width, UINT height);
    void setDefaultState();
    void drainReleases();
    // Binds the current target and sets the GL state for drawing or clearing.
    bool bindTarget(UINT& width, UINT& height);
    void applyScissor(UINT targetWidth, UINT targetHeight, bool forClear);
    bool buildProgram();
    void pace();

    // What one indexed draw reads: its indices, their range and where each
    // vertex attribute lies in the stream.
    struct DrawRange {
        const std::uint16_t* indices = nullptr;
        std::uint64_t indexCount = 0;
        std::uint16_t lowest = 0;
        std::uint16_t highest = 0;
        const std::uint8_t* vertices = nullptr;
        UINT colorOffset = 0;
        UINT texcoordOffset = 0;
        UINT vertexSize = 0;
    };
    // False when the stream, the format or an index would read outside the buffers.
    bool checkDraw(INT baseVertexIndex, UINT startIndex, UINT primitiveCount, DrawRange& range) const;
    void applyBlendAndCull();
    // The program and stage 0: transform, texture, colour and alpha operations, alpha test.
    void applyProgram();
    void drawRange(const DrawRange& range);

    VornD3D9Calls calls_;

    std::atomic<ULONG> refs_{1};
    std::atomic<std::uint64_t> textureWrites_{0};
    std::thread::id mainThread_;
    SDL_Window* window_ = nullptr;
    SDL_GLContext context_ = nullptr;
    GlFunctions gl_;

    GLuint program_ = 0;
    struct {
        GLint transform, sampler, textureMode, colorOp, colorArg1, colorArg2, alphaOp, alphaArg1, alphaArg2,
            alphaTest, alphaFunc, alphaRef, lighting;
    } uniforms_{};

    Surface backBuffer_;
    GLuint backTexture_ = 0;
    GLuint backFramebuffer_ = 0;
    UINT backWidth_ = 0;
    UINT backHeight_ = 0;
    Surface* target_ = nullptr;

    std::array<DWORD, 256> renderStates_{};
    std::array<DWORD, 33> stageStates_{};
    std::array<DWORD, 14> samplerStates_{};
    D3DMATRIX world_{};
    D3DMATRIX view_{};
    D3DMATRIX projection_{};
    D3DVIEWPORT9 viewport_{};
    RECT scissor_{};
    DWORD fvf_ = 0;
    VertexBuffer* stream_ = nullptr;
    UINT streamOffset_ = 0;
    UINT streamStride_ = 0;
    IndexBuffer* indices_ = nullptr;
    std::mutex bindingMutex_;
    Texture* texture_ = nullptr;
    bool inScene_ = false;

    int lostCalls_ = 0;
    bool needsReset_ = false;
    std::atomic<int> defaultPoolResources_{0};

    std::mutex releaseMutex_;
    std::vector<GLuint> releasedTextures_;
    std::vector<GLuint> releasedFramebuffers_;

    int swapInterval_ = 1;
    std::chrono::steady_clock::time_point lastPresent_{};
    std::chrono::nanoseconds framePeriod_{16'666'667};

    bool keepPresented_ = false;
    std::vector<std::uint32_t> presented_;
    int presentedWidth_ = 0;
    int presentedHeight_ = 0;
};

} // namespace d3d9gl
