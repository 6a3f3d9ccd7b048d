#pragma once

// Shell, user, text-conversion and message-box calls of our Windows layer.

#include "platform/win32_types.h"

#define CP_UTF8 65001
#define CSIDL_LOCAL_APPDATA 0x001c
#define SHGFP_TYPE_CURRENT 0
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOWMINIMIZED 2
#define SW_MINIMIZE 6
#define SW_SHOW 5
#define ERROR_ALREADY_EXISTS 183L
#define MB_OK 0x00000000L
#define MB_ICONERROR 0x00000010L

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

// The local application-data folder: $XDG_DATA_HOME, or ~/.local/share.
HRESULT SHGetFolderPathW(HWND owner, int folder, HANDLE token, DWORD flags, LPWSTR path);
BOOL PathAppendW(LPWSTR path, LPCWSTR more);
BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES attributes);
BOOL GetUserNameW(LPWSTR buffer, LPDWORD size);
DWORD GetLastError();

// Opens a document or address with the desktop's handler; never through a shell.
HINSTANCE ShellExecuteA(HWND owner, LPCSTR operation, LPCSTR file, LPCSTR parameters,
                        LPCSTR directory, INT show);

// UTF-8 <-> UTF-16. Wide strings hold UTF-16 code units; a unit above 0xFFFF
// (wchar_t is 32 bits here) is taken as a whole code point.
int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int bytes, LPWSTR wide, int units);
int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int units, LPSTR text, int bytes,
                        LPCSTR defaultChar, LPBOOL usedDefault);

// Shows a modal message. With nobody there to answer it (no display, or
// VORN_HEADLESS set, as under tests) the message goes to standard error instead.
int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

void Sleep(DWORD milliseconds);

// A shared library by name; null when it cannot be loaded.
HMODULE LoadLibraryA(LPCSTR name);
