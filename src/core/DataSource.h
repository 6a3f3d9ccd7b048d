#pragma once

#include "core/Event.h"
#include "core/EventSource.h"
#include "core/Value.h"

#include <string>

namespace vorn {

// A named, observable value shared by the whole process. Every set notifies
// twice: at once through the change signal, and at the next event delivery
// through a posted ChangedEvent. Names form one flat namespace of plain byte
// strings; a data source exists from the first time anyone names it and is
// never destroyed, so its address stays valid.
class DataSource : public EventSource {
public:
    class ChangedEvent : public Event {
    public:
        ChangedEvent(EventSource* source, void* origin) : Event(source), origin_(origin) {}
        // Whatever caused the change; set() always posts null.
        void* origin() const { return origin_; }

    private:
        void* origin_;
    };

    DataSource();
    ~DataSource() override;
    DataSource(const DataSource&) = delete;
    DataSource& operator=(const DataSource&) = delete;

    // Never null; an unknown name gets a new NIL data source, quietly.
    static DataSource* get(const std::string& name);

    const Value& value() const { return value_; }
    // No equality test: setting the value already held notifies all the same.
    void set(const Value& value);
    void notifyChanged();

    // Attach Event::Listener objects here to hear changes inside set().
    Event& changed() { return changed_; }

    // For tests: every data source back to NIL, quietly, with its change
    // signal's listeners detached; the sources themselves stay, as their
    // addresses must.
    static void resetAllForTests();

private:
    Value value_;
    Event changed_;
};

} // namespace vorn
