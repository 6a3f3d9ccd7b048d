#include "services/User.h"

#include "core/Log.h"
#include "services/UserManager.h"

namespace vorn {

User::User(const std::string& name) : name_(name), data_(Value::DICT) { data_.set(Value(name), "name"); }

User::User(const Value& saved) : data_(saved) {
    if (data_.type() != Value::DICT) {
        // The users file reader skips such entries; this keeps the profile usable regardless.
        log("User: a saved profile that is not a dictionary, started empty");
        data_ = Value(Value::DICT);
    }
    const Value& name = data_.get("name");
    if (name.type() != Value::ARRAY && name.type() != Value::DICT) name_ = name.toString();
}

void User::setName(const std::string& name) {
    name_ = name;
    data_.set(Value(name), "name");
}

Value& User::getValue(const std::string& key) { return data_.get(key); }

Value& User::setValue(const Value& value, const std::string& key) { return data_.set(value, key); }

void User::removeValue(const std::string& key) { data_.erase(key); }

Value& User::getOrCreate(const std::string& key, Value::Type type) {
    Value& entry = data_.get(key);
    if (entry.isSet() && entry.type() == type) return entry;
    if (entry.isSet()) log("User %s: \"%s\" is of the wrong kind, started empty", name_.c_str(), key.c_str());
    return data_.set(Value(type), key);
}

Value* User::resourceAmount(const std::string& name) {
    Value& amounts = getOrCreate("resourceAmounts", Value::DICT);
    Value& entry = amounts.get(name);
    if (entry.isSet()) return &entry;
    return &amounts.set(Value(0LL), name);
}

ResourceCounter& User::getResource(const std::string& name) {
    auto it = counters_.find(name);
    if (it != counters_.end()) return it->second;
    ResourceCounter counter{resourceAmount(name), name, this};
    ResourceCounter::publish(name, counter);
    return counters_.emplace(name, counter).first->second;
}

void User::publishResources() {
    for (const std::string& key : getOrCreate("resourceAmounts", Value::DICT).keys()) {
        ResourceCounter::publish(key, getResource(key));
    }
}

void User::activate() {
    UserManager::instance()->syncOptions();
    publishResources();
}

} // namespace vorn
