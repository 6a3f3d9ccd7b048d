#pragma once

#include <string>

namespace vorn {

class User;
class Value;

// A handle on one named amount of a profile ("gold", "hint" ...): the
// INTEGER entry inside the profile's "resourceAmounts". Every change is
// published as "@resources." + name and saved. A default-made handle points
// nowhere: it reads 0 and ignores changes.
struct ResourceCounter {
    Value* value = nullptr;
    std::string name;
    User* owner = nullptr;

    // The full 64-bit amount; 0 for an entry that holds no number.
    long long amount() const;
    void set(long long v);
    // Adds (a negative delta spends; there is no floor) and returns the new
    // amount, held at the 64-bit limits rather than wrapping.
    long long add(long long delta);

    // Sets "@resources." + name to the counter's amount.
    static void publish(const std::string& name, const ResourceCounter& counter);
};

} // namespace vorn
