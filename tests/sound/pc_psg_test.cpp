#include "sound/pc_psg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "support/recording_sound_buffers.h"

namespace {

struct PCPSGTest : ::testing::Test {
    void Write(std::uint8_t index, std::uint8_t value) {
        psg.WritePort(0xA0, index);
        psg.WritePort(0xA1, value);
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
    const std::vector<std::uint8_t> cycle = {139, 144, 144, 144, 144, 144, 144, 139,
                                             117, 112, 112, 112, 112, 112, 112, 117};
    std::vector<std::uint8_t> tone;
    for (int repeat = 0; repeat < 8; ++repeat) tone.insert(tone.end(), cycle.begin(), cycle.end());

    EXPECT_EQ(sound.InUseCount(), 6);
    for (int channel = 0; channel < 3; ++channel) {
        EXPECT_EQ(Tone(channel).rate, 22050);
        EXPECT_EQ(Tone(channel).bitsPerSample, 8);
        EXPECT_EQ(Tone(channel).bytes, tone);
        EXPECT_EQ(Noise(channel).rate, 22050);
        EXPECT_EQ(Noise(channel).bytes, Noise(0).bytes);
    }
    // The shift register's sequence: the first high samples and how many there are.
    const std::vector<std::uint8_t>& noise = Noise(0).bytes;
    ASSERT_EQ(noise.size(), 16384u);
    std::vector<int> firstHigh;
    for (int index = 0; index < 16384 && firstHigh.size() < 8; ++index) {
        if (noise[index] == 0x90) firstHigh.push_back(index);
    }
    EXPECT_EQ(firstHigh, (std::vector<int>{30, 43, 56, 61, 69, 82, 87, 92}));
    EXPECT_EQ(std::count(noise.begin(), noise.end(), 0x90), 8015);
    EXPECT_EQ(std::count(noise.begin(), noise.end(), 0x70), 16384 - 8015);
    EXPECT_EQ(Playing(), std::vector<bool>(6, false));
}

TEST_F(PCPSGTest, TonePeriodsSetTheToneRates) {
    struct Case {
        int channel;
        std::uint8_t low, high;
        std::int32_t rate;
    };
    const Case cases[] = {
        {0, 0xFE, 0x00, 7046},     // 440 Hz
        {0, 0x01, 0x00, 1789772},  // above the hosts' limit: the buffers cap it, not the chip
        {1, 0xFF, 0x0F, 437},      // the longest period
        {2, 0x00, 0x01, 6991},
        {2, 0xFE, 0xF0, 7046},     // the high nibble of the coarse register is not part of the period
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.channel * 0x10000 + c.high * 0x100 + c.low);
        Write(static_cast<std::uint8_t>(2 * c.channel), c.low);
        Write(static_cast<std::uint8_t>(2 * c.channel + 1), c.high);
        EXPECT_EQ(Tone(c.channel).rate, c.rate);
    }
}

TEST_F(PCPSGTest, NoisePeriodSetsAllThreeNoiseRates) {
    const std::pair<std::uint8_t, std::int32_t> cases[] = {
        {0x01, 111860}, {0x1F, 3608}, {0x3F, 3608}, {0x00, 100000}, {0x20, 100000}};
    for (const auto& [value, rate] : cases) {
        Write(6, value);
        for (int channel = 0; channel < 3; ++channel) EXPECT_EQ(Noise(channel).rate, rate) << int(value);
    }
}

TEST_F(PCPSGTest, MixerStartsAndStopsEachChannelByItsOwnBit) {
    const std::pair<std::uint8_t, std::vector<bool>> steps[] = {
        {0xB8, {true, true, true, false, false, false}},
        {0xB8, {true, true, true, false, false, false}},
        {0xBF, {false, false, false, false, false, false}},
        {0xB7, {false, false, false, true, false, false}},
        {0xAA, {true, false, true, false, true, false}},
        {0x00, {true, true, true, true, true, true}},
    };
    for (const auto& [value, playing] : steps) {
        Write(7, value);
        EXPECT_EQ(Playing(), playing) << int(value);
    }
    EXPECT_EQ(Tone(0).plays, 2);  // on at 0xB8, again at 0xAA, left running by 0x00
}

TEST_F(PCPSGTest, LevelsSetToneAndNoiseVolumesLessTheAttenuation) {
    struct Case {
        std::uint8_t index, value;
        int attenuation;
        std::int32_t tone, noise;
    };
    const Case cases[] = {
        {8, 0x1F, 0, 0, -1100},   {8, 0x1F, 5, -500, -1600},       {8, 0x00, 5, -10000, -10000},
        {9, 0x01, 20, -3400, -4500}, {10, 0x17, 0, -800, -1900}, {10, 0xE9, 3, -900, -2000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index * 0x100 + c.value);
        psg.SetVolume(c.attenuation);
        Write(c.index, c.value);
        EXPECT_EQ(Tone(c.index - 8).volume, c.tone);
        EXPECT_EQ(Noise(c.index - 8).volume, c.noise);
    }
}

TEST_F(PCPSGTest, PeriodZeroStopsAToneUntilANonZeroPeriodWhileTheMixerHasItOn) {
    Write(0, 0xFE);
    Write(7, 0xBE);
    ASSERT_TRUE(Tone(0).playing);
    Write(0, 0x00);
    EXPECT_FALSE(Tone(0).playing);
    EXPECT_EQ(Tone(0).rate, 7046);  // the old rate stays for the restart
    Write(0, 0x10);
    EXPECT_TRUE(Tone(0).playing);
    EXPECT_EQ(Tone(0).rate, 111860);
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
    Write(7, 0xB6);  // tone and noise A on
    const std::vector<bool> soundingA = {true, false, false, true, false, false};
    const std::vector<bool> silent(6, false);

    psg.StopSound();
    EXPECT_EQ(Playing(), silent);
    psg.ResumeSound();
    EXPECT_EQ(Playing(), soundingA);
    psg.ResetSound();
    EXPECT_EQ(Playing(), silent);
    psg.ResumeSound();
    EXPECT_EQ(Playing(), silent);
    Write(7, 0xB6);  // reset forgot the flags, so the mixer starts the channels again
    EXPECT_EQ(Playing(), soundingA);
    psg.Disable();
    EXPECT_EQ(Playing(), silent);
    Write(7, 0xB6);
    EXPECT_EQ(Playing(), silent);
}

TEST(PCPSGBuffersTest, ReleasesItsBuffersAndLivesWithoutThem) {
    TRecordingSoundBuffers sound;
    for (int slot = 0; slot < TSoundBuffers::slotCount - 4; ++slot) sound.CreateBuffer(22050, 8, 1);
    {
        TPCPSG psg{sound};
        EXPECT_EQ(psg.GetToneBuffer(2), TSoundBuffers::slotCount - 2);
        EXPECT_EQ(psg.GetNoiseBuffer(0), TSoundBuffers::slotCount - 1);
        EXPECT_EQ(psg.GetNoiseBuffer(1), -1);
        for (std::uint8_t index = 0; index < 16; ++index) {
            psg.WritePort(0xA0, index);
            psg.WritePort(0xA1, 0x00);
        }
        psg.ResumeSound();
        EXPECT_EQ(sound.InUseCount(), TSoundBuffers::slotCount);
    }
    EXPECT_EQ(sound.InUseCount(), TSoundBuffers::slotCount - 4);

    TNoSoundBuffers silentHost;
    TPCPSG silentPSG{silentHost};
    silentPSG.WritePort(0xA0, 7);
    silentPSG.WritePort(0xA1, 0x00);
    EXPECT_EQ(silentPSG.GetToneBuffer(0), -1);
}

}  // namespace
