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
    if (format_ == D3DFMT_A8) {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_), 0,
                     GL_ALPHA, GL_UNSIGNED_BYTE, nullptr);
    } else {
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(width_), static_cast<GLsizei>(height_), 0,
                     GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
    sampling_ = {0, 0, 0, 0};
    setSampling(GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPEAT);
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
    if (dirty_ && !locked_ && !staging_.empty()) {
        const RECT& r = dirtyRect_;
        const int bpp = bytesPerPixel();
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(width_));
        glTexSubImage2D(GL_TEXTURE_2D, 0, r.left, r.top, r.right - r.left, r.bottom - r.top,
                        format_ == D3DFMT_A8 ? GL_ALPHA : GL_BGRA, GL_UNSIGNED_BYTE,
                        staging_.data() + (static_cast<std::size_t>(r.top) * width_ + r.left) * bpp);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        dirty_ = false;
        if (!keepStaging_) {
            // GL keeps the pixels from here on.
            std::vector<std::uint8_t>().swap(staging_);
        }
    }
    return texture_;
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
    if (level != 0 || !lockedRect || locked_ || pool_ == D3DPOOL_DEFAULT) {
        return D3DERR_INVALIDCALL;
    }
    const std::size_t bpp = static_cast<std::size_t>(bytesPerPixel());
    const std::size_t pitch = width_ * bpp;
    RECT area{0, 0, static_cast<LONG>(width_), static_cast<LONG>(height_)};
    if (rect) {
        if (rect->left < 0 || rect->top < 0 || rect->right > area.right || rect->bottom > area.bottom ||
            rect->left > rect->right || rect->top > rect->bottom) {
            return D3DERR_INVALIDCALL;
        }
        area = *rect;
    }
    const bool discard = (flags & D3DLOCK_DISCARD) != 0;
    if (!discard) {
        keepStaging_ = true;
    }
    if (staging_.empty()) {
        staging_.assign(pitch * height_, 0);
        if (!discard && texture_ && device_->onMainThread()) {
            glBindTexture(GL_TEXTURE_2D, texture_);
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glGetTexImage(GL_TEXTURE_2D, 0, format_ == D3DFMT_A8 ? GL_ALPHA : GL_BGRA, GL_UNSIGNED_BYTE,
                          staging_.data());
        }
    }
    locked_ = true;
    readOnly_ = (flags & D3DLOCK_READONLY) != 0;
    lockedRect_ = area;
    lockedRect->Pitch = static_cast<INT>(pitch);
    lockedRect->pBits = staging_.data() + static_cast<std::size_t>(area.top) * pitch +
                        static_cast<std::size_t>(area.left) * bpp;
    return D3D_OK;
}

HRESULT Texture::UnlockRect(UINT level) {
    if (level != 0 || !locked_) {
        return D3DERR_INVALIDCALL;
    }
    locked_ = false;
    if (readOnly_ || lockedRect_.left == lockedRect_.right || lockedRect_.top == lockedRect_.bottom) {
        return D3D_OK;
    }
    if (dirty_) {
        dirtyRect_ = RECT{std::min(dirtyRect_.left, lockedRect_.left), std::min(dirtyRect_.top, lockedRect_.top),
                          std::max(dirtyRect_.right, lockedRect_.right),
                          std::max(dirtyRect_.bottom, lockedRect_.bottom)};
    } else {
        dirtyRect_ = lockedRect_;
    }
    dirty_ = true;
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
