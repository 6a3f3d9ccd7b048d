// The Direct3D object of our Direct3D 9 layer, and the layer's test hooks.

#include "platform/d3d9_gl.h"
#include "platform/d3d9_ext.h"
#include "platform/d3d9_hooks.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace d3d9gl {

namespace {

int requestedSwapInterval = -1;

} // namespace

int swapIntervalSetting() {
    if (requestedSwapInterval >= 0) {
        return requestedSwapInterval;
    }
    if (const char* text = std::getenv("VORN_SWAP_INTERVAL")) {
        return std::atoi(text) > 0 ? 1 : 0;
    }
    return 1;
}

namespace {

class Direct3D final : public IDirect3D9 {
public:
    ~Direct3D() { SDL_QuitSubSystem(SDL_INIT_VIDEO); }

    ULONG AddRef() override { return ++refs_; }

    ULONG Release() override { return releaseReference(refs_, this); }

    HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override {
        if (adapter != D3DADAPTER_DEFAULT || !mode) {
            return D3DERR_INVALIDCALL;
        }
        SDL_DisplayMode desktop{};
        if (SDL_GetDesktopDisplayMode(0, &desktop) != 0) {
            std::fprintf(stderr, "d3d9: no desktop display mode: %s\n", SDL_GetError());
            return D3DERR_NOTAVAILABLE;
        }
        mode->Width = static_cast<UINT>(desktop.w);
        mode->Height = static_cast<UINT>(desktop.h);
        mode->RefreshRate = static_cast<UINT>(std::max(desktop.refresh_rate, 0));
        mode->Format = D3DFMT_X8R8G8B8;
        return D3D_OK;
    }

    HRESULT CreateDevice(UINT adapter, D3DDEVTYPE, HWND focusWindow, DWORD, D3DPRESENT_PARAMETERS* parameters,
                         IDirect3DDevice9** device) override {
        if (!device) {
            return D3DERR_INVALIDCALL;
        }
        *device = nullptr;
        if (adapter != D3DADAPTER_DEFAULT || !parameters) {
            return D3DERR_INVALIDCALL;
        }
        auto* created = new Device();
        const HRESULT result =
            created->init(parameters->hDeviceWindow ? parameters->hDeviceWindow : focusWindow, parameters);
        if (FAILED(result)) {
            created->Release();
            return result;
        }
        *device = created;
        return D3D_OK;
    }

private:
    std::atomic<ULONG> refs_{1};
};

} // namespace

} // namespace d3d9gl

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
    if (sdkVersion != D3D_SDK_VERSION) {
        return nullptr;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "d3d9: no video: %s\n", SDL_GetError());
        return nullptr;
    }
    return new d3d9gl::Direct3D();
}

std::uint64_t vornD3D9TextureWrites(IDirect3DDevice9* device) {
    return device ? static_cast<d3d9gl::Device*>(device)->textureWrites() : 0;
}

void vornD3D9SetSwapInterval(int interval) { d3d9gl::requestedSwapInterval = interval > 0 ? 1 : 0; }

void vornD3D9SimulateDeviceLoss(IDirect3DDevice9* device, int lostCalls) {
    if (device) {
        static_cast<d3d9gl::Device*>(device)->simulateLoss(lostCalls);
    }
}

int vornD3D9PendingReleases(IDirect3DDevice9* device) {
    return device ? static_cast<d3d9gl::Device*>(device)->pendingReleases() : 0;
}

void vornD3D9KeepPresentedFrames(IDirect3DDevice9* device) {
    if (device) {
        static_cast<d3d9gl::Device*>(device)->keepPresentedFrames();
    }
}

DWORD vornD3D9PresentedPixel(IDirect3DDevice9* device, int x, int y) {
    return device ? static_cast<d3d9gl::Device*>(device)->presentedPixel(x, y) : 0;
}

VornD3D9Calls vornD3D9Calls(IDirect3DDevice9* device) {
    return device ? static_cast<d3d9gl::Device*>(device)->calls() : VornD3D9Calls{};
}
