#pragma once

#include "core/Event.h"

#include <glm/vec2.hpp>

#include <string>
#include <utility>

namespace vorn {

// The events of keyboard and pointer input. Listeners register for the
// exact class, so a listener for MouseEvent hears none of its kinds.

class KeyEvent : public Event {
public:
    KeyEvent(EventSource* source, int key) : Event(source), key_(key) {}
    // An engine key code (eKeyName).
    int key() const { return key_; }

private:
    int key_;
};

class KeyDownEvent : public KeyEvent {
public:
    using KeyEvent::KeyEvent;
};

class KeyUpEvent : public KeyEvent {
public:
    using KeyEvent::KeyEvent;
};

class TextInputEvent : public Event {
public:
    TextInputEvent(EventSource* source, std::string text) : Event(source), text_(std::move(text)) {}
    // UTF-8.
    const std::string& text() const { return text_; }

private:
    std::string text_;
};

class MouseEvent : public Event {
public:
    MouseEvent(EventSource* source, const glm::vec2& position) : Event(source), position_(position) {}
    // In the posting node's own coordinates.
    const glm::vec2& position() const { return position_; }

private:
    glm::vec2 position_;
};

class MouseDownEvent : public MouseEvent {
public:
    using MouseEvent::MouseEvent;
};

class MouseUpEvent : public MouseEvent {
public:
    using MouseEvent::MouseEvent;
};

class MouseMoveEvent : public MouseEvent {
public:
    using MouseEvent::MouseEvent;
};

class MouseEnterEvent : public Event {
public:
    using Event::Event;
};

class MouseLeaveEvent : public Event {
public:
    using Event::Event;
};

class ScrollEvent : public Event {
public:
    ScrollEvent(EventSource* source, const glm::vec2& delta) : Event(source), delta_(delta) {}
    const glm::vec2& delta() const { return delta_; }

private:
    glm::vec2 delta_;
};

} // namespace vorn
