#include "platform/win32_console.h"

#include <SDL.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <mutex>
#include <thread>
#include <vector>

namespace {

std::mutex handlersMutex;
std::vector<PHANDLER_ROUTINE> handlers;
// The signal handler only writes the signal's number here: all the rest
// happens on the watching thread, where anything may be called.
int wake[2] = {-1, -1};

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

void onSignal(int signal) {
    const int saved = errno;
    const auto byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t n = write(wake[1], &byte, 1);
    errno = saved;
}

void deliver(int signal) {
    std::vector<PHANDLER_ROUTINE> list;
    {
        const std::lock_guard<std::mutex> lock(handlersMutex);
        list = handlers;
    }
    const DWORD type = signal == SIGINT ? CTRL_C_EVENT : CTRL_CLOSE_EVENT;
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        if ((*it)(type)) return;
    }
    // Nobody took it: what the signal does by default.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void watch() {
    for (;;) {
        unsigned char signal = 0;
        const ssize_t n = read(wake[0], &signal, 1);
        if (n == 1) {
            deliver(signal);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return;
        }
    }
}

bool startWatching() {
    if (pipe2(wake, O_CLOEXEC) != 0) return false;
    // The signals are ours now: SDL must not turn them into quit events that
    // only a free main loop would see.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    std::thread(watch).detach();
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals) sigaction(signal, &action, nullptr);
    return true;
}

} // namespace

BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add) {
    if (!handler) return FALSE;
    static const bool watching = startWatching();
    if (!watching) return FALSE;
    const std::lock_guard<std::mutex> lock(handlersMutex);
    if (add) {
        handlers.push_back(handler);
        return TRUE;
    }
    const auto found = std::find(handlers.rbegin(), handlers.rend(), handler);
    if (found == handlers.rend()) return FALSE;
    handlers.erase(std::next(found).base());
    return TRUE;
}

void ExitProcess(UINT exitCode) {
    std::fflush(nullptr);
    std::_Exit(static_cast<int>(exitCode));
}
