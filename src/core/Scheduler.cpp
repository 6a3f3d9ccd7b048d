#include "core/Scheduler.h"

#include "core/Log.h"

#include <algorithm>

namespace vorn {

namespace {

// Set once the scheduler exists, so that destroying a Scheduleable does
// not have to create it.
Scheduler* existingScheduler = nullptr;

} // namespace

Scheduleable::~Scheduleable() {
    if (existingScheduler) {
        existingScheduler->forget(this);
    }
}

void Scheduleable::onUpdate(float) {}

Scheduler* Scheduler::instance() {
    static Scheduler* scheduler = new Scheduler();
    return scheduler;
}

Scheduler::Scheduler() : changes_(&list_) { existingScheduler = this; }

void Scheduler::add(Scheduleable* object) {
    if (!object) {
        log("Scheduler::add: null object ignored");
        return;
    }
    changes_.add(object);
}

void Scheduler::remove(Scheduleable* object) { changes_.remove(object); }

void Scheduler::forget(Scheduleable* object) {
    if (changes_.iterating()) {
        // The pass walks list_ by index and never resizes it, so blanking
        // the slots is safe; the queued removal clears them afterwards.
        std::replace(list_.begin(), list_.end(), object, static_cast<Scheduleable*>(nullptr));
    }
    changes_.remove(object);
}

void Scheduler::update(float dt) {
    if (changes_.iterating()) {
        log("Scheduler::update: called during a pass, ignored");
        return;
    }
    changes_.setIterating(true);
    struct EndPass {
        Scheduler& scheduler;
        ~EndPass() {
            std::erase(scheduler.list_, nullptr);
            scheduler.changes_.setIterating(false);
            scheduler.changes_.apply();
        }
    } endPass{*this};

    for (std::size_t i = 0; i < list_.size(); ++i) {
        if (Scheduleable* object = list_[i]) {
            object->onUpdate(dt);
        }
    }
}

void Scheduler::resetForTests() {
    if (!existingScheduler) return;
    existingScheduler->list_.clear();
    existingScheduler->changes_.discard();
}

std::size_t Scheduler::count(const Scheduleable* object) const {
    return static_cast<std::size_t>(std::count(list_.begin(), list_.end(), object));
}

} // namespace vorn
