// Fixed seeds for runs driven from outside: each kind of draw has its own
// sequence, so that how many seeds one kind took never moves another's.
#include "core/RandomSeed.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using vorn::SeedUse;

std::vector<std::uint32_t> deals(int count) {
    std::vector<std::uint32_t> seeds;
    for (int i = 0; i < count; ++i) seeds.push_back(vorn::fixedSeed(SeedUse::Play).value_or(0));
    return seeds;
}

TEST(FixedSeeds, EachKindOfDrawKeepsItsOwnSequence) {
    vorn::fixSeedsForTesting(7);
    const std::vector<std::uint32_t> alone = deals(3);

    // Again from the same seed, with particles and music drawn between the
    // deals, as many as a popup left standing makes.
    vorn::fixSeedsForTesting(7);
    std::vector<std::uint32_t> mixed;
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 5 * i + 1; ++k) ASSERT_TRUE(vorn::fixedSeed(SeedUse::Particles));
        ASSERT_TRUE(vorn::fixedSeed(SeedUse::Music));
        mixed.push_back(deals(1).front());
    }
    EXPECT_EQ(mixed, alone);
    EXPECT_NE(alone[0], alone[1]);

    // The kinds do not share one sequence either.
    vorn::fixSeedsForTesting(7);
    EXPECT_NE(vorn::fixedSeed(SeedUse::Particles), vorn::fixedSeed(SeedUse::Play));

    vorn::fixSeedsForTesting(std::nullopt);
    EXPECT_EQ(vorn::fixedSeed(SeedUse::Music), std::nullopt);
}

} // namespace
