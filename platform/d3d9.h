#pragma once

// The Direct3D 9 calls the renderer makes. On Windows this is the system's
// own header; elsewhere our layer over OpenGL declares only what the engine
// uses, with the same names, signatures, values and result codes.

#ifdef _WIN32
#include <d3d9.h>
#else

#include "platform/win32.h"

#define D3D_SDK_VERSION 32
#define D3DADAPTER_DEFAULT 0

#define D3D_OK S_OK
#define E_OUTOFMEMORY ((HRESULT)0x8007000EL)
#define D3DERR_OUTOFVIDEOMEMORY ((HRESULT)0x8876017CL)
#define D3DERR_DEVICELOST ((HRESULT)0x88760868L)
#define D3DERR_DEVICENOTRESET ((HRESULT)0x88760869L)
#define D3DERR_NOTAVAILABLE ((HRESULT)0x8876086AL)
#define D3DERR_INVALIDCALL ((HRESULT)0x8876086CL)

using D3DCOLOR = DWORD;
#define D3DCOLOR_ARGB(a, r, g, b) \
    ((D3DCOLOR)((((a) & 0xff) << 24) | (((r) & 0xff) << 16) | (((g) & 0xff) << 8) | ((b) & 0xff)))

enum D3DFORMAT {
    D3DFMT_UNKNOWN = 0,
    D3DFMT_A8R8G8B8 = 21,
    D3DFMT_X8R8G8B8 = 22,
    D3DFMT_A8 = 28,
    D3DFMT_INDEX16 = 101,
};

enum D3DDEVTYPE { D3DDEVTYPE_HAL = 1, D3DDEVTYPE_REF = 2 };
enum D3DMULTISAMPLE_TYPE { D3DMULTISAMPLE_NONE = 0 };
enum D3DSWAPEFFECT { D3DSWAPEFFECT_DISCARD = 1, D3DSWAPEFFECT_FLIP = 2, D3DSWAPEFFECT_COPY = 3 };
enum D3DPOOL { D3DPOOL_DEFAULT = 0, D3DPOOL_MANAGED = 1, D3DPOOL_SYSTEMMEM = 2 };
enum D3DPRIMITIVETYPE { D3DPT_TRIANGLELIST = 4 };
enum D3DBACKBUFFER_TYPE { D3DBACKBUFFER_TYPE_MONO = 0 };

enum D3DTRANSFORMSTATETYPE { D3DTS_VIEW = 2, D3DTS_PROJECTION = 3 };
#define D3DTS_WORLDMATRIX(index) ((D3DTRANSFORMSTATETYPE)((index) + 256))
#define D3DTS_WORLD D3DTS_WORLDMATRIX(0)

enum D3DRENDERSTATETYPE {
    D3DRS_ZENABLE = 7,
    D3DRS_ALPHATESTENABLE = 15,
    D3DRS_SRCBLEND = 19,
    D3DRS_DESTBLEND = 20,
    D3DRS_CULLMODE = 22,
    D3DRS_ALPHAREF = 24,
    D3DRS_ALPHAFUNC = 25,
    D3DRS_ALPHABLENDENABLE = 27,
    D3DRS_STENCILENABLE = 52,
    D3DRS_LIGHTING = 137,
    D3DRS_BLENDOP = 171,
    D3DRS_SCISSORTESTENABLE = 174,
};

enum D3DBLEND {
    D3DBLEND_ZERO = 1,
    D3DBLEND_ONE = 2,
    D3DBLEND_SRCCOLOR = 3,
    D3DBLEND_INVSRCCOLOR = 4,
    D3DBLEND_SRCALPHA = 5,
    D3DBLEND_INVSRCALPHA = 6,
    D3DBLEND_DESTALPHA = 7,
    D3DBLEND_INVDESTALPHA = 8,
    D3DBLEND_DESTCOLOR = 9,
    D3DBLEND_INVDESTCOLOR = 10,
};
enum D3DBLENDOP {
    D3DBLENDOP_ADD = 1,
    D3DBLENDOP_SUBTRACT = 2,
    D3DBLENDOP_REVSUBTRACT = 3,
    D3DBLENDOP_MIN = 4,
    D3DBLENDOP_MAX = 5,
};
enum D3DCMPFUNC {
    D3DCMP_NEVER = 1,
    D3DCMP_LESS = 2,
    D3DCMP_EQUAL = 3,
    D3DCMP_LESSEQUAL = 4,
    D3DCMP_GREATER = 5,
    D3DCMP_NOTEQUAL = 6,
    D3DCMP_GREATEREQUAL = 7,
    D3DCMP_ALWAYS = 8,
};
enum D3DCULL { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };

enum D3DTEXTURESTAGESTATETYPE {
    D3DTSS_COLOROP = 1,
    D3DTSS_COLORARG1 = 2,
    D3DTSS_COLORARG2 = 3,
    D3DTSS_ALPHAOP = 4,
    D3DTSS_ALPHAARG1 = 5,
    D3DTSS_ALPHAARG2 = 6,
    D3DTSS_TEXCOORDINDEX = 11,
};
enum D3DTEXTUREOP {
    D3DTOP_DISABLE = 1,
    D3DTOP_SELECTARG1 = 2,
    D3DTOP_SELECTARG2 = 3,
    D3DTOP_MODULATE = 4,
};
#define D3DTA_DIFFUSE 0x00000000
#define D3DTA_CURRENT 0x00000001
#define D3DTA_TEXTURE 0x00000002

enum D3DSAMPLERSTATETYPE {
    D3DSAMP_ADDRESSU = 1,
    D3DSAMP_ADDRESSV = 2,
    D3DSAMP_MAGFILTER = 5,
    D3DSAMP_MINFILTER = 6,
};
enum D3DTEXTUREFILTERTYPE { D3DTEXF_NONE = 0, D3DTEXF_POINT = 1, D3DTEXF_LINEAR = 2 };
enum D3DTEXTUREADDRESS { D3DTADDRESS_WRAP = 1, D3DTADDRESS_MIRROR = 2, D3DTADDRESS_CLAMP = 3 };

#define D3DCREATE_SOFTWARE_VERTEXPROCESSING 0x00000020L
#define D3DCREATE_HARDWARE_VERTEXPROCESSING 0x00000040L

#define D3DPRESENT_INTERVAL_DEFAULT 0x00000000L
#define D3DPRESENT_INTERVAL_ONE 0x00000001L
#define D3DPRESENT_INTERVAL_IMMEDIATE 0x80000000L

#define D3DUSAGE_RENDERTARGET 0x00000001L
#define D3DLOCK_READONLY 0x00000010L
#define D3DLOCK_DISCARD 0x00002000L
#define D3DCLEAR_TARGET 0x00000001L

#define D3DFVF_XYZ 0x002
#define D3DFVF_DIFFUSE 0x040
#define D3DFVF_TEX1 0x100

struct D3DMATRIX {
    float m[4][4];
};

struct D3DVIEWPORT9 {
    DWORD X;
    DWORD Y;
    DWORD Width;
    DWORD Height;
    float MinZ;
    float MaxZ;
};

struct D3DRECT {
    LONG x1;
    LONG y1;
    LONG x2;
    LONG y2;
};

struct D3DLOCKED_RECT {
    INT Pitch;
    void* pBits;
};

struct D3DDISPLAYMODE {
    UINT Width;
    UINT Height;
    UINT RefreshRate;
    D3DFORMAT Format;
};

struct D3DPRESENT_PARAMETERS {
    UINT BackBufferWidth;
    UINT BackBufferHeight;
    D3DFORMAT BackBufferFormat;
    UINT BackBufferCount;
    D3DMULTISAMPLE_TYPE MultiSampleType;
    DWORD MultiSampleQuality;
    D3DSWAPEFFECT SwapEffect;
    HWND hDeviceWindow;
    BOOL Windowed;
    BOOL EnableAutoDepthStencil;
    D3DFORMAT AutoDepthStencilFormat;
    DWORD Flags;
    UINT FullScreen_RefreshRateInHz;
    UINT PresentationInterval;
};

struct RGNDATA;

// COM-style reference counting: an object goes away when its count reaches
// zero. Resources keep their device alive; the surfaces of a texture and the
// device's back buffer count towards their container.
struct IUnknown {
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    ~IUnknown() = default;
};

struct IDirect3DDevice9;

struct IDirect3DResource9 : IUnknown {
protected:
    ~IDirect3DResource9() = default;
};

struct IDirect3DSurface9 : IDirect3DResource9 {
    virtual HRESULT LockRect(D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) = 0;
    virtual HRESULT UnlockRect() = 0;

protected:
    ~IDirect3DSurface9() = default;
};

struct IDirect3DBaseTexture9 : IDirect3DResource9 {
protected:
    ~IDirect3DBaseTexture9() = default;
};

struct IDirect3DTexture9 : IDirect3DBaseTexture9 {
    virtual HRESULT LockRect(UINT level, D3DLOCKED_RECT* lockedRect, const RECT* rect, DWORD flags) = 0;
    virtual HRESULT UnlockRect(UINT level) = 0;
    virtual HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) = 0;

protected:
    ~IDirect3DTexture9() = default;
};

struct IDirect3DVertexBuffer9 : IDirect3DResource9 {
    virtual HRESULT Lock(UINT offsetToLock, UINT sizeToLock, void** data, DWORD flags) = 0;
    virtual HRESULT Unlock() = 0;

protected:
    ~IDirect3DVertexBuffer9() = default;
};

struct IDirect3DIndexBuffer9 : IDirect3DResource9 {
    virtual HRESULT Lock(UINT offsetToLock, UINT sizeToLock, void** data, DWORD flags) = 0;
    virtual HRESULT Unlock() = 0;

protected:
    ~IDirect3DIndexBuffer9() = default;
};

struct IDirect3DDevice9 : IUnknown {
    virtual HRESULT TestCooperativeLevel() = 0;
    virtual HRESULT Reset(D3DPRESENT_PARAMETERS* parameters) = 0;
    virtual HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindowOverride,
                            const RGNDATA* dirtyRegion) = 0;
    virtual HRESULT GetBackBuffer(UINT swapChain, UINT backBuffer, D3DBACKBUFFER_TYPE type,
                                  IDirect3DSurface9** surface) = 0;
    virtual HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                  IDirect3DTexture9** texture, HANDLE* sharedHandle) = 0;
    virtual HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                       IDirect3DVertexBuffer9** buffer, HANDLE* sharedHandle) = 0;
    virtual HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                      IDirect3DIndexBuffer9** buffer, HANDLE* sharedHandle) = 0;
    virtual HRESULT GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destSurface) = 0;
    virtual HRESULT CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                                IDirect3DSurface9** surface, HANDLE* sharedHandle) = 0;
    virtual HRESULT SetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9* renderTarget) = 0;
    virtual HRESULT GetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9** renderTarget) = 0;
    virtual HRESULT BeginScene() = 0;
    virtual HRESULT EndScene() = 0;
    virtual HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                          DWORD stencil) = 0;
    virtual HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) = 0;
    virtual HRESULT SetViewport(const D3DVIEWPORT9* viewport) = 0;
    virtual HRESULT GetViewport(D3DVIEWPORT9* viewport) = 0;
    virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
    virtual HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) = 0;
    virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) = 0;
    virtual HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) = 0;
    virtual HRESULT SetScissorRect(const RECT* rect) = 0;
    virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT minVertexIndex,
                                         UINT numVertices, UINT startIndex, UINT primitiveCount) = 0;
    virtual HRESULT SetFVF(DWORD fvf) = 0;
    virtual HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* streamData, UINT offsetInBytes,
                                    UINT stride) = 0;
    virtual HRESULT SetIndices(IDirect3DIndexBuffer9* indexData) = 0;

protected:
    ~IDirect3DDevice9() = default;
};

struct IDirect3D9 : IUnknown {
    virtual HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) = 0;
    virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND focusWindow, DWORD behaviorFlags,
                                 D3DPRESENT_PARAMETERS* presentationParameters,
                                 IDirect3DDevice9** returnedDeviceInterface) = 0;

protected:
    ~IDirect3D9() = default;
};

using LPDIRECT3D9 = IDirect3D9*;
using LPDIRECT3DDEVICE9 = IDirect3DDevice9*;
using LPDIRECT3DTEXTURE9 = IDirect3DTexture9*;
using LPDIRECT3DSURFACE9 = IDirect3DSurface9*;
using LPDIRECT3DVERTEXBUFFER9 = IDirect3DVertexBuffer9*;
using LPDIRECT3DINDEXBUFFER9 = IDirect3DIndexBuffer9*;

// Null when the display cannot be reached.
IDirect3D9* Direct3DCreate9(UINT sdkVersion);

#endif
