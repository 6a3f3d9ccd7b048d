#include "app/WindowWin.h"

#include "app/Application.h"
#include "core/Log.h"
#include "core/Platform.h"
#include "core/ResourceManager.h"
#include "render/RenderD3D.h"

#include <vector>

namespace vorn {

namespace {
HWND nativeWindow = nullptr;
const char* const classNameText = "VORNWNDCLASS";

std::vector<d3d::RenderD3D*>& madeRenderers() {
    static std::vector<d3d::RenderD3D*> renderers;
    return renderers;
}

void report(const char* text) {
    log("Error: %s", text);
    MessageBoxA(nullptr, text, "Error", MB_OK | MB_ICONERROR);
}
} // namespace

HWND WindowWin::handle() { return nativeWindow; }

void WindowWin::resetForTests() {
    for (d3d::RenderD3D* render : madeRenderers()) {
        if (Render::instance() == render) Render::setInstance(nullptr);
        if (ResourceManager::instance()->render() == render) ResourceManager::instance()->setRender(nullptr);
        delete render;
    }
    madeRenderers().clear();
    nativeWindow = nullptr;
}

RECT WindowWin::windowedRect(const glm::vec2& clientSize, int frameX, int frameY, int caption, int screenWidth,
                             int screenHeight) {
    const int width = static_cast<int>(static_cast<float>(2 * frameX) + clientSize.x);
    const int height = static_cast<int>(static_cast<float>(2 * frameY) + clientSize.y + static_cast<float>(caption));
    RECT r{};
    r.left = (screenWidth - width) / 2;
    r.top = (screenHeight - height) / 2;
    r.right = r.left + width;
    r.bottom = r.top + height;
    return r;
}

bool WindowWin::registerClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_OWNDC;
    wc.lpfnWndProc = &WindowWin::windowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = className;
    if (RegisterClassExW(&wc)) return true;
    log("Error: Can't register window class %s", classNameText);
    log("trying again");
    UnregisterClassW(className, wc.hInstance);
    if (RegisterClassExW(&wc)) return true;
    log("Error: Can't register window class %s", classNameText);
    return false;
}

WindowWin::WindowWin(const glm::vec2& size, bool fullscreen) : fullscreen_(fullscreen), size_(size) {
    log("WindowWin sz: %f %f fs: %i", size.x, size.y, fullscreen ? 1 : 0);
    if (!registerClass()) {
        report("Can't register the window class.");
        return;
    }

    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    windowedRect_ = windowedRect(size, GetSystemMetrics(SM_CXFIXEDFRAME), GetSystemMetrics(SM_CYFIXEDFRAME),
                                 GetSystemMetrics(SM_CYCAPTION), screenWidth, screenHeight);
    fullscreenRect_ = {0, 0, screenWidth, screenHeight};
    log("fullscreen size: %i %i", screenWidth, screenHeight);
    const glm::vec2 desktop = Platform::instance()->desktopSize();
    log("fullscreen (platform) size: %i %i", static_cast<int>(desktop.x), static_cast<int>(desktop.y));

    currentRect_ = fullscreen_ ? &fullscreenRect_ : &windowedRect_;
    currentStyle_ = (fullscreen_ ? fullscreenStyle_ : windowedStyle_) | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    const RECT& r = *currentRect_;
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const HWND hwnd = fullscreen_
        ? CreateWindowExW(WS_EX_TOPMOST, className, className, currentStyle_, r.left, r.top, r.right - r.left,
                          r.bottom - r.top, nullptr, nullptr, instance, nullptr)
        : CreateWindowExW(0, className, L"", currentStyle_, r.left, r.top, r.right - r.left, r.bottom - r.top,
                          GetDesktopWindow(), nullptr, instance, nullptr);
    if (!hwnd) {
        report("Can't create the game window.");
        return;
    }
    nativeWindow = hwnd;
    ShowWindow(hwnd, SW_SHOW);
    if (Application* app = Application::instance())
        SetWindowTextW(hwnd, Platform::instance()->utf8ToUtf16(app->windowTitle()).c_str());
    applyStyle();

    const HANDLE bigIcon = LoadImageW(instance, MAKEINTRESOURCEW(101), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                      GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR);
    if (bigIcon) SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon));
    const HANDLE smallIcon = LoadImageW(instance, MAKEINTRESOURCEW(101), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                        GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR);
    if (bigIcon && smallIcon) SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));

    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    ShowCursor(TRUE);

    render_ = new d3d::RenderD3D();
    madeRenderers().push_back(render_);
    Render::setInstance(render_);
    ResourceManager::instance()->setRender(render_);
    // The renderer has told the person what went wrong.
    if (!render_->setup()) return;
    ready_ = true;
}

void WindowWin::applyStyle() {
    if (!nativeWindow) return;
    currentRect_ = fullscreen_ ? &fullscreenRect_ : &windowedRect_;
    currentStyle_ = fullscreen_ ? fullscreenStyle_ : windowedStyle_;
    SetWindowLongW(nativeWindow, GWL_STYLE, static_cast<LONG>(currentStyle_));
    LONG exStyle = GetWindowLongW(nativeWindow, GWL_EXSTYLE);
    exStyle = fullscreen_ ? (exStyle | WS_EX_TOPMOST) : (exStyle & ~static_cast<LONG>(WS_EX_TOPMOST));
    SetWindowLongW(nativeWindow, GWL_EXSTYLE, exStyle);
    const RECT& r = *currentRect_;
    SetWindowPos(nativeWindow, fullscreen_ ? HWND_TOPMOST : HWND_NOTOPMOST, r.left, r.top, r.right - r.left,
                 r.bottom - r.top, SWP_FRAMECHANGED);
}

void WindowWin::setFullscreen(bool fullscreen) {
    if (fullscreen == fullscreen_) return;
    fullscreen_ = fullscreen;
    applyStyle();
    Application* app = Application::instance();
    glm::vec2 size{static_cast<float>(fullscreenRect_.right - fullscreenRect_.left),
                   static_cast<float>(fullscreenRect_.bottom - fullscreenRect_.top)};
    if (!fullscreen) size = app ? app->defaultWindowSize() : size_;
    if (render_ && ready_) render_->resize(size);
    if (app) app->setFullscreen(fullscreen);
}

void WindowWin::frame(float dt) {
    if (render_) render_->beginFrame();
    if (Application* app = Application::instance()) app->update(dt);
    if (render_) render_->endFrame();
}

void WindowWin::destroy() {
    if (nativeWindow) DestroyWindow(nativeWindow);
    nativeWindow = nullptr;
    UnregisterClassW(className, GetModuleHandleW(nullptr));
}

LRESULT CALLBACK WindowWin::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Application* app = Application::instance();
    switch (message) {
    case WM_CREATE:
        log("WM_CREATE event");
        return DefWindowProcW(hwnd, message, wParam, lParam);
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
        ValidateRect(hwnd, nullptr);
        return 0;
    case WM_CLOSE:
        if (app) app->quit();
        return 0;
    case WM_ACTIVATEAPP:
        if (wParam) {
            log("focus gained");
            if (app) app->activate();
            if (app && app->isFullscreen()) ShowWindow(hwnd, SW_SHOW);
        } else {
            log("focus lost");
            if (app) app->deactivate();
            if (app && app->isFullscreen()) ShowWindow(hwnd, SW_MINIMIZE);
        }
        return 0;
    // Holding the pointer while a button is down, so that a release outside
    // the window still arrives and no drag or press is left hanging.
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        SetCapture(hwnd);
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        if (!(wParam & (MK_LBUTTON | MK_RBUTTON))) ReleaseCapture();
        return 0;
    case WM_UNICHAR:
        log("WM_UNICHAR %c", static_cast<int>(wParam));
        return 0;
    case WM_POWERBROADCAST:
        if (wParam == PBT_APMSUSPEND) log("WM_POWERBROADCAST PBT_APMSUSPEND");
        return 0;
    case WM_DPICHANGED:
        log("WM_DPICHANGED");
        return 0;
    default:
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

// Input is passed on to the registered application.
bool WindowWin::keyDown(int key) {
    Application* app = Application::instance();
    return app && app->keyDown(key);
}

bool WindowWin::keyUp(int key) {
    Application* app = Application::instance();
    return app && app->keyUp(key);
}

bool WindowWin::textInput(const std::string& text) {
    Application* app = Application::instance();
    return app && app->textInput(text);
}

bool WindowWin::mouseDown(const glm::vec2& point, eButtonName button) {
    Application* app = Application::instance();
    return app && app->mouseDown(point, button);
}

bool WindowWin::mouseUp(const glm::vec2& point, eButtonName button) {
    Application* app = Application::instance();
    return app && app->mouseUp(point, button);
}

bool WindowWin::mouseMove(const glm::vec2& point, eButtonName button) {
    Application* app = Application::instance();
    return app && app->mouseMove(point, button);
}

bool WindowWin::pointerEvent(const glm::vec2& point, eButtonName button) {
    Application* app = Application::instance();
    return app && app->pointerEvent(point, button);
}

bool WindowWin::scroll(const glm::vec2& delta) {
    Application* app = Application::instance();
    return app && app->scroll(delta);
}

void WindowWin::shutdown() {
    if (Application* app = Application::instance()) app->shutdown();
}

} // namespace vorn
