#include "sound/pc_scc.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "support/recording_sound_buffers.h"

namespace {

struct PCSCCTest : ::testing::Test {
    const TRecordingSoundBuffers::TBuffer& Wave(int channel) const { return sound.buffers[scc.GetWaveBuffer(channel)]; }
    std::vector<bool> Playing() const {
        std::vector<bool> playing;
        for (int channel = 0; channel < 5; ++channel) playing.push_back(Wave(channel).playing);
        return playing;
    }

    TRecordingSoundBuffers sound;
    TPCSCC scc{sound};
};

TEST_F(PCSCCTest, BuffersStartSilentAndStopped) {
    EXPECT_EQ(sound.InUseCount(), 5);
    for (int channel = 0; channel < 5; ++channel) {
        EXPECT_EQ(Wave(channel).rate, 22050);
        EXPECT_EQ(Wave(channel).bitsPerSample, 8);
        EXPECT_EQ(Wave(channel).bytes, std::vector<std::uint8_t>(32, 128));
        EXPECT_FALSE(Wave(channel).playing);
    }
}

// The chip's samples are signed; the buffers hold them unsigned, 128 being silence.
TEST_F(PCSCCTest, WaveSamplesReachTheirChannelsBuffersAsUnsignedBytes) {
    struct Case {
        std::uint8_t offset, value;
        std::vector<int> channels;  // buffers whose sample changes
        std::uint8_t sample;
    };
    const Case cases[] = {
        {0x00, 0x00, {0}, 0x80},    {0x1F, 0x7F, {0}, 0xFF}, {0x20, 0x80, {1}, 0x00},
        {0x45, 0xFF, {2}, 0x7F},    {0x60, 0x9C, {3, 4}, 0x1C}, {0x7F, 0x01, {3, 4}, 0x81},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offset);
        TRecordingSoundBuffers buffers;
        TPCSCC chip{buffers};
        chip.Write(c.offset, c.value);
        for (int channel = 0; channel < 5; ++channel) {
            std::vector<std::uint8_t> expected(32, 128);
            for (int changed : c.channels) {
                if (changed == channel) expected[c.offset & 0x1F] = c.sample;
            }
            EXPECT_EQ(buffers.buffers[chip.GetWaveBuffer(channel)].bytes, expected) << channel;
        }
    }
}

TEST_F(PCSCCTest, AWaveWriteRestartsOnlyPlayingBuffers) {
    scc.Write(0x8F, 0x11);  // channels 0 and 4
    scc.Write(0x05, 0x40);
    scc.Write(0x65, 0x40);
    EXPECT_EQ(Playing(), (std::vector<bool>{true, false, false, false, true}));
    EXPECT_EQ(Wave(0).plays, 2);
    EXPECT_EQ(Wave(3).plays, 0);
    EXPECT_EQ(Wave(4).plays, 2);
    EXPECT_EQ(Wave(3).bytes[5], 0xC0);
}

TEST_F(PCSCCTest, PeriodsAndLevelsSetRatesAndVolumes) {
    struct Case {
        int channel;
        std::uint8_t low, high, level;
        int attenuation;
        std::int32_t rate, volume;
    };
    const Case cases[] = {
        {0, 0xFE, 0x00, 0x0F, 0, 14092, -1100},  // 440 Hz over 32 samples
        {1, 0x01, 0x00, 0x0F, 5, 3579545, -1600},
        {2, 0xFF, 0x0F, 0x00, 20, 874, -10000},
        {3, 0xFE, 0xF0, 0x01, 20, 14092, -4500},  // upper nibbles are not part of period or level
        {4, 0x00, 0x01, 0xF3, 0, 13982, -2300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.channel);
        scc.SetVolume(c.attenuation);
        scc.Write(static_cast<std::uint8_t>(0x80 + 2 * c.channel), c.low);
        scc.Write(static_cast<std::uint8_t>(0x81 + 2 * c.channel), c.high);
        scc.Write(static_cast<std::uint8_t>(0x8A + c.channel), c.level);
        EXPECT_EQ(Wave(c.channel).rate, c.rate);
        EXPECT_EQ(Wave(c.channel).volume, c.volume);
    }
}

TEST_F(PCSCCTest, ChannelEnableWithoutChannelBitsChangesNothing) {
    const std::pair<std::uint8_t, std::vector<bool>> steps[] = {
        {0x1F, {true, true, true, true, true}},     {0x00, {true, true, true, true, true}},
        {0x01, {true, false, false, false, false}}, {0xE0, {true, false, false, false, false}},
        {0x22, {false, true, false, false, false}}, {0x1A, {false, true, false, true, true}},
    };
    for (const auto& [value, playing] : steps) {
        scc.Write(0x8F, value);
        EXPECT_EQ(Playing(), playing) << int(value);
    }
    EXPECT_EQ(Wave(1).plays, 2);
}

TEST_F(PCSCCTest, PeriodZeroStopsAChannelUntilANonZeroPeriodWhileItIsEnabled) {
    scc.Write(0x80, 0xFE);
    scc.Write(0x8F, 0x01);
    scc.Write(0x80, 0x00);
    EXPECT_FALSE(Wave(0).playing);
    scc.Write(0x81, 0x01);
    EXPECT_TRUE(Wave(0).playing);
    EXPECT_EQ(Wave(0).rate, 13982);

    scc.Write(0x81, 0x00);
    scc.Write(0x8F, 0x02);
    scc.Write(0x80, 0x40);
    EXPECT_FALSE(Wave(0).playing);
}

TEST_F(PCSCCTest, StopResumeResetAndRelease) {
    scc.Write(0x8F, 0x05);
    const std::vector<bool> sounding = {true, false, true, false, false};
    const std::vector<bool> silent(5, false);
    scc.StopSound();
    EXPECT_EQ(Playing(), silent);
    scc.ResumeSound();
    EXPECT_EQ(Playing(), sounding);
    scc.Disable();  // resets
    EXPECT_EQ(Playing(), silent);
    scc.ResumeSound();
    EXPECT_EQ(Playing(), silent);

    {
        TPCSCC second{sound};
        EXPECT_EQ(second.GetWaveBuffer(0), 5);
        EXPECT_EQ(sound.InUseCount(), 10);
    }
    EXPECT_EQ(sound.InUseCount(), 5);
}

}  // namespace
