// Textures, surfaces and buffers of our Direct3D 9 layer.

#include "platform/d3d9_gl.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace d3d9gl {

namespace {

template <typename T>
bool loadEntry(T& entry, const char* name) {
    entry = reinterpret_cast<T>(SDL_GL_GetProcAddress(name));
    if (!entry) {
        std::fprintf(stderr, "d3d9: OpenGL entry point %s is missing\n", name);
    }
    return entry != nullptr;
}

} // namespace

bool GlFunctions::load() {
    bool ok = true;
    ok &= loadEntry(GenFramebuffers, "glGenFramebuffers");
    ok &= loadEntry(DeleteFramebuffers, "glDeleteFramebuffers");
    ok &= loadEntry(BindFramebuffer, "glBindFramebuffer");
    ok &= loadEntry(FramebufferTexture2D, "glFramebufferTexture2D");
    ok &= loadEntry(CheckFramebufferStatus, "glCheckFramebufferStatus");
    ok &= loadEntry(BlitFramebuffer, "glBlitFramebuffer");
    ok &= loadEntry(CreateShader, "glCreateShader");
    ok &= loadEntry(DeleteShader, "glDeleteShader");
    ok &= loadEntry(ShaderSource, "glShaderSource");
    ok &= loadEntry(CompileShader, "glCompileShader");
    ok &= loadEntry(GetShaderiv, "glGetShaderiv");
    ok &= loadEntry(GetShaderInfoLog, "glGetShaderInfoLog");
    ok &= loadEntry(CreateProgram, "glCreateProgram");
    ok &= loadEntry(DeleteProgram, "glDeleteProgram");
    ok &= loadEntry(AttachShader, "glAttachShader");
    ok &= loadEntry(BindAttribLocation, "glBindAttribLocation");
    ok &= loadEntry(LinkProgram, "glLinkProgram");
    ok &= loadEntry(GetProgramiv, "glGetProgramiv");
    ok &= loadEntry(GetProgramInfoLog, "glGetProgramInfoLog");
    ok &= loadEntry(UseProgram, "glUseProgram");
    ok &= loadEntry(GetUniformLocation, "glGetUniformLocation");
    ok &= loadEntry(Uniform1i, "glUniform1i");
    ok &= loadEntry(Uniform1f, "glUniform1f");
    ok &= loadEntry(UniformMatrix4fv, "glUniformMatrix4fv");
    ok &= loadEntry(EnableVertexAttribArray, "glEnableVertexAttribArray");
    ok &= loadEntry(DisableVertexAttribArray, "glDisableVertexAttribArray");
    ok &= loadEntry(VertexAttribPointer, "glVertexAttribPointer");
    ok &= loadEntry(VertexAttrib4f, "glVertexAttrib4f");
    ok &= loadEntry(BlendEquation, "glBlendEquation");
    ok &= loadEntry(DrawRangeElements, "glDrawRangeElements");
    ok &= loadEntry(ActiveTexture, "glActiveTexture");
    GetTextureSubImage = reinterpret_cast<PFNGLGETTEXTURESUBIMAGEPROC>(SDL_GL_GetProcAddress("glGetTextureSubImage"));
    return ok;
}

// Surfaces

Surface::Surface(Kind kind, Texture* texture, Device* device) : kind_(kind), texture_(texture), device_(device) {}

ULONG Surface::AddRef() {
    const int own = ++own_;
    switch (kind_) {
    case TextureLevel:
        return texture_->AddRef();
    case BackBuffer:
        return device_->AddRef();
    case Offscreen:
        break;
    }
    return static_cast<ULONG>(own);
}

ULONG Surface::Release() {
    if (own_.load() <= 0) {
        // More releases than references: ignore rather than free twice.
        return 0;
    }
    const int own = --own_;
    switch (kind_) {
    case TextureLevel:
        return texture_->Release();
    case BackBuffer:
        return device_->Release();
    case Offscreen:
        break;
    }
    if (own == 0) {
        Device* device = device_;
        delete this;
        device->Release();
    }
    return static_cast<ULONG>(own);
}

HRESULT Surface::LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) {
    switch (kind_) {
    case TextureLevel:
        return texture_->LockRect(0, lockedRect, rect, flags);
    case BackBuffer:
        return D3DERR_INVALIDCALL;
    case Offscreen:
        break;
    }
    if (!lockedRect) {
        return D3DERR_INVALIDCALL;
    }
    const INT pitch = static_cast<INT>(width * 4);
    std::size_t offset = 0;
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->right > static_cast<LONG>(width) ||
            rect->bottom > static_cast<LONG>(height) || rect->left > rect->right || rect->top > rect->bottom) {
            return D3DERR_INVALIDCALL;
        }
        offset = static_cast<std::size_t>(rect->top) * pitch + static_cast<std::size_t>(rect->left) * 4;
    }
    lockedRect->Pitch = pitch;
    lockedRect->pBits = memory.data() + offset;
    return D3D_OK;
}

HRESULT Surface::UnlockRect() {
    if (kind_ == TextureLevel) {
        return texture_->UnlockRect(0);
    }
    return kind_ == Offscreen ? D3D_OK : D3DERR_INVALIDCALL;
}

// Textures

Texture::Texture(Device* device, UINT width, UINT height, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : device_(device), width_(width), height_(height), usage_(usage), format_(format), pool_(pool),
      surface_(Surface::TextureLevel, this, device) {
    device_->AddRef();
    device_->resourceCreated(pool_);
}

Texture::~Texture() {
    device_->forget(this);
    device_->forget(&surface_);
    if (texture_ || framebuffer_) {
        if (device_->onMainThread()) {
            if (framebuffer_) {
                device_->gl().DeleteFramebuffers(1, &framebuffer_);
            }
            if (texture_) {
                glDeleteTextures(1, &texture_);
            }
        } else {
            device_->queueRelease(texture_, framebuffer_);
        }
    }
    device_->resourceDestroyed(pool_);
    device_->Release();
}

ULONG Texture::AddRef() { return ++refs_; }

ULONG Texture::Release() { return releaseReference(refs_, this); }

bool Texture::create() {
    if (texture_) {
        return true;
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    glGenTextures(1, &texture_);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // Before the storage is made: a texture whose filter asks for mipmaps
    // gets room for the whole chain, a third more than the one level used.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    sampling_ = {0, 0, 0, 0};
    setSampling(GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPEAT);
    if (format_ == D3DFMT_A8) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_), 0,
                     GL_ALPHA, GL_UNSIGNED_BYTE, nullptr);
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_), 0,
                     GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    }
    if (glGetError() != GL_NO_ERROR) {
        glDeleteTextures(1, &texture_);
        texture_ = 0;
        return false;
    }
    return true;
}

void Texture::setSampling(GLint minFilter, GLint magFilter, GLint wrapS, GLint wrapT) {
    const std::array<GLint, 4> wanted{minFilter, magFilter, wrapS, wrapT};
    if (wanted == sampling_) {
        return;
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, magFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrapS);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrapT);
    sampling_ = wanted;
}

GLuint Texture::bind() {
    if (!texture_ && !create()) {
        return 0;
    }
    glBindTexture(GL_TEXTURE_2D, texture_);
    uploadPending();
    return texture_;
}

void Texture::uploadPending() {
    if (pending_.empty()) {
        return;
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (const Staged& staged : pending_) {
        const RECT& r = staged.rect;
        glTexSubImage2D(GL_TEXTURE_2D, 0, r.left, r.top, r.right - r.left, r.bottom - r.top, glFormat(),
                        GL_UNSIGNED_BYTE, staged.pixels.data());
    }
    std::vector<Staged>().swap(pending_);
}

void Texture::readBack(const RECT& rect, std::uint8_t* into) {
    const GLsizei w = rect.right - rect.left;
    const GLsizei h = rect.bottom - rect.top;
    const std::size_t bpp = static_cast<std::size_t>(bytesPerPixel());
    const std::size_t size = static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * bpp;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    const GlFunctions& gl = device_->gl();
    if (gl.GetTextureSubImage) {
        gl.GetTextureSubImage(texture_, 0, rect.left, rect.top, 0, w, h, 1, glFormat(), GL_UNSIGNED_BYTE,
                              static_cast<GLsizei>(size), into);
        return;
    }
    // The whole level, for a moment, to copy the rectangle out of.
    const std::size_t pitch = width_ * bpp;
    std::vector<std::uint8_t> level(pitch * height_);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glGetTexImage(GL_TEXTURE_2D, 0, glFormat(), GL_UNSIGNED_BYTE, level.data());
    for (GLsizei y = 0; y < h; ++y) {
        std::memcpy(into + static_cast<std::size_t>(y) * w * bpp,
                    level.data() + (static_cast<std::size_t>(rect.top) + y) * pitch + rect.left * bpp,
                    static_cast<std::size_t>(w) * bpp);
    }
}

GLuint Texture::framebuffer() {
    if (framebuffer_) {
        return framebuffer_;
    }
    const GLuint texture = bind();
    if (!texture) {
        return 0;
    }
    const GlFunctions& gl = device_->gl();
    gl.GenFramebuffers(1, &framebuffer_);
    gl.BindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    gl.FramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture, 0);
    if (gl.CheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        std::fprintf(stderr, "d3d9: render target of %u x %u is not usable\n", width_, height_);
        gl.BindFramebuffer(GL_FRAMEBUFFER, 0);
        gl.DeleteFramebuffers(1, &framebuffer_);
        framebuffer_ = 0;
    }
    return framebuffer_;
}

HRESULT Texture::LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) {
    // Default-pool textures (render targets) live on the device alone.
    if (level != 0 || !lockedRect || isLocked_ || pool_ == D3DPOOL_DEFAULT) {
        return D3DERR_INVALIDCALL;
    }
    RECT area{0, 0, static_cast<LONG>(width_), static_cast<LONG>(height_)};
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->right > area.right || rect->bottom > area.bottom ||
            rect->left > rect->right || rect->top > rect->bottom) {
            return D3DERR_INVALIDCALL;
        }
        area = *rect;
    }
    const std::size_t bpp = static_cast<std::size_t>(bytesPerPixel());
    const std::size_t pitch = static_cast<std::size_t>(area.right - area.left) * bpp;
    const std::size_t rows = static_cast<std::size_t>(area.bottom - area.top);
    locked_.rect = area;
    locked_.pixels.assign(pitch * rows, 0);
    // The pixels the rectangle holds now: GL's, then what waits to reach GL.
    // Off the main thread GL cannot be asked; a texture is only ever filled
    // there before it is first drawn, so GL holds nothing yet.
    const bool discard = (flags & D3DLOCK_DISCARD) != 0;
    if (!discard && pitch != 0 && rows != 0) {
        if (texture_ && device_->onMainThread()) {
            glBindTexture(GL_TEXTURE_2D, texture_);
            uploadPending();
            readBack(area, locked_.pixels.data());
        }
        for (const Staged& staged : pending_) {
            const LONG left = std::max(area.left, staged.rect.left);
            const LONG right = std::min(area.right, staged.rect.right);
            const std::size_t from = static_cast<std::size_t>(staged.rect.right - staged.rect.left) * bpp;
            for (LONG y = std::max(area.top, staged.rect.top); left < right && y < std::min(area.bottom, staged.rect.bottom);
                 ++y) {
                std::memcpy(locked_.pixels.data() + static_cast<std::size_t>(y - area.top) * pitch +
                                static_cast<std::size_t>(left - area.left) * bpp,
                            staged.pixels.data() + static_cast<std::size_t>(y - staged.rect.top) * from +
                                static_cast<std::size_t>(left - staged.rect.left) * bpp,
                            static_cast<std::size_t>(right - left) * bpp);
            }
        }
    }
    isLocked_ = true;
    readOnly_ = (flags & D3DLOCK_READONLY) != 0;
    lockedRect->Pitch = static_cast<INT>(pitch);
    lockedRect->pBits = locked_.pixels.data();
    return D3D_OK;
}

HRESULT Texture::UnlockRect(UINT level) {
    if (level != 0 || !isLocked_) {
        return D3DERR_INVALIDCALL;
    }
    isLocked_ = false;
    Staged written{locked_.rect, {}};
    written.pixels.swap(locked_.pixels);
    if (readOnly_ || written.pixels.empty()) {
        return D3D_OK;
    }
    pending_.push_back(std::move(written));
    device_->noteTextureWrite();
    // Off the main thread the upload waits for the first bind.
    if (device_->onMainThread()) {
        bind();
    }
    return D3D_OK;
}

HRESULT Texture::GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) {
    if (level != 0 || !surface) {
        return D3DERR_INVALIDCALL;
    }
    surface_.AddRef();
    *surface = &surface_;
    return D3D_OK;
}

// Buffers

HRESULT Buffer::lock(UINT offset, UINT size, void** data) {
    if (!data) {
        return D3DERR_INVALIDCALL;
    }
    const UINT total = length();
    if (offset > total || (size != 0 && size > total - offset)) {
        *data = nullptr;
        return D3DERR_INVALIDCALL;
    }
    *data = bytes_.data() + offset;
    return D3D_OK;
}

template <typename Interface>
DeviceBuffer<Interface>::DeviceBuffer(Device* device, UINT length) : device_(device), buffer_(length) {
    device_->AddRef();
}

template <typename Interface>
DeviceBuffer<Interface>::~DeviceBuffer() {
    device_->forget(this);
    device_->Release();
}

template class DeviceBuffer<IDirect3DVertexBuffer9>;
template class DeviceBuffer<IDirect3DIndexBuffer9>;

} // namespace d3d9gl
