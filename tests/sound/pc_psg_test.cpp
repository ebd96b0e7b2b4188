#include "sound/pc_psg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "support/recording_sound_buffers.h"

namespace {

struct PCPSGTest : ::testing::Test {
    void Write(int index, int value) {
        psg.WritePort(0xA0, static_cast<std::uint8_t>(index));
        psg.WritePort(0xA1, static_cast<std::uint8_t>(value));
    }
    const TRecordingSoundBuffers::TBuffer& Tone(int channel) const { return sound.buffers[psg.GetToneBuffer(channel)]; }
    const TRecordingSoundBuffers::TBuffer& Noise(int channel) const { return sound.buffers[psg.GetNoiseBuffer(channel)]; }
    // Tones A-C, then noise A-C.
    std::vector<bool> Playing() const {
        std::vector<bool> playing;
        for (int channel = 0; channel < 3; ++channel) playing.push_back(Tone(channel).playing);
        for (int channel = 0; channel < 3; ++channel) playing.push_back(Noise(channel).playing);
        return playing;
    }

    TRecordingSoundBuffers sound;
    TPCPSG psg{sound};
};

TEST_F(PCPSGTest, BuffersHoldTheToneAndNoiseWaveformsAndStartStopped) {
    const std::uint8_t cycle[16] = {139, 144, 144, 144, 144, 144, 144, 139, 117, 112, 112, 112, 112, 112, 112, 117};
    std::vector<std::uint8_t> tone;
    for (int sample = 0; sample < 128; ++sample) tone.push_back(cycle[sample % 16]);
    const std::vector<std::uint8_t>& noise = Noise(0).bytes;
    for (int channel = 0; channel < 3; ++channel) {
        EXPECT_EQ(Tone(channel).rate, 22050);
        EXPECT_EQ(Tone(channel).bytes, tone);
        EXPECT_EQ(Noise(channel).rate, 22050);
        EXPECT_EQ(Noise(channel).bytes, noise);
    }
    // The shift register's sequence: where the first high samples fall, and how many there are.
    ASSERT_EQ(noise.size(), 16384u);
    std::vector<int> firstHigh;
    for (int index = 0; firstHigh.size() < 8; ++index) {
        if (noise[index] == 0x90) firstHigh.push_back(index);
    }
    EXPECT_EQ(firstHigh, (std::vector<int>{30, 43, 56, 61, 69, 82, 87, 92}));
    EXPECT_EQ(std::count(noise.begin(), noise.end(), 0x90), 8015);
    EXPECT_EQ(std::count(noise.begin(), noise.end(), 0x70), 16384 - 8015);
    EXPECT_EQ(Playing(), std::vector<bool>(6, false));
}

TEST_F(PCPSGTest, PeriodsSetRates) {
    const struct {
        int low, high;  // of channel A, B, C in turn
        std::int32_t rate;
    } tones[] = {{0xFE, 0x00, 7046}, {0x01, 0x00, 1789772}, {0xFF, 0x0F, 437}, {0xFE, 0xF0, 7046}};
    for (int step = 0; step < 4; ++step) {
        const int channel = step % 3;
        Write(2 * channel, tones[step].low);
        Write(2 * channel + 1, tones[step].high);
        EXPECT_EQ(Tone(channel).rate, tones[step].rate) << step;
    }
    const std::pair<int, std::int32_t> noises[] = {{0x01, 111860}, {0x1F, 3608}, {0x3F, 3608}, {0x00, 100000}};
    for (const auto& [value, rate] : noises) {
        Write(6, value);
        for (int channel = 0; channel < 3; ++channel) EXPECT_EQ(Noise(channel).rate, rate) << value;
    }
}

TEST_F(PCPSGTest, MixerStartsAndStopsEachChannelByItsOwnBit) {
    const std::pair<int, std::vector<bool>> steps[] = {
        {0xB8, {true, true, true, false, false, false}},  {0xB8, {true, true, true, false, false, false}},
        {0xBF, {false, false, false, false, false, false}}, {0xB7, {false, false, false, true, false, false}},
        {0xAA, {true, false, true, false, true, false}},  {0x00, {true, true, true, true, true, true}},
    };
    for (const auto& [value, playing] : steps) {
        Write(7, value);
        EXPECT_EQ(Playing(), playing) << value;
    }
    EXPECT_EQ(Tone(0).plays, 2);  // on at B8h, again at AAh, left running by 00h
}

TEST_F(PCPSGTest, LevelsSetToneAndNoiseVolumesLessTheAttenuation) {
    const struct {
        int index, value, attenuation;
        std::int32_t tone, noise;
    } cases[] = {
        {8, 0x1F, 0, 0, -1100},      {8, 0x1F, 5, -500, -1600}, {8, 0x00, 5, -10000, -10000},
        {9, 0x01, 20, -3400, -4500}, {10, 0xE9, 3, -900, -2000},
    };
    for (const auto& c : cases) {
        psg.SetVolume(c.attenuation);
        Write(c.index, c.value);
        EXPECT_EQ(Tone(c.index - 8).volume, c.tone) << c.value;
        EXPECT_EQ(Noise(c.index - 8).volume, c.noise) << c.value;
    }
}

TEST_F(PCPSGTest, PeriodZeroStopsAToneUntilANonZeroPeriodWhileTheMixerHasItOn) {
    Write(0, 0xFE);
    Write(7, 0xBE);
    Write(0, 0x00);
    EXPECT_FALSE(Tone(0).playing);
    Write(0, 0x10);
    EXPECT_TRUE(Tone(0).playing);
    Write(0, 0x20);
    EXPECT_EQ(Tone(0).plays, 2);  // a second non-zero period is no restart

    Write(0, 0x00);
    Write(7, 0xBF);
    Write(0, 0x30);
    EXPECT_FALSE(Tone(0).playing);
    Write(0, 0x00);
    Write(7, 0xBE);  // the mixer starts the tone whatever its period
    EXPECT_TRUE(Tone(0).playing);
}

TEST_F(PCPSGTest, StopResumeAndResetSound) {
    Write(7, 0xB6);  // tone and noise A
    const std::vector<bool> soundingA = {true, false, false, true, false, false};
    const std::vector<bool> silent(6, false);
    psg.StopSound();
    EXPECT_EQ(Playing(), silent);
    psg.ResumeSound();
    EXPECT_EQ(Playing(), soundingA);
    psg.Disable();  // resets
    EXPECT_EQ(Playing(), silent);
    psg.ResumeSound();
    EXPECT_EQ(Playing(), silent);
    psg.Enable();
    Write(7, 0xB6);  // the reset forgot the flags, so the mixer starts the channels again
    EXPECT_EQ(Playing(), soundingA);
}

TEST(PCPSGBuffersTest, ReleasesItsBuffersAndLivesWithoutThem) {
    TRecordingSoundBuffers sound;
    for (int slot = 0; slot < TSoundBuffers::slotCount - 4; ++slot) sound.CreateBuffer(22050, 8, 1);
    {
        TPCPSG psg{sound};
        EXPECT_EQ(psg.GetNoiseBuffer(0), TSoundBuffers::slotCount - 1);
        EXPECT_EQ(psg.GetNoiseBuffer(1), -1);
        for (int index = 0; index < 16; ++index) {
            psg.WritePort(0xA0, static_cast<std::uint8_t>(index));
            psg.WritePort(0xA1, 0x00);
        }
    }
    EXPECT_EQ(sound.InUseCount(), TSoundBuffers::slotCount - 4);
}

}  // namespace
