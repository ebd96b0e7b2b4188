#include "sound/sound_mix.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// At 44100 Hz a sample is 3579545 / 44100 = 81.17 cycles: each sample is the
// average of what was held over its time, taken once a cycle has completed it.
TEST(SoundMixTest, SamplesAverageWhatWasHeldOverTheirTime) {
    const struct {
        std::vector<std::pair<float, std::uint64_t>> held;  // value, cycles
        std::uint64_t takenAt;
        std::vector<float> samples;
    } cases[] = {
        {{{1000, 81}, {0, 81}}, 162, {1000.0f * 81 * 44100 / 3579545}},
        {{{1000, 16}, {0, 16}, {1000, 16}, {0, 16}, {1000, 16}, {0, 17}}, 97, {1000.0f * 48 * 44100 / 3579545}},
        {{{-500, 1000}}, 1000, std::vector<float>(12, -500)},
        {{{300, 500}}, 163, {300, 300}},  // the rest stays for the next take
    };
    for (const auto& c : cases) {
        TSoundMix mix{44100};
        TSoundMixInput input;
        input.Start(&mix, 0);
        for (const auto& [value, cycles] : c.held) input.Hold(value, cycles);
        const std::span<const float> taken = mix.Take(c.takenAt);
        ASSERT_EQ(taken.size(), c.samples.size()) << c.takenAt;
        for (std::size_t index = 0; index < taken.size(); ++index) EXPECT_NEAR(taken[index], c.samples[index], 0.01f) << index;
    }
}

// Inputs add up; a mix started at a later cycle begins with that cycle's sample; the
// output swings around silence and holds 16 bits.
TEST(SoundMixTest, InputsAddUpFromTheStartCycleAndTheOutputLosesItsConstantLevel) {
    TSoundMix mix{44100};
    mix.StartAt(812);  // sample 10 is under way
    TSoundMixInput first, second;
    first.Start(&mix, 812);
    second.Start(&mix, 812);
    first.Hold(100, 3579545);
    second.Hold(40000, 3579545);
    const std::span<const std::int16_t> output = mix.TakeOutput(812 + 3579545);
    ASSERT_EQ(output.size(), 44100u);
    EXPECT_EQ(mix.GetNextSample(), 44110u);
    EXPECT_EQ(output[1], 32767) << "clamped";
    EXPECT_EQ(output.back(), 0) << "a second of a constant level has faded";
}

}  // namespace
