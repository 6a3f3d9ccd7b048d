#pragma once

#include "core/Event.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <typeindex>
#include <typeinfo>
#include <unordered_map>
#include <vector>

namespace vorn {

class EventSource;

// A callback for one exact event class. Once handed to the dispatcher it
// belongs to the dispatcher.
class EventListener {
public:
    EventListener(const std::type_info& eventType, Event::Callback callback);
    virtual ~EventListener() = default;
    EventListener(const EventListener&) = delete;
    EventListener& operator=(const EventListener&) = delete;

    virtual void invoke(Event* event);
    const std::type_info& eventType() const { return *eventType_; }

private:
    const std::type_info* eventType_;
    Event::Callback callback_;
};

// Queues posted events and delivers them once per frame, in posting order,
// to the listeners registered for the event's source and exact class.
//
// Callbacks may post, add, replace and remove listeners and remove sources.
// A post or a removal ends the walk over the current event's remaining
// listeners; adding does not, and a listener added during a walk first hears
// the next event. Listeners removed or replaced during a walk are never
// called again and are deleted only when the walk is over, so a callback may
// remove its own listener.
class EventDispatcher {
public:
    static EventDispatcher* instance();

    // Takes ownership.
    void post(Event* event);
    // Delivers until the queue is empty, events posted meanwhile included.
    void process();

    // Takes ownership. With replace, the source's listeners for the same
    // event class are deleted first. One listener may be registered under
    // several sources; it is deleted with its last registration.
    void addListener(EventSource* source, EventListener* listener, bool replace);
    void addListener(EventSource* source, const std::type_info& eventType, Event::Callback callback);
    void setListener(EventSource* source, const std::type_info& eventType, Event::Callback callback);
    // Deletes every registration of the listener, under every source.
    void removeListener(EventListener* listener);
    // Deletes the source's listeners, and the events still queued for it,
    // which would otherwise reach whatever object is later made at the
    // same address.
    void removeSource(EventSource* source);

    std::size_t queuedEvents() const { return queue_.size(); }
    // How many listeners are registered for the source, over all event classes.
    std::size_t listenerCount(EventSource* source) const;

    // For tests: deletes every queued event and every listener, so that
    // nothing a finished test posted or registered (with captures of its
    // stack) is delivered in the next one. Does nothing when the dispatcher
    // was never made; not during delivery.
    static void resetForTests();

private:
    EventDispatcher() = default;

    using Registrations = std::multimap<std::type_index, EventListener*>;
    struct Owned {
        std::unique_ptr<EventListener> listener;
        std::size_t registrations = 0;
    };
    using Doomed = std::vector<std::unique_ptr<EventListener>>;

    void deliver(Event* event);
    // Forgets one registration; a listener left without any goes to doomed,
    // or waits for the end of the walk when one is in progress.
    void dropRegistration(EventSource* source, EventListener* listener, Doomed& doomed);
    bool droppedFromWalk(EventListener* listener) const;

    std::map<EventSource*, Registrations> listeners_;
    std::unordered_map<const EventListener*, Owned> owned_;
    std::deque<Event*> queue_;
    bool changed_ = false;

    bool processing_ = false;
    // The walk over one event's listeners, while it runs.
    EventSource* walkSource_ = nullptr;
    bool walking_ = false;
    std::vector<EventListener*> droppedFromWalk_;
    Doomed releasedDuringWalk_;
};

} // namespace vorn
