// Drawing on the device of our Direct3D 9 layer: the fixed pipeline's stage
// 0, blending, alpha test, culling and scissor carried out by one GL program.

#include "platform/d3d9_gl.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace d3d9gl {

namespace {

const char* const vertexShader = R"(#version 120
attribute vec3 position;
attribute vec4 color;
attribute vec2 texcoord;
uniform mat4 transform;
varying vec4 vColor;
varying vec2 vTexcoord;
void main() {
    vec4 p = transform * vec4(position, 1.0);
    // Every target keeps its top row first, so y is mirrored; depth runs
    // 0 to 1 here and -1 to 1 in GL.
    gl_Position = vec4(p.x, -p.y, 2.0 * p.z - p.w, p.w);
    vColor = color.bgra;
    vTexcoord = texcoord;
}
)";

// Stage 0 of the fixed pipeline: arguments 0 diffuse, 1 current (the
// diffuse colour at stage 0), 2 texture; operations 1 disable, 2 select
// the first argument, 3 the second, 4 modulate.
const char* const fragmentShader = R"(#version 120
uniform sampler2D sampler;
uniform int textureMode;
uniform int colorOp;
uniform int colorArg1;
uniform int colorArg2;
uniform int alphaOp;
uniform int alphaArg1;
uniform int alphaArg2;
uniform int alphaTest;
uniform int alphaFunc;
uniform float alphaRef;
uniform int lighting;
varying vec4 vColor;
varying vec2 vTexcoord;

vec4 argument(int which, vec4 diffuse, vec4 texel) {
    return which == 2 ? texel : diffuse;
}

vec4 combine(int op, vec4 a1, vec4 a2, vec4 diffuse) {
    if (op == 2) return a1;
    if (op == 3) return a2;
    if (op == 4) return a1 * a2;
    return diffuse;
}

bool passes(float alpha) {
    float a = floor(alpha * 255.0 + 0.5);
    if (alphaFunc == 1) return false;
    if (alphaFunc == 2) return a < alphaRef;
    if (alphaFunc == 3) return a == alphaRef;
    if (alphaFunc == 4) return a <= alphaRef;
    if (alphaFunc == 5) return a > alphaRef;
    if (alphaFunc == 6) return a != alphaRef;
    if (alphaFunc == 7) return a >= alphaRef;
    return true;
}

void main() {
    vec4 texel = vec4(1.0);
    if (textureMode == 1) {
        texel = texture2D(sampler, vTexcoord);
    } else if (textureMode == 2) {
        texel = vec4(texture2D(sampler, vTexcoord).rgb, 1.0);
    } else if (textureMode == 3) {
        texel = vec4(0.0, 0.0, 0.0, texture2D(sampler, vTexcoord).a);
    }
    // Lighting with no lights leaves only the vertex alpha.
    vec4 diffuse = lighting != 0 ? vec4(0.0, 0.0, 0.0, vColor.a) : vColor;
    vec3 rgb = combine(colorOp, argument(colorArg1, diffuse, texel), argument(colorArg2, diffuse, texel), diffuse).rgb;
    float a = combine(alphaOp, argument(alphaArg1, diffuse, texel), argument(alphaArg2, diffuse, texel), diffuse).a;
    if (alphaTest != 0 && !passes(a)) discard;
    gl_FragColor = vec4(rgb, a);
}
)";

constexpr GLuint attribPosition = 0;
constexpr GLuint attribColor = 1;
constexpr GLuint attribTexcoord = 2;

// Row-vector convention: a x b applies a first.
D3DMATRIX multiply(const D3DMATRIX& a, const D3DMATRIX& b) {
    D3DMATRIX r{};
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += a.m[row][k] * b.m[k][column];
            }
            r.m[row][column] = sum;
        }
    }
    return r;
}

GLenum blendFactor(DWORD blend) {
    switch (blend) {
    case D3DBLEND_ZERO:
        return GL_ZERO;
    case D3DBLEND_ONE:
        return GL_ONE;
    case D3DBLEND_SRCCOLOR:
        return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR:
        return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA:
        return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA:
        return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA:
        return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA:
        return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR:
        return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR:
        return GL_ONE_MINUS_DST_COLOR;
    default:
        return GL_ONE;
    }
}

GLenum blendEquation(DWORD op) {
    switch (op) {
    case D3DBLENDOP_SUBTRACT:
        return GL_FUNC_SUBTRACT;
    case D3DBLENDOP_REVSUBTRACT:
        return GL_FUNC_REVERSE_SUBTRACT;
    case D3DBLENDOP_MIN:
        return GL_MIN;
    case D3DBLENDOP_MAX:
        return GL_MAX;
    default:
        return GL_FUNC_ADD;
    }
}

GLint addressMode(DWORD mode) {
    switch (mode) {
    case D3DTADDRESS_CLAMP:
        return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_MIRROR:
        return GL_MIRRORED_REPEAT;
    default:
        return GL_REPEAT;
    }
}

GLint filterMode(DWORD filter) { return filter == D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST; }

struct Box {
    LONG left, top, right, bottom;
};

Box intersect(const Box& a, const Box& b) {
    Box r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (r.right < r.left) {
        r.right = r.left;
    }
    if (r.bottom < r.top) {
        r.bottom = r.top;
    }
    return r;
}

} // namespace

bool Device::buildProgram() {
    auto compile = [this](GLenum kind, const char* source) -> GLuint {
        const GLuint shader = gl_.CreateShader(kind);
        gl_.ShaderSource(shader, 1, &source, nullptr);
        gl_.CompileShader(shader);
        GLint ok = 0;
        gl_.GetShaderiv(shader, GL_COMPILE_STATUS, &ok);
        if (!ok) {
            char text[1024] = {};
            gl_.GetShaderInfoLog(shader, sizeof(text) - 1, nullptr, text);
            std::fprintf(stderr, "d3d9: shader does not compile: %s\n", text);
            gl_.DeleteShader(shader);
            return 0;
        }
        return shader;
    };
    const GLuint vertex = compile(GL_VERTEX_SHADER, vertexShader);
    const GLuint fragment = compile(GL_FRAGMENT_SHADER, fragmentShader);
    if (!vertex || !fragment) {
        return false;
    }
    program_ = gl_.CreateProgram();
    gl_.AttachShader(program_, vertex);
    gl_.AttachShader(program_, fragment);
    gl_.BindAttribLocation(program_, attribPosition, "position");
    gl_.BindAttribLocation(program_, attribColor, "color");
    gl_.BindAttribLocation(program_, attribTexcoord, "texcoord");
    gl_.LinkProgram(program_);
    gl_.DeleteShader(vertex);
    gl_.DeleteShader(fragment);
    GLint ok = 0;
    gl_.GetProgramiv(program_, GL_LINK_STATUS, &ok);
    if (!ok) {
        char text[1024] = {};
        gl_.GetProgramInfoLog(program_, sizeof(text) - 1, nullptr, text);
        std::fprintf(stderr, "d3d9: shaders do not link: %s\n", text);
        return false;
    }
    uniforms_.transform = gl_.GetUniformLocation(program_, "transform");
    uniforms_.sampler = gl_.GetUniformLocation(program_, "sampler");
    uniforms_.textureMode = gl_.GetUniformLocation(program_, "textureMode");
    uniforms_.colorOp = gl_.GetUniformLocation(program_, "colorOp");
    uniforms_.colorArg1 = gl_.GetUniformLocation(program_, "colorArg1");
    uniforms_.colorArg2 = gl_.GetUniformLocation(program_, "colorArg2");
    uniforms_.alphaOp = gl_.GetUniformLocation(program_, "alphaOp");
    uniforms_.alphaArg1 = gl_.GetUniformLocation(program_, "alphaArg1");
    uniforms_.alphaArg2 = gl_.GetUniformLocation(program_, "alphaArg2");
    uniforms_.alphaTest = gl_.GetUniformLocation(program_, "alphaTest");
    uniforms_.alphaFunc = gl_.GetUniformLocation(program_, "alphaFunc");
    uniforms_.alphaRef = gl_.GetUniformLocation(program_, "alphaRef");
    uniforms_.lighting = gl_.GetUniformLocation(program_, "lighting");
    return true;
}

bool Device::bindTarget(UINT& width, UINT& height) {
    SDL_GL_MakeCurrent(window_, context_);
    drainReleases();
    GLuint framebuffer = backFramebuffer_;
    width = backWidth_;
    height = backHeight_;
    if (target_ != &backBuffer_) {
        noteTextureWrite();
        Texture* texture = target_->texture();
        framebuffer = texture->framebuffer();
        width = texture->width();
        height = texture->height();
    }
    if (!framebuffer) {
        return false;
    }
    gl_.BindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glViewport(static_cast<GLint>(viewport_.X), static_cast<GLint>(viewport_.Y),
               static_cast<GLsizei>(viewport_.Width), static_cast<GLsizei>(viewport_.Height));
    return true;
}

void Device::applyScissor(UINT targetWidth, UINT targetHeight, bool forClear) {
    Box box{0, 0, static_cast<LONG>(targetWidth), static_cast<LONG>(targetHeight)};
    if (forClear) {
        // A clear fills the viewport, not the whole target.
        box = intersect(box, Box{static_cast<LONG>(viewport_.X), static_cast<LONG>(viewport_.Y),
                                 static_cast<LONG>(viewport_.X + viewport_.Width),
                                 static_cast<LONG>(viewport_.Y + viewport_.Height)});
    }
    if (renderStates_[D3DRS_SCISSORTESTENABLE]) {
        box = intersect(box, Box{scissor_.left, scissor_.top, scissor_.right, scissor_.bottom});
    }
    glEnable(GL_SCISSOR_TEST);
    glScissor(box.left, box.top, box.right - box.left, box.bottom - box.top);
}

HRESULT Device::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float, DWORD) {
    if (!onMainThread() || (count > 0 && !rects)) {
        return D3DERR_INVALIDCALL;
    }
    if (lostCalls_ > 0 || needsReset_ || !(flags & D3DCLEAR_TARGET)) {
        return D3D_OK;
    }
    std::lock_guard<std::mutex> lock(bindingMutex_);
    UINT width = 0;
    UINT height = 0;
    if (!bindTarget(width, height)) {
        return D3DERR_INVALIDCALL;
    }
    glClearColor(static_cast<float>((color >> 16) & 0xFF) / 255.0f, static_cast<float>((color >> 8) & 0xFF) / 255.0f,
                 static_cast<float>(color & 0xFF) / 255.0f, static_cast<float>((color >> 24) & 0xFF) / 255.0f);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    if (count == 0) {
        applyScissor(width, height, true);
        glClear(GL_COLOR_BUFFER_BIT);
        return D3D_OK;
    }
    const RECT saved = scissor_;
    const DWORD savedEnable = renderStates_[D3DRS_SCISSORTESTENABLE];
    for (DWORD i = 0; i < count; ++i) {
        Box box{rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2};
        if (savedEnable) {
            box = intersect(box, Box{saved.left, saved.top, saved.right, saved.bottom});
        }
        scissor_ = RECT{box.left, box.top, box.right, box.bottom};
        renderStates_[D3DRS_SCISSORTESTENABLE] = TRUE;
        applyScissor(width, height, true);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    scissor_ = saved;
    renderStates_[D3DRS_SCISSORTESTENABLE] = savedEnable;
    return D3D_OK;
}

HRESULT Device::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    ++calls_.transforms;
    if (!matrix) {
        return D3DERR_INVALIDCALL;
    }
    if (state == D3DTS_VIEW) {
        view_ = *matrix;
    } else if (state == D3DTS_PROJECTION) {
        projection_ = *matrix;
    } else if (state == D3DTS_WORLD) {
        world_ = *matrix;
    } else {
        return D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}

HRESULT Device::SetViewport(const D3DVIEWPORT9* viewport) {
    ++calls_.viewports;
    if (!viewport) {
        return D3DERR_INVALIDCALL;
    }
    std::lock_guard<std::mutex> lock(bindingMutex_);
    UINT width = backWidth_;
    UINT height = backHeight_;
    if (target_ != &backBuffer_) {
        width = target_->texture()->width();
        height = target_->texture()->height();
    }
    // The real device refuses a viewport that leaves its target.
    const std::uint64_t right = static_cast<std::uint64_t>(viewport->X) + viewport->Width;
    const std::uint64_t bottom = static_cast<std::uint64_t>(viewport->Y) + viewport->Height;
    if (right > width || bottom > height) {
        return D3DERR_INVALIDCALL;
    }
    viewport_ = *viewport;
    return D3D_OK;
}

HRESULT Device::GetViewport(D3DVIEWPORT9* viewport) {
    if (!viewport) {
        return D3DERR_INVALIDCALL;
    }
    *viewport = viewport_;
    return D3D_OK;
}

HRESULT Device::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    ++calls_.renderStates;
    if (static_cast<std::size_t>(state) >= renderStates_.size()) {
        return D3DERR_INVALIDCALL;
    }
    renderStates_[state] = value;
    return D3D_OK;
}

HRESULT Device::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    ++calls_.textures;
    if (stage != 0) {
        return D3D_OK;
    }
    std::lock_guard<std::mutex> lock(bindingMutex_);
    texture_ = static_cast<Texture*>(static_cast<IDirect3DTexture9*>(texture));
    return D3D_OK;
}

HRESULT Device::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    ++calls_.stageStates;
    if (static_cast<std::size_t>(type) >= stageStates_.size()) {
        return D3DERR_INVALIDCALL;
    }
    if (stage == 0) {
        stageStates_[type] = value;
    }
    return D3D_OK;
}

HRESULT Device::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    ++calls_.samplerStates;
    if (static_cast<std::size_t>(type) >= samplerStates_.size()) {
        return D3DERR_INVALIDCALL;
    }
    if (sampler == 0) {
        samplerStates_[type] = value;
    }
    return D3D_OK;
}

HRESULT Device::SetScissorRect(const RECT* rect) {
    ++calls_.scissors;
    if (!rect) {
        return D3DERR_INVALIDCALL;
    }
    scissor_ = *rect;
    return D3D_OK;
}

HRESULT Device::SetFVF(DWORD fvf) {
    ++calls_.streams;
    fvf_ = fvf;
    return D3D_OK;
}

HRESULT Device::SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* streamData, UINT offsetInBytes,
                                UINT stride) {
    ++calls_.streams;
    if (streamNumber != 0) {
        return D3DERR_INVALIDCALL;
    }
    std::lock_guard<std::mutex> lock(bindingMutex_);
    stream_ = static_cast<VertexBuffer*>(streamData);
    streamOffset_ = offsetInBytes;
    streamStride_ = stride;
    return D3D_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer9* indexData) {
    ++calls_.streams;
    std::lock_guard<std::mutex> lock(bindingMutex_);
    indices_ = static_cast<IndexBuffer*>(indexData);
    return D3D_OK;
}

bool Device::checkDraw(INT baseVertexIndex, UINT startIndex, UINT primitiveCount, DrawRange& range) const {
    if (!stream_ || !indices_ || !(fvf_ & D3DFVF_XYZ)) {
        return false;
    }
    range.colorOffset = 12;
    range.texcoordOffset = range.colorOffset + ((fvf_ & D3DFVF_DIFFUSE) ? 4 : 0);
    range.vertexSize = range.texcoordOffset + ((fvf_ & D3DFVF_TEX1) ? 8 : 0);
    if (streamStride_ < range.vertexSize) {
        return false;
    }

    // Every index must stay inside the buffers: a draw never reads past them.
    const Buffer& indexBuffer = indices_->buffer();
    range.indexCount = static_cast<std::uint64_t>(primitiveCount) * 3;
    if (startIndex + range.indexCount > indexBuffer.length() / 2) {
        return false;
    }
    range.indices = reinterpret_cast<const std::uint16_t*>(indexBuffer.data()) + startIndex;
    range.lowest = 0xFFFF;
    range.highest = 0;
    for (std::uint64_t i = 0; i < range.indexCount; ++i) {
        range.lowest = std::min(range.lowest, range.indices[i]);
        range.highest = std::max(range.highest, range.indices[i]);
    }
    const Buffer& vertexBuffer = stream_->buffer();
    const std::uint64_t end = streamOffset_ +
                              (static_cast<std::uint64_t>(baseVertexIndex) + range.highest) * streamStride_ +
                              range.vertexSize;
    if (end > vertexBuffer.length()) {
        return false;
    }
    range.vertices = vertexBuffer.data() + streamOffset_ + static_cast<std::size_t>(baseVertexIndex) * streamStride_;
    return true;
}

void Device::applyBlendAndCull() {
    if (renderStates_[D3DRS_ALPHABLENDENABLE]) {
        glEnable(GL_BLEND);
        glBlendFunc(blendFactor(renderStates_[D3DRS_SRCBLEND]), blendFactor(renderStates_[D3DRS_DESTBLEND]));
        gl_.BlendEquation(blendEquation(renderStates_[D3DRS_BLENDOP]));
    } else {
        glDisable(GL_BLEND);
    }
    const DWORD cull = renderStates_[D3DRS_CULLMODE];
    if (cull == D3DCULL_CW || cull == D3DCULL_CCW) {
        // With the mirrored y a triangle that turns clockwise on screen turns
        // counter-clockwise for GL.
        glEnable(GL_CULL_FACE);
        glFrontFace(GL_CCW);
        glCullFace(cull == D3DCULL_CCW ? GL_BACK : GL_FRONT);
    } else {
        glDisable(GL_CULL_FACE);
    }
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_STENCIL_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

void Device::applyProgram() {
    gl_.UseProgram(program_);
    const D3DMATRIX transform = multiply(multiply(world_, view_), projection_);
    gl_.UniformMatrix4fv(uniforms_.transform, 1, GL_FALSE, &transform.m[0][0]);
    int textureMode = 0;
    gl_.ActiveTexture(GL_TEXTURE0);
    if (texture_ && texture_->bind()) {
        textureMode = texture_->format() == D3DFMT_A8 ? 3 : (texture_->format() == D3DFMT_X8R8G8B8 ? 2 : 1);
        texture_->setSampling(filterMode(samplerStates_[D3DSAMP_MINFILTER]),
                              filterMode(samplerStates_[D3DSAMP_MAGFILTER]),
                              addressMode(samplerStates_[D3DSAMP_ADDRESSU]),
                              addressMode(samplerStates_[D3DSAMP_ADDRESSV]));
    } else {
        glBindTexture(GL_TEXTURE_2D, 0);
    }
    gl_.Uniform1i(uniforms_.sampler, 0);
    gl_.Uniform1i(uniforms_.textureMode, textureMode);
    gl_.Uniform1i(uniforms_.colorOp, static_cast<GLint>(stageStates_[D3DTSS_COLOROP]));
    gl_.Uniform1i(uniforms_.colorArg1, static_cast<GLint>(stageStates_[D3DTSS_COLORARG1]));
    gl_.Uniform1i(uniforms_.colorArg2, static_cast<GLint>(stageStates_[D3DTSS_COLORARG2]));
    gl_.Uniform1i(uniforms_.alphaOp, static_cast<GLint>(stageStates_[D3DTSS_ALPHAOP]));
    gl_.Uniform1i(uniforms_.alphaArg1, static_cast<GLint>(stageStates_[D3DTSS_ALPHAARG1]));
    gl_.Uniform1i(uniforms_.alphaArg2, static_cast<GLint>(stageStates_[D3DTSS_ALPHAARG2]));
    gl_.Uniform1i(uniforms_.alphaTest, renderStates_[D3DRS_ALPHATESTENABLE] ? 1 : 0);
    gl_.Uniform1i(uniforms_.alphaFunc, static_cast<GLint>(renderStates_[D3DRS_ALPHAFUNC]));
    gl_.Uniform1f(uniforms_.alphaRef, static_cast<float>(renderStates_[D3DRS_ALPHAREF] & 0xFF));
    gl_.Uniform1i(uniforms_.lighting, renderStates_[D3DRS_LIGHTING] ? 1 : 0);
}

void Device::drawRange(const DrawRange& range) {
    const std::uint8_t* base = range.vertices;
    const auto stride = static_cast<GLsizei>(streamStride_);
    gl_.EnableVertexAttribArray(attribPosition);
    gl_.VertexAttribPointer(attribPosition, 3, GL_FLOAT, GL_FALSE, stride, base);
    if (fvf_ & D3DFVF_DIFFUSE) {
        gl_.EnableVertexAttribArray(attribColor);
        gl_.VertexAttribPointer(attribColor, 4, GL_UNSIGNED_BYTE, GL_TRUE, stride, base + range.colorOffset);
    } else {
        gl_.DisableVertexAttribArray(attribColor);
        gl_.VertexAttrib4f(attribColor, 1.0f, 1.0f, 1.0f, 1.0f);
    }
    if (fvf_ & D3DFVF_TEX1) {
        gl_.EnableVertexAttribArray(attribTexcoord);
        gl_.VertexAttribPointer(attribTexcoord, 2, GL_FLOAT, GL_FALSE, stride, base + range.texcoordOffset);
    } else {
        gl_.DisableVertexAttribArray(attribTexcoord);
        gl_.VertexAttrib4f(attribTexcoord, 0.0f, 0.0f, 0.0f, 1.0f);
    }
    gl_.DrawRangeElements(GL_TRIANGLES, range.lowest, range.highest, static_cast<GLsizei>(range.indexCount),
                          GL_UNSIGNED_SHORT, range.indices);
    gl_.DisableVertexAttribArray(attribPosition);
    gl_.DisableVertexAttribArray(attribColor);
    gl_.DisableVertexAttribArray(attribTexcoord);
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT, UINT, UINT startIndex,
                                     UINT primitiveCount) {
    if (!onMainThread() || type != D3DPT_TRIANGLELIST || baseVertexIndex < 0) {
        return D3DERR_INVALIDCALL;
    }
    ++calls_.draws;
    if (lostCalls_ > 0 || needsReset_ || primitiveCount == 0) {
        return D3D_OK;
    }
    std::lock_guard<std::mutex> lock(bindingMutex_);
    DrawRange range;
    if (!checkDraw(baseVertexIndex, startIndex, primitiveCount, range)) {
        return D3DERR_INVALIDCALL;
    }
    UINT width = 0;
    UINT height = 0;
    if (!bindTarget(width, height)) {
        return D3DERR_INVALIDCALL;
    }
    applyScissor(width, height, false);
    applyBlendAndCull();
    applyProgram();
    drawRange(range);
    return D3D_OK;
}

} // namespace d3d9gl
