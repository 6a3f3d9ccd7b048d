#include "app/Application.h"
#include "app/MainLoop.h"
#include "core/Platform.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using vorn::MainLoop;
using vorn::Platform;

// Records what the run loop hands to the application.
class InputApp : public vorn::Application {
public:
    glm::vec2 designSize() override { return {1024, 768}; }
    void setup() override {}
    bool keyDown(int key) override {
        calls.push_back("keyDown " + std::to_string(key));
        return true;
    }
    bool keyUp(int key) override {
        calls.push_back("keyUp " + std::to_string(key));
        return true;
    }
    bool textInput(const std::string& text) override {
        calls.push_back("text " + text);
        return true;
    }
    bool mouseDown(const glm::vec2& p, vorn::eButtonName b) override { return point("down", p, b); }
    bool mouseUp(const glm::vec2& p, vorn::eButtonName b) override { return point("up", p, b); }
    bool mouseMove(const glm::vec2& p, vorn::eButtonName b) override { return point("move", p, b); }
    void quit() override { calls.push_back("quit"); }

    std::vector<std::string> calls;

private:
    bool point(const char* what, const glm::vec2& p, vorn::eButtonName b) {
        calls.push_back(std::string(what) + " " + std::to_string(static_cast<int>(p.x)) + "," +
                        std::to_string(static_cast<int>(p.y)) + " " + std::to_string(static_cast<int>(b)));
        return true;
    }
};

MSG msg(UINT type, WPARAM wParam, LPARAM lParam = 0) {
    MSG m{};
    m.message = type;
    m.wParam = wParam;
    m.lParam = lParam;
    return m;
}

TEST(MainLoopKeys, VirtualKeysMapThroughTheFixedTable) {
    struct Case {
        unsigned vk;
        int code;
    };
    const Case cases[] = {
        {VK_ESCAPE, 2}, {VK_F1, 3}, {VK_F5, 7}, {VK_F12, 14}, {VK_RETURN, 16}, {VK_SPACE, 17},
        {VK_BACK, 18},  {VK_LEFT, 19}, {VK_RIGHT, 20}, {VK_UP, 21}, {VK_DOWN, 22}, {0x0A, 29},
        {'A', 30},      {'L', 38},  {'Q', 39},  {'P', 48},  {'Z', 49},  {'M', 55},  {'0', 56},
        {'1', 57},      {'9', 65},  {VK_PRIOR, 0}, {VK_TAB, 0}, {VK_NUMPAD0, 0}, {VK_F10 + 3, 0},
        {0xFF, 0},      {256, 0},   {0xFFFFFFFFu, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(MainLoop::engineKey(c.vk), c.code) << "virtual key " << c.vk;
}

TEST(MainLoopMessages, KeysAndButtonsReachTheApplication) {
    InputApp app;
    MainLoop loop(app);
    loop.handleMessage(msg(WM_KEYDOWN, 'A'));
    loop.handleMessage(msg(WM_KEYDOWN, 'A')); // auto-repeat
    loop.handleMessage(msg(WM_KEYUP, 'A'));
    loop.handleMessage(msg(WM_KEYDOWN, VK_PRIOR));
    loop.handleMessage(msg(WM_KEYDOWN, 0x1FF)); // beyond the table: not passed on
    loop.handleMessage(msg(WM_SYSKEYDOWN, VK_F10));
    loop.handleMessage(msg(WM_SYSKEYUP, VK_F10));
    loop.handleMessage(msg(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 20)));
    loop.handleMessage(msg(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(static_cast<WORD>(-3), 5)));
    loop.handleMessage(msg(WM_LBUTTONUP, 0, MAKELPARAM(static_cast<WORD>(-3), static_cast<WORD>(-40))));
    loop.handleMessage(msg(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(1, 2)));
    loop.handleMessage(msg(WM_RBUTTONUP, 0, MAKELPARAM(1, 2)));
    loop.handleMessage(msg(WM_CLOSE, 0));
    EXPECT_EQ(app.calls, (std::vector<std::string>{"keyDown 30", "keyDown 30", "keyUp 30", "keyDown 0",
                                                   "down 10,20 256", "move -3,5 256", "up -3,-40 256",
                                                   "down 1,2 257", "up 1,2 257", "quit"}));
}

TEST(MainLoopMessages, TextGoesByWholeCharactersWithoutControls) {
    InputApp app;
    MainLoop loop(app);
    const std::uint32_t units[] = {
        'a',
        0x16,           // Ctrl+V
        9, 10, 13, 27, 8, 0x7F,
        0xE9,           // é
        0xD83D, 0xDE00, // U+1F600, as a surrogate pair
        0xDE00,         // a second half with no first half
        0xD83D, 'b',    // a first half with no second half
        0x1F642,        // a whole code point in one message
    };
    for (std::uint32_t u : units) loop.handleMessage(msg(WM_CHAR, u));
    EXPECT_EQ(app.calls, (std::vector<std::string>{"text a", "text \xC3\xA9", "text \xF0\x9F\x98\x80", "text b",
                                                   "text \xF0\x9F\x99\x82"}));
}

TEST(MainLoopMessages, AltEnterTogglesTheModeOnTheRelease) {
    InputApp app;
    MainLoop loop(app);
    Platform* platform = Platform::instance();
    ASSERT_TRUE(platform->isFullscreen());
    loop.handleMessage(msg(WM_SYSKEYDOWN, VK_RETURN));
    EXPECT_TRUE(platform->isFullscreen());
    loop.handleMessage(msg(WM_SYSKEYUP, VK_RETURN));
    EXPECT_FALSE(platform->isFullscreen());
    loop.handleMessage(msg(WM_SYSKEYUP, 0x0A));
    EXPECT_TRUE(platform->isFullscreen());
    loop.handleMessage(msg(WM_SYSKEYUP, 'A'));
    loop.handleMessage(msg(WM_KEYUP, VK_RETURN)); // Enter released after Alt
    EXPECT_TRUE(platform->isFullscreen());
    EXPECT_EQ(app.calls, (std::vector<std::string>{"keyUp 16"}));
}

TEST(MainLoopClock, DtIsTheSteppedClockDifferenceAcrossTheWrap) {
    std::uint32_t now = 1000;
    Platform::instance()->setClockForTesting([&now] { return now; });
    InputApp app;
    MainLoop loop(app);
    loop.start();
    now += 16;
    EXPECT_FLOAT_EQ(loop.tick(), 0.016f);
    now = 0xFFFFFFF0u;
    loop.tick();
    now = 0x10u; // 32 ms later, past the wrap
    EXPECT_FLOAT_EQ(loop.tick(), 0.032f);
    EXPECT_FLOAT_EQ(loop.tick(), 0.0f);
    Platform::instance()->setClockForTesting(nullptr);
}

} // namespace
