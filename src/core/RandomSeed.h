#pragma once

#include <cstdint>
#include <optional>

namespace vorn {

// What an engine that the program seeds from the device or the clock (a
// board's deal, a particle emitter, a music pick) takes instead while tests
// have fixed the seeds: the next of one sequence that starts at the fixed
// seed, so that every deal and draw repeats from run to run. Nullopt
// otherwise. Any thread.
std::optional<std::uint32_t> fixedSeed();

// For tests: fixes the seeds from here on; nullopt gives the program its
// own seeds again.
void fixSeedsForTesting(std::optional<std::uint32_t> first);

} // namespace vorn
