#include "sound/scc.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int rate = 44100;
constexpr std::uint64_t second = TSoundMix::machineClock;

// 00h-7Fh are wave bytes, 80h-8Fh registers, the rest is ignored; periods keep twelve bits, levels four.
TEST(SCCTest, WriteAreasAndRegisterMasks) {
    for (const int offset : {0x00, 0x7F, 0x80, 0x8F, 0x90, 0xFF}) {
        TSCC chip;
        chip.Write(std::uint8_t(offset), 0x5A);
        for (int wave = 0; wave < TSCC::waveformBytes; ++wave)
            EXPECT_EQ(chip.GetWaveByte(wave), wave == offset ? 0x5A : 0) << offset << " " << wave;
        for (int index = 0; index < TSCC::registerCount; ++index)
            EXPECT_EQ(chip.GetRegister(index), index + 0x80 == offset ? 0x5A : 0) << offset << " " << index;
    }
    TSCC chip;
    for (const auto& [offset, value] : {std::pair{0x88, 0xFF}, {0x89, 0xF3}, {0x8E, 0xF5}})
        chip.Write(std::uint8_t(offset), std::uint8_t(value));
    EXPECT_EQ(chip.ChannelPeriod(4), 0x3FF);
    EXPECT_EQ(chip.ChannelVolume(4), 0x05);
}

// A channel holds each of its 32 signed samples for period cycles, scaled linearly
// by its volume; channels 4 and 5 play the fourth waveform; the enable bits switch
// channels and period 0 stands a channel still and silent.
TEST(SCCTest, ChannelPlaysItsWaveformAtItsPeriodAndVolume) {
    const struct {
        int channel, period, volume, enable;
        bool sounds;
    } cases[] = {{0, 4000, 15, 0x01, true}, {1, 2500, 7, 0x02, true}, {3, 4095, 1, 0x08, true},
                 {4, 3000, 15, 0x10, true}, {2, 3000, 15, 0x1B, false}, {2, 0, 15, 0x1F, false}};
    for (const auto& c : cases) {
        TSoundMix mix{rate};
        TSCC chip;
        chip.SetSoundMix(&mix);
        const int wave = c.channel < 3 ? c.channel : 3;
        for (int sample = 0; sample < 32; ++sample) chip.Write(std::uint8_t(wave * 32 + sample), std::uint8_t(sample * 8 - 128));
        chip.Write(std::uint8_t(0x80 + 2 * c.channel), std::uint8_t(c.period & 0xFF));
        chip.Write(std::uint8_t(0x81 + 2 * c.channel), std::uint8_t(c.period >> 8));
        chip.Write(std::uint8_t(0x8A + c.channel), std::uint8_t(c.volume));
        chip.Write(0x8F, std::uint8_t(c.enable));
        const std::uint64_t held = c.period != 0 ? c.period : 1000;  // how long a sample lasts, read mid-way
        chip.RenderTo(40 * held);
        const std::span<const float> samples = mix.Take(40 * held);
        for (int step = 0; step < 40; ++step) {
            const float value = samples[(step * held + held / 2) * rate / second];
            const float expected = c.sounds ? float(std::int8_t((step % 32) * 8 - 128)) * TSCC::fullLevel * c.volume / 15 : 0;
            ASSERT_NEAR(value, expected, 0.01f) << c.channel << " " << step;
        }
    }
}

// Period 100 steps through the wave at 3579545 / 32 / 100 = 1118.6 Hz.
TEST(SCCTest, PeriodGivesTheFrequencyAndWritesTakeEffectAtTheirCycle) {
    TSoundMix mix{rate};
    TSCC chip;
    chip.SetSoundMix(&mix);
    for (int sample = 0; sample < 32; ++sample) chip.Write(std::uint8_t(sample), sample < 16 ? 0x7F : 0x80);
    for (const auto& [offset, value] : {std::pair{0x80, 100}, {0x8A, 15}}) chip.Write(std::uint8_t(offset), std::uint8_t(value));
    chip.RenderTo(12345);
    chip.Write(0x8F, 0x01);
    chip.RenderTo(second);
    const std::span<const float> samples = mix.Take(second);
    const auto first = std::find_if(samples.begin(), samples.end(), [](float value) { return value != 0; });
    EXPECT_NEAR(double(first - samples.begin()), 12345.0 * rate / second, 1.0);
    int rises = 0;
    for (std::size_t index = 1; index < samples.size(); ++index) rises += samples[index - 1] < 0 && samples[index] >= 0;
    EXPECT_NEAR(rises, 1118.6 * (second - 12345) / second, 1.0);
}

}  // namespace
