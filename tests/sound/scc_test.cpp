#include "sound/pc_scc.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/recording_sound_buffers.h"

namespace {

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

// The chip's samples are signed; the buffers, silent at first, hold them unsigned.
// The last two channels share one wave.
TEST(SCCTest, WaveSamplesReachTheirChannelsBuffersAsUnsignedBytes) {
    const struct {
        int offset, value, firstChannel, lastChannel, sample;
    } cases[] = {{0x00, 0x00, 0, 0, 0x80}, {0x1F, 0x7F, 0, 0, 0xFF}, {0x20, 0x80, 1, 1, 0x00},
                 {0x45, 0xFF, 2, 2, 0x7F}, {0x7F, 0x01, 3, 4, 0x81}};
    for (const auto& c : cases) {
        TRecordingSoundBuffers buffers;
        TPCSCC chip{buffers};
        chip.Write(std::uint8_t(c.offset), std::uint8_t(c.value));
        for (int channel = 0; channel < 5; ++channel) {
            std::vector<std::uint8_t> expected(32, 128);
            if (channel >= c.firstChannel && channel <= c.lastChannel) expected[c.offset & 0x1F] = c.sample;
            EXPECT_EQ(buffers.buffers[chip.GetWaveBuffer(channel)].bytes, expected) << c.offset << " " << channel;
        }
    }
}

// An enable value without any channel bit leaves the channels as they are; a wave
// write starts no channel; a zero period stops one until it has a period again.
TEST(SCCTest, ChannelsPlayByTheEnableBitsAndANonZeroPeriod) {
    TRecordingSoundBuffers buffers;
    TPCSCC scc{buffers};
    const auto playing = [&] {  // a bit per channel
        int on = 0;
        for (int c = 0; c < 5; ++c) on |= buffers.buffers[scc.GetWaveBuffer(c)].playing << c;
        return on;
    };
    for (const auto& [offset, value, on] : {std::tuple{0x8F, 0x1F, 0x1F}, {0x8F, 0x00, 0x1F}, {0x8F, 0xE5, 0x05},
                                             {0x22, 0x40, 0x05}, {0x80, 0x00, 0x04}, {0x81, 0x01, 0x05}}) {
        scc.Write(offset, value);
        EXPECT_EQ(playing(), on) << offset << " " << value;
    }
    scc.StopSound();  // a pause keeps what played
    EXPECT_EQ(playing(), 0);
    scc.ResumeSound();
    EXPECT_EQ(playing(), 0x05);
}

}  // namespace
