#pragma once

// What our Direct3D 9 layer offers beyond Direct3D 9 itself, for the engine.

#include "platform/d3d9.h"

#include <cstdint>

// Grows whenever the content of any of the device's textures may have
// changed (a write through a lock, a draw or clear into a render target, a
// texture made, a reset), so that a frame drawn from the same textures can
// be known to look the same. 0 without a device.
std::uint64_t vornD3D9TextureWrites(IDirect3DDevice9* device);
