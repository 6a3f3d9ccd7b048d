#include "core/EventDispatcher.h"

#include "core/Log.h"

#include <algorithm>
#include <utility>

namespace vorn {

EventListener::EventListener(const std::type_info& eventType, Event::Callback callback)
    : eventType_(&eventType), callback_(std::move(callback)) {}

void EventListener::invoke(Event* event) {
    if (callback_) {
        callback_(event);
    }
}

namespace {

EventDispatcher* made = nullptr;

} // namespace

EventDispatcher* EventDispatcher::instance() {
    static EventDispatcher* dispatcher = made = new EventDispatcher();
    return dispatcher;
}

void EventDispatcher::resetForTests() {
    if (made == nullptr) return;
    // Deleting a listener may run code (its callback's captures) that comes
    // back here, so everything is taken out before anything is deleted, and
    // whatever that code leaves goes in the next round.
    while (!made->queue_.empty() || !made->owned_.empty() || !made->listeners_.empty()) {
        std::deque<Event*> queue = std::move(made->queue_);
        auto owned = std::move(made->owned_);
        made->queue_.clear();
        made->owned_.clear();
        made->listeners_.clear();
        for (Event* event : queue) delete event;
        owned.clear();
    }
    made->changed_ = false;
}

void EventDispatcher::post(Event* event) {
    if (!event) {
        log("EventDispatcher::post: null event ignored");
        return;
    }
    changed_ = true;
    queue_.push_back(event);
}

void EventDispatcher::process() {
    if (processing_) {
        // The outer call is still draining the queue and will deliver
        // whatever was posted.
        log("EventDispatcher::process: called during delivery, ignored");
        return;
    }
    processing_ = true;
    struct Finish {
        bool& flag;
        ~Finish() { flag = false; }
    } finish{processing_};

    while (!queue_.empty()) {
        std::unique_ptr<Event> event(queue_.front());
        queue_.pop_front();
        changed_ = false;
        deliver(event.get());
    }
}

void EventDispatcher::deliver(Event* event) {
    auto found = listeners_.find(event->source());
    if (found == listeners_.end()) {
        return;
    }
    // Walk a copy: callbacks may change the registrations under our feet.
    auto [first, last] = found->second.equal_range(std::type_index(typeid(*event)));
    std::vector<EventListener*> walk;
    for (auto it = first; it != last; ++it) {
        walk.push_back(it->second);
    }
    if (walk.empty()) {
        return;
    }

    walking_ = true;
    walkSource_ = event->source();
    struct EndWalk {
        EventDispatcher& dispatcher;
        ~EndWalk() {
            dispatcher.walking_ = false;
            dispatcher.walkSource_ = nullptr;
            dispatcher.droppedFromWalk_.clear();
            // Deleting a listener may run code (its callback's captures)
            // that calls back into the dispatcher, so nothing of the walk
            // may be touched while these go.
            Doomed released = std::move(dispatcher.releasedDuringWalk_);
            dispatcher.releasedDuringWalk_.clear();
        }
    } endWalk{*this};

    for (EventListener* listener : walk) {
        if (droppedFromWalk(listener)) {
            continue;
        }
        listener->invoke(event);
        if (changed_) {
            break;
        }
    }
}

bool EventDispatcher::droppedFromWalk(EventListener* listener) const {
    return std::find(droppedFromWalk_.begin(), droppedFromWalk_.end(), listener) != droppedFromWalk_.end();
}

void EventDispatcher::dropRegistration(EventSource* source, EventListener* listener, Doomed& doomed) {
    if (walking_ && source == walkSource_) {
        droppedFromWalk_.push_back(listener);
    }
    auto owned = owned_.find(listener);
    if (owned == owned_.end() || --owned->second.registrations > 0) {
        return;
    }
    if (walking_) {
        releasedDuringWalk_.push_back(std::move(owned->second.listener));
    } else {
        doomed.push_back(std::move(owned->second.listener));
    }
    owned_.erase(owned);
}

void EventDispatcher::addListener(EventSource* source, EventListener* listener, bool replace) {
    if (!listener) {
        log("EventDispatcher::addListener: null listener ignored");
        return;
    }
    Doomed doomed;
    // Count the new registration first, so that replacing a listener by
    // itself cannot delete it.
    Owned& owned = owned_[listener];
    if (!owned.listener) {
        // Removed earlier in this walk and still awaiting deletion: take it back.
        auto pending = std::find_if(releasedDuringWalk_.begin(), releasedDuringWalk_.end(),
                                    [listener](const auto& released) { return released.get() == listener; });
        if (pending != releasedDuringWalk_.end()) {
            owned.listener = std::move(*pending);
            releasedDuringWalk_.erase(pending);
        } else {
            owned.listener.reset(listener);
        }
    }
    ++owned.registrations;

    Registrations& registrations = listeners_[source];
    const std::type_index type(listener->eventType());
    if (replace) {
        auto [first, last] = registrations.equal_range(type);
        std::vector<EventListener*> replaced;
        for (auto it = first; it != last; ++it) {
            replaced.push_back(it->second);
        }
        registrations.erase(first, last);
        for (EventListener* old : replaced) {
            dropRegistration(source, old, doomed);
        }
    }
    registrations.emplace(type, listener);
}

void EventDispatcher::addListener(EventSource* source, const std::type_info& eventType, Event::Callback callback) {
    addListener(source, new EventListener(eventType, std::move(callback)), false);
}

void EventDispatcher::setListener(EventSource* source, const std::type_info& eventType, Event::Callback callback) {
    addListener(source, new EventListener(eventType, std::move(callback)), true);
}

void EventDispatcher::removeListener(EventListener* listener) {
    changed_ = true;
    if (!owned_.contains(listener)) {
        return;
    }
    Doomed doomed;
    std::vector<EventSource*> sources;
    for (auto& [source, registrations] : listeners_) {
        const auto removed = std::erase_if(registrations, [&](const auto& entry) { return entry.second == listener; });
        sources.insert(sources.end(), removed, source);
    }
    for (EventSource* source : sources) {
        dropRegistration(source, listener, doomed);
    }
}

void EventDispatcher::removeSource(EventSource* source) {
    changed_ = true;
    Doomed doomed;
    std::vector<std::unique_ptr<Event>> undelivered;
    for (auto it = queue_.begin(); it != queue_.end();) {
        if ((*it)->source() == source) {
            undelivered.emplace_back(*it);
            it = queue_.erase(it);
        } else {
            ++it;
        }
    }
    auto entry = listeners_.extract(source);
    if (entry.empty()) {
        return;
    }
    for (auto& registration : entry.mapped()) {
        dropRegistration(source, registration.second, doomed);
    }
}

std::size_t EventDispatcher::listenerCount(EventSource* source) const {
    const auto it = listeners_.find(source);
    return it == listeners_.end() ? 0 : it->second.size();
}

} // namespace vorn
