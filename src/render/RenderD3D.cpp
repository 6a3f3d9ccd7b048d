#include "render/RenderD3D.h"

#include "app/Application.h"
#include "core/Log.h"
#include "app/WindowWin.h"
#include "render/Bitmap.h"
#include "render/TextureD3D.h"

#include "platform/d3d9_ext.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vorn::d3d {

namespace {

void showError(const char* text) {
    log("D3D_DEV ERR: %s", text);
    MessageBoxA(GetActiveWindow(), text, "D3D_DEV ERR", MB_OK);
}

// Truncates toward zero like an integer cast, without the undefined
// behaviour of casting NaN or a huge value.
LONG toLong(float value) {
    if (!(value == value)) {
        return 0;
    }
    const float limit = 16777216.0f;
    return static_cast<LONG>(std::clamp(value, -limit, limit));
}

DWORD toDword(float value) { return static_cast<DWORD>(std::max<LONG>(toLong(value), 0)); }

void toMatrix(const glm::mat4& m, D3DMATRIX& out) {
    // glm's column-major storage of a column-vector matrix is the row-major
    // storage of the row-vector matrix Direct3D wants.
    std::memcpy(out.m, &m[0][0], sizeof(out.m));
}

} // namespace

RenderD3D::RenderD3D() = default;

RenderD3D::~RenderD3D() {
    for (TextureD3D* texture : renderTargets_) {
        texture->detachRender();
    }
    renderTargets_.clear();
    boundTexture_.reset();
    if (vertexBuffer_) {
        vertexBuffer_->Release();
    }
    if (indexBuffer_) {
        indexBuffer_->Release();
    }
    if (device_) {
        device_->Release();
    }
    if (direct3d_) {
        direct3d_->Release();
    }
}

void RenderD3D::setWindow(HWND window) { window_ = window; }

void RenderD3D::fillPresentParameters(const glm::vec2& size, D3DFORMAT format) {
    presentParameters_ = D3DPRESENT_PARAMETERS{};
    presentParameters_.BackBufferWidth = toDword(size.x);
    presentParameters_.BackBufferHeight = toDword(size.y);
    presentParameters_.BackBufferFormat = format;
    presentParameters_.BackBufferCount = 1;
    presentParameters_.MultiSampleType = D3DMULTISAMPLE_NONE;
    presentParameters_.MultiSampleQuality = 0;
    presentParameters_.SwapEffect = D3DSWAPEFFECT_DISCARD;
    presentParameters_.hDeviceWindow = window_ ? window_ : WindowWin::handle();
    presentParameters_.Windowed = TRUE;
    presentParameters_.EnableAutoDepthStencil = FALSE;
    presentParameters_.Flags = 0;
    presentParameters_.FullScreen_RefreshRateInHz = 0;
    presentParameters_.PresentationInterval = D3DPRESENT_INTERVAL_DEFAULT;
}

bool RenderD3D::setup() {
    log("RenderD3D::setup() called");
    direct3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    if (!direct3d_) {
        log("Could not create Direct3D Object");
        // Nothing can be drawn: tell the person, not only the log.
        MessageBoxA(GetActiveWindow(), "Could not create Direct3D Object", "D3D_DEV ERR", MB_OK);
        return false;
    }
    log("d3d created");

    D3DDISPLAYMODE mode{};
    if (FAILED(direct3d_->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode)) || mode.Format == D3DFMT_UNKNOWN) {
        showError("Can't determine desktop video mode");
    }
    glm::vec2 size(static_cast<float>(mode.Width), static_cast<float>(mode.Height));
    if (Application* app = Application::instance()) {
        size = app->backBufferSize();
    }
    fillPresentParameters(size, mode.Format);
    log("d3d parameters set");

    const HRESULT result =
        direct3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, presentParameters_.hDeviceWindow,
                                D3DCREATE_SOFTWARE_VERTEXPROCESSING, &presentParameters_, &device_);
    if (FAILED(result) || !device_) {
        device_ = nullptr;
        log("CreateDevice failed: 0x%08x", static_cast<unsigned>(result));
        showError("Could not create Direct3D Device");
        return false;
    }
    log("d3d device created");

    if (!createBuffers()) {
        return false;
    }
    resetTransformsAndStates();
    ready_ = true;
    return true;
}

bool RenderD3D::createBuffers() {
    if (vertexBuffer_) {
        vertexBuffer_->Release();
        vertexBuffer_ = nullptr;
    }
    if (indexBuffer_) {
        indexBuffer_->Release();
        indexBuffer_ = nullptr;
    }
    if (!device_) {
        return false;
    }
    if (FAILED(device_->CreateVertexBuffer(vertexBufferVertices * sizeof(BatchVertex), 0, vertexFormat,
                                           D3DPOOL_MANAGED, &vertexBuffer_, nullptr))) {
        vertexBuffer_ = nullptr;
        showError("Could not create vertex buffer");
        return false;
    }
    if (FAILED(device_->CreateIndexBuffer(indexBufferIndices * sizeof(std::uint16_t), 0, D3DFMT_INDEX16,
                                          D3DPOOL_MANAGED, &indexBuffer_, nullptr))) {
        indexBuffer_ = nullptr;
        showError("Could not create index buffer");
        return false;
    }
    return true;
}

void RenderD3D::resetTransformsAndStates() {
    D3DMATRIX identity{};
    toMatrix(glm::mat4(1.0f), identity);
    device_->SetTransform(D3DTS_PROJECTION, &identity);
    device_->SetTransform(D3DTS_WORLD, &identity);
    device_->SetTransform(D3DTS_VIEW, &identity);
    log("d3d matrices set");
    device_->SetRenderState(D3DRS_ZENABLE, FALSE);
    device_->SetRenderState(D3DRS_LIGHTING, FALSE);
}

void RenderD3D::applyClip() {
    if (!device_) {
        return;
    }
    ClipState clip = clipState();
    if (!clip.enabled) {
        clip.rect = Rect();
    }
    if (!appliedClipValid_ || applied_.clip.enabled != clip.enabled) {
        device_->SetRenderState(D3DRS_SCISSORTESTENABLE, clip.enabled ? TRUE : FALSE);
    }
    if (clip.enabled) {
        const RECT rect{toLong(clip.rect.x), toLong(clip.rect.y), toLong(clip.rect.x + clip.rect.w),
                        toLong(clip.rect.y + clip.rect.h)};
        device_->SetScissorRect(&rect);
    }
    applied_.clip = clip;
    appliedClipValid_ = true;
}

void RenderD3D::modulateTextureByDiffuse() {
    device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device_->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device_->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
}

void RenderD3D::releaseRenderTargets() {
    // A texture still bound would keep its device memory alive.
    device_->SetTexture(0, nullptr);
    forgetAppliedState();
    for (TextureD3D* texture : renderTargets_) {
        texture->reset();
    }
}

void RenderD3D::resetDevice() {
    if (FAILED(device_->Reset(&presentParameters_))) {
        log("RenderD3D::resetDevice() failed, retrying next frame");
        Sleep(100);
        return;
    }
    // A reset returns every device state to its default; lighting on would
    // draw everything black.
    forgetAppliedState();
    resetTransformsAndStates();
    applyClip();
}

void RenderD3D::beginFrame() {
    if (!device_) {
        return;
    }
    const HRESULT state = device_->TestCooperativeLevel();
    if (state == D3DERR_DEVICELOST) {
        log("D3DERR_DEVICELOST");
        return;
    }
    if (state == D3DERR_DEVICENOTRESET) {
        log("D3DERR_DEVICENOTRESET");
        releaseRenderTargets();
        resetDevice();
        forgetShownFrame();
    }

    modulateTextureByDiffuse();
    device_->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device_->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
    device_->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device_->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device_->SetRenderState(D3DRS_ZENABLE, FALSE);
    device_->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device_->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device_->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    device_->SetRenderState(D3DRS_ALPHATESTENABLE, TRUE);
    device_->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    device_->SetRenderState(D3DRS_ALPHAREF, 1);
    device_->SetRenderState(D3DRS_STENCILENABLE, FALSE);
    device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    D3DMATRIX projection{};
    toMatrix(getProjection(), projection);
    device_->SetTransform(D3DTS_PROJECTION, &projection);
    device_->BeginScene();
    // The states just set are not what the last frame's draws left.
    appliedValid_ = false;
    frame_.clear();
    keeping_ = true;
}

void RenderD3D::endFrame() {
    if (!device_) {
        clearBatch();
        return;
    }
    flush(FlushReason::FrameEnd);
    if (keeping_) {
        keeping_ = false;
        if (shownValid_ && shownTextureWrites_ == vornD3D9TextureWrites(device_) && frame_ == shown_) {
            ++repeatedFrames_;
        } else {
            submitRecord(frame_);
            std::swap(frame_, shown_);
            shownValid_ = true;
            shownTextureWrites_ = vornD3D9TextureWrites(device_);
        }
        frame_.clear();
    } else {
        // Part of the frame went straight to the device.
        forgetShownFrame();
    }
    device_->EndScene();
    device_->Present(nullptr, nullptr, nullptr, nullptr);
    // The last texture drawn is not kept alive until the next frame.
    applied_.texture.reset();
    appliedValid_ = false;
}

void RenderD3D::drawKeptFrame() {
    if (!keeping_) {
        return;
    }
    keeping_ = false;
    submitRecord(frame_);
    frame_.clear();
    forgetShownFrame();
}

void RenderD3D::FrameRecord::clear() {
    commands.clear();
    vertices.clear();
    indices.clear();
}

bool RenderD3D::FrameRecord::operator==(const FrameRecord& other) const {
    // An empty vector's data may be null, which memcmp must not be given.
    return commands == other.commands && vertices.size() == other.vertices.size() &&
           indices.size() == other.indices.size() &&
           (vertices.empty() ||
            std::memcmp(vertices.data(), other.vertices.data(), vertices.size() * sizeof(BatchVertex)) == 0) &&
           (indices.empty() ||
            std::memcmp(indices.data(), other.indices.data(), indices.size() * sizeof(std::uint16_t)) == 0);
}

RenderD3D::DeviceState RenderD3D::stateNow() {
    DeviceState state;
    D3DVIEWPORT9 viewport{};
    device_->GetViewport(&viewport);
    state.viewport = Viewport{viewport.X, viewport.Y, viewport.Width, viewport.Height, viewport.MinZ, viewport.MaxZ};
    state.clip = clipState();
    if (!state.clip.enabled) {
        state.clip.rect = Rect();
    }
    state.projection = getProjection();
    state.texture = boundTexture_;
    state.wrapU = wrapU();
    state.wrapV = wrapV();
    return state;
}

void RenderD3D::submitRecord(const FrameRecord& record) {
    if (record.commands.empty()) {
        return;
    }
    const DeviceState now = stateNow();
    const ClipState clip = clipState();
    for (const Command& command : record.commands) {
        applyTarget(command.state);
        if (command.clear) {
            device_->Clear(0, nullptr, D3DCLEAR_TARGET, command.clearColor, 1.0f, 0);
        } else {
            submit(command, record.vertices.data() + command.firstVertex, record.indices.data() + command.firstIndex);
        }
    }
    applyTarget(now);
    setClipState(clip);
}

void RenderD3D::setDeviceViewport(const Viewport& viewport) {
    D3DVIEWPORT9 vp{viewport.x, viewport.y, viewport.width, viewport.height, viewport.minZ, viewport.maxZ};
    // A refused viewport leaves the device's own in place, whatever that is.
    appliedViewportValid_ = SUCCEEDED(device_->SetViewport(&vp));
    applied_.viewport = viewport;
}

void RenderD3D::applyTarget(const DeviceState& state) {
    if (!appliedViewportValid_ || !(applied_.viewport == state.viewport)) {
        setDeviceViewport(state.viewport);
    }
    setClipState(state.clip);
    if (!appliedClipValid_ || !(applied_.clip == state.clip)) {
        applyClip();
    }
}

void RenderD3D::applyDrawing(const DeviceState& state) {
    const bool all = !appliedValid_;
    if (all) {
        device_->SetStreamSource(0, vertexBuffer_, 0, sizeof(BatchVertex));
        device_->SetIndices(indexBuffer_);
        device_->SetFVF(vertexFormat);
        device_->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, 0);
    }
    if (all || applied_.projection != state.projection) {
        D3DMATRIX projection{};
        toMatrix(state.projection, projection);
        device_->SetTransform(D3DTS_PROJECTION, &projection);
    }
    auto* texture = dynamic_cast<TextureD3D*>(state.texture.get());
    IDirect3DTexture9* deviceTexture = texture ? texture->deviceTexture() : nullptr;
    const StageMode stage =
        !texture ? StageMode::Untextured : (texture->format() == PixelFormatA8 ? StageMode::Alpha : StageMode::Modulate);
    if (all || deviceTexture != appliedDeviceTexture_) {
        device_->SetTexture(0, deviceTexture);
    }
    if (all || stage != appliedStage_) {
        switch (stage) {
        case StageMode::Alpha:
            device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
            device_->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_CURRENT);
            device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
            device_->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
            break;
        case StageMode::Modulate:
            modulateTextureByDiffuse();
            break;
        case StageMode::Untextured:
            // Untextured geometry takes the vertex colour and alpha.
            device_->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
            device_->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
            device_->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
            device_->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
            break;
        }
    }
    if (all || applied_.wrapU != state.wrapU) {
        device_->SetSamplerState(0, D3DSAMP_ADDRESSU, state.wrapU == 1 ? D3DTADDRESS_WRAP : D3DTADDRESS_CLAMP);
    }
    if (all || applied_.wrapV != state.wrapV) {
        device_->SetSamplerState(0, D3DSAMP_ADDRESSV, state.wrapV == 1 ? D3DTADDRESS_WRAP : D3DTADDRESS_CLAMP);
    }
    applied_.projection = state.projection;
    applied_.texture = state.texture;
    applied_.wrapU = state.wrapU;
    applied_.wrapV = state.wrapV;
    appliedDeviceTexture_ = deviceTexture;
    appliedStage_ = stage;
    appliedValid_ = true;
}

void RenderD3D::setViewport(const Rect& viewport) {
    if (!device_) {
        return;
    }
    setDeviceViewport(Viewport{toDword(viewport.x), toDword(viewport.y), toDword(viewport.w), toDword(viewport.h)});
}

Rect RenderD3D::getViewport() {
    D3DVIEWPORT9 vp{};
    if (!device_ || FAILED(device_->GetViewport(&vp))) {
        return Rect();
    }
    return Rect(static_cast<float>(vp.X), static_cast<float>(vp.Y), static_cast<float>(vp.Width),
                static_cast<float>(vp.Height));
}

std::shared_ptr<Texture> RenderD3D::createTexture() { return std::make_shared<TextureD3D>(device_); }

std::shared_ptr<Texture> RenderD3D::createRenderTexture(int width, int height) {
    return std::make_shared<TextureD3D>(this, width, height);
}

void RenderD3D::clear(const Color& color) {
    if (!device_ || targetMissing_) {
        return;
    }
    if (keeping_) {
        // Draws before it are ordered before it.
        flush(FlushReason::Clear);
        Command command;
        command.state = stateNow();
        command.clear = true;
        command.clearColor = color.toARGB();
        frame_.commands.push_back(std::move(command));
        return;
    }
    device_->Clear(0, nullptr, D3DCLEAR_TARGET, color.toARGB(), 1.0f, 0);
}

void RenderD3D::setTexture(const std::shared_ptr<Texture>& texture) {
    if (texture.get() != boundTexture_.get()) {
        flush(FlushReason::Texture);
    }
    boundTexture_ = texture;
}

void RenderD3D::unsetTexture() {
    if (boundTexture_) {
        flush(FlushReason::Texture);
    }
    boundTexture_.reset();
}

void RenderD3D::flush(FlushReason reason) {
    const std::size_t vertexCount = batchVertexCount();
    const std::size_t indexCount = batchIndexCount();
    if (vertexCount == 0 || indexCount == 0) {
        clearBatch();
        return;
    }
    if (!device_ || !vertexBuffer_ || !indexBuffer_ || targetMissing_) {
        // Nowhere to draw: into the wrong target would be worse than nothing.
        clearBatch();
        return;
    }
    auto* texture = dynamic_cast<TextureD3D*>(boundTexture_.get());
    if (boundTexture_ && (!texture || !texture->deviceTexture())) {
        // A texture that never reached the device draws as nothing.
        clearBatch();
        return;
    }

    Command command;
    command.state = stateNow();
    command.vertexCount = vertexCount;
    command.indexCount = indexCount;
    if (keeping_) {
        command.firstVertex = frame_.vertices.size();
        command.firstIndex = frame_.indices.size();
        frame_.vertices.insert(frame_.vertices.end(), batchVertices(), batchVertices() + vertexCount);
        frame_.indices.insert(frame_.indices.end(), batchIndices(), batchIndices() + indexCount);
        frame_.commands.push_back(std::move(command));
    } else {
        submit(command, batchVertices(), batchIndices());
    }
    countFlush(reason);
    clearBatch();
}

void RenderD3D::submit(const Command& command, const BatchVertex* vertices, const std::uint16_t* indices) {
    const std::size_t vertexCount = command.vertexCount;
    const std::size_t indexCount = command.indexCount;
    auto* texture = dynamic_cast<TextureD3D*>(command.state.texture.get());
    if (command.state.texture && (!texture || !texture->deviceTexture())) {
        return;
    }
    void* target = nullptr;
    if (FAILED(vertexBuffer_->Lock(0, 0, &target, D3DLOCK_DISCARD)) || !target) {
        log("lock vb error");
        return;
    }
    std::memcpy(target, vertices, vertexCount * sizeof(BatchVertex));
    vertexBuffer_->Unlock();
    target = nullptr;
    if (FAILED(indexBuffer_->Lock(0, 0, &target, D3DLOCK_DISCARD)) || !target) {
        log("lock ib error");
        return;
    }
    std::memcpy(target, indices, indexCount * sizeof(std::uint16_t));
    indexBuffer_->Unlock();

    applyDrawing(command.state);
    device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, static_cast<UINT>(vertexCount), 0,
                                  static_cast<UINT>(indexCount / 3));
}

void RenderD3D::setClipRect(const Rect& rect, bool inWindowPixels) {
    flush(FlushReason::Clip);
    Rect r = rect;
    if (!inWindowPixels) {
        const glm::mat4 m = getMatrix();
        const float x = m[0][0] * rect.x + m[1][0] * rect.y + m[3][0];
        const float y = m[0][1] * rect.x + m[1][1] * rect.y + m[3][1];
        glm::vec2 scale(1.0f, 1.0f);
        glm::vec2 offset(0.0f, 0.0f);
        if (Application* app = Application::instance()) {
            scale = app->clipScale();
            offset = app->clipOffset();
        }
        // Before the first viewport is computed the scale is still 0.
        if (scale.x == 0.0f || scale.y == 0.0f) {
            scale = glm::vec2(1.0f, 1.0f);
        }
        r = Rect(x / scale.x + offset.x, y / scale.y + offset.y, rect.w / scale.x, rect.h / scale.y);
    }
    if (clipState().enabled) {
        r = r.intersection(clipState().rect);
    }
    setClipState(ClipState{true, r});
    // A kept frame puts each command's clip on the device as it draws.
    if (!keeping_) {
        applyClip();
    }
}

void RenderD3D::disableClip() {
    flush(FlushReason::Clip);
    setClipState(ClipState{false, clipState().rect});
    if (!keeping_) {
        applyClip();
    }
}

void RenderD3D::resize(const glm::vec2& size) {
    if (!device_ || !direct3d_) {
        return;
    }
    D3DDISPLAYMODE mode{};
    direct3d_->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &mode);
    fillPresentParameters(size, mode.Format);
    releaseRenderTargets();
    forgetShownFrame();
    if (FAILED(device_->Reset(&presentParameters_))) {
        log("RenderD3D::resize() reset failed");
    }
    forgetAppliedState();
    resetTransformsAndStates();
    applyClip();
}

void RenderD3D::addRenderTarget(TextureD3D* texture) { renderTargets_.push_back(texture); }

bool RenderD3D::removeRenderTarget(TextureD3D* texture) {
    const auto found = std::find(renderTargets_.begin(), renderTargets_.end(), texture);
    if (found == renderTargets_.end()) {
        return false;
    }
    renderTargets_.erase(found);
    return true;
}

} // namespace vorn::d3d
