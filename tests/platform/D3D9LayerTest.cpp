// The Direct3D 9 layer's own rules, as the calling code relies on them.

#include "platform/d3d9.h"
#include "platform/d3d9_hooks.h"
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

class D3D9LayerTest : public testing::Test {
protected:
    void SetUp() override {
        setenv("VORN_HEADLESS", "1", 1);
        vornD3D9SetSwapInterval(0);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = DefWindowProcW;
        wc.lpszClassName = L"VORND3DLAYERTEST";
        RegisterClassExW(&wc);
        window = CreateWindowExW(0, L"VORND3DLAYERTEST", L"layer test", WS_POPUP | WS_VISIBLE, 0, 0, 64, 64,
                                 nullptr, nullptr, nullptr, nullptr);
        if (!window) {
            GTEST_SKIP() << "no display to draw on";
        }
        d3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(d3d, nullptr);
        parameters.BackBufferWidth = 64;
        parameters.BackBufferHeight = 32;
        parameters.BackBufferCount = 1;
        parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
        parameters.hDeviceWindow = window;
        parameters.Windowed = TRUE;
        ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                    D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &device),
                  D3D_OK);
    }

    void TearDown() override {
        if (device) {
            EXPECT_EQ(device->Release(), 0u);
        }
        if (d3d) {
            d3d->Release();
        }
        if (window) {
            DestroyWindow(window);
        }
        UnregisterClassW(L"VORND3DLAYERTEST", nullptr);
    }

    HWND window = nullptr;
    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    D3DPRESENT_PARAMETERS parameters{};
};

} // namespace

// The back buffer's first row is its top row; the window must show it at the
// top, whether present copies it unscaled or stretches it to the window.
TEST_F(D3D9LayerTest, PresentShowsTheBackBufferTheRightWayUp) {
    vornD3D9KeepPresentedFrames(device);
    for (UINT height : {64u, 32u}) {
        SCOPED_TRACE(height);
        parameters.BackBufferHeight = height;
        ASSERT_EQ(device->Reset(&parameters), D3D_OK);
        ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
        const D3DRECT bottom{0, static_cast<LONG>(height / 2), 64, static_cast<LONG>(height)};
        ASSERT_EQ(device->Clear(1, &bottom, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0), D3D_OK);
        ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
        EXPECT_EQ(vornD3D9PresentedPixel(device, 32, 4) & 0xFFFFFFu, 0xFF0000u);
        EXPECT_EQ(vornD3D9PresentedPixel(device, 32, 60) & 0xFFFFFFu, 0x0000FFu);
    }
}

TEST_F(D3D9LayerTest, ResetWaitsForDefaultPoolResourcesToGo) {
    IDirect3DTexture9* target = nullptr;
    ASSERT_EQ(device->CreateTexture(16, 16, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target,
                                    nullptr),
              D3D_OK);
    IDirect3DSurface9* surface = nullptr;
    ASSERT_EQ(target->GetSurfaceLevel(0, &surface), D3D_OK);
    // The surface keeps its texture alive.
    EXPECT_EQ(target->Release(), 1u);
    EXPECT_EQ(device->Reset(&parameters), D3DERR_INVALIDCALL);
    EXPECT_EQ(surface->Release(), 0u);
    EXPECT_EQ(device->Reset(&parameters), D3D_OK);

    IDirect3DSurface9* backBuffer = nullptr;
    ASSERT_EQ(device->GetRenderTarget(0, &backBuffer), D3D_OK);
    EXPECT_EQ(device->Reset(&parameters), D3DERR_INVALIDCALL);
    backBuffer->Release();
    EXPECT_EQ(device->Reset(&parameters), D3D_OK);
}

TEST_F(D3D9LayerTest, LossIsReportedUntilReset) {
    vornD3D9SimulateDeviceLoss(device, 1);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICELOST);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_DEVICELOST);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
    EXPECT_EQ(device->Reset(&parameters), D3D_OK);
    EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
}

TEST_F(D3D9LayerTest, TargetChangeResetsViewportAndViewportMustFit) {
    D3DVIEWPORT9 small{4, 4, 10, 10, 0.0f, 1.0f};
    EXPECT_EQ(device->SetViewport(&small), D3D_OK);
    D3DVIEWPORT9 outside{60, 0, 10, 10, 0.0f, 1.0f};
    EXPECT_EQ(device->SetViewport(&outside), D3DERR_INVALIDCALL);
    D3DVIEWPORT9 current{};
    device->GetViewport(&current);
    EXPECT_EQ(current.X, 4u);

    IDirect3DTexture9* target = nullptr;
    ASSERT_EQ(device->CreateTexture(20, 10, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target,
                                    nullptr),
              D3D_OK);
    IDirect3DSurface9* surface = nullptr;
    ASSERT_EQ(target->GetSurfaceLevel(0, &surface), D3D_OK);
    ASSERT_EQ(device->SetRenderTarget(0, surface), D3D_OK);
    device->GetViewport(&current);
    EXPECT_EQ(current.X, 0u);
    EXPECT_EQ(current.Width, 20u);
    EXPECT_EQ(current.Height, 10u);
    // A texture destroyed while it is the target leaves the back buffer in its place.
    surface->Release();
    target->Release();
    IDirect3DSurface9* now = nullptr;
    ASSERT_EQ(device->GetRenderTarget(0, &now), D3D_OK);
    IDirect3DSurface9* backBuffer = nullptr;
    ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer), D3D_OK);
    EXPECT_EQ(now, backBuffer);
    now->Release();
    backBuffer->Release();
}

TEST_F(D3D9LayerTest, LocksAndDrawsStayInsideTheirBuffers) {
    IDirect3DVertexBuffer9* vertices = nullptr;
    IDirect3DIndexBuffer9* indices = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(4 * 24, 0, D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1, D3DPOOL_MANAGED,
                                         &vertices, nullptr),
              D3D_OK);
    ASSERT_EQ(device->CreateIndexBuffer(6 * 2, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices, nullptr), D3D_OK);
    void* data = nullptr;
    EXPECT_EQ(vertices->Lock(90, 10, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vertices->Lock(0, 0, &data, D3DLOCK_DISCARD), D3D_OK);
    std::memset(data, 0, 96);
    vertices->Unlock();
    ASSERT_EQ(indices->Lock(0, 0, &data, D3DLOCK_DISCARD), D3D_OK);
    const std::uint16_t bad[6] = {0, 1, 2, 2, 1, 9};
    std::memcpy(data, bad, sizeof(bad));
    indices->Unlock();

    device->SetStreamSource(0, vertices, 0, 24);
    device->SetIndices(indices);
    device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1);
    // Index 9 lies past the four vertices.
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1), D3D_OK);
    // Three triangles need more indices than the buffer holds.
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 4, 0, 3), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 2, 0, 3, 0, 1), D3DERR_INVALIDCALL);

    // Released buffers are forgotten: a draw then fails instead of reading freed memory.
    EXPECT_EQ(vertices->Release(), 0u);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1), D3DERR_INVALIDCALL);
    indices->Release();
}

// A lock copies out its rectangle alone, with the pixels the texture holds
// (read back from GL), and an unlock puts back that rectangle alone.
TEST_F(D3D9LayerTest, APartialLockHoldsItsRectangleWithTheTexturesPixels) {
    for (const D3DFORMAT format : {D3DFMT_A8, D3DFMT_A8R8G8B8}) {
        const int bpp = format == D3DFMT_A8 ? 1 : 4;
        IDirect3DTexture9* texture = nullptr;
        ASSERT_EQ(device->CreateTexture(8, 4, 1, 0, format, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
        D3DLOCKED_RECT locked{};
        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_DISCARD), D3D_OK);
        for (int y = 0; y < 4; ++y) {
            auto* row = static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch;
            for (int i = 0; i < 8 * bpp; ++i) row[i] = static_cast<std::uint8_t>(y * 40 + i);
        }
        ASSERT_EQ(texture->UnlockRect(0), D3D_OK);

        const RECT part{2, 1, 5, 3};
        ASSERT_EQ(texture->LockRect(0, &locked, &part, 0), D3D_OK);
        ASSERT_EQ(locked.Pitch, 3 * bpp);
        for (int y = 0; y < 2; ++y) {
            auto* row = static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch;
            for (int i = 0; i < 3 * bpp; ++i) {
                EXPECT_EQ(row[i], (y + 1) * 40 + 2 * bpp + i) << "format " << format << " row " << y << " byte " << i;
                row[i] = 255;
            }
        }
        ASSERT_EQ(texture->UnlockRect(0), D3D_OK);

        ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
        for (int y = 0; y < 4; ++y) {
            const auto* row = static_cast<const std::uint8_t*>(locked.pBits) + y * locked.Pitch;
            for (int x = 0; x < 8; ++x) {
                const bool inside = x >= 2 && x < 5 && y >= 1 && y < 3;
                for (int b = 0; b < bpp; ++b) {
                    const int i = x * bpp + b;
                    EXPECT_EQ(row[i], inside ? 255 : y * 40 + i) << "format " << format << " at " << x << "," << y;
                }
            }
        }
        ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
        EXPECT_EQ(texture->Release(), 0u);
    }
}

TEST_F(D3D9LayerTest, TexturesRefuseWhatTheyCannotHold) {
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(device->CreateTexture(0, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(device->CreateTexture(4, 4, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8, D3DPOOL_DEFAULT, &texture, nullptr),
              D3DERR_INVALIDCALL);
    EXPECT_NE(device->CreateTexture(1u << 20, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    EXPECT_EQ(texture, nullptr);

    ASSERT_EQ(device->CreateTexture(4, 2, 1, 0, D3DFMT_A8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    D3DLOCKED_RECT locked{};
    const RECT outside{0, 0, 5, 2};
    EXPECT_EQ(texture->LockRect(0, &locked, &outside, 0), D3DERR_INVALIDCALL);
    const RECT part{1, 1, 3, 2};
    ASSERT_EQ(texture->LockRect(0, &locked, &part, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 2); // the locked rectangle's own rows
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture->UnlockRect(0), D3D_OK);
    EXPECT_EQ(texture->UnlockRect(0), D3DERR_INVALIDCALL);
    EXPECT_EQ(texture->Release(), 0u);
}
