#pragma once

#include "core/Color.h"
#include "core/Rect.h"

#include <glm/mat4x4.hpp>

#include <memory>

namespace vorn {

class Texture;
class VertexData;

// Why a batch goes to the device before the next draw joins it.
enum class FlushReason {
    // Another texture, or none, is bound.
    Texture,
    // The texture addressing changed.
    TextureWrap,
    // The scissor rectangle changed or clipping was switched.
    Clip,
    // The next draw would not fit into the batch.
    BatchFull,
    // A clear must come after the draws before it.
    Clear,
    // A render target is drawn into, or has been.
    RenderTarget,
    // The frame ends.
    FrameEnd,
    // Someone outside the renderer asked.
    Requested,
};
inline constexpr int flushReasonCount = static_cast<int>(FlushReason::Requested) + 1;
// A short lower-case name, for figures and logs.
const char* flushReasonName(FlushReason reason);

// The renderer every drawable calls. One process-wide instance, set by the
// window right after it constructs its renderer; null until then.
class Render {
public:
    Render() = default;
    virtual ~Render() = default;
    Render(const Render&) = delete;
    Render& operator=(const Render&) = delete;

    static Render* instance();
    static void setInstance(Render* render);

    // Creates the device and its buffers. False when the renderer cannot
    // draw: the failure has been logged and, where a person may be there,
    // shown in a message box; the program should end with a failure status.
    [[nodiscard]] virtual bool setup() = 0;
    virtual void beginFrame() = 0;
    // Flushes, ends the scene and presents the frame.
    virtual void endFrame() = 0;
    virtual void setViewport(const Rect& viewport) = 0;
    virtual Rect getViewport() = 0;
    // An image texture with no bitmap yet; makes no device call, so it may be
    // created on any thread.
    virtual std::shared_ptr<Texture> createTexture() = 0;
    virtual std::shared_ptr<Texture> createRenderTexture(int width, int height) = 0;
    virtual std::shared_ptr<VertexData> createVertexData() = 0;
    // Fills the current target (the back buffer or the render texture being
    // drawn).
    virtual void clear(const Color& color) = 0;
    // A null texture means untextured drawing: vertex colour and alpha.
    virtual void setTexture(const std::shared_ptr<Texture>& texture) = 0;
    virtual void unsetTexture() = 0;
    // Hands the batch to the device.
    virtual void flush(FlushReason reason) = 0;
    void flush() { flush(FlushReason::Requested); }
    // 1 repeats across that axis, any other value clamps; stays in force
    // until the next call.
    virtual void setTextureWrap(const int& u, const int& v) = 0;
    virtual void draw(const std::shared_ptr<VertexData>& data) = 0;
    // Transforms by the current matrix, multiplies by the current colour and
    // appends to the batch.
    virtual void drawVertexData(const VertexData& data) = 0;
    virtual void setColor(const Color& color) = 0;
    virtual void multiplyColor(const Color& color) = 0;
    virtual void pushColor() = 0;
    // White when nothing was pushed.
    virtual void popColor() = 0;
    virtual const Color& getColor() = 0;
    virtual void setProjection(const glm::mat4& projection) = 0;
    virtual glm::mat4 getProjection() = 0;
    virtual void setMatrix(const glm::mat4& matrix) = 0;
    // matrix = matrix x m.
    virtual void multMatrix(const glm::mat4& m) = 0;
    virtual void pushMatrix() = 0;
    // The identity when nothing was pushed.
    virtual void popMatrix() = 0;
    virtual glm::mat4 getMatrix() = 0;
    // Scissor clipping. With inWindowPixels false the rectangle is in design
    // units under the current matrix. A second call while clipping is on
    // clips to the intersection.
    virtual void setClipRect(const Rect& rect, bool inWindowPixels) = 0;
    virtual void disableClip() = 0;
    virtual void pushClip() = 0;
    // Clipping off when nothing was pushed.
    virtual void popClip() = 0;
};

// The projection of a target width x height units large: (0, 0) at its top
// left, (width, height) at its bottom right, depth -1 to 1. The application's
// design space and render textures share it, so both keep y growing downwards.
// An extent of 0 gives 0 on that axis instead of a division by zero.
glm::mat4 topLeftOrtho(float width, float height);

} // namespace vorn
