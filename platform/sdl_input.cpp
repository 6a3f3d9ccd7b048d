#include "platform/sdl_input.h"

#include "platform/utf8.h"

#include <SDL.h>

#include <cstddef>

namespace {

// Top-row digits by position: a French layout puts '&' on the key of 1, and a
// Windows program still sees the virtual key '1' there.
int digitByPosition(int scancode) {
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9) return '1' + (scancode - SDL_SCANCODE_1);
    if (scancode == SDL_SCANCODE_0) return '0';
    return 0;
}

int keypadKey(int scancode) {
    if (scancode >= SDL_SCANCODE_KP_1 && scancode <= SDL_SCANCODE_KP_9) return VK_NUMPAD0 + 1 + (scancode - SDL_SCANCODE_KP_1);
    switch (scancode) {
    case SDL_SCANCODE_KP_0: return VK_NUMPAD0;
    case SDL_SCANCODE_KP_ENTER: return VK_RETURN;
    case SDL_SCANCODE_KP_MULTIPLY: return VK_MULTIPLY;
    case SDL_SCANCODE_KP_PLUS: return VK_ADD;
    case SDL_SCANCODE_KP_MINUS: return VK_SUBTRACT;
    case SDL_SCANCODE_KP_PERIOD: return VK_DECIMAL;
    case SDL_SCANCODE_KP_DIVIDE: return VK_DIVIDE;
    default: return 0;
    }
}

bool isExtended(int scancode) {
    switch (scancode) {
    case SDL_SCANCODE_KP_ENTER:
    case SDL_SCANCODE_KP_DIVIDE:
    case SDL_SCANCODE_RCTRL:
    case SDL_SCANCODE_RALT:
    case SDL_SCANCODE_LEFT:
    case SDL_SCANCODE_RIGHT:
    case SDL_SCANCODE_UP:
    case SDL_SCANCODE_DOWN:
    case SDL_SCANCODE_INSERT:
    case SDL_SCANCODE_DELETE:
    case SDL_SCANCODE_HOME:
    case SDL_SCANCODE_END:
    case SDL_SCANCODE_PAGEUP:
    case SDL_SCANCODE_PAGEDOWN:
    case SDL_SCANCODE_NUMLOCKCLEAR:
        return true;
    default:
        return false;
    }
}

MSG message(HWND window, UINT type, WPARAM wParam, LPARAM lParam, DWORD time) {
    MSG m{};
    m.hwnd = window;
    m.message = type;
    m.wParam = wParam;
    m.lParam = lParam;
    m.time = time;
    return m;
}

// Windows packs repeat count, extended flag, Alt state, previous state and
// transition into a key message's lParam.
LPARAM keyBits(const VornInputEvent& e, bool up) {
    DWORD bits = 1;
    if (isExtended(e.scancode)) bits |= 1u << 24;
    if (e.alt) bits |= 1u << 29;
    if (up || e.repeat) bits |= 1u << 30;
    if (up) bits |= 1u << 31;
    return static_cast<LPARAM>(bits);
}

LPARAM pointBits(int x, int y) {
    // Positions outside the client area (a release after dragging out of the
    // window) are negative; the receiver reads each half as a signed 16-bit number.
    return MAKELPARAM(static_cast<WORD>(static_cast<SHORT>(x)), static_cast<WORD>(static_cast<SHORT>(y)));
}

} // namespace

std::int32_t vornKeyFromName(const char* name) { return name ? SDL_GetKeyFromName(name) : 0; }

int vornScancodeFromName(const char* name) { return name ? SDL_GetScancodeFromName(name) : 0; }

int vornVirtualKey(std::int32_t key, int scancode) {
    if (int digit = digitByPosition(scancode)) return digit;
    if (int pad = keypadKey(scancode)) return pad;
    if (key >= 'a' && key <= 'z') return key - 'a' + 'A';
    // A layout without Latin letters (Cyrillic, Greek) still gives the
    // letter keys the virtual keys of their position.
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z && (key & SDLK_SCANCODE_MASK) == 0 && key > 0x7F)
        return 'A' + (scancode - SDL_SCANCODE_A);
    if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + (key - SDLK_F1);
    if (key >= SDLK_F13 && key <= SDLK_F24) return VK_F1 + 12 + (key - SDLK_F13);
    switch (key) {
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_RETURN: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    case SDLK_PAUSE: return VK_PAUSE;
    case SDLK_CAPSLOCK: return VK_CAPITAL;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_END: return VK_END;
    case SDLK_HOME: return VK_HOME;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_UP: return VK_UP;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_PRINTSCREEN: return VK_SNAPSHOT;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_LGUI: return VK_LWIN;
    case SDLK_RGUI: return VK_RWIN;
    case SDLK_APPLICATION: return VK_APPS;
    case SDLK_NUMLOCKCLEAR: return VK_NUMLOCK;
    case SDLK_SCROLLLOCK: return VK_SCROLL;
    case SDLK_SEMICOLON: return VK_OEM_1;
    case SDLK_EQUALS: return VK_OEM_PLUS;
    case SDLK_COMMA: return VK_OEM_COMMA;
    case SDLK_MINUS: return VK_OEM_MINUS;
    case SDLK_PERIOD: return VK_OEM_PERIOD;
    case SDLK_SLASH: return VK_OEM_2;
    case SDLK_BACKQUOTE: return VK_OEM_3;
    case SDLK_LEFTBRACKET: return VK_OEM_4;
    case SDLK_BACKSLASH: return VK_OEM_5;
    case SDLK_RIGHTBRACKET: return VK_OEM_6;
    case SDLK_QUOTE: return VK_OEM_7;
    default: return 0;
    }
}

std::vector<MSG> vornTranslateEvent(const VornInputEvent& e, HWND window) {
    std::vector<MSG> out;
    switch (e.kind) {
    case VornInputEvent::Quit:
        out.push_back(message(nullptr, WM_QUIT, 0, 0, e.time));
        break;
    case VornInputEvent::Close:
        out.push_back(message(window, WM_CLOSE, 0, 0, e.time));
        break;
    case VornInputEvent::FocusGained:
    case VornInputEvent::FocusLost:
        out.push_back(message(window, WM_ACTIVATEAPP, e.kind == VornInputEvent::FocusGained ? TRUE : FALSE, 0, e.time));
        break;
    case VornInputEvent::Exposed:
        out.push_back(message(window, WM_PAINT, 0, 0, e.time));
        break;
    case VornInputEvent::KeyDown:
    case VornInputEvent::KeyUp: {
        const int vk = vornVirtualKey(e.key, e.scancode);
        if (vk == 0) break;
        const bool up = e.kind == VornInputEvent::KeyUp;
        // Alt turns keys into system keys, unless Ctrl is held too (AltGr
        // reaches Windows programs as Ctrl+Alt); F10 is a system key on its own.
        const bool system = (e.alt && !e.ctrl) || vk == VK_F10;
        const UINT type = up ? (system ? WM_SYSKEYUP : WM_KEYUP) : (system ? WM_SYSKEYDOWN : WM_KEYDOWN);
        out.push_back(message(window, type, static_cast<WPARAM>(vk), keyBits(e, up), e.time));
        break;
    }
    case VornInputEvent::Text: {
        const UINT type = e.alt && !e.ctrl ? WM_SYSCHAR : WM_CHAR;
        const auto* bytes = reinterpret_cast<const unsigned char*>(e.text.data());
        for (std::size_t i = 0; i < e.text.size();) {
            char32_t cp = 0;
            // Malformed bytes are dropped rather than typed as replacement characters.
            if (!vornDecodeUtf8(bytes, e.text.size(), i, cp)) continue;
            // Window messages carry UTF-16 units: a character outside the
            // basic plane comes as a surrogate pair, high unit first.
            if (cp >= 0x10000) {
                const char32_t v = cp - 0x10000;
                out.push_back(message(window, type, 0xD800 + (v >> 10), 1, e.time));
                out.push_back(message(window, type, 0xDC00 + (v & 0x3FF), 1, e.time));
            } else {
                out.push_back(message(window, type, cp, 1, e.time));
            }
        }
        break;
    }
    case VornInputEvent::MouseMove:
        out.push_back(message(window, WM_MOUSEMOVE, e.held, pointBits(e.x, e.y), e.time));
        break;
    case VornInputEvent::ButtonDown:
    case VornInputEvent::ButtonUp: {
        const bool down = e.kind == VornInputEvent::ButtonDown;
        UINT type = 0;
        if (e.button == 1) type = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
        else if (e.button == 3) type = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
        else if (e.button == 2) type = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
        if (type) out.push_back(message(window, type, e.held, pointBits(e.x, e.y), e.time));
        break;
    }
    case VornInputEvent::None:
        break;
    }
    for (MSG& m : out) {
        m.pt.x = e.x;
        m.pt.y = e.y;
    }
    return out;
}
