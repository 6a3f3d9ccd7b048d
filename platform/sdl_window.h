#pragma once

// Internal to the platform layer: the SDL window behind a window handle, for
// the parts of the layer (the Direct3D device) that draw into it.

#include "platform/win32_types.h"

struct SDL_Window;

// Null for a null or unknown handle.
SDL_Window* vornSdlWindow(HWND window);
