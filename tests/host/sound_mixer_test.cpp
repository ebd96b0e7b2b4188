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

    // Tone and noise A hold a steady +16, so every output sample shows its
    // channel's volume; channel A is on with its tone or its noise.
    void SteadyChannelA(std::uint8_t mixerValue) {
        const std::vector<std::uint8_t> steady(16384, 144);
        mixer.WriteBuffer(psg.GetToneBuffer(0), steady.data(), 128);
        mixer.WriteBuffer(psg.GetNoiseBuffer(0), steady.data(), 16384);
        WritePSG(0, 1);
        WritePSG(7, mixerValue);
    }
    // The levels of the next frames samples, read back through the tone or noise volume table.
    std::vector<int> Levels(int frames, bool noise = false) {
        std::vector<std::int16_t> samples(frames);
        mixer.Render(samples.data(), frames);
        std::vector<int> levels;
        for (const std::int16_t sample : samples) {
            const auto heard = [&](int level) {
                const int volume = (level - 15) * 100 - (noise ? 1100 : 0);
                return std::abs(sample - (level == 0 ? 0 : 16 * 128 * Amplitude(volume)));
            };
            int level = 0;
            for (int other = 1; other < 16; ++other) level = heard(other) < heard(level) ? other : level;
            levels.push_back(level);
        }
        return levels;
    }
    // What the envelope shows at samples from to from + frames after its start, with
    // 16 x period PSG clock cycles per step and the shape's first four ramps written
    // as D (down), U (up), 0 and F (holding 0 or 15).
    static std::vector<int> Expected(const char* ramps, int period, int from, int frames) {
        std::vector<int> levels;
        for (int sample = from; sample < from + frames; ++sample) {
            const auto step = static_cast<int>(sample * 1789772.5 / (16.0 * std::max(period, 1) * outputRate));
            const int within = step % 16;
            const char ramp = ramps[std::min(step / 16, 3)];
            levels.push_back(ramp == 'D' ? 15 - within : ramp == 'U' ? within : ramp == 'F' ? 15 : 0);
        }
        return levels;
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

TEST_F(SoundMixerTest, EnvelopeShapesStepHoldAndRepeatInRealTime) {
    // Bits 3-0 of the shape: continue, attack, alternate, hold.
    const char* ramps[16] = {"D000", "D000", "D000", "D000", "U000", "U000", "U000", "U000",
                             "DDDD", "D000", "DUDU", "DFFF", "UUUU", "UFFF", "UDUD", "U000"};
    SteadyChannelA(0xBE);
    WritePSG(8, 0x10);
    // Period 0 acts as 1: steps shorter than a sample. Period 699: ramps at 10 Hz.
    for (const int period : {0, 5, 699}) {
        WritePSG(11, static_cast<std::uint8_t>(period));
        WritePSG(12, static_cast<std::uint8_t>(period >> 8));
        const int frames = static_cast<int>(64.0 * 16 * std::max(period, 1) * outputRate / 1789772.5);
        for (int shape = 0; shape < 16; ++shape) {
            WritePSG(13, static_cast<std::uint8_t>(shape));
            EXPECT_EQ(Levels(frames), Expected(ramps[shape], period, 0, frames)) << period << " " << shape;
        }
    }
}

// Period 5: a step lasts 19.7 samples, a saw down (shape 8) 315.
TEST_F(SoundMixerTest, EnvelopeRestartsAndChannelsTakeItAndLeaveIt) {
    SteadyChannelA(0xBE);
    WritePSG(11, 5);
    WritePSG(8, 0x10);
    WritePSG(13, 0x08);
    Levels(100);
    WritePSG(13, 0x08);  // the same shape again restarts it
    EXPECT_EQ(Levels(400), Expected("DDDD", 5, 0, 400));
    WritePSG(8, 0x0A);  // the fixed level at once, while the envelope runs on
    EXPECT_EQ(Levels(100), std::vector<int>(100, 10));
    WritePSG(8, 0x1A);
    EXPECT_EQ(Levels(100), Expected("DDDD", 5, 500, 100));
    psg.StopSound();  // paused, the envelope keeps its step
    EXPECT_EQ(Levels(1000), std::vector<int>(1000, 0));
    psg.ResumeSound();
    EXPECT_EQ(Levels(100), Expected("DDDD", 5, 600, 100));
    psg.ResetSound();  // starts over, paused until the sound resumes
    WritePSG(7, 0xB7);  // noise A alone, in envelope mode too
    EXPECT_EQ(Levels(100, true), std::vector<int>(100, 15));
    psg.ResumeSound();
    EXPECT_EQ(Levels(400, true), Expected("DDDD", 5, 0, 400));
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
        WritePSG(static_cast<std::uint8_t>(round % 14), value);  // envelope included
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
