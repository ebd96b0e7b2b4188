#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "sound/scc.h"

namespace {

class TRecordingSCC : public TSCC {
public:
    void RegisterWritten(int index, std::uint8_t value) override { registerWrites.push_back({index, value}); }
    void WaveWritten(int offset, std::uint8_t value) override { waveWrites.push_back({offset, value}); }
    void ResetSound() override { ++resets; }

    std::vector<std::pair<int, int>> registerWrites;
    std::vector<std::pair<int, int>> waveWrites;
    int resets = 0;
};

TEST(SCCTest, WriteAreas)
{
    struct Case {
        std::uint8_t offset;
        std::uint8_t value;
        int wave;     // waveform offset that changes, -1 none
        int reg;      // register that changes, -1 none
    };
    const Case cases[] = {
        {0x00, 0x10, 0x00, -1}, {0x1F, 0x11, 0x1F, -1}, {0x60, 0x12, 0x60, -1}, {0x7F, 0x13, 0x7F, -1},
        {0x80, 0x14, -1, 0},    {0x89, 0x15, -1, 9},    {0x8A, 0x16, -1, 10},   {0x8F, 0x17, -1, 15},
        {0x90, 0x18, -1, -1},   {0xA0, 0x19, -1, -1},   {0xFF, 0x1A, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.offset));
        TRecordingSCC scc;
        scc.Write(c.offset, c.value);
        for (int offset = 0; offset < TSCC::waveformBytes; ++offset) {
            EXPECT_EQ(scc.GetWaveByte(offset), offset == c.wave ? c.value : 0) << offset;
        }
        for (int index = 0; index < TSCC::registerCount; ++index) {
            EXPECT_EQ(scc.GetRegister(index), index == c.reg ? c.value : 0) << index;
        }
        EXPECT_EQ(scc.waveWrites.size(), c.wave >= 0 ? 1u : 0u);
        EXPECT_EQ(scc.registerWrites.size(), c.reg >= 0 ? 1u : 0u);
        if (c.reg >= 0) {
            EXPECT_EQ(scc.registerWrites[0], std::make_pair(c.reg, int(c.value)));
        }
    }
}

TEST(SCCTest, DisabledChipStoresWithoutNotifying)
{
    TRecordingSCC scc;
    EXPECT_TRUE(scc.IsEnabled());
    scc.Disable();
    EXPECT_EQ(scc.resets, 1);
    EXPECT_FALSE(scc.IsEnabled());
    scc.Write(0x05, 0x42);
    scc.Write(0x8F, 0x1F);
    EXPECT_EQ(scc.GetWaveByte(5), 0x42);
    EXPECT_EQ(scc.GetRegister(15), 0x1F);
    scc.Enable();
    EXPECT_TRUE(scc.waveWrites.empty());
    EXPECT_TRUE(scc.registerWrites.empty());
    scc.Write(0x06, 0x43);
    EXPECT_EQ(scc.waveWrites, (std::vector<std::pair<int, int>>{{6, 0x43}}));
    scc.SetVolume(12);
    EXPECT_EQ(scc.GetVolume(), 12);
}

TEST(SCCTest, ChannelViews)
{
    TSCC scc;
    scc.Write(0x80, 0x34); // channel 0 period low
    scc.Write(0x81, 0xF2); // high 4 bits only
    scc.Write(0x88, 0xFF);
    scc.Write(0x89, 0x0F);
    scc.Write(0x8A, 0xF9); // volume channel 0, low 4 bits
    scc.Write(0x8E, 0x05);
    scc.Write(0x8F, 0x11); // channels 0 and 4
    scc.Write(0x60, 0xAB); // last waveform, first sample
    scc.Write(0x20, 0xCD);
    EXPECT_EQ(scc.ChannelPeriod(0), 0x234);
    EXPECT_EQ(scc.ChannelPeriod(4), 0xFFF);
    EXPECT_EQ(scc.ChannelVolume(0), 0x09);
    EXPECT_EQ(scc.ChannelVolume(4), 0x05);
    const bool enabled[] = {true, false, false, false, true};
    for (int channel = 0; channel < TSCC::channelCount; ++channel) {
        EXPECT_EQ(scc.ChannelEnabled(channel), enabled[channel]) << channel;
    }
    EXPECT_EQ(scc.ChannelWave(1)[0], 0xCD);
    EXPECT_EQ(scc.ChannelWave(3)[0], 0xAB);
    EXPECT_EQ(scc.ChannelWave(4), scc.ChannelWave(3));
}

} // namespace
