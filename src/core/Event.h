#pragma once

#include <functional>
#include <vector>

namespace vorn {

class EventSource;

// Something that happened to a source. A posted event belongs to the
// dispatcher, which deletes it after delivery. An event kept inside its
// owner also serves as a synchronous signal: listeners attach to it and
// notify() calls them at once (a data source's change signal is one).
class Event {
public:
    using Callback = std::function<void(Event*)>;

    // A listener is attached to at most one event at a time; whichever of
    // the two goes first detaches itself from the other.
    class Listener {
    public:
        Listener() = default;
        explicit Listener(Callback callback);
        virtual ~Listener();
        Listener(const Listener&) = delete;
        Listener& operator=(const Listener&) = delete;

        virtual void invoke(Event* event);
        Event* event() const { return event_; }

    private:
        friend class Event;
        Event* event_ = nullptr;
        Callback callback_;
    };

    explicit Event(EventSource* source);
    virtual ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    EventSource* source() const { return source_; }

    // Attaching a listener that hangs on another event moves it here.
    void addListener(Listener* listener);
    void removeListener(Listener* listener);
    // Detaches every listener; their owners keep them.
    void removeAllListeners();
    // Calls the listeners attached when the call begins, in attach order.
    // Listeners detached meanwhile are skipped; those attached meanwhile
    // wait for the next notify.
    void notify();

private:
    struct Notification;

    EventSource* source_;
    // Detaching during notify leaves a null slot, so the walk's indices
    // stay valid; the slots are dropped once the outermost notify ends.
    std::vector<Listener*> listeners_;
    bool hasEmptySlots_ = false;
    // The notify calls in progress, innermost first, so that an event
    // destroyed by one of its own listeners can tell them to stop.
    Notification* notifying_ = nullptr;
};

} // namespace vorn
