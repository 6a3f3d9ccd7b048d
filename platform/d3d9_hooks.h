#pragma once

// Hooks of our Direct3D 9 layer for tests; the engine never calls them.

#include "platform/d3d9.h"

#include <cstdint>

// Swap interval of devices created afterwards: 1 waits for the display (and
// paces Present to the display's rate where the swap does not wait), 0
// presents at once. The environment variable VORN_SWAP_INTERVAL sets the
// default.
void vornD3D9SetSwapInterval(int interval);

// Makes TestCooperativeLevel report D3DERR_DEVICELOST for the next lostCalls
// calls and D3DERR_DEVICENOTRESET after them, until a Reset succeeds. While
// the device is lost or not reset, drawing and Present do nothing.
void vornD3D9SimulateDeviceLoss(IDirect3DDevice9* device, int lostCalls);

// GL objects released on another thread and not yet deleted on the main one.
int vornD3D9PendingReleases(IDirect3DDevice9* device);

// From now on each Present keeps a copy of what it puts in the window, read
// just before the swap; vornD3D9PresentedPixel reads it as 0xAARRGGBB with
// (0, 0) the window's top-left pixel (0 outside the kept frame).
void vornD3D9KeepPresentedFrames(IDirect3DDevice9* device);
DWORD vornD3D9PresentedPixel(IDirect3DDevice9* device, int x, int y);

// How often the device was asked to set each kind of state, and to draw:
// for tests that check a renderer sets nothing twice between draws that
// share it.
struct VornD3D9Calls {
    std::uint64_t draws = 0;
    std::uint64_t transforms = 0;
    std::uint64_t viewports = 0;
    std::uint64_t renderStates = 0;
    std::uint64_t textures = 0;
    std::uint64_t stageStates = 0;
    std::uint64_t samplerStates = 0;
    std::uint64_t scissors = 0;
    // Stream source, indices and vertex format.
    std::uint64_t streams = 0;
};
VornD3D9Calls vornD3D9Calls(IDirect3DDevice9* device);
