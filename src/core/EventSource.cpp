#include "core/EventSource.h"

#include "core/EventDispatcher.h"
#include "core/InputEvents.h"

namespace vorn {

bool EventSource::keyDown(int key) {
    EventDispatcher::instance()->post(new KeyDownEvent(this, key));
    return false;
}

bool EventSource::keyUp(int key) {
    EventDispatcher::instance()->post(new KeyUpEvent(this, key));
    return false;
}

bool EventSource::textInput(const std::string& text) {
    EventDispatcher::instance()->post(new TextInputEvent(this, text));
    return false;
}

bool EventSource::mouseDown(const glm::vec2&, eButtonName) { return false; }

bool EventSource::mouseUp(const glm::vec2&, eButtonName) { return false; }

bool EventSource::mouseMove(const glm::vec2&, eButtonName) { return false; }

bool EventSource::pointerEvent(const glm::vec2&, eButtonName) { return false; }

bool EventSource::scroll(const glm::vec2&) { return false; }

bool EventSource::intEvent(int) { return false; }

} // namespace vorn
