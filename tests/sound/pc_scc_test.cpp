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

// The chip's samples are signed; the buffers, silent at first, hold them unsigned.
TEST_F(PCSCCTest, WaveSamplesReachTheirChannelsBuffersAsUnsignedBytes) {
    const struct {
        int offset, value;
        std::vector<int> channels;
        int sample;
    } cases[] = {{0x00, 0x00, {0}, 0x80}, {0x1F, 0x7F, {0}, 0xFF}, {0x20, 0x80, {1}, 0x00},
                 {0x45, 0xFF, {2}, 0x7F}, {0x7F, 0x01, {3, 4}, 0x81}};
    for (const auto& c : cases) {
        TRecordingSoundBuffers buffers;
        TPCSCC chip{buffers};
        chip.Write(static_cast<std::uint8_t>(c.offset), static_cast<std::uint8_t>(c.value));
        for (int channel = 0; channel < 5; ++channel) {
            std::vector<std::uint8_t> expected(32, 128);
            for (int changed : c.channels) {
                if (changed == channel) expected[c.offset & 0x1F] = static_cast<std::uint8_t>(c.sample);
            }
            EXPECT_EQ(buffers.buffers[chip.GetWaveBuffer(channel)].bytes, expected) << c.offset << " " << channel;
            EXPECT_EQ(buffers.buffers[chip.GetWaveBuffer(channel)].rate, 22050);
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
}

TEST_F(PCSCCTest, PeriodsAndLevelsSetRatesAndVolumes) {
    const struct {
        int low, high, level, attenuation;  // of channel 0 to 4 in turn
        std::int32_t rate, volume;
    } cases[] = {{0xFE, 0x00, 0x0F, 0, 14092, -1100},  {0x01, 0x00, 0x0F, 5, 3579545, -1600},
                 {0xFF, 0x0F, 0x00, 20, 874, -10000},  {0xFE, 0xF0, 0x01, 20, 14092, -4500},
                 {0x00, 0x01, 0xF3, 0, 13982, -2300}};
    for (int channel = 0; channel < 5; ++channel) {
        const auto& c = cases[channel];
        scc.SetVolume(c.attenuation);
        scc.Write(static_cast<std::uint8_t>(0x80 + 2 * channel), static_cast<std::uint8_t>(c.low));
        scc.Write(static_cast<std::uint8_t>(0x81 + 2 * channel), static_cast<std::uint8_t>(c.high));
        scc.Write(static_cast<std::uint8_t>(0x8A + channel), static_cast<std::uint8_t>(c.level));
        EXPECT_EQ(Wave(channel).rate, c.rate) << channel;
        EXPECT_EQ(Wave(channel).volume, c.volume) << channel;
    }
}

TEST_F(PCSCCTest, ChannelEnableWithoutChannelBitsChangesNothing) {
    const std::pair<int, std::vector<bool>> steps[] = {
        {0x1F, {true, true, true, true, true}},     {0x00, {true, true, true, true, true}},
        {0x01, {true, false, false, false, false}}, {0xE0, {true, false, false, false, false}},
        {0x22, {false, true, false, false, false}}, {0x1A, {false, true, false, true, true}},
    };
    for (const auto& [value, playing] : steps) {
        scc.Write(0x8F, static_cast<std::uint8_t>(value));
        EXPECT_EQ(Playing(), playing) << value;
    }
}

TEST_F(PCSCCTest, PeriodZeroPauseResetAndRelease) {
    scc.Write(0x80, 0xFE);
    scc.Write(0x8F, 0x05);
    scc.Write(0x80, 0x00);
    EXPECT_EQ(Playing(), (std::vector<bool>{false, false, true, false, false}));
    scc.Write(0x81, 0x01);
    EXPECT_EQ(Playing(), (std::vector<bool>{true, false, true, false, false}));
    scc.StopSound();
    EXPECT_EQ(Playing(), std::vector<bool>(5, false));
    scc.ResumeSound();
    EXPECT_EQ(Playing(), (std::vector<bool>{true, false, true, false, false}));
    scc.Disable();  // resets
    scc.ResumeSound();
    EXPECT_EQ(Playing(), std::vector<bool>(5, false));
    {
        TPCSCC second{sound};
        EXPECT_EQ(sound.InUseCount(), 10);
    }
    EXPECT_EQ(sound.InUseCount(), 5);
}

}  // namespace
