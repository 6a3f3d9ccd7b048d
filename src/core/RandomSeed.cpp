#include "core/RandomSeed.h"

#include <array>
#include <mutex>
#include <random>

namespace vorn {

namespace {

constexpr std::size_t kUses = 3;

struct Sequences {
    std::mutex mutex;
    std::array<std::optional<std::mt19937>, kUses> engines;
};

Sequences& sequences() {
    static Sequences s;
    return s;
}

} // namespace

std::optional<std::uint32_t> fixedSeed(SeedUse use) {
    Sequences& s = sequences();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::optional<std::mt19937>& engine = s.engines[static_cast<std::size_t>(use)];
    if (!engine) return std::nullopt;
    return static_cast<std::uint32_t>((*engine)());
}

void fixSeedsForTesting(std::optional<std::uint32_t> first) {
    Sequences& s = sequences();
    std::lock_guard<std::mutex> lock(s.mutex);
    for (std::size_t use = 0; use < kUses; ++use) {
        if (first) {
            std::seed_seq seeds{*first, static_cast<std::uint32_t>(use)};
            s.engines[use].emplace(seeds);
        } else {
            s.engines[use].reset();
        }
    }
}

} // namespace vorn
