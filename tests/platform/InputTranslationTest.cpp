// SDL input events, as the layer reduces them, through the message
// translation and the run loop's key table: what a keyboard or mouse action
// becomes for the engine.
#include "app/MainLoop.h"

#include "platform/sdl_input.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

HWND const window = reinterpret_cast<HWND>(static_cast<UINT_PTR>(0x4000));

VornInputEvent key(VornInputEvent::Kind kind, const char* keyName, const char* position) {
    VornInputEvent e;
    e.kind = kind;
    e.key = vornKeyFromName(keyName);
    e.scancode = vornScancodeFromName(position);
    return e;
}

VornInputEvent press(const char* keyName, const char* position = nullptr) {
    return key(VornInputEvent::KeyDown, keyName, position ? position : keyName);
}

VornInputEvent text(const std::string& utf8) {
    VornInputEvent e;
    e.kind = VornInputEvent::Text;
    e.text = utf8;
    return e;
}

TEST(InputTranslation, KeysBecomeEngineCodes) {
    struct Case {
        const char* key;      // what the layout puts on the key
        const char* position; // where the key is (the US name of its place)
        int code;
    };
    const Case cases[] = {
        {"F5", "F5", 7},
        {"A", "A", 30},
        {"Q", "Q", 39},
        {"Z", "Z", 49},
        {"1", "1", 57},
        {"0", "0", 56},
        {"PageUp", "PageUp", 0},
        {"Escape", "Escape", 2},
        {"Backspace", "Backspace", 18},
        {"Return", "Return", 16},
        {"Keypad Enter", "Keypad Enter", 16},
        {"Space", "Space", 17},
        {"Up", "Up", 21},
        {"F12", "F12", 14},
        // A French keyboard: letters follow the layout...
        {"Q", "A", 39},
        {"A", "Q", 30},
        {"W", "Z", 40},
        // ...top-row digits follow the position.
        {"&", "1", 57},
        {"\xC3\xA0", "0", 56},
        // Keypad digits are not the top-row digits.
        {"Keypad 1", "Keypad 1", 0},
    };
    for (const Case& c : cases) {
        const std::vector<MSG> down = vornTranslateEvent(press(c.key, c.position), window);
        ASSERT_EQ(down.size(), 1u) << c.key;
        EXPECT_EQ(down[0].message, static_cast<UINT>(WM_KEYDOWN)) << c.key;
        EXPECT_EQ(down[0].hwnd, window);
        EXPECT_EQ(vorn::MainLoop::engineKey(static_cast<unsigned>(down[0].wParam)), c.code) << c.key;
    }
}

TEST(InputTranslation, LettersOfANonLatinLayoutKeepTheirPosition) {
    VornInputEvent e = press("A");
    e.key = 0x0444; // Cyrillic ef, on the key of A
    const std::vector<MSG> m = vornTranslateEvent(e, window);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].wParam, static_cast<WPARAM>('A'));
}

TEST(InputTranslation, KeysWithoutVirtualKeyAreDropped) {
    VornInputEvent e;
    e.kind = VornInputEvent::KeyDown;
    EXPECT_TRUE(vornTranslateEvent(e, window).empty());
}

TEST(InputTranslation, AltMakesSystemKeysButAltGrDoesNot) {
    VornInputEvent enter = press("Return");
    enter.alt = true;
    VornInputEvent enterUp = enter;
    enterUp.kind = VornInputEvent::KeyUp;
    VornInputEvent f10 = press("F10");
    VornInputEvent altGr = press("Q");
    altGr.alt = altGr.ctrl = true;
    VornInputEvent repeat = press("A");
    repeat.repeat = true;

    const MSG down = vornTranslateEvent(enter, window).at(0);
    const MSG up = vornTranslateEvent(enterUp, window).at(0);
    EXPECT_EQ(down.message, static_cast<UINT>(WM_SYSKEYDOWN));
    EXPECT_EQ(up.message, static_cast<UINT>(WM_SYSKEYUP));
    EXPECT_EQ(up.wParam, static_cast<WPARAM>(VK_RETURN));
    EXPECT_TRUE(static_cast<DWORD>(down.lParam) & (1u << 29)); // Alt held
    EXPECT_TRUE(static_cast<DWORD>(up.lParam) & (1u << 31));   // released
    EXPECT_EQ(vornTranslateEvent(f10, window).at(0).message, static_cast<UINT>(WM_SYSKEYDOWN));
    EXPECT_EQ(vornTranslateEvent(altGr, window).at(0).message, static_cast<UINT>(WM_KEYDOWN));
    const MSG repeated = vornTranslateEvent(repeat, window).at(0);
    EXPECT_EQ(repeated.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_TRUE(static_cast<DWORD>(repeated.lParam) & (1u << 30)); // was already down
}

TEST(InputTranslation, TextBecomesUtf16Characters) {
    std::vector<WPARAM> units;
    for (const MSG& m : vornTranslateEvent(text("a\xC3\xA9\xF0\x9F\x98\x80"), window)) {
        EXPECT_EQ(m.message, static_cast<UINT>(WM_CHAR));
        units.push_back(m.wParam);
    }
    EXPECT_EQ(units, (std::vector<WPARAM>{'a', 0xE9, 0xD83D, 0xDE00}));
}

TEST(InputTranslation, MalformedTextIsSkipped) {
    const std::string bad[] = {"\xFF", "\xC3", "\xE2\x82", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"};
    for (const std::string& b : bad) EXPECT_TRUE(vornTranslateEvent(text(b), window).empty()) << b.size();
    const std::vector<MSG> mixed = vornTranslateEvent(text("x\xFFy"), window);
    ASSERT_EQ(mixed.size(), 2u);
    EXPECT_EQ(mixed[1].wParam, static_cast<WPARAM>('y'));
}

TEST(InputTranslation, TextWithAltIsASystemCharacter) {
    VornInputEvent e = text("x");
    e.alt = true;
    EXPECT_EQ(vornTranslateEvent(e, window).at(0).message, static_cast<UINT>(WM_SYSCHAR));
}

TEST(InputTranslation, PointerEventsCarrySignedClientPositions) {
    VornInputEvent up;
    up.kind = VornInputEvent::ButtonUp;
    up.button = 1;
    up.x = -3;
    up.y = 5;
    const MSG m = vornTranslateEvent(up, window).at(0);
    EXPECT_EQ(m.message, static_cast<UINT>(WM_LBUTTONUP));
    EXPECT_EQ(static_cast<SHORT>(LOWORD(m.lParam)), -3);
    EXPECT_EQ(static_cast<SHORT>(HIWORD(m.lParam)), 5);

    VornInputEvent right;
    right.kind = VornInputEvent::ButtonDown;
    right.button = 3;
    right.held = MK_RBUTTON;
    const MSG r = vornTranslateEvent(right, window).at(0);
    EXPECT_EQ(r.message, static_cast<UINT>(WM_RBUTTONDOWN));
    EXPECT_EQ(r.wParam, static_cast<WPARAM>(MK_RBUTTON));

    VornInputEvent move;
    move.kind = VornInputEvent::MouseMove;
    move.x = 1279;
    move.y = 1023;
    const MSG mv = vornTranslateEvent(move, window).at(0);
    EXPECT_EQ(mv.message, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(LOWORD(mv.lParam), 1279);
    EXPECT_EQ(HIWORD(mv.lParam), 1023);

    VornInputEvent other;
    other.kind = VornInputEvent::ButtonDown;
    other.button = 0;
    EXPECT_TRUE(vornTranslateEvent(other, window).empty());
}

TEST(InputTranslation, WindowEventsBecomeWindowMessages) {
    struct Case {
        VornInputEvent::Kind kind;
        UINT message;
        WPARAM wParam;
        bool toWindow;
    };
    const Case cases[] = {
        {VornInputEvent::Close, WM_CLOSE, 0, true},
        {VornInputEvent::FocusGained, WM_ACTIVATEAPP, TRUE, true},
        {VornInputEvent::FocusLost, WM_ACTIVATEAPP, FALSE, true},
        {VornInputEvent::Exposed, WM_PAINT, 0, true},
        {VornInputEvent::Quit, WM_QUIT, 0, false},
    };
    for (const Case& c : cases) {
        VornInputEvent e;
        e.kind = c.kind;
        const MSG m = vornTranslateEvent(e, window).at(0);
        EXPECT_EQ(m.message, c.message);
        EXPECT_EQ(m.wParam, c.wParam);
        EXPECT_EQ(m.hwnd, c.toWindow ? window : nullptr);
    }
}

} // namespace
