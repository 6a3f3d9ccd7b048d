// The layer's windows and messages on a real X server (scripts/test.sh runs
// the tests under Xvfb), and the engine's window on top of them.
#include "app/Application.h"
#include "core/DataSource.h"
#include "core/Platform.h"
#include "app/WindowWin.h"
#include "render/RenderD3D.h"

#include "platform/sdl_window.h"
#include "platform/win32.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::vector<UINT>* seen = nullptr;
UINT handledClose = 0;

LRESULT CALLBACK recordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (seen) seen->push_back(message);
    if (message == WM_CREATE) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        return cs && cs->lpCreateParams ? -1 : 0;
    }
    if (message == WM_CLOSE) {
        ++handledClose;
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class WindowLayer : public ::testing::Test {
protected:
    void SetUp() override {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display) GTEST_SKIP() << "needs an X server (scripts/test.sh runs one)";
        seen = &messages;
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &recordingProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"TestClass";
        ASSERT_NE(RegisterClassExW(&wc), 0);
        EXPECT_EQ(RegisterClassExW(&wc), 0) << "a class registers once";
    }
    void TearDown() override {
        seen = nullptr;
        UnregisterClassW(L"TestClass", GetModuleHandleW(nullptr));
    }

    HWND create(DWORD style = WS_POPUP | WS_VISIBLE, LPVOID param = nullptr) {
        return CreateWindowExW(0, L"TestClass", L"test", style, 10, 20, 300, 200, nullptr, nullptr,
                               GetModuleHandleW(nullptr), param);
    }

    std::vector<UINT> messages;
};

TEST_F(WindowLayer, CreationAndDestructionTellTheWindowProcedure) {
    EXPECT_EQ(CreateWindowExW(0, L"NoSuchClass", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    int refuse = 1;
    EXPECT_EQ(create(WS_POPUP, &refuse), nullptr) << "WM_CREATE answering -1 refuses the window";
    messages.clear();

    const HWND hwnd = create();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_NE(vornSdlWindow(hwnd), nullptr);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages.front(), static_cast<UINT>(WM_CREATE));
    EXPECT_FALSE(UnregisterClassW(L"TestClass", GetModuleHandleW(nullptr))) << "the class still has a window";

    messages.clear();
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ(messages, (std::vector<UINT>{WM_DESTROY}));
    EXPECT_EQ(vornSdlWindow(hwnd), nullptr);
    EXPECT_FALSE(DestroyWindow(hwnd));
    EXPECT_FALSE(ShowWindow(hwnd, SW_SHOW));
    EXPECT_TRUE(UnregisterClassW(L"TestClass", GetModuleHandleW(nullptr)));
    EXPECT_FALSE(UnregisterClassW(L"TestClass", GetModuleHandleW(nullptr)));
}

TEST_F(WindowLayer, PostedMessagesComeBackInOrderAndDispatchToTheWindow) {
    const HWND hwnd = create();
    ASSERT_NE(hwnd, nullptr);
    MSG msg{};
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {} // whatever the server said on mapping
    messages.clear();

    ASSERT_TRUE(PostMessageW(hwnd, WM_USER + 1, 7, 8));
    PostQuitMessage(3);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, hwnd);
    EXPECT_EQ(msg.wParam, 7u);
    DispatchMessageW(&msg);
    EXPECT_EQ(messages, (std::vector<UINT>{WM_USER + 1}));
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE));
    DestroyWindow(hwnd);
}

TEST_F(WindowLayer, AltF4ReachesTheWindowProcedureAsAClose) {
    const HWND hwnd = create();
    ASSERT_NE(hwnd, nullptr);
    handledClose = 0;
    const LPARAM altHeld = static_cast<LPARAM>((1u << 29) | 1u);
    SendMessageW(hwnd, WM_SYSKEYDOWN, VK_F4, altHeld);
    EXPECT_EQ(handledClose, 1u);
    SendMessageW(hwnd, WM_SYSKEYDOWN, VK_F5, altHeld);
    SendMessageW(hwnd, WM_KEYDOWN, VK_F4, 1);
    EXPECT_EQ(handledClose, 1u);
    EXPECT_NE(vornSdlWindow(hwnd), nullptr) << "the procedure decides whether the window goes";
    DestroyWindow(hwnd);
}

TEST_F(WindowLayer, StylesAndRectanglesReadBackAsSet) {
    const HWND hwnd = create(vorn::WindowWin::windowedStyle);
    ASSERT_NE(hwnd, nullptr);
    RECT r{};
    ASSERT_TRUE(GetWindowRect(hwnd, &r));
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.bottom, 220);
    EXPECT_EQ(static_cast<DWORD>(SetWindowLongW(hwnd, GWL_STYLE, static_cast<LONG>(WS_POPUP | WS_VISIBLE))),
              static_cast<DWORD>(vorn::WindowWin::windowedStyle));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)), static_cast<DWORD>(WS_POPUP | WS_VISIBLE));
    ASSERT_TRUE(SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 640, 480, SWP_FRAMECHANGED));
    EXPECT_TRUE(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    ASSERT_TRUE(GetWindowRect(hwnd, &r));
    EXPECT_EQ(r.right, 640);
    EXPECT_EQ(r.bottom, 480);
    SetWindowPos(hwnd, HWND_NOTOPMOST, 5, 6, 0, 0, SWP_NOSIZE);
    EXPECT_FALSE(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    ASSERT_TRUE(GetWindowRect(hwnd, &r));
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.right, 645);
    DestroyWindow(hwnd);
}

TEST_F(WindowLayer, DesktopSizeIsTheScreenUnlessOverridden) {
    RECT desktop{};
    ASSERT_TRUE(GetWindowRect(GetDesktopWindow(), &desktop));
    EXPECT_GT(desktop.right, 0);
    EXPECT_EQ(desktop.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(desktop.bottom, GetSystemMetrics(SM_CYSCREEN));
    vornSetDesktopSize(1920, 1080);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1920);
    EXPECT_EQ(vorn::Platform::instance()->desktopSize(), glm::vec2(1920, 1080));
    EXPECT_TRUE(vorn::Platform::instance()->isLargeScreen());
    vornSetDesktopSize(0, 0);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), desktop.right);
}

TEST_F(WindowLayer, IconResourcesAreOurPngs) {
    const HINSTANCE module = GetModuleHandleW(nullptr);
    EXPECT_NE(LoadImageW(module, MAKEINTRESOURCEW(101), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR), nullptr);
    EXPECT_EQ(LoadImageW(module, MAKEINTRESOURCEW(999), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR), nullptr);
    EXPECT_EQ(LoadImageW(module, L"name", IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR), nullptr);
    EXPECT_NE(LoadCursorW(nullptr, IDC_ARROW), nullptr);
    EXPECT_EQ(ShowCursor(TRUE), 1);
    EXPECT_EQ(ShowCursor(FALSE), 0);
}

TEST(WindowWinGeometry, WindowedRectangleIsCentredAroundTheClientArea) {
    const RECT r = vorn::WindowWin::windowedRect({1152, 864}, 3, 3, 23, 1920, 1080);
    EXPECT_EQ(r.left, 381);
    EXPECT_EQ(r.top, 93);
    EXPECT_EQ(r.right - r.left, 1158);
    EXPECT_EQ(r.bottom - r.top, 893);
}

class WindowApp : public vorn::Application {
public:
    glm::vec2 designSize() override { return {1024, 768}; }
    std::string windowTitle() override { return "Window test"; }
    std::string dataFolderName() override { return "VornTest"; }
    void setup() override {}
    void quit() override {
        ++quits;
        Application::quit();
    }
    int quits = 0;
};

class EngineWindow : public ::testing::Test {
protected:
    void SetUp() override {
        const char* display = std::getenv("DISPLAY");
        if (!display || !*display) GTEST_SKIP() << "needs an X server (scripts/test.sh runs one)";
        vorn::Application::setInstance(&app);
        vorn::Platform::instance()->setDesktopSizeForTesting({0, 0});
    }
    void TearDown() override { vorn::Application::setInstance(nullptr); }
    WindowApp app;
};

TEST_F(EngineWindow, SwitchesModesAndKeepsTheWindowOnClose) {
    vorn::WindowWin window(app.defaultWindowSize(), false);
    ASSERT_TRUE(window.isReady());
    vorn::Platform::instance()->setWindow(&window);
    const HWND hwnd = vorn::WindowWin::handle();
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(vorn::Render::instance(), static_cast<vorn::Render*>(window.render()));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)), vorn::WindowWin::windowedStyle);
    app.setFullscreen(false);

    // Alt+Enter goes through the platform, which tells the window, which tells the application.
    vorn::Platform::instance()->setFullscreen(true);
    EXPECT_TRUE(window.isFullscreen());
    EXPECT_TRUE(app.isFullscreen());
    EXPECT_TRUE(vorn::DataSource::get("@settings.fullscreen")->value().asBool());
    RECT r{};
    GetWindowRect(hwnd, &r);
    EXPECT_EQ(r.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(r.bottom, GetSystemMetrics(SM_CYSCREEN));
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)), vorn::WindowWin::fullscreenStyle);
    EXPECT_TRUE(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST);
    window.frame(0.016f);

    SendMessageW(hwnd, WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_FALSE(app.isActive());
    SendMessageW(hwnd, WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_TRUE(app.isActive());

    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(app.quits, 2);
    EXPECT_TRUE(app.isQuitRequested());
    EXPECT_NE(vornSdlWindow(hwnd), nullptr);

    vorn::Platform::instance()->setWindow(nullptr);
    window.destroy();
    EXPECT_EQ(vornSdlWindow(hwnd), nullptr);
    EXPECT_EQ(vorn::WindowWin::handle(), nullptr);
}

// Whether the device's back buffer is width x height: reading it back into
// a surface of another size is refused.
bool backBufferIs(IDirect3DDevice9* device, UINT width, UINT height) {
    IDirect3DSurface9* back = nullptr;
    IDirect3DSurface9* copy = nullptr;
    bool same = false;
    if (device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back) == D3D_OK &&
        device->CreateOffscreenPlainSurface(width, height, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &copy, nullptr) ==
            D3D_OK) {
        same = device->GetRenderTargetData(back, copy) == D3D_OK;
    }
    if (copy) copy->Release();
    if (back) back->Release();
    return same;
}

TEST_F(EngineWindow, ModeSwitchesSizeTheBackBufferToTheScreenThenTheDefaultWindow) {
    vornSetDesktopSize(1600, 900);
    app.setFullscreen(false);
    const glm::vec2 windowed = app.defaultWindowSize();
    ASSERT_NEAR(windowed.x, 960.0f, 1e-3);
    ASSERT_NEAR(windowed.y, 720.0f, 1e-3);
    {
        vorn::WindowWin window(windowed, false);
        ASSERT_TRUE(window.isReady());
        vorn::Platform::instance()->setWindow(&window);
        IDirect3DDevice9* device = window.render()->device();
        EXPECT_TRUE(backBufferIs(device, 960, 720));

        vorn::Platform::instance()->setFullscreen(true);
        EXPECT_TRUE(backBufferIs(device, 1600, 900));
        window.frame(0.016f);

        // Back to the client size, not the outer rectangle with its frame.
        vorn::Platform::instance()->setFullscreen(false);
        EXPECT_TRUE(backBufferIs(device, 960, 720));
        window.frame(0.016f);

        vorn::Platform::instance()->setWindow(nullptr);
        window.destroy();
    }
    vornSetDesktopSize(0, 0);
}

} // namespace
