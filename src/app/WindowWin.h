#pragma once

#include "core/Window.h"

#include "platform/win32.h"

#include <glm/vec2.hpp>

namespace vorn {

namespace d3d {
class RenderD3D;
}

// The Win32 window: one native window that is either a centred, fixed-size
// captioned window or a popup covering the screen, with the Direct3D
// renderer drawing into it.
class WindowWin : public Window {
public:
    static constexpr const wchar_t* className = L"VORNWNDCLASS";
    static constexpr DWORD windowedStyle = 0x96CA0000;
    static constexpr DWORD fullscreenStyle = 0x90000000;

    // Creates the native window and the renderer. When either cannot be
    // made, the failure is logged and shown, and isReady() answers false.
    WindowWin(const glm::vec2& size, bool fullscreen);
    ~WindowWin() override = default;

    // The native window of the process (null before one exists); the
    // renderer presents into it.
    static HWND handle();

    // False when the window class, the native window or the renderer could
    // not be set up: the program cannot show anything and should end.
    bool isReady() const { return ready_; }
    bool isFullscreen() const override { return fullscreen_; }
    void setFullscreen(bool fullscreen) override;
    bool keyDown(int key) override;
    bool keyUp(int key) override;
    bool textInput(const std::string& text) override;
    bool mouseDown(const glm::vec2& point, eButtonName button) override;
    bool mouseUp(const glm::vec2& point, eButtonName button) override;
    bool mouseMove(const glm::vec2& point, eButtonName button) override;
    bool pointerEvent(const glm::vec2& point, eButtonName button) override;
    bool scroll(const glm::vec2& delta) override;
    void shutdown() override;
    void applyStyle();
    // One frame: the renderer's frame begin, the application's update, the
    // renderer's frame end.
    void frame(float dt);
    // Closes the native window and unregisters the class.
    void destroy();

    d3d::RenderD3D* render() const { return render_; }

    // The outer rectangle of a window whose client area has the given size,
    // centred on a screen of the given size.
    static RECT windowedRect(const glm::vec2& clientSize, int frameX, int frameY, int caption, int screenWidth,
                             int screenHeight);

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    // For tests: deletes the renderers that windows have made (each stays
    // the global one after its window, for the rest of the process), so
    // that their devices let go of the display. Whatever held their
    // textures (the caches, the glyph page) must be reset first.
    static void resetForTests();

private:
    bool registerClass();

    bool fullscreen_;
    glm::vec2 size_;
    d3d::RenderD3D* render_ = nullptr;
    RECT windowedRect_{};
    DWORD windowedStyle_ = windowedStyle;
    RECT fullscreenRect_{};
    DWORD fullscreenStyle_ = fullscreenStyle;
    RECT* currentRect_ = nullptr;
    DWORD currentStyle_ = 0;
    bool ready_ = false;
};

} // namespace vorn
