#include "core/RandomSeed.h"

#include <mutex>
#include <random>

namespace vorn {

namespace {

struct Sequence {
    std::mutex mutex;
    std::optional<std::mt19937> engine;
};

Sequence& sequence() {
    static Sequence s;
    return s;
}

} // namespace

std::optional<std::uint32_t> fixedSeed() {
    Sequence& s = sequence();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.engine) return std::nullopt;
    return static_cast<std::uint32_t>((*s.engine)());
}

void fixSeedsForTesting(std::optional<std::uint32_t> first) {
    Sequence& s = sequence();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (first) {
        s.engine.emplace(*first);
    } else {
        s.engine.reset();
    }
}

} // namespace vorn
