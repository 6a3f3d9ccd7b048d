#pragma once

#include <cstdint>
#include <optional>

namespace vorn {

// What draws a seed: each kind has a sequence of its own, so that how many
// seeds one kind has taken (particles made while a popup stood for as long
// as the player left it) never changes what another gets (the next deal).
enum class SeedUse { Play, Particles, Music };

// What an engine that the program seeds from the device or the clock (a
// board's deal, a particle emitter, a music pick) takes instead while tests
// have fixed the seeds: the next of the sequence of its use, which starts
// from the fixed seed, so that every deal and draw repeats from run to run.
// Nullopt otherwise. Any thread.
std::optional<std::uint32_t> fixedSeed(SeedUse use);

// For tests: fixes the seeds from here on; nullopt gives the program its
// own seeds again.
void fixSeedsForTesting(std::optional<std::uint32_t> first);

} // namespace vorn
