#include "core/Window.h"

#include "core/Application.h"

namespace vorn {

bool Window::keyDown(int key) {
    Application* app = Application::instance();
    return app && app->keyDown(key);
}

bool Window::keyUp(int key) {
    Application* app = Application::instance();
    return app && app->keyUp(key);
}

bool Window::textInput(const std::string& text) {
    Application* app = Application::instance();
    return app && app->textInput(text);
}

bool Window::mouseDown(const glm::vec2& point, eButtonName button) {
    Application* app = Application::instance();
    return app && app->mouseDown(point, button);
}

bool Window::mouseUp(const glm::vec2& point, eButtonName button) {
    Application* app = Application::instance();
    return app && app->mouseUp(point, button);
}

bool Window::mouseMove(const glm::vec2& point, eButtonName button) {
    Application* app = Application::instance();
    return app && app->mouseMove(point, button);
}

bool Window::pointerEvent(const glm::vec2& point, eButtonName button) {
    Application* app = Application::instance();
    return app && app->pointerEvent(point, button);
}

bool Window::scroll(const glm::vec2& delta) {
    Application* app = Application::instance();
    return app && app->scroll(delta);
}

void Window::shutdown() {
    if (Application* app = Application::instance()) app->shutdown();
}

} // namespace vorn
