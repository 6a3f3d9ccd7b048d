#include "services/ResourceCounter.h"

#include "core/DataSource.h"
#include "services/UserManager.h"
#include "core/Value.h"

#include <exception>
#include <limits>

namespace vorn {

long long ResourceCounter::amount() const {
    if (value == nullptr) return 0;
    try {
        return value->asLongLong();
    } catch (const std::exception&) {
        return 0;
    }
}

void ResourceCounter::set(long long v) {
    if (value == nullptr) return;
    *value = Value(v);
    publish(name, *this);
    UserManager::instance()->userDataChanged();
}

long long ResourceCounter::add(long long delta) {
    if (value == nullptr) return 0;
    long long n = 0;
    if (__builtin_add_overflow(amount(), delta, &n)) {
        n = delta > 0 ? std::numeric_limits<long long>::max() : std::numeric_limits<long long>::min();
    }
    *value = Value(n);
    publish(name, *this);
    UserManager::instance()->userDataChanged();
    return n;
}

void ResourceCounter::publish(const std::string& name, const ResourceCounter& counter) {
    DataSource::get("@resources." + name)->set(Value(counter.amount()));
}

} // namespace vorn
