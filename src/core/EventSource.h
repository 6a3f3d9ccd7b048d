#pragma once

#include "core/Keys.h"

#include <glm/vec2.hpp>

#include <string>

namespace vorn {

// Base of everything events come from. The input operations are how the
// application and the scene hand keys, text and pointer actions down the
// scene graph; each answers whether it handled the input.
//
// The destructor does not unregister the source: an owner that can be
// listened to calls EventDispatcher::removeSource itself before it goes.
class EventSource {
public:
    EventSource() = default;
    virtual ~EventSource() = default;
    EventSource(const EventSource&) = default;
    EventSource& operator=(const EventSource&) = default;

    // Posts a KeyDownEvent from this source and answers false.
    virtual bool keyDown(int key);
    // Posts a KeyUpEvent from this source.
    virtual bool keyUp(int key);
    // Posts a TextInputEvent from this source.
    virtual bool textInput(const std::string& text);
    // The pointer operations do nothing here; nodes route them.
    virtual bool mouseDown(const glm::vec2& point, eButtonName button);
    virtual bool mouseUp(const glm::vec2& point, eButtonName button);
    virtual bool mouseMove(const glm::vec2& point, eButtonName button);
    virtual bool pointerEvent(const glm::vec2& point, eButtonName button);
    virtual bool scroll(const glm::vec2& delta);
    virtual bool intEvent(int value);
};

} // namespace vorn
