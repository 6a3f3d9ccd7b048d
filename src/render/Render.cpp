#include "render/Render.h"

namespace vorn {

namespace {
Render* current = nullptr;
} // namespace

Render* Render::instance() { return current; }

void Render::setInstance(Render* render) { current = render; }

} // namespace vorn
