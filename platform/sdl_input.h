#pragma once

// Internal to the platform layer and its tests: an SDL input event reduced to
// plain data, and its translation into the window messages a Windows program
// receives, so that the translation can be tested without SDL or a window.

#include "platform/win32_window.h"

#include <cstdint>
#include <string>
#include <vector>

struct VornInputEvent {
    enum Kind { None, Quit, Close, FocusGained, FocusLost, Exposed, KeyDown, KeyUp, Text, MouseMove, ButtonDown, ButtonUp };
    Kind kind = None;
    std::int32_t key = 0;   // SDL key code: what the layout puts on the key
    int scancode = 0;       // SDL scan code: where the key sits
    bool repeat = false;    // auto-repeat of a held key
    bool alt = false;       // left or right Alt held
    bool ctrl = false;
    bool shift = false;
    std::string text;       // Text: UTF-8
    int x = 0;              // pointer position in client pixels
    int y = 0;
    int button = 0;         // ButtonDown / ButtonUp: 1 left, 2 middle, 3 right
    unsigned held = 0;      // MK_ flags of the buttons held after the event
    DWORD time = 0;
};

// SDL's codes by SDL's names ("A", "Keypad Enter", "F5"); 0 for unknown names.
std::int32_t vornKeyFromName(const char* name);
int vornScancodeFromName(const char* name);

// The Windows virtual key of a key; 0 when Windows has none for it. Letters
// follow the layout, as virtual keys do; top-row digits follow the position,
// as virtual-key digits ignore the layout.
int vornVirtualKey(std::int32_t key, int scancode);

// The messages the event becomes, in the order Windows would deliver them.
std::vector<MSG> vornTranslateEvent(const VornInputEvent& event, HWND window);
