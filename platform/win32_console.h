#pragma once

// Console control calls of our Windows layer: the termination requests a
// program gets from outside. Here they are POSIX signals: SIGINT is
// CTRL_C_EVENT, SIGTERM and SIGHUP are CTRL_CLOSE_EVENT.

#include "platform/win32_types.h"

#define CTRL_C_EVENT 0
#define CTRL_BREAK_EVENT 1
#define CTRL_CLOSE_EVENT 2
#define CTRL_LOGOFF_EVENT 5
#define CTRL_SHUTDOWN_EVENT 6

using PHANDLER_ROUTINE = BOOL(WINAPI*)(DWORD ctrlType);

// Adds or removes a handler. As on Windows, handlers run on a thread of
// their own, whatever the program's other threads are doing, the last added
// first, until one returns TRUE; when none does, the process ends as the
// request would have ended it. A null handler is refused (FALSE).
BOOL SetConsoleCtrlHandler(PHANDLER_ROUTINE handler, BOOL add);

// Ends the process at once with that status, from any thread: open files
// are flushed, but no destructor or exit handler runs.
[[noreturn]] void ExitProcess(UINT exitCode);
