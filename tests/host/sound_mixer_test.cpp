#include "host/sound_mixer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <vector>

#include "sound/pc_psg.h"
#include "sound/pc_scc.h"

namespace {

constexpr int outputRate = 44100;

double Amplitude(std::int32_t hundredthsOfDecibel) { return std::pow(10.0, hundredthsOfDecibel / 2000.0); }

struct SoundMixerTest : ::testing::Test {
    void WritePSG(std::uint8_t index, std::uint8_t value) {
        psg.WritePort(0xA0, index);
        psg.WritePort(0xA1, value);
    }
    // One second of the mix, with its rising zero crossings and its peak.
    std::vector<std::int16_t> Render() {
        std::vector<std::int16_t> samples(outputRate);
        mixer.Render(samples.data(), outputRate);
        crossings = peak = 0;
        for (std::size_t index = 0; index < samples.size(); ++index) {
            crossings += index > 0 && samples[index - 1] < 0 && samples[index] >= 0;
            peak = std::max(peak, std::abs(static_cast<int>(samples[index])));
        }
        return samples;
    }

    TSoundMixer mixer{outputRate};
    TPCPSG psg{mixer};
    TPCSCC scc{mixer};
    int crossings = 0, peak = 0;
};

TEST_F(SoundMixerTest, TonesSoundAtTheirFrequencyAndTheVolumeTablesLevel) {
    // A tone on channel A, heard at 111860.8 / period Hz; the shortest period hits the rate limit of 99999.
    WritePSG(7, 0xBE);
    WritePSG(8, 0x0F);
    for (const auto& [period, frequency] : {std::pair{254, 111860.8 / 254}, {1, 99999.0 / 16}}) {
        WritePSG(0, static_cast<std::uint8_t>(period));
        Render();
        EXPECT_NEAR(crossings, frequency, frequency * 0.005 + 1) << period;
        EXPECT_EQ(peak, 16 * 128) << "the waveform swings 16 around silence";
    }
    for (const auto& [level, expected] : {std::pair{0x0A, 16 * 128 * Amplitude(-500)}, {0x00, 0.0}}) {
        WritePSG(8, static_cast<std::uint8_t>(level));
        Render();
        EXPECT_NEAR(peak, expected, expected * 0.01 + 1) << level;
    }
    WritePSG(8, 0x0F);
    WritePSG(7, 0xB7);  // noise A only
    Render();
    EXPECT_NEAR(peak, 16 * 128 * Amplitude(-1100), 2);
    // An SCC wave of +100 and -100 on the chip's signed bytes, on channel 0 at level 15.
    WritePSG(8, 0x00);
    for (int offset = 0; offset < 32; ++offset) scc.Write(static_cast<std::uint8_t>(offset), offset < 16 ? 0x64 : 0x9C);
    for (const auto& [at, value] : {std::pair{0x80, 254}, {0x81, 0}, {0x8A, 0x0F}, {0x8F, 0x01}}) scc.Write(at, value);
    Render();
    EXPECT_NEAR(crossings, 111860.8 / 254, 3);
    EXPECT_NEAR(peak, 100 * 128 * Amplitude(-1100), 2);
}

TEST_F(SoundMixerTest, SlotsBadRequestsAndABufferThatLoops) {
    TSoundMixer fresh{outputRate};
    EXPECT_EQ(fresh.CreateBuffer(22050, 16, 32), -1);
    EXPECT_EQ(fresh.CreateBuffer(22050, 8, 0), -1);
    for (int slot = 0; slot < TSoundBuffers::slotCount; ++slot) ASSERT_EQ(fresh.CreateBuffer(22050, 8, 1), slot);
    EXPECT_EQ(fresh.CreateBuffer(22050, 8, 1), -1);
    EXPECT_EQ(fresh.ReleaseBuffer(7), 0);
    EXPECT_EQ(fresh.ReleaseBuffer(7), -1);
    EXPECT_EQ(fresh.CreateBuffer(22050, 8, 4), 7);
    // A buffer plays on from where it stopped, and wraps at its size; bytes beyond it are left out.
    const std::uint8_t ramp[] = {129, 130, 131, 132, 133, 134};
    fresh.WriteBuffer(7, ramp, 6);
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
