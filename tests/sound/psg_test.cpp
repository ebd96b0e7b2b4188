#include "sound/psg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

namespace {

constexpr int rate = 44100;
constexpr std::uint64_t second = TSoundMix::machineClock;

struct TWrite {
    std::uint64_t cycle;
    int index, value;
};

// The chip sounding into a mix of its own from cycle 0; each write happens at
// its cycle, since a chip without a processor takes the cycle it has rendered to.
struct PSGTest : ::testing::Test {
    PSGTest() { psg.SetSoundMix(&mix); }
    void Write(int index, int value) {
        psg.WritePort(0xA0, std::uint8_t(index));
        psg.WritePort(0xA1, std::uint8_t(value));
    }
    int Read(int index) {
        psg.WritePort(0xA0, std::uint8_t(index));
        return psg.ReadPort(0xA2);
    }
    std::vector<float> Render(const std::vector<TWrite>& writes, std::uint64_t end) {
        for (const TWrite& write : writes) {
            psg.RenderTo(write.cycle);
            Write(write.index, write.value);
        }
        psg.RenderTo(end);
        const std::span<const float> samples = mix.Take(end);
        return {samples.begin(), samples.end()};
    }
    static float Mean(const std::vector<float>& samples, std::size_t from, std::size_t to) {
        return std::accumulate(samples.begin() + from, samples.begin() + to, 0.0f) / float(to - from);
    }

    TSoundMix mix{rate};
    TPSG psg;
};

TEST_F(PSGTest, RegistersKeepAllBitsTheLatchFourAndOnlyA2hReads) {
    for (int index = 0; index < 14; ++index) Write(index, 0xF0 + index);
    for (int index = 0; index < 14; ++index) EXPECT_EQ(Read(index), 0xF0 + index) << index;
    EXPECT_EQ(Read(15), 0xFF);  // the port select reads nothing back
    Write(0x18, 0x07);          // latch 8
    for (std::uint8_t port : {0xA0, 0xA1, 0xA3}) EXPECT_EQ(psg.ReadPort(port), 0xFF) << int(port);
    psg.WritePort(0xA2, 0x12);
    EXPECT_EQ(Read(8), 0x07);
    psg.Disable();  // stores writes, silently
    Write(8, 0x0F);
    EXPECT_EQ(Read(8), 0x0F);
}

// A tone of period p sounds at 1789772.5 / 16 / p Hz; a tone above half the
// sample rate comes out as its average, half the level.
TEST_F(PSGTest, TonePeriodGivesItsFrequencyAndPeriodOneItsAverage) {
    const struct {
        int period;
        double hertz;
    } tones[] = {{254, 440.4}, {100, 1118.6}, {1000, 111.86}, {4095, 27.3}};
    for (const auto& tone : tones) {
        TSoundMix own{rate};
        TPSG chip;
        chip.SetSoundMix(&own);
        for (const auto& [index, value] : {std::pair{0, tone.period & 0xFF}, {1, tone.period >> 8}, {7, 0xBE}, {8, 15}}) {
            chip.WritePort(0xA0, std::uint8_t(index));
            chip.WritePort(0xA1, std::uint8_t(value));
        }
        chip.RenderTo(2 * second);
        const std::span<const float> samples = own.Take(2 * second);
        int rises = 0;
        for (std::size_t index = 1; index < samples.size(); ++index) {
            rises += samples[index - 1] < TPSG::fullLevel / 2 && samples[index] >= TPSG::fullLevel / 2;
        }
        EXPECT_NEAR(rises / 2.0, tone.hertz, 1.0) << tone.period;
    }
    const std::vector<float> samples = Render({{0, 0, 1}, {0, 7, 0xBE}, {0, 8, 15}}, second / 10);
    for (std::size_t index = 0; index < samples.size(); ++index) {
        ASSERT_NEAR(samples[index], TPSG::fullLevel / 2, TPSG::fullLevel * 0.11) << index;
    }
}

// The 17-bit shift register runs through all its 131071 non-zero states, 65536 of them
// with the output bit high. Noise period 31 shifts every 992 cycles.
TEST_F(PSGTest, NoiseIsTheMaximalLengthSequenceOfSeventeenBits) {
    constexpr std::uint64_t shift = 992;
    constexpr std::uint64_t length = 131071;
    const std::vector<float> samples = Render({{0, 6, 31}, {0, 7, 0xB7}, {0, 8, 15}}, (2 * length + 1) * shift);
    const auto bit = [&](std::uint64_t step) {  // the output during shift step, read mid-way
        return samples[(step * shift + shift / 2) * rate / second] > TPSG::fullLevel / 2;
    };
    std::uint64_t ones = 0;
    for (std::uint64_t step = 0; step < length; ++step) {
        ones += bit(step);
        ASSERT_EQ(bit(step), bit(step + length)) << step;
    }
    EXPECT_EQ(ones, 65536u);
    EXPECT_NE(bit(0) + bit(1) + bit(2) + bit(3) + bit(4) + bit(5) + bit(6) + bit(7), 0);
}

// A channel is high while (tone high or tone off) and (noise high or noise off); tone
// period 1 and noise period 1 are each high half the time.
TEST_F(PSGTest, MixerTruthTableWithBothOffSoundingTheLevel) {
    const struct {
        int mixer;
        float share;
    } cases[] = {{0xBF, 1.0f}, {0xBE, 0.5f}, {0xB7, 0.5f}, {0xB6, 0.25f}};
    for (const auto& c : cases) {
        TSoundMix own{rate};
        TPSG chip;
        chip.SetSoundMix(&own);
        for (const auto& [index, value] : {std::pair{0, 1}, {6, 1}, {7, c.mixer}, {8, 15}}) {
            chip.WritePort(0xA0, std::uint8_t(index));
            chip.WritePort(0xA1, std::uint8_t(value));
        }
        chip.RenderTo(second / 5);
        const std::span<const float> samples = own.Take(second / 5);
        const float mean = std::accumulate(samples.begin(), samples.end(), 0.0f) / float(samples.size());
        EXPECT_NEAR(mean / TPSG::fullLevel, c.share, 0.03) << c.mixer;
    }
}

// Each level 3 dB above the one below: 42 dB from 15 down to 1, and 0 silent.
TEST_F(PSGTest, LevelsFollowTheLogarithmicCurve) {
    std::vector<TWrite> writes{{0, 7, 0xBF}};
    for (int level = 0; level < 16; ++level) writes.push_back({std::uint64_t(level) * 1000, 8, level});
    const std::vector<float> samples = Render(writes, 16000);
    const auto at = [&](int level) { return samples[(level * 1000 + 500) * rate / second]; };
    EXPECT_EQ(at(0), 0.0f);
    EXPECT_FLOAT_EQ(at(15), TPSG::fullLevel);
    for (int level = 1; level < 15; ++level) EXPECT_NEAR(20 * std::log10(at(level + 1) / at(level)), 3.01, 0.01) << level;
    psg.SetVolume(20);  // the chip's attenuation
    EXPECT_NEAR(Render({}, 17000).back(), TPSG::fullLevel / 10, 0.5);
}

// Steps of 3200 cycles (envelope period 100), read mid-step for three ramps: D a fall
// from 15 to 0, U a rise, 0 and F holding at 0 and 15.
TEST_F(PSGTest, EveryEnvelopeShape) {
    const char* shapes[16] = {"D00", "D00", "D00", "D00", "U00", "U00", "U00", "U00",
                              "DDD", "D00", "DUD", "DFF", "UUU", "UFF", "UDU", "U00"};
    std::vector<float> curve(16);
    for (int shape = 0; shape < 16; ++shape) {
        TSoundMix own{rate};
        TPSG chip;
        chip.SetSoundMix(&own);
        for (const auto& [index, value] : {std::pair{11, 100}, {12, 0}, {7, 0xBF}, {8, 0x10}, {13, shape}}) {
            chip.WritePort(0xA0, std::uint8_t(index));
            chip.WritePort(0xA1, std::uint8_t(value));
        }
        chip.RenderTo(48 * 3200);
        const std::span<const float> samples = own.Take(48 * 3200);
        std::string levels, expected;
        for (int step = 0; step < 48; ++step) {
            const float value = samples[(std::uint64_t(step) * 3200 + 1600) * rate / second];
            const int level = value == 0 ? 0 : int(std::lround(15 + 2 * std::log2(value / TPSG::fullLevel)));
            levels += char('a' + level);
            const char ramp = shapes[shape][step / 16];
            const int within = step % 16;
            expected += char('a' + (ramp == 'D' ? 15 - within : ramp == 'U' ? within : ramp == 'F' ? 15 : 0));
        }
        EXPECT_EQ(levels, expected) << shape;
    }
}

// A write lands in the sample that holds its cycle, within one; 100 level writes in one
// frame make 100 changes: a 1.8 kHz square wave played by the level alone.
TEST_F(PSGTest, WritesSoundAtTheirCycleAndAllOfAFrameSound) {
    for (const std::uint64_t cycle : {0ull, 81ull, 10000ull, 59659ull}) {
        TSoundMix own{rate};
        TPSG chip;
        chip.SetSoundMix(&own);
        chip.WritePort(0xA0, 7);
        chip.WritePort(0xA1, 0xBF);
        chip.RenderTo(cycle);
        chip.WritePort(0xA0, 8);
        chip.WritePort(0xA1, 15);
        chip.RenderTo(cycle + 1000);
        const std::span<const float> samples = own.Take(cycle + 1000);
        const auto first = std::find_if(samples.begin(), samples.end(), [](float value) { return value > 0; });
        EXPECT_NEAR(double(first - samples.begin()), double(cycle * rate / second), 1.0) << cycle;
    }
    std::vector<TWrite> writes{{0, 7, 0xBF}};
    for (int write = 0; write < 100; ++write) writes.push_back({std::uint64_t(write) * 1000 + 1000, 8, write % 2 ? 0 : 15});
    const std::vector<float> samples = Render(writes, 102000);
    int changes = 0;
    for (std::size_t index = 1; index < samples.size(); ++index) {
        changes += (samples[index - 1] > TPSG::fullLevel / 2) != (samples[index] > TPSG::fullLevel / 2);
    }
    EXPECT_EQ(changes, 100);
}

}  // namespace
