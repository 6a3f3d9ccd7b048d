#include "core/DataSource.h"

#include "core/EventDispatcher.h"

#include <map>

namespace vorn {

namespace {

// Map nodes never move, which is what keeps the handed-out pointers valid.
std::map<std::string, DataSource>& registry() {
    static auto* sources = new std::map<std::string, DataSource>();
    return *sources;
}

} // namespace

DataSource::DataSource() : changed_(this) {}

DataSource::~DataSource() { EventDispatcher::instance()->removeSource(this); }

DataSource* DataSource::get(const std::string& name) {
    return &registry().try_emplace(name).first->second;
}

void DataSource::resetAllForTests() {
    for (auto& [name, source] : registry()) {
        source.changed_.removeAllListeners();
        source.value_ = Value();
    }
}

void DataSource::set(const Value& value) {
    value_ = value;
    notifyChanged();
}

void DataSource::notifyChanged() {
    changed_.notify();
    EventDispatcher::instance()->post(new ChangedEvent(this, nullptr));
}

} // namespace vorn
