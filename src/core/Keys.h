#pragma once

namespace vorn {

// The engine's key codes. The run loop maps the platform's keys onto these;
// every key not listed arrives as KEY_NONE. Codes 1, 15 and 23 to 28 are
// never produced.
enum eKeyName : int {
    KEY_NONE = 0,
    KEY_ESCAPE = 2,
    KEY_F1 = 3,
    KEY_F2 = 4,
    KEY_F3 = 5,
    KEY_F4 = 6,
    KEY_F5 = 7,
    KEY_F6 = 8,
    KEY_F7 = 9,
    KEY_F8 = 10,
    KEY_F9 = 11,
    KEY_F10 = 12,
    KEY_F11 = 13,
    KEY_F12 = 14,
    KEY_ENTER = 16,
    KEY_SPACE = 17,
    KEY_BACKSPACE = 18,
    KEY_LEFT = 19,
    KEY_RIGHT = 20,
    KEY_UP = 21,
    KEY_DOWN = 22,
    // Windows leaves virtual key 0x0A unassigned; together with Enter it
    // takes part in the Alt+Enter full-screen toggle.
    KEY_LINEFEED = 29,
    // Letters in keyboard-row order: the middle row, the top row, the bottom row.
    KEY_A = 30,
    KEY_S = 31,
    KEY_D = 32,
    KEY_F = 33,
    KEY_G = 34,
    KEY_H = 35,
    KEY_J = 36,
    KEY_K = 37,
    KEY_L = 38,
    KEY_Q = 39,
    KEY_W = 40,
    KEY_E = 41,
    KEY_R = 42,
    KEY_T = 43,
    KEY_Y = 44,
    KEY_U = 45,
    KEY_I = 46,
    KEY_O = 47,
    KEY_P = 48,
    KEY_Z = 49,
    KEY_X = 50,
    KEY_C = 51,
    KEY_V = 52,
    KEY_B = 53,
    KEY_N = 54,
    KEY_M = 55,
    KEY_0 = 56,
    KEY_1 = 57,
    KEY_2 = 58,
    KEY_3 = 59,
    KEY_4 = 60,
    KEY_5 = 61,
    KEY_6 = 62,
    KEY_7 = 63,
    KEY_8 = 64,
    KEY_9 = 65,
};

// Pointer moves always carry BUTTON_LEFT.
enum eButtonName : int {
    BUTTON_LEFT = 256,
    BUTTON_RIGHT = 257,
};

} // namespace vorn
