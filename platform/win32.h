#pragma once

// The Windows calls the engine makes. On Windows these are the system's own
// headers; elsewhere they come from our layer over SDL2 and POSIX, which
// declares only what the engine uses, with the same names and signatures.

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#else
#include "platform/win32_types.h"
#include "platform/win32_console.h"
#include "platform/win32_shell.h"
#include "platform/win32_window.h"
#endif
