#include "app/MainLoop.h"

#include "app/Application.h"
#include "core/Keys.h"
#include "core/Log.h"
#include "core/Platform.h"
#include "services/UserManager.h"
#include "app/WindowWin.h"

#include <array>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>

namespace vorn {

namespace {

// Taken during static initialisation, as near to the process start as the
// program gets, for the start-up time in the log.
const auto processStart = std::chrono::steady_clock::now();

// How long a termination request waits for the main loop to take it up, and
// then for the exit it started to finish once the players are saved, in
// milliseconds: together well within a second.
constexpr int kNoticeMs = 500;
constexpr int kExitMs = 300;
// The save of an exit under way is never cut short unless it hangs.
constexpr int kSaveMs = 3000;

// Where the run is, as a termination request (handled on a thread of its
// own) needs to know it. Who moves it past Looping owns the ending: the
// main loop for an ordinary exit, the request for one that could not wait.
enum RunState : int { Starting, Looping, Ending, Saved, Ended, Abandoned };
std::atomic<int> runState{Ended};
std::atomic<bool> terminationRequested{false};

// The main thread once the request has taken over the ending: it waits for
// the process to end.
[[noreturn]] void park() {
    for (;;) Sleep(1000);
}

BOOL WINAPI onTermination(DWORD event) {
    log("Termination requested (control event %u)", static_cast<unsigned>(event));
    terminationRequested = true;
    for (int waited = 0; waited < kNoticeMs && runState.load() < Ending; waited += 10) Sleep(10);
    int state = runState.load();
    while (state == Starting || state == Looping) {
        if (!runState.compare_exchange_weak(state, Abandoned)) continue;
        // The main thread is busy (a long load, a hang) and is left where it
        // is: the players are saved from here, as an ordinary exit would.
        log("The program is busy; it ends without finishing what it does");
        UserManager::saveAtExit();
        log("Ended on the termination request");
        Application* app = Application::instance();
        ExitProcess(static_cast<UINT>(app ? app->exitStatus() : 0));
    }
    // An ordinary exit is under way: its save is awaited, the tidying after
    // it only briefly.
    for (int waited = 0; waited < kSaveMs && runState.load() < Saved; waited += 10) Sleep(10);
    for (int waited = 0; waited < kExitMs && runState.load() < Ended; waited += 10) Sleep(10);
    if (runState.load() < Ended) {
        // A save cut short leaves the file as it was: saves replace files atomically.
        log("The exit did not finish in time; ending now");
        Application* app = Application::instance();
        ExitProcess(static_cast<UINT>(runState.load() == Saved && app ? app->exitStatus() : 1));
    }
    return TRUE;
}

// One state to the next, unless the termination request took over the
// ending meanwhile; then the calling main thread waits for the process to end.
void advance(int from, int to) {
    if (!runState.compare_exchange_strong(from, to)) park();
}

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
    // A termination request (the system shutting down, a service manager
    // stopping the program) ends the run as a closed window does, or, when
    // the main thread is too busy to notice, from the handler's own thread.
    terminationRequested = false;
    runState = Starting;
    SetConsoleCtrlHandler(&onTermination, TRUE);
    struct Unregister {
        ~Unregister() {
            runState = Ended;
            SetConsoleCtrlHandler(&onTermination, FALSE);
        }
    } unregister;
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
    advance(Starting, Looping);

    MSG msg{};
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
    start();
    bool firstFrame = true;
    bool quit = false;
    while (!quit) {
        if (terminationRequested.exchange(false)) app_.quit();
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

    advance(Looping, Ending);
    app_.shutdown();
    // Here, and not at process exit, while everything it needs still lives.
    UserManager::saveAtExit();
    runState = Saved;
    Platform::instance()->setWindow(nullptr);
    window->destroy();
    return app_.exitStatus();
}

int runMainLoop(Application* app) {
    if (!app) return 1;
    return MainLoop(*app).run();
}

} // namespace vorn
