#include "core/MainLoop.h"

#include "core/Application.h"
#include "core/Keys.h"
#include "core/Log.h"
#include "core/Platform.h"
#include "core/UserManager.h"
#include "core/WindowWin.h"

#include <array>
#include <chrono>
#include <memory>
#include <string>

namespace vorn {

namespace {

// Taken during static initialisation, as near to the process start as the
// program gets, for the start-up time in the log.
const auto processStart = std::chrono::steady_clock::now();

std::array<int, 256> makeKeyTable() {
    std::array<int, 256> table{};
    table[VK_ESCAPE] = KEY_ESCAPE;
    for (int i = 0; i < 12; ++i) table[static_cast<size_t>(VK_F1 + i)] = KEY_F1 + i;
    table[VK_RETURN] = KEY_ENTER;
    table[VK_SPACE] = KEY_SPACE;
    table[VK_BACK] = KEY_BACKSPACE;
    table[VK_LEFT] = KEY_LEFT;
    table[VK_RIGHT] = KEY_RIGHT;
    table[VK_UP] = KEY_UP;
    table[VK_DOWN] = KEY_DOWN;
    table[0x0A] = KEY_LINEFEED;
    const char* rows = "ASDFGHJKLQWERTYUIOPZXCVBNM";
    for (int i = 0; rows[i]; ++i) table[static_cast<unsigned char>(rows[i])] = KEY_A + i;
    for (int i = 0; i < 10; ++i) table[static_cast<size_t>('0' + i)] = KEY_0 + i;
    return table;
}

// Client positions come as two signed 16-bit halves: left of or above the
// window they are negative.
glm::vec2 pointOf(LPARAM lParam) {
    const auto x = static_cast<SHORT>(LOWORD(lParam));
    const auto y = static_cast<SHORT>(HIWORD(lParam));
    return {static_cast<float>(x), static_cast<float>(y)};
}

} // namespace

int MainLoop::engineKey(unsigned virtualKey) {
    static const std::array<int, 256> table = makeKeyTable();
    return virtualKey < table.size() ? table[virtualKey] : KEY_NONE;
}

void MainLoop::start() { last_ = Platform::instance()->millisecondsSinceStart(); }

float MainLoop::tick() {
    const std::uint32_t now = Platform::instance()->millisecondsSinceStart();
    const std::uint32_t elapsed = now - last_;
    last_ = now;
    return static_cast<float>(static_cast<double>(elapsed) / 1000.0);
}

void MainLoop::character(std::uint32_t unit) {
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        highSurrogate_ = unit;
        return;
    }
    std::uint32_t cp = unit;
    std::wstring units(1, static_cast<wchar_t>(unit));
    if (unit >= 0xDC00 && unit <= 0xDFFF) {
        if (!highSurrogate_) return;
        cp = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (unit - 0xDC00);
        units.insert(units.begin(), static_cast<wchar_t>(highSurrogate_));
    }
    highSurrogate_ = 0;
    // Control characters (Ctrl+V gives 0x16, Tab 9, Enter 13) are keys, not text.
    if (cp < 0x20 || cp == 0x7F || cp > 0x10FFFF) return;
    const std::string text = Platform::instance()->utf16ToUtf8(units);
    log("WM_CHAR %s", text.c_str());
    app_.textInput(text);
}

void MainLoop::handleMessage(const MSG& msg) {
    switch (msg.message) {
    case WM_CLOSE:
    case WM_QUIT:
        app_.quit();
        break;
    case WM_KEYDOWN:
        if (msg.wParam <= 255) app_.keyDown(engineKey(static_cast<unsigned>(msg.wParam)));
        break;
    case WM_KEYUP:
        if (msg.wParam <= 255) app_.keyUp(engineKey(static_cast<unsigned>(msg.wParam)));
        break;
    case WM_CHAR:
        character(static_cast<std::uint32_t>(msg.wParam));
        break;
    case WM_SYSKEYUP: {
        const int key = engineKey(static_cast<unsigned>(msg.wParam));
        if (key == KEY_ENTER || key == KEY_LINEFEED) {
            Platform* platform = Platform::instance();
            platform->setFullscreen(!platform->isFullscreen());
        }
        break;
    }
    case WM_MOUSEMOVE:
        app_.mouseMove(pointOf(msg.lParam), BUTTON_LEFT);
        break;
    case WM_LBUTTONDOWN:
        app_.mouseDown(pointOf(msg.lParam), BUTTON_LEFT);
        break;
    case WM_LBUTTONUP:
        app_.mouseUp(pointOf(msg.lParam), BUTTON_LEFT);
        break;
    case WM_RBUTTONDOWN:
        app_.mouseDown(pointOf(msg.lParam), BUTTON_RIGHT);
        break;
    case WM_RBUTTONUP:
        app_.mouseUp(pointOf(msg.lParam), BUTTON_RIGHT);
        break;
    default:
        break;
    }
}

int MainLoop::run() {
    Application::setInstance(&app_);
    app_.beforeRun();

    const glm::vec2 desktop = Platform::instance()->desktopSize();
    if (desktop.x <= 0.0f || desktop.y <= 0.0f) {
        log("Error: no display to open the window on");
        MessageBoxA(nullptr, "No display to open the game window on.", "Error", MB_OK | MB_ICONERROR);
        return 1;
    }

    // The renderer the window makes stays the global one after the run.
    auto window = std::make_unique<WindowWin>(app_.defaultWindowSize(), app_.isFullscreen());
    Platform::instance()->setWindow(window.get());
    if (!window->isReady()) {
        Platform::instance()->setWindow(nullptr);
        window->destroy();
        return 1;
    }
    app_.setup();

    MSG msg{};
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    start();
    bool firstFrame = true;
    bool quit = false;
    while (!quit) {
        const float dt = tick();
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            handleMessage(msg);
        }
        window->frame(dt);
        if (firstFrame) {
            firstFrame = false;
            const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - processStart);
            log("first frame presented %lld ms after start", static_cast<long long>(ms.count()));
        }
        quit = app_.isQuitRequested();
    }

    app_.shutdown();
    // Here, and not at process exit, while everything it needs still lives.
    UserManager::saveAtExit();
    Platform::instance()->setWindow(nullptr);
    window->destroy();
    return app_.exitStatus();
}

int runMainLoop(Application* app) {
    if (!app) return 1;
    return MainLoop(*app).run();
}

} // namespace vorn
