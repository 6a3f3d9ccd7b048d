// The device of our Direct3D 9 layer: its GL context and back buffer,
// resources, targets, loss and reset, and Present.

#include "platform/d3d9_gl.h"
#include "platform/sdl_window.h"

#include <algorithm>
#include <cstdio>

namespace d3d9gl {

namespace {

D3DMATRIX identity() {
    D3DMATRIX m{};
    for (int i = 0; i < 4; ++i) {
        m.m[i][i] = 1.0f;
    }
    return m;
}

} // namespace

Device::Device() : backBuffer_(Surface::BackBuffer, nullptr, this) { SDL_InitSubSystem(SDL_INIT_VIDEO); }

Device::~Device() {
    if (context_ && onMainThread()) {
        SDL_GL_MakeCurrent(window_, context_);
        drainReleases();
        if (backFramebuffer_) {
            gl_.DeleteFramebuffers(1, &backFramebuffer_);
        }
        if (backTexture_) {
            glDeleteTextures(1, &backTexture_);
        }
        if (program_) {
            gl_.DeleteProgram(program_);
        }
        SDL_GL_MakeCurrent(window_, nullptr);
        SDL_GL_DeleteContext(context_);
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

HRESULT Device::init(HWND window, D3DPRESENT_PARAMETERS* parameters) {
    mainThread_ = std::this_thread::get_id();
    window_ = vornSdlWindow(window);
    if (!window_) {
        std::fprintf(stderr, "d3d9: the device window is not a window of ours\n");
        return D3DERR_INVALIDCALL;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_FLAGS, 0);
    context_ = SDL_GL_CreateContext(window_);
    if (!context_) {
        std::fprintf(stderr, "d3d9: no OpenGL context: %s\n", SDL_GetError());
        return D3DERR_NOTAVAILABLE;
    }
    if (SDL_GL_MakeCurrent(window_, context_) != 0 || !gl_.load() || !buildProgram()) {
        return D3DERR_NOTAVAILABLE;
    }

    swapInterval_ = swapIntervalSetting();
    // Refusing to wait is harmless; refusing to wait for the display is
    // made up for by pace().
    if (SDL_GL_SetSwapInterval(swapInterval_) != 0 && swapInterval_ > 0) {
        std::fprintf(stderr, "d3d9: swap interval %i refused: %s\n", swapInterval_, SDL_GetError());
    }
    SDL_DisplayMode mode{};
    int rate = 0;
    if (SDL_GetCurrentDisplayMode(std::max(SDL_GetWindowDisplayIndex(window_), 0), &mode) == 0) {
        rate = mode.refresh_rate;
    }
    framePeriod_ = std::chrono::nanoseconds(1'000'000'000LL / (rate > 0 ? rate : 60));

    const HRESULT result = createBackBuffer(parameters->BackBufferWidth, parameters->BackBufferHeight);
    if (FAILED(result)) {
        return result;
    }
    parameters->BackBufferWidth = backWidth_;
    parameters->BackBufferHeight = backHeight_;
    setDefaultState();
    return D3D_OK;
}

HRESULT Device::createBackBuffer(UINT width, UINT height) {
    if (width == 0 || height == 0) {
        // As the window's client area.
        int w = 0;
        int h = 0;
        SDL_GL_GetDrawableSize(window_, &w, &h);
        width = width ? width : static_cast<UINT>(std::max(w, 1));
        height = height ? height : static_cast<UINT>(std::max(h, 1));
    }
    GLint largest = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &largest);
    GLint largestTexture = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largestTexture);
    largest = std::min(largest, largestTexture);
    if (largest > 0 && (width > static_cast<UINT>(largest) || height > static_cast<UINT>(largest))) {
        std::fprintf(stderr, "d3d9: back buffer of %u x %u is larger than the device allows\n", width, height);
        return D3DERR_INVALIDCALL;
    }
    if (backFramebuffer_) {
        gl_.DeleteFramebuffers(1, &backFramebuffer_);
        backFramebuffer_ = 0;
    }
    if (backTexture_) {
        glDeleteTextures(1, &backTexture_);
        backTexture_ = 0;
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    glGenTextures(1, &backTexture_);
    glBindTexture(GL_TEXTURE_2D, backTexture_);
    // Before the storage, so that no room is made for mipmaps.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    // Unsized, so that the driver may take the byte order of the pixel
    // format given (Mesa then stores B, G, R, A like the window's own
    // buffer): Present's blit is then a plain copy, not a textured draw
    // over the whole window every frame.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0, GL_BGRA,
                 GL_UNSIGNED_BYTE, nullptr);
    gl_.GenFramebuffers(1, &backFramebuffer_);
    gl_.BindFramebuffer(GL_FRAMEBUFFER, backFramebuffer_);
    gl_.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, backTexture_, 0);
    if (glGetError() != GL_NO_ERROR || gl_.CheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        std::fprintf(stderr, "d3d9: no back buffer of %u x %u\n", width, height);
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    backWidth_ = width;
    backHeight_ = height;
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    return D3D_OK;
}

void Device::setDefaultState() {
    renderStates_.fill(0);
    renderStates_[D3DRS_ZENABLE] = TRUE;
    renderStates_[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    renderStates_[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    renderStates_[D3DRS_CULLMODE] = D3DCULL_CCW;
    renderStates_[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    renderStates_[D3DRS_LIGHTING] = TRUE;
    renderStates_[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
    stageStates_.fill(0);
    stageStates_[D3DTSS_COLOROP] = D3DTOP_MODULATE;
    stageStates_[D3DTSS_COLORARG1] = D3DTA_TEXTURE;
    stageStates_[D3DTSS_COLORARG2] = D3DTA_CURRENT;
    stageStates_[D3DTSS_ALPHAOP] = D3DTOP_SELECTARG1;
    stageStates_[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    stageStates_[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    samplerStates_.fill(0);
    samplerStates_[D3DSAMP_ADDRESSU] = D3DTADDRESS_WRAP;
    samplerStates_[D3DSAMP_ADDRESSV] = D3DTADDRESS_WRAP;
    samplerStates_[D3DSAMP_MAGFILTER] = D3DTEXF_POINT;
    samplerStates_[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
    world_ = identity();
    view_ = identity();
    projection_ = identity();
    fvf_ = 0;
    stream_ = nullptr;
    streamOffset_ = 0;
    streamStride_ = 0;
    indices_ = nullptr;
    {
        std::lock_guard<std::mutex> lock(bindingMutex_);
        texture_ = nullptr;
        target_ = &backBuffer_;
    }
    viewport_ = D3DVIEWPORT9{0, 0, backWidth_, backHeight_, 0.0f, 1.0f};
    scissor_ = RECT{0, 0, static_cast<LONG>(backWidth_), static_cast<LONG>(backHeight_)};
    inScene_ = false;
}

ULONG Device::AddRef() { return ++refs_; }

ULONG Device::Release() { return releaseReference(refs_, this); }

void Device::queueRelease(GLuint texture, GLuint framebuffer) {
    std::lock_guard<std::mutex> lock(releaseMutex_);
    if (texture) {
        releasedTextures_.push_back(texture);
    }
    if (framebuffer) {
        releasedFramebuffers_.push_back(framebuffer);
    }
}

int Device::pendingReleases() {
    std::lock_guard<std::mutex> lock(releaseMutex_);
    return static_cast<int>(releasedTextures_.size() + releasedFramebuffers_.size());
}

void Device::drainReleases() {
    std::vector<GLuint> textures;
    std::vector<GLuint> framebuffers;
    {
        std::lock_guard<std::mutex> lock(releaseMutex_);
        textures.swap(releasedTextures_);
        framebuffers.swap(releasedFramebuffers_);
    }
    if (!framebuffers.empty()) {
        gl_.DeleteFramebuffers(static_cast<GLsizei>(framebuffers.size()), framebuffers.data());
    }
    if (!textures.empty()) {
        glDeleteTextures(static_cast<GLsizei>(textures.size()), textures.data());
    }
}

void Device::resourceCreated(D3DPOOL pool) {
    if (pool == D3DPOOL_DEFAULT) {
        ++defaultPoolResources_;
    }
}

void Device::resourceDestroyed(D3DPOOL pool) {
    if (pool == D3DPOOL_DEFAULT) {
        --defaultPoolResources_;
    }
}

void Device::forget(const void* object) {
    std::lock_guard<std::mutex> lock(bindingMutex_);
    if (texture_ == object) {
        texture_ = nullptr;
    }
    if (target_ == object) {
        target_ = &backBuffer_;
        viewport_ = D3DVIEWPORT9{0, 0, backWidth_, backHeight_, 0.0f, 1.0f};
        scissor_ = RECT{0, 0, static_cast<LONG>(backWidth_), static_cast<LONG>(backHeight_)};
    }
    if (stream_ == object) {
        stream_ = nullptr;
    }
    if (indices_ == object) {
        indices_ = nullptr;
    }
}

void Device::simulateLoss(int lostCalls) {
    lostCalls_ = std::max(lostCalls, 0);
    needsReset_ = true;
}

HRESULT Device::TestCooperativeLevel() {
    if (lostCalls_ > 0) {
        --lostCalls_;
        return D3DERR_DEVICELOST;
    }
    return needsReset_ ? D3DERR_DEVICENOTRESET : D3D_OK;
}

HRESULT Device::Reset(D3DPRESENT_PARAMETERS* parameters) {
    if (!parameters || !onMainThread() || lostCalls_ > 0) {
        return D3DERR_INVALIDCALL;
    }
    // As on the real device: everything in the default pool must be
    // released first, the back buffer's surfaces included.
    if (defaultPoolResources_.load() > 0 || backBuffer_.outstanding() > 0) {
        std::fprintf(stderr, "d3d9: Reset refused: %i default-pool resources are still alive\n",
                     defaultPoolResources_.load() + backBuffer_.outstanding());
        return D3DERR_INVALIDCALL;
    }
    SDL_GL_MakeCurrent(window_, context_);
    drainReleases();
    noteTextureWrite();
    const HRESULT result = createBackBuffer(parameters->BackBufferWidth, parameters->BackBufferHeight);
    if (FAILED(result)) {
        needsReset_ = true;
        return result;
    }
    parameters->BackBufferWidth = backWidth_;
    parameters->BackBufferHeight = backHeight_;
    setDefaultState();
    needsReset_ = false;
    return D3D_OK;
}

void Device::pace() {
    using clock = std::chrono::steady_clock;
    const clock::time_point now = clock::now();
    const clock::time_point due = lastPresent_ + framePeriod_;
    // A swap that waited for the display lands about on time; one that did
    // not would let the run loop spin, so wait out the rest of the frame.
    if (now + std::chrono::milliseconds(2) < due) {
        std::this_thread::sleep_until(due);
        lastPresent_ = due;
    } else {
        lastPresent_ = now;
    }
}

HRESULT Device::Present(const RECT*, const RECT*, HWND, const RGNDATA*) {
    if (!onMainThread()) {
        return D3DERR_INVALIDCALL;
    }
    if (lostCalls_ > 0 || needsReset_) {
        return D3DERR_DEVICELOST;
    }
    SDL_GL_MakeCurrent(window_, context_);
    drainReleases();
    int width = 0;
    int height = 0;
    SDL_GL_GetDrawableSize(window_, &width, &height);
    if (width > 0 && height > 0) {
        gl_.BindFramebuffer(GL_READ_FRAMEBUFFER, backFramebuffer_);
        gl_.BindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
        glDisable(GL_SCISSOR_TEST);
        const bool same = width == static_cast<int>(backWidth_) && height == static_cast<int>(backHeight_);
        gl_.BlitFramebuffer(0, 0, static_cast<GLint>(backWidth_), static_cast<GLint>(backHeight_), 0, height, width,
                            0, GL_COLOR_BUFFER_BIT, same ? GL_NEAREST : GL_LINEAR);
        gl_.BindFramebuffer(GL_FRAMEBUFFER, 0);
        if (keepPresented_) {
            presented_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
            glPixelStorei(GL_PACK_ALIGNMENT, 4);
            glReadPixels(0, 0, width, height, GL_BGRA, GL_UNSIGNED_BYTE, presented_.data());
            presentedWidth_ = width;
            presentedHeight_ = height;
        }
        SDL_GL_SwapWindow(window_);
    }
    if (swapInterval_ > 0) {
        pace();
    }
    return D3D_OK;
}

DWORD Device::presentedPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= presentedWidth_ || y >= presentedHeight_) {
        return 0;
    }
    // The window's rows come bottom-up from GL.
    const auto row = static_cast<std::size_t>(presentedHeight_ - 1 - y);
    return presented_[row * static_cast<std::size_t>(presentedWidth_) + static_cast<std::size_t>(x)];
}

HRESULT Device::GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE, IDirect3DSurface9** surface) {
    if (!surface || swapChain != 0 || backBuffer != 0) {
        return D3DERR_INVALIDCALL;
    }
    backBuffer_.AddRef();
    *surface = &backBuffer_;
    return D3D_OK;
}

HRESULT Device::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                              IDirect3DTexture9** texture, HANDLE*) {
    if (!texture) {
        return D3DERR_INVALIDCALL;
    }
    *texture = nullptr;
    noteTextureWrite();
    const bool renderTarget = (usage & D3DUSAGE_RENDERTARGET) != 0;
    const bool knownFormat = format == D3DFMT_A8R8G8B8 || format == D3DFMT_X8R8G8B8 || format == D3DFMT_A8;
    if (width == 0 || height == 0 || levels > 1 || !knownFormat || (renderTarget && format == D3DFMT_A8) ||
        (renderTarget && pool != D3DPOOL_DEFAULT) || (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED)) {
        return D3DERR_INVALIDCALL;
    }
    auto* created = new Texture(this, width, height, usage, format, pool);
    if (onMainThread()) {
        SDL_GL_MakeCurrent(window_, context_);
        drainReleases();
        if (!created->create()) {
            created->Release();
            return D3DERR_OUTOFVIDEOMEMORY;
        }
    }
    *texture = created;
    return D3D_OK;
}

HRESULT Device::CreateVertexBuffer(UINT length, DWORD, DWORD, D3DPOOL, IDirect3DVertexBuffer9** buffer, HANDLE*) {
    if (!buffer) {
        return D3DERR_INVALIDCALL;
    }
    *buffer = nullptr;
    if (length == 0) {
        return D3DERR_INVALIDCALL;
    }
    *buffer = new VertexBuffer(this, length);
    return D3D_OK;
}

HRESULT Device::CreateIndexBuffer(UINT length, DWORD, D3DFORMAT format, D3DPOOL, IDirect3DIndexBuffer9** buffer,
                                  HANDLE*) {
    if (!buffer) {
        return D3DERR_INVALIDCALL;
    }
    *buffer = nullptr;
    if (length < 2 || format != D3DFMT_INDEX16) {
        return D3DERR_INVALIDCALL;
    }
    *buffer = new IndexBuffer(this, length);
    return D3D_OK;
}

HRESULT Device::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                            IDirect3DSurface9** surface, HANDLE*) {
    if (!surface) {
        return D3DERR_INVALIDCALL;
    }
    *surface = nullptr;
    if (width == 0 || height == 0 || pool != D3DPOOL_SYSTEMMEM ||
        (format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8)) {
        return D3DERR_INVALIDCALL;
    }
    auto* created = new Surface(Surface::Offscreen, nullptr, this);
    created->width = width;
    created->height = height;
    created->format = format;
    created->memory.assign(static_cast<std::size_t>(width) * height * 4, 0);
    AddRef();
    created->AddRef();
    *surface = created;
    return D3D_OK;
}

HRESULT Device::GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destSurface) {
    if (!renderTarget || !destSurface || !onMainThread()) {
        return D3DERR_INVALIDCALL;
    }
    auto* source = static_cast<Surface*>(renderTarget);
    auto* dest = static_cast<Surface*>(destSurface);
    if (dest->kind() != Surface::Offscreen) {
        return D3DERR_INVALIDCALL;
    }
    GLuint framebuffer = 0;
    UINT width = 0;
    UINT height = 0;
    if (source->kind() == Surface::BackBuffer) {
        framebuffer = backFramebuffer_;
        width = backWidth_;
        height = backHeight_;
    } else if (source->kind() == Surface::TextureLevel && source->texture()->isRenderTarget()) {
        SDL_GL_MakeCurrent(window_, context_);
        framebuffer = source->texture()->framebuffer();
        width = source->texture()->width();
        height = source->texture()->height();
    }
    if (!framebuffer || width != dest->width || height != dest->height) {
        return D3DERR_INVALIDCALL;
    }
    if (lostCalls_ > 0) {
        return D3DERR_DEVICELOST;
    }
    SDL_GL_MakeCurrent(window_, context_);
    gl_.BindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), GL_BGRA, GL_UNSIGNED_BYTE,
                 dest->memory.data());
    return D3D_OK;
}

HRESULT Device::SetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9* renderTarget) {
    if (renderTargetIndex != 0 || !renderTarget) {
        return D3DERR_INVALIDCALL;
    }
    auto* surface = static_cast<Surface*>(renderTarget);
    UINT width = 0;
    UINT height = 0;
    if (surface->kind() == Surface::BackBuffer) {
        width = backWidth_;
        height = backHeight_;
    } else if (surface->kind() == Surface::TextureLevel && surface->texture()->isRenderTarget()) {
        width = surface->texture()->width();
        height = surface->texture()->height();
    } else {
        return D3DERR_INVALIDCALL;
    }
    std::lock_guard<std::mutex> lock(bindingMutex_);
    target_ = surface;
    // A new target brings its own viewport and scissor: the whole of it.
    viewport_ = D3DVIEWPORT9{0, 0, width, height, 0.0f, 1.0f};
    scissor_ = RECT{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    return D3D_OK;
}

HRESULT Device::GetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9** renderTarget) {
    if (renderTargetIndex != 0 || !renderTarget) {
        return D3DERR_INVALIDCALL;
    }
    std::lock_guard<std::mutex> lock(bindingMutex_);
    target_->AddRef();
    *renderTarget = target_;
    return D3D_OK;
}

HRESULT Device::BeginScene() {
    if (inScene_) {
        return D3DERR_INVALIDCALL;
    }
    inScene_ = true;
    return D3D_OK;
}

HRESULT Device::EndScene() {
    if (!inScene_) {
        return D3DERR_INVALIDCALL;
    }
    inScene_ = false;
    return D3D_OK;
}

} // namespace d3d9gl
