#include "platform/win32_shell.h"

#include "platform/utf8.h"

#include <SDL.h>

#include <dlfcn.h>
#include <malloc.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <thread>
#include <vector>

namespace {

thread_local DWORD lastError = 0;

// Decoded pictures and their staging copies are large and short-lived: once
// a texture is on the device they are freed. glibc would raise its mmap
// threshold after the first such free and serve the next ones from the
// heap, where freed blocks stay resident; a fixed threshold hands every
// large block back to the system when it goes, as Windows' heap does.
const bool largeBlocksReturned = [] {
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    return true;
}();

std::string narrow(LPCWSTR wide) {
    std::string out;
    if (!wide) return out;
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 1) return out;
    out.resize(static_cast<size_t>(bytes));
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, out.data(), bytes, nullptr, nullptr);
    out.resize(static_cast<size_t>(bytes - 1));
    return out;
}

// Copies a UTF-8 text into a wide buffer of MAX_PATH units; false when it does not fit.
bool widenInto(const std::string& text, LPWSTR out, int units) {
    const int needed = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    if (needed <= 0 || needed > units) return false;
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out, units);
    return true;
}

bool makeFolders(const std::string& path) {
    std::string partial;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        partial = path.substr(0, slash);
        if (!partial.empty() && mkdir(partial.c_str(), 0700) != 0 && errno != EEXIST) return false;
        start = slash + 1;
    }
    return true;
}

} // namespace

bool vornDecodeUtf8(const unsigned char* s, size_t n, size_t& i, char32_t& cp) {
    const unsigned char c = s[i];
    int extra = 0;
    if (c < 0x80) { cp = c; extra = 0; }
    else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; extra = 1; }
    else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; extra = 2; }
    else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; extra = 3; }
    else { ++i; return false; }
    if (i + static_cast<size_t>(extra) >= n) { ++i; return false; }
    for (int k = 1; k <= extra; ++k) {
        const unsigned char cc = s[i + static_cast<size_t>(k)];
        if ((cc & 0xC0) != 0x80) { i += static_cast<size_t>(k); return false; }
        cp = (cp << 6) | (cc & 0x3F);
    }
    i += static_cast<size_t>(extra) + 1;
    static const char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
    if (cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    return true;
}

HRESULT SHGetFolderPathW(HWND, int folder, HANDLE, DWORD, LPWSTR path) {
    if (!path || folder != CSIDL_LOCAL_APPDATA) return E_FAIL;
    path[0] = 0;
    std::string base;
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        std::string home;
        if (const char* h = std::getenv("HOME"); h && h[0]) {
            home = h;
        } else {
            std::vector<char> buffer(16384);
            passwd entry{};
            passwd* found = nullptr;
            if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
                home = found->pw_dir;
        }
        if (home.empty()) return E_FAIL;
        base = home + "/.local/share";
    }
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    // On Windows this folder always exists; here it may not on a fresh account.
    makeFolders(base);
    return widenInto(base, path, MAX_PATH) ? S_OK : E_FAIL;
}

BOOL PathAppendW(LPWSTR path, LPCWSTR more) {
    if (!path || !more) return FALSE;
    std::wstring joined(path);
    std::wstring tail(more);
    while (!tail.empty() && tail.front() == L'/') tail.erase(tail.begin());
    if (!joined.empty() && joined.back() != L'/' && !tail.empty()) joined += L'/';
    joined += tail;
    if (joined.size() + 1 > MAX_PATH) return FALSE;
    std::wmemcpy(path, joined.c_str(), joined.size() + 1);
    return TRUE;
}

BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES) {
    const std::string p = narrow(path);
    if (p.empty()) { lastError = 3; return FALSE; }
    if (mkdir(p.c_str(), 0700) == 0) return TRUE;
    lastError = errno == EEXIST ? ERROR_ALREADY_EXISTS : 3;
    return FALSE;
}

DWORD GetLastError() { return lastError; }

BOOL GetUserNameW(LPWSTR buffer, LPDWORD size) {
    if (!buffer || !size) return FALSE;
    std::string name;
    std::vector<char> scratch(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(getuid(), &entry, scratch.data(), scratch.size(), &found) == 0 && found && found->pw_name)
        name = found->pw_name;
    if (name.empty()) {
        if (const char* user = std::getenv("USER")) name = user;
    }
    if (name.empty()) return FALSE;
    const int needed = MultiByteToWideChar(CP_UTF8, 0, name.c_str(), -1, nullptr, 0);
    if (needed <= 0 || static_cast<DWORD>(needed) > *size) {
        *size = static_cast<DWORD>(needed > 0 ? needed : 0);
        return FALSE;
    }
    MultiByteToWideChar(CP_UTF8, 0, name.c_str(), -1, buffer, static_cast<int>(*size));
    *size = static_cast<DWORD>(needed);
    return TRUE;
}

HINSTANCE ShellExecuteA(HWND, LPCSTR operation, LPCSTR file, LPCSTR, LPCSTR, INT) {
    // Values above 32 mean success, as the real call reports it.
    if (!file || (operation && std::strcmp(operation, "open") != 0)) return reinterpret_cast<HINSTANCE>(2);
    return SDL_OpenURL(file) == 0 ? reinterpret_cast<HINSTANCE>(42) : reinterpret_cast<HINSTANCE>(2);
}

int MultiByteToWideChar(UINT, DWORD, LPCSTR text, int bytes, LPWSTR wide, int units) {
    if (!text) return 0;
    const bool terminated = bytes < 0;
    const size_t n = terminated ? std::strlen(text) + 1 : static_cast<size_t>(bytes);
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    std::u16string out;
    out.reserve(n);
    for (size_t i = 0; i < n;) {
        char32_t cp = 0;
        if (!vornDecodeUtf8(s, n, i, cp)) cp = 0xFFFD;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    const int count = static_cast<int>(out.size());
    if (units == 0 || !wide) return count;
    if (count > units) return 0;
    for (int k = 0; k < count; ++k) wide[k] = static_cast<WCHAR>(out[static_cast<size_t>(k)]);
    return count;
}

int WideCharToMultiByte(UINT, DWORD, LPCWSTR wide, int units, LPSTR text, int bytes, LPCSTR, LPBOOL) {
    if (!wide) return 0;
    const size_t n = units < 0 ? std::wcslen(wide) + 1 : static_cast<size_t>(units);
    std::string out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        char32_t cp = static_cast<char32_t>(wide[i]);
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < n) {
            const char32_t low = static_cast<char32_t>(wide[i + 1]);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF) cp = 0xFFFD;
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    const int count = static_cast<int>(out.size());
    if (bytes == 0 || !text) return count;
    if (count > bytes) return 0;
    std::memcpy(text, out.data(), out.size());
    return count;
}

int MessageBoxA(HWND, LPCSTR text, LPCSTR caption, UINT type) {
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    const bool nobody = std::getenv("VORN_HEADLESS") || ((!display || !*display) && (!wayland || !*wayland));
    if (!nobody) {
        const Uint32 flags = (type & MB_ICONERROR) ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
        if (SDL_ShowSimpleMessageBox(flags, caption ? caption : "", text ? text : "", nullptr) == 0) return 1;
    }
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    return 1; // IDOK
}

void Sleep(DWORD milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

HMODULE LoadLibraryA(LPCSTR name) {
    if (!name) return nullptr;
    return static_cast<HMODULE>(dlopen(name, RTLD_NOW | RTLD_LOCAL));
}
