#pragma once

#include "services/ResourceCounter.h"
#include "core/Value.h"

#include <map>
#include <string>

namespace vorn {

// One local player: a name and one dictionary holding everything saved for
// that player (options, counters, lives, achievements, progress), written
// whole to the users file. Made and owned by the user manager; never copied.
// Nothing here saves: callers that change values call
// UserManager::userDataChanged.
class User {
public:
    explicit User(const std::string& name);
    // From a profile dictionary of the users file, kept as it is.
    explicit User(const Value& saved);
    User(const User&) = delete;
    User& operator=(const User&) = delete;

    const std::string& name() const { return name_; }
    void setName(const std::string& name);
    Value& data() { return data_; }
    const Value& data() const { return data_; }

    // The entry, or Value::null when missing; adds nothing.
    Value& getValue(const std::string& key);
    // Stores a copy (value first, key second) and returns the stored entry.
    Value& setValue(const Value& value, const std::string& key);
    void removeValue(const std::string& key);
    // The entry, made an empty value of the kind when missing, NIL or (with
    // a log line) of another kind.
    Value& getOrCreate(const std::string& key, Value::Type type);

    // The amount's entry inside "resourceAmounts", both made when missing.
    Value* resourceAmount(const std::string& name);
    // The counter of that name, made and published on first request.
    ResourceCounter& getResource(const std::string& name);
    // Publishes every counter the profile has, in name order.
    void publishResources();
    // The profile became the selected one: its options and counters go out
    // to the data sources.
    void activate();

private:
    std::string name_;
    Value data_;
    std::map<std::string, ResourceCounter> counters_;
};

} // namespace vorn
