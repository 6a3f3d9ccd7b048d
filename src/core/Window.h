#pragma once

#include "core/Keys.h"

#include <glm/vec2.hpp>

#include <string>

namespace vorn {

// The engine's window, as the platform and the run loop see it; the
// application shell's window implements it. The run loop creates exactly
// one.
class Window {
public:
    Window() = default;
    virtual ~Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    virtual bool isFullscreen() const = 0;
    virtual void setFullscreen(bool fullscreen) = 0;

    // Input for the running application. The Windows run loop calls the
    // application directly, so these serve other platforms' loops.
    virtual bool keyDown(int key) = 0;
    virtual bool keyUp(int key) = 0;
    virtual bool textInput(const std::string& text) = 0;
    virtual bool mouseDown(const glm::vec2& point, eButtonName button) = 0;
    virtual bool mouseUp(const glm::vec2& point, eButtonName button) = 0;
    virtual bool mouseMove(const glm::vec2& point, eButtonName button) = 0;
    virtual bool pointerEvent(const glm::vec2& point, eButtonName button) = 0;
    virtual bool scroll(const glm::vec2& delta) = 0;
    virtual void shutdown() = 0;

    void toggleFullscreen() { setFullscreen(!isFullscreen()); }
};

} // namespace vorn
