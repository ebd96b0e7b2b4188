#include "host/sound_mixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <thread>
#include <vector>

#include "sound/pc_psg.h"
#include "sound/pc_scc.h"

namespace {

constexpr int outputRate = 44100;

std::vector<std::int16_t> RenderSecond(TSoundMixer& mixer) {
    std::vector<std::int16_t> samples(outputRate);
    mixer.Render(samples.data(), outputRate);
    return samples;
}

int RisingCrossings(const std::vector<std::int16_t>& samples) {
    int crossings = 0;
    for (std::size_t index = 1; index < samples.size(); ++index) {
        crossings += samples[index - 1] < 0 && samples[index] >= 0;
    }
    return crossings;
}

int Peak(const std::vector<std::int16_t>& samples) {
    int peak = 0;
    for (std::int16_t sample : samples) peak = std::max(peak, std::abs(static_cast<int>(sample)));
    return peak;
}

double Amplitude(std::int32_t hundredthsOfDecibel) { return std::pow(10.0, hundredthsOfDecibel / 2000.0); }

struct SoundMixerTest : ::testing::Test {
    void WritePSG(std::uint8_t index, std::uint8_t value) {
        psg.WritePort(0xA0, index);
        psg.WritePort(0xA1, value);
    }
    void PlayTone(int period, std::uint8_t level) {
        WritePSG(0, static_cast<std::uint8_t>(period & 0xFF));
        WritePSG(1, static_cast<std::uint8_t>(period >> 8));
        WritePSG(8, level);
        WritePSG(7, 0xBE);  // tone A only
    }
    // Channel 0 plays the wave at level 15.
    void PlayWave(const std::vector<std::uint8_t>& wave, int period) {
        for (int offset = 0; offset < 32; ++offset) scc.Write(static_cast<std::uint8_t>(offset), wave[offset]);
        scc.Write(0x80, static_cast<std::uint8_t>(period & 0xFF));
        scc.Write(0x81, static_cast<std::uint8_t>(period >> 8));
        scc.Write(0x8A, 0x0F);
        scc.Write(0x8F, 0x01);
    }

    TSoundMixer mixer{outputRate};
    TPCPSG psg{mixer};
    TPCSCC scc{mixer};
};

TEST_F(SoundMixerTest, APSGToneSoundsAtItsFrequency) {
    // Heard at 111860.8 / period Hz; the shortest period hits the rate limit of 99999.
    const std::pair<int, double> cases[] = {
        {254, 111860.8 / 254}, {100, 111860.8 / 100}, {1000, 111860.8 / 1000}, {4095, 111860.8 / 4095},
        {1, 99999.0 / 16}};
    for (const auto& [period, frequency] : cases) {
        SCOPED_TRACE(period);
        PlayTone(period, 0x0F);
        EXPECT_NEAR(RisingCrossings(RenderSecond(mixer)), frequency, frequency * 0.005 + 1);
    }
}

TEST_F(SoundMixerTest, APSGToneLevelFollowsTheVolumeTable) {
    PlayTone(254, 0x0F);
    const int fullPeak = Peak(RenderSecond(mixer));
    EXPECT_EQ(fullPeak, 16 * 128);  // the waveform swings 16 around silence
    const std::pair<int, std::int32_t> cases[] = {{0x0A, -500}, {0x01, -1400}, {0x00, -10000}};
    for (const auto& [level, volume] : cases) {
        WritePSG(8, static_cast<std::uint8_t>(level));
        const double expected = volume == -10000 ? 0 : fullPeak * Amplitude(volume);
        EXPECT_NEAR(Peak(RenderSecond(mixer)), expected, expected * 0.01 + 1) << level;
    }
    WritePSG(8, 0x0F);
    WritePSG(7, 0xB7);  // noise A only
    EXPECT_NEAR(Peak(RenderSecond(mixer)), fullPeak * Amplitude(-1100), 2);
}

TEST_F(SoundMixerTest, AnSCCWaveSoundsAtItsFrequencyAndLevelAndBelowSilenceWhenNegative) {
    std::vector<std::uint8_t> wave(32, 0x64);        // +100
    std::fill(wave.begin() + 16, wave.end(), 0x9C);  // -100
    PlayWave(wave, 254);
    std::vector<std::int16_t> samples = RenderSecond(mixer);
    EXPECT_NEAR(RisingCrossings(samples), 111860.8 / 254, 3);
    EXPECT_NEAR(Peak(samples), 100 * 128 * Amplitude(-1100), 2);

    PlayWave(std::vector<std::uint8_t>(32, 0x80), 254);  // -128 on the chip
    samples = RenderSecond(mixer);
    EXPECT_EQ(*std::max_element(samples.begin(), samples.end()), *std::min_element(samples.begin(), samples.end()));
    EXPECT_NEAR(samples[0], -128 * 128 * Amplitude(-1100), 2);
}

TEST_F(SoundMixerTest, SilentWhenStoppedPausedOrReset) {
    const std::vector<std::int16_t> silence(outputRate, 0);
    EXPECT_EQ(RenderSecond(mixer), silence);  // new buffers are silent and stopped
    PlayTone(254, 0x0F);
    PlayWave(std::vector<std::uint8_t>(32, 0x40), 100);
    psg.StopSound();
    scc.StopSound();
    EXPECT_EQ(RenderSecond(mixer), silence);
    psg.ResumeSound();
    EXPECT_NE(RenderSecond(mixer), silence);
    psg.ResetSound();
    scc.ResetSound();
    psg.ResumeSound();
    scc.ResumeSound();
    EXPECT_EQ(RenderSecond(mixer), silence);
}

TEST_F(SoundMixerTest, EveryChannelAtItsLoudestStaysBelowFullScale) {
    for (int index = 0; index < 11; ++index) WritePSG(static_cast<std::uint8_t>(index), index < 8 ? 0x40 : 0x0F);
    WritePSG(7, 0x80);
    for (int offset = 0; offset < 0x8F; ++offset) {
        const int value = offset < 0x80 ? ((offset & 16) ? 0x80 : 0x7F) : offset < 0x8A ? 0x40 : 0x0F;
        scc.Write(static_cast<std::uint8_t>(offset), static_cast<std::uint8_t>(value));
    }
    scc.Write(0x8F, 0x1F);
    const int peak = Peak(RenderSecond(mixer));
    EXPECT_GT(peak, 5 * 128 * 128 * Amplitude(-1100));  // the SCC waves, in phase, at least
    EXPECT_LT(peak, 32767);
}

TEST_F(SoundMixerTest, SlotsAndBadRequests) {
    TSoundMixer fresh{outputRate};
    EXPECT_EQ(fresh.CreateBuffer(22050, 16, 32), -1);
    EXPECT_EQ(fresh.CreateBuffer(22050, 8, 0), -1);
    for (int slot = 0; slot < TSoundBuffers::slotCount; ++slot) ASSERT_EQ(fresh.CreateBuffer(22050, 8, 1), slot);
    EXPECT_EQ(fresh.CreateBuffer(22050, 8, 1), -1);
    EXPECT_EQ(fresh.ReleaseBuffer(7), 0);
    EXPECT_EQ(fresh.ReleaseBuffer(7), -1);
    EXPECT_EQ(fresh.ReleaseBuffer(-1), -1);
    EXPECT_EQ(fresh.CreateBuffer(22050, 8, 4), 7);

    // A buffer plays on from where it stopped; bytes beyond its size are left out.
    const std::uint8_t ramp[] = {129, 130, 131, 132, 133, 134};
    fresh.WriteBuffer(7, ramp, 6);
    fresh.WriteBuffer(7000, ramp, 6);
    fresh.Play(-1);
    fresh.SetFrequency(7, outputRate);
    fresh.Play(7);
    std::int16_t out[6];
    fresh.Render(out, 3);
    fresh.Stop(7);
    fresh.Render(out + 3, 1);
    fresh.Play(7);
    fresh.Render(out + 4, 2);
    EXPECT_EQ(std::vector<std::int16_t>(out, out + 6), (std::vector<std::int16_t>{128, 256, 384, 0, 512, 128}));
    EXPECT_THROW(TSoundMixer{0}, std::invalid_argument);
}

// Run under ThreadSanitizer: the audio thread mixes while the emulation
// thread writes registers and creates and releases buffers.
TEST_F(SoundMixerTest, RendersSafelyWhileTheChipsChange) {
    std::atomic<bool> done = false;
    std::atomic<int> blocks = 0;
    std::thread audio([&] {
        std::int16_t block[512];
        while (!done) {
            mixer.Render(block, 512);
            ++blocks;
            std::this_thread::yield();  // as a device would, between its blocks
        }
    });
    while (blocks == 0) std::this_thread::yield();
    // Both sides run for a good while together: many blocks and many writes.
    for (int round = 0; round < 2000 || blocks < 50; ++round) {
        const auto value = static_cast<std::uint8_t>(round * 37);
        WritePSG(static_cast<std::uint8_t>(round % 11), value);
        scc.Write(static_cast<std::uint8_t>(round % 144), value);
        if (round % 200 == 0) {
            TPCSCC passing{mixer};
            passing.Write(0x8F, 0x1F);
            psg.StopSound();
            psg.ResumeSound();
        }
    }
    done = true;
    audio.join();
    EXPECT_GE(blocks, 50);
}

}  // namespace
