#pragma once

#include "core/Keys.h"

#include <glm/vec2.hpp>

#include <string>

namespace vorn {

// The engine's window. The run loop creates exactly one.
class Window {
public:
    Window() = default;
    virtual ~Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    virtual bool isFullscreen() const = 0;
    virtual void setFullscreen(bool fullscreen) = 0;

    // Each passes its arguments on to the registered application. The
    // Windows run loop calls the application directly, so these serve other
    // platforms' loops.
    virtual bool keyDown(int key);
    virtual bool keyUp(int key);
    virtual bool textInput(const std::string& text);
    virtual bool mouseDown(const glm::vec2& point, eButtonName button);
    virtual bool mouseUp(const glm::vec2& point, eButtonName button);
    virtual bool mouseMove(const glm::vec2& point, eButtonName button);
    virtual bool pointerEvent(const glm::vec2& point, eButtonName button);
    virtual bool scroll(const glm::vec2& delta);
    virtual void shutdown();

    void toggleFullscreen() { setFullscreen(!isFullscreen()); }
};

} // namespace vorn
