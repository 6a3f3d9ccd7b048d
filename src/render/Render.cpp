#include "render/Render.h"

namespace vorn {

namespace {
Render* current = nullptr;
} // namespace

Render* Render::instance() { return current; }

void Render::setInstance(Render* render) { current = render; }

const char* flushReasonName(FlushReason reason) {
    switch (reason) {
    case FlushReason::Texture:
        return "texture";
    case FlushReason::TextureWrap:
        return "wrap";
    case FlushReason::Clip:
        return "clip";
    case FlushReason::BatchFull:
        return "full";
    case FlushReason::Clear:
        return "clear";
    case FlushReason::RenderTarget:
        return "target";
    case FlushReason::FrameEnd:
        return "frame";
    case FlushReason::Requested:
        return "requested";
    }
    return "unknown";
}

glm::mat4 topLeftOrtho(float width, float height) {
    glm::mat4 m(0.0f);
    m[0][0] = width != 0.0f ? 2.0f / width : 0.0f;
    m[1][1] = height != 0.0f ? -2.0f / height : 0.0f;
    m[2][2] = -1.0f;
    m[3][0] = -1.0f;
    m[3][1] = 1.0f;
    m[3][3] = 1.0f;
    return m;
}

} // namespace vorn
