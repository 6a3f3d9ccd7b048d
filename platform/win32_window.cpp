#include "platform/win32_window.h"

#include "platform/sdl_input.h"
#include "platform/sdl_window.h"
#include "platform/win32_shell.h"

#include <SDL.h>

#define STB_IMAGE_STATIC
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO_WARNINGS
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wcast-align"
#endif
#include <stb/stb_image.h>
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <string>

namespace {

// What the decorated window's frame and caption measure, as GetSystemMetrics
// reports them; the layer takes them off a captioned window's outer
// rectangle to get the client area it asks SDL for.
constexpr int kFrame = 3;
constexpr int kCaption = 23;

struct WindowClass {
    WNDPROC proc = nullptr;
    int windows = 0;
};

struct Window {
    SDL_Window* sdl = nullptr;
    std::wstring className;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    RECT rect{};
    HICON bigIcon = nullptr;
};

std::map<std::wstring, WindowClass> classes;
std::map<HWND, Window> windows;
std::map<HICON, SDL_Surface*> icons;
std::map<HCURSOR, SDL_Cursor*> cursors;
std::deque<MSG> queue;
UINT_PTR nextHandle = 0x10020;
HCURSOR currentCursor = nullptr;
HWND captured = nullptr;
int cursorCount = 0;
// The desktop size is asked from the resource loaders on the preload worker
// too: the first answer (in practice the main thread's, at start-up) is kept,
// so SDL's video subsystem is only ever touched from one thread.
std::mutex desktopMutex;
int desktopWidth = 0;
int desktopHeight = 0;
int queriedWidth = 0;
int queriedHeight = 0;

HWND const desktopHandle = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x10010));
HINSTANCE const moduleHandle = reinterpret_cast<HINSTANCE>(static_cast<UINT_PTR>(0x400000));

template <typename Handle>
Handle newHandle() {
    nextHandle += 4;
    return reinterpret_cast<Handle>(nextHandle);
}

// SDL's video is started once, at the first need, and the answer kept.
bool videoTried = false;
bool videoStarted = false;

bool videoReady() {
    if (videoTried) return videoStarted;
    videoTried = true;
    // Closing the window is a close request like any other; a quit event is
    // only for the process being asked to end (a signal).
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    videoStarted = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    if (!videoStarted) {
        std::fprintf(stderr, "SDL video could not start: %s\n", SDL_GetError());
        return videoStarted;
    }
    // When no display server answers, SDL falls back on drivers that draw
    // into memory: the game would run unseen at full speed until killed.
    // Only one asked for by name (SDL_VIDEODRIVER) is taken.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* asked = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    const bool unseen = driver && (std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0);
    if (unseen && !(asked && *asked)) {
        const char* display = std::getenv("DISPLAY");
        const char* wayland = std::getenv("WAYLAND_DISPLAY");
        std::fprintf(stderr, "No display server answers (DISPLAY=\"%s\", WAYLAND_DISPLAY=\"%s\"); SDL offers only its "
                             "\"%s\" video driver, which shows nothing\n",
                     display ? display : "", wayland ? wayland : "", driver);
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        videoStarted = false;
    }
    return videoStarted;
}

void desktopSize(int& w, int& h) {
    std::lock_guard<std::mutex> lock(desktopMutex);
    if (desktopWidth > 0 && desktopHeight > 0) {
        w = desktopWidth;
        h = desktopHeight;
        return;
    }
    if (queriedWidth <= 0 || queriedHeight <= 0) {
        SDL_DisplayMode mode{};
        if (videoReady() && SDL_GetDesktopDisplayMode(0, &mode) == 0) {
            queriedWidth = mode.w;
            queriedHeight = mode.h;
        }
    }
    w = queriedWidth;
    h = queriedHeight;
}

Window* find(HWND hwnd) {
    auto it = windows.find(hwnd);
    return it == windows.end() ? nullptr : &it->second;
}

HWND handleOf(Uint32 sdlId) {
    for (auto& [hwnd, w] : windows)
        if (w.sdl && SDL_GetWindowID(w.sdl) == sdlId) return hwnd;
    return nullptr;
}

std::string narrow(LPCWSTR text) {
    if (!text) return {};
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1) return {};
    std::string out(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), bytes, nullptr, nullptr);
    out.resize(static_cast<size_t>(bytes - 1));
    return out;
}

bool decorated(DWORD style) { return (style & WS_CAPTION) == WS_CAPTION; }

// Places the SDL window's client area where the outer rectangle puts it.
void applyGeometry(Window& w) {
    int x = w.rect.left, y = w.rect.top;
    int cx = w.rect.right - w.rect.left, cy = w.rect.bottom - w.rect.top;
    if (decorated(w.style)) {
        x += kFrame;
        y += kFrame + kCaption;
        cx -= 2 * kFrame;
        cy -= 2 * kFrame + kCaption;
    }
    if (cx < 1) cx = 1;
    if (cy < 1) cy = 1;
    SDL_SetWindowBordered(w.sdl, decorated(w.style) ? SDL_TRUE : SDL_FALSE);
    SDL_SetWindowSize(w.sdl, cx, cy);
    SDL_SetWindowPosition(w.sdl, x, y);
}

bool sentMessage(UINT type) { return type == WM_CLOSE || type == WM_ACTIVATEAPP; }

VornInputEvent fromSdl(const SDL_Event& ev, HWND& target) {
    VornInputEvent e;
    target = nullptr;
    e.time = ev.common.timestamp;
    const Uint16 mod = SDL_GetModState();
    auto modifiers = [&e](Uint16 m) {
        e.alt = (m & KMOD_ALT) != 0;
        e.ctrl = (m & KMOD_CTRL) != 0;
        e.shift = (m & KMOD_SHIFT) != 0;
    };
    auto held = [](Uint32 state) {
        unsigned flags = 0;
        if (state & SDL_BUTTON_LMASK) flags |= MK_LBUTTON;
        if (state & SDL_BUTTON_RMASK) flags |= MK_RBUTTON;
        if (state & SDL_BUTTON_MMASK) flags |= MK_MBUTTON;
        return flags;
    };
    switch (ev.type) {
    case SDL_QUIT:
        e.kind = VornInputEvent::Quit;
        break;
    case SDL_WINDOWEVENT:
        target = handleOf(ev.window.windowID);
        switch (ev.window.event) {
        case SDL_WINDOWEVENT_CLOSE: e.kind = VornInputEvent::Close; break;
        case SDL_WINDOWEVENT_FOCUS_GAINED: e.kind = VornInputEvent::FocusGained; break;
        case SDL_WINDOWEVENT_FOCUS_LOST: e.kind = VornInputEvent::FocusLost; break;
        case SDL_WINDOWEVENT_EXPOSED: e.kind = VornInputEvent::Exposed; break;
        default: break;
        }
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        target = handleOf(ev.key.windowID);
        e.kind = ev.type == SDL_KEYDOWN ? VornInputEvent::KeyDown : VornInputEvent::KeyUp;
        e.key = ev.key.keysym.sym;
        e.scancode = ev.key.keysym.scancode;
        e.repeat = ev.key.repeat != 0;
        modifiers(ev.key.keysym.mod);
        break;
    case SDL_TEXTINPUT:
        target = handleOf(ev.text.windowID);
        e.kind = VornInputEvent::Text;
        e.text = ev.text.text;
        modifiers(mod);
        break;
    case SDL_MOUSEMOTION:
        target = handleOf(ev.motion.windowID);
        e.kind = VornInputEvent::MouseMove;
        e.x = ev.motion.x;
        e.y = ev.motion.y;
        e.held = held(ev.motion.state);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        target = handleOf(ev.button.windowID);
        e.kind = ev.type == SDL_MOUSEBUTTONDOWN ? VornInputEvent::ButtonDown : VornInputEvent::ButtonUp;
        e.button = ev.button.button == SDL_BUTTON_LEFT ? 1 : ev.button.button == SDL_BUTTON_RIGHT ? 3
                 : ev.button.button == SDL_BUTTON_MIDDLE ? 2 : 0;
        e.x = ev.button.x;
        e.y = ev.button.y;
        e.held = held(SDL_GetMouseState(nullptr, nullptr));
        break;
    default:
        break;
    }
    return e;
}

// Moves what SDL has gathered into the queue. Like Windows, messages that are
// sent rather than posted (close requests, activation) reach the window
// procedure at once, inside the peek.
void pump() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return;
    SDL_Event ev;
    while (SDL_PollEvent(&ev)) {
        HWND target = nullptr;
        const VornInputEvent e = fromSdl(ev, target);
        if (e.kind == VornInputEvent::None) continue;
        if (e.kind != VornInputEvent::Quit && !target) continue;
        for (const MSG& m : vornTranslateEvent(e, target)) {
            if (sentMessage(m.message)) SendMessageW(m.hwnd, m.message, m.wParam, m.lParam);
            else queue.push_back(m);
        }
    }
}

bool matches(const MSG& m, HWND hwnd, UINT low, UINT high) {
    if (hwnd && m.hwnd != hwnd && m.message != WM_QUIT) return false;
    if ((low || high) && m.message != WM_QUIT && (m.message < low || m.message > high)) return false;
    return true;
}

} // namespace

SDL_Window* vornSdlWindow(HWND hwnd) {
    Window* w = find(hwnd);
    return w ? w->sdl : nullptr;
}

void vornSetDesktopSize(int width, int height) {
    std::lock_guard<std::mutex> lock(desktopMutex);
    desktopWidth = width > 0 && height > 0 ? width : 0;
    desktopHeight = width > 0 && height > 0 ? height : 0;
}

void vornResetWindowingForTests() {
    queue.clear();
    {
        std::lock_guard<std::mutex> lock(desktopMutex);
        desktopWidth = desktopHeight = 0;
        queriedWidth = queriedHeight = 0;
    }
    // Cursors belong to the video subsystem and go with it.
    for (auto& [handle, cursor] : cursors) {
        if (cursor) SDL_FreeCursor(cursor);
    }
    cursors.clear();
    currentCursor = nullptr;
    cursorCount = 0;
    if (videoStarted) SDL_QuitSubSystem(SDL_INIT_VIDEO);
    videoTried = false;
    videoStarted = false;
}

ATOM RegisterClassExW(const WNDCLASSEXW* wc) {
    if (!wc || wc->cbSize != sizeof(WNDCLASSEXW) || !wc->lpfnWndProc || !wc->lpszClassName || IS_INTRESOURCE(wc->lpszClassName))
        return 0;
    const std::wstring name(wc->lpszClassName);
    if (name.empty() || classes.count(name)) return 0;
    WindowClass c;
    c.proc = wc->lpfnWndProc;
    classes[name] = c;
    return static_cast<ATOM>(0xC000 + classes.size());
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE) {
    if (!className || IS_INTRESOURCE(className)) return FALSE;
    auto it = classes.find(className);
    if (it == classes.end() || it->second.windows > 0) return FALSE;
    classes.erase(it);
    return TRUE;
}

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    if (!className || IS_INTRESOURCE(className)) return nullptr;
    auto cls = classes.find(className);
    if (cls == classes.end()) return nullptr;
    if (!videoReady()) return nullptr;

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
    if (!decorated(style)) flags |= SDL_WINDOW_BORDERLESS;
    SDL_Window* sdl = SDL_CreateWindow(narrow(windowName).c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                       width > 0 ? width : 1, height > 0 ? height : 1, flags);
    if (!sdl) {
        std::fprintf(stderr, "SDL window could not be created: %s\n", SDL_GetError());
        return nullptr;
    }
    const HWND hwnd = newHandle<HWND>();
    Window w;
    w.sdl = sdl;
    w.className = className;
    w.proc = cls->second.proc;
    w.style = style & ~static_cast<DWORD>(WS_VISIBLE);
    w.exStyle = exStyle;
    w.rect = {x, y, x + width, y + height};
    windows[hwnd] = w;
    ++cls->second.windows;
    applyGeometry(windows[hwnd]);
    if (exStyle & WS_EX_TOPMOST) SDL_SetWindowAlwaysOnTop(sdl, SDL_TRUE);

    CREATESTRUCTW cs{};
    cs.lpCreateParams = param;
    cs.hInstance = instance;
    cs.hMenu = menu;
    cs.hwndParent = parent;
    cs.cx = width;
    cs.cy = height;
    cs.x = x;
    cs.y = y;
    cs.style = static_cast<LONG>(style);
    cs.lpszName = windowName;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;
    if (SendMessageW(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (style & WS_VISIBLE) ShowWindow(hwnd, SW_SHOW);
    return hwnd;
}

BOOL DestroyWindow(HWND hwnd) {
    if (!find(hwnd)) return FALSE;
    SendMessageW(hwnd, WM_DESTROY, 0, 0);
    Window* w = find(hwnd);
    if (!w) return TRUE;
    if (captured == hwnd) ReleaseCapture();
    SDL_DestroyWindow(w->sdl);
    auto cls = classes.find(w->className);
    if (cls != classes.end()) --cls->second.windows;
    windows.erase(hwnd);
    for (auto it = queue.begin(); it != queue.end();) it = it->hwnd == hwnd ? queue.erase(it) : it + 1;
    return TRUE;
}

BOOL ShowWindow(HWND hwnd, int command) {
    Window* w = find(hwnd);
    if (!w) return FALSE;
    const BOOL wasVisible = (w->style & WS_VISIBLE) ? TRUE : FALSE;
    switch (command) {
    case SW_HIDE:
        SDL_HideWindow(w->sdl);
        w->style &= ~static_cast<DWORD>(WS_VISIBLE);
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
        SDL_ShowWindow(w->sdl);
        SDL_MinimizeWindow(w->sdl);
        w->style |= WS_VISIBLE;
        break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
        SDL_ShowWindow(w->sdl);
        SDL_RestoreWindow(w->sdl);
        w->style |= WS_VISIBLE;
        break;
    default:
        SDL_ShowWindow(w->sdl);
        w->style |= WS_VISIBLE;
        break;
    }
    return wasVisible;
}

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
    Window* w = find(hwnd);
    if (!w) return FALSE;
    SDL_SetWindowTitle(w->sdl, narrow(text).c_str());
    return TRUE;
}

LONG GetWindowLongW(HWND hwnd, int index) {
    Window* w = find(hwnd);
    if (!w) return 0;
    if (index == GWL_STYLE) return static_cast<LONG>(w->style);
    if (index == GWL_EXSTYLE) return static_cast<LONG>(w->exStyle);
    return 0;
}

// As on Windows, a new frame style shows once SetWindowPos reports the frame changed.
LONG SetWindowLongW(HWND hwnd, int index, LONG value) {
    Window* w = find(hwnd);
    if (!w) return 0;
    DWORD* field = index == GWL_STYLE ? &w->style : index == GWL_EXSTYLE ? &w->exStyle : nullptr;
    if (!field) return 0;
    const LONG old = static_cast<LONG>(*field);
    *field = static_cast<DWORD>(value);
    return old;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    Window* w = find(hwnd);
    if (!w) return FALSE;
    if (!(flags & SWP_NOZORDER)) {
        if (insertAfter == HWND_TOPMOST) {
            w->exStyle |= WS_EX_TOPMOST;
            SDL_SetWindowAlwaysOnTop(w->sdl, SDL_TRUE);
        } else if (insertAfter == HWND_NOTOPMOST) {
            w->exStyle &= ~static_cast<DWORD>(WS_EX_TOPMOST);
            SDL_SetWindowAlwaysOnTop(w->sdl, SDL_FALSE);
        }
    }
    bool geometry = (flags & SWP_FRAMECHANGED) != 0;
    if (!(flags & SWP_NOMOVE)) {
        const LONG width = w->rect.right - w->rect.left, height = w->rect.bottom - w->rect.top;
        w->rect = {x, y, x + width, y + height};
        geometry = true;
    }
    if (!(flags & SWP_NOSIZE)) {
        w->rect.right = w->rect.left + cx;
        w->rect.bottom = w->rect.top + cy;
        geometry = true;
    }
    if (geometry) applyGeometry(*w);
    if (flags & SWP_SHOWWINDOW) ShowWindow(hwnd, SW_SHOW);
    if (flags & SWP_HIDEWINDOW) ShowWindow(hwnd, SW_HIDE);
    return TRUE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
    if (!rect) return FALSE;
    if (hwnd == desktopHandle) {
        int w = 0, h = 0;
        desktopSize(w, h);
        *rect = {0, 0, w, h};
        return TRUE;
    }
    Window* w = find(hwnd);
    if (!w) return FALSE;
    *rect = w->rect;
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT*) { return !hwnd || find(hwnd) ? TRUE : FALSE; }

HWND GetDesktopWindow() { return desktopHandle; }

HWND GetActiveWindow() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return nullptr;
    SDL_Window* focus = SDL_GetKeyboardFocus();
    return focus ? handleOf(SDL_GetWindowID(focus)) : nullptr;
}

// SDL already keeps the pointer while a button is held; this also covers
// the desktops where it does not.
HWND SetCapture(HWND hwnd) {
    const HWND previous = captured;
    if (find(hwnd)) {
        captured = hwnd;
        SDL_CaptureMouse(SDL_TRUE);
    }
    return previous;
}

BOOL ReleaseCapture() {
    if (captured && SDL_WasInit(SDL_INIT_VIDEO)) SDL_CaptureMouse(SDL_FALSE);
    captured = nullptr;
    return TRUE;
}

int GetSystemMetrics(int index) {
    int w = 0, h = 0;
    switch (index) {
    case SM_CXSCREEN: desktopSize(w, h); return w;
    case SM_CYSCREEN: desktopSize(w, h); return h;
    case SM_CXFIXEDFRAME:
    case SM_CYFIXEDFRAME: return kFrame;
    case SM_CYCAPTION: return kCaption;
    case SM_CXICON:
    case SM_CYICON: return 32;
    case SM_CXSMICON:
    case SM_CYSMICON: return 16;
    default: return 0;
    }
}

HMODULE GetModuleHandleW(LPCWSTR moduleName) { return moduleName ? nullptr : moduleHandle; }

HANDLE LoadImageW(HINSTANCE instance, LPCWSTR name, UINT type, int, int, UINT) {
    if (type != IMAGE_ICON || instance != moduleHandle || !IS_INTRESOURCE(name)) return nullptr;
    const std::string path = "data/icons/" + std::to_string(reinterpret_cast<UINT_PTR>(name)) + ".png";
    int w = 0, h = 0, channels = 0;
    stbi_uc* pixels = stbi_load(path.c_str(), &w, &h, &channels, 4);
    if (!pixels) return nullptr;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_RGBA32);
    if (surface) {
        for (int row = 0; row < h; ++row)
            std::memcpy(static_cast<Uint8*>(surface->pixels) + row * surface->pitch, pixels + row * w * 4,
                        static_cast<size_t>(w) * 4);
    }
    stbi_image_free(pixels);
    if (!surface) return nullptr;
    const HICON icon = newHandle<HICON>();
    icons[icon] = surface;
    return icon;
}

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name) {
    if (instance || name != IDC_ARROW || !videoReady()) return nullptr;
    for (auto& [handle, cursor] : cursors)
        if (cursor) return handle;
    SDL_Cursor* arrow = SDL_CreateSystemCursor(SDL_SYSTEM_CURSOR_ARROW);
    if (!arrow) return nullptr;
    const HCURSOR handle = newHandle<HCURSOR>();
    cursors[handle] = arrow;
    return handle;
}

HCURSOR SetCursor(HCURSOR cursor) {
    const HCURSOR previous = currentCursor;
    auto it = cursors.find(cursor);
    if (it != cursors.end()) {
        SDL_SetCursor(it->second);
        currentCursor = cursor;
    }
    return previous;
}

int ShowCursor(BOOL show) {
    cursorCount += show ? 1 : -1;
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_ShowCursor(cursorCount >= 0 ? SDL_ENABLE : SDL_DISABLE);
    return cursorCount;
}

LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = find(hwnd);
    if (!w) return 0;
    return w->proc(hwnd, message, wParam, lParam);
}

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hwnd && !find(hwnd)) return FALSE;
    MSG m{};
    m.hwnd = hwnd;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = SDL_GetTicks();
    queue.push_back(m);
    return TRUE;
}

BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMessage) {
    pump();
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (!matches(*it, hwnd, filterMin, filterMax)) continue;
        if (msg) *msg = *it;
        if (removeMessage & PM_REMOVE) queue.erase(it);
        return TRUE;
    }
    return FALSE;
}

// Characters come from SDL's text events, already in the queue after their key.
BOOL TranslateMessage(const MSG* msg) {
    return msg && (msg->message == WM_KEYDOWN || msg->message == WM_SYSKEYDOWN) ? TRUE : FALSE;
}

LRESULT DispatchMessageW(const MSG* msg) {
    if (!msg || !msg->hwnd) return 0;
    return SendMessageW(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Window* w = find(hwnd);
    if (!w) return 0;
    switch (message) {
    case WM_SETICON: {
        if (wParam != ICON_BIG) return 0;
        const HICON previous = w->bigIcon;
        const HICON icon = reinterpret_cast<HICON>(lParam);
        auto it = icons.find(icon);
        if (it != icons.end()) {
            SDL_SetWindowIcon(w->sdl, it->second);
            w->bigIcon = icon;
        }
        return reinterpret_cast<LRESULT>(previous);
    }
    case WM_SYSKEYDOWN:
        if (wParam == VK_F4 && (static_cast<DWORD>(lParam) & (1u << 29))) SendMessageW(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) SendMessageW(hwnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    default:
        return 0;
    }
}

void PostQuitMessage(int exitCode) {
    MSG m{};
    m.message = WM_QUIT;
    m.wParam = static_cast<WPARAM>(exitCode);
    queue.push_back(m);
}
