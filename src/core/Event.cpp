#include "core/Event.h"

#include <algorithm>
#include <utility>

namespace vorn {

Event::Listener::Listener(Callback callback) : callback_(std::move(callback)) {}

Event::Listener::~Listener() {
    if (event_) {
        event_->removeListener(this);
    }
}

void Event::Listener::invoke(Event* event) {
    if (!callback_) {
        return;
    }
    // The callback may destroy this listener (a node rebinding itself to
    // another data source does), so it runs from a copy.
    Callback callback = callback_;
    callback(event);
}

// One notify call in progress; it links itself into the event's chain for
// the length of the call.
struct Event::Notification {
    Event& event;
    Notification* outer;
    bool eventDestroyed = false;

    explicit Notification(Event& e) : event(e), outer(e.notifying_) { event.notifying_ = this; }
    ~Notification() {
        if (eventDestroyed) {
            return;
        }
        event.notifying_ = outer;
        if (!event.notifying_ && event.hasEmptySlots_) {
            std::erase(event.listeners_, nullptr);
            event.hasEmptySlots_ = false;
        }
    }
    Notification(const Notification&) = delete;
    Notification& operator=(const Notification&) = delete;
};

Event::Event(EventSource* source) : source_(source) {}

Event::~Event() {
    for (Notification* n = notifying_; n; n = n->outer) {
        n->eventDestroyed = true;
    }
    for (Listener* listener : listeners_) {
        if (listener) {
            listener->event_ = nullptr;
        }
    }
}

void Event::addListener(Listener* listener) {
    if (!listener || listener->event_ == this) {
        return;
    }
    if (listener->event_) {
        listener->event_->removeListener(listener);
    }
    listeners_.push_back(listener);
    listener->event_ = this;
}

void Event::removeListener(Listener* listener) {
    auto it = std::find(listeners_.begin(), listeners_.end(), listener);
    if (it == listeners_.end()) {
        return;
    }
    if (notifying_) {
        *it = nullptr;
        hasEmptySlots_ = true;
    } else {
        listeners_.erase(it);
    }
    if (listener->event_ == this) {
        listener->event_ = nullptr;
    }
}

void Event::removeAllListeners() {
    const std::vector<Listener*> attached = listeners_;
    for (Listener* listener : attached) {
        if (listener) removeListener(listener);
    }
}

void Event::notify() {
    Notification notification(*this);
    const std::size_t count = listeners_.size();
    for (std::size_t i = 0; i < count; ++i) {
        Listener* listener = listeners_[i];
        if (!listener) {
            continue;
        }
        listener->invoke(this);
        if (notification.eventDestroyed) {
            return;
        }
    }
}

} // namespace vorn
