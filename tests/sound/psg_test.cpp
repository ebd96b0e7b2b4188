#include "sound/pc_psg.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "support/recording_sound_buffers.h"

namespace {

// The chip and its host sound, which turns register writes into buffer settings.
struct PSGTest : ::testing::Test {
    void Write(int index, int value) { psg.WritePort(0xA0, index); psg.WritePort(0xA1, value); }
    int Read(int index) { psg.WritePort(0xA0, index); return psg.ReadPort(0xA2); }
    const TRecordingSoundBuffers::TBuffer& Tone(int channel) { return sound.buffers[psg.GetToneBuffer(channel)]; }
    const TRecordingSoundBuffers::TBuffer& Noise(int channel) { return sound.buffers[psg.GetNoiseBuffer(channel)]; }

    TRecordingSoundBuffers sound;
    TPCPSG psg{sound};
};

TEST_F(PSGTest, RegistersKeepAllBitsTheLatchFourAndOnlyA2hReads) {
    for (int index = 0; index < 14; ++index) Write(index, 0xF0 + index);
    for (int index = 0; index < 14; ++index) EXPECT_EQ(Read(index), 0xF0 + index) << index;
    EXPECT_EQ(Read(15), 0xFF);  // the port select reads nothing back
    Write(0x18, 0x07);          // latch 8
    for (std::uint8_t port : {0xA0, 0xA1, 0xA3}) EXPECT_EQ(psg.ReadPort(port), 0xFF) << int(port);
    psg.WritePort(0xA2, 0x12);
    EXPECT_EQ(Read(8), 0x07);
    psg.Disable();  // stores writes without sounding them
    Write(8, 0x0F);
    EXPECT_EQ(Read(8), 0x0F);
    EXPECT_EQ(Tone(0).volume, -800);
}

TEST_F(PSGTest, BuffersHoldASquareToneAndTheShiftRegisterNoise) {
    const std::vector<std::uint8_t>& tone = Tone(2).bytes;  // eight cycles of sixteen samples
    ASSERT_EQ(tone.size(), 128u);
    for (std::size_t sample = 0; sample < tone.size(); ++sample) EXPECT_EQ(tone[sample] > 128, sample % 16 < 8);
    const std::vector<std::uint8_t>& noise = Noise(2).bytes;
    ASSERT_EQ(noise.size(), 16384u);
    std::vector<int> firstHigh;
    for (int index = 0; firstHigh.size() < 8; ++index)
        if (noise[index] == 0x90) firstHigh.push_back(index);
    EXPECT_EQ(firstHigh, (std::vector<int>{30, 43, 56, 61, 69, 82, 87, 92}));
    EXPECT_EQ(std::count(noise.begin(), noise.end(), 0x90), 8015);
    EXPECT_EQ(std::count(noise.begin(), noise.end(), 0x70), 16384 - 8015);
}

TEST_F(PSGTest, PeriodsSetRatesAndLevelsVolumesThroughTheirMasks) {
    const struct {
        int index, low, high, rate;  // tone periods of A, B, C, the noise period (high unused)
    } periods[] = {{0, 0xFE, 0x00, 7046}, {2, 0x01, 0x00, 1789772}, {4, 0xFF, 0x0F, 437}, {0, 0xFE, 0xF0, 7046},
                   {6, 0x01, 0, 111860},  {6, 0x1F, 0, 3608},        {6, 0x3F, 0, 3608},   {6, 0x00, 0, 100000}};
    for (const auto& c : periods) {
        Write(c.index, c.low);
        if (c.index < 6) Write(c.index + 1, c.high);
        EXPECT_EQ(c.index < 6 ? Tone(c.index / 2).rate : Noise(1).rate, c.rate) << c.index << " " << c.low;
    }
    // Bits 0-3 give the volume; bit 4 has both buffers follow the envelope
    // instead, through the same tables less the same attenuation.
    const struct {
        int index, value, attenuation, tone, noise;
    } levels[] = {{8, 0x1F, 0, 0, -1100},      {8, 0x1F, 5, -500, -1600}, {8, 0x00, 5, -10000, -10000},
                  {9, 0x11, 20, -3400, -4500}, {10, 0xE9, 3, -900, -2000}};
    for (const auto& c : levels) {
        psg.SetVolume(c.attenuation);
        Write(c.index, c.value);
        const auto& tone = Tone(c.index - 8);
        const auto& noise = Noise(c.index - 8);
        EXPECT_EQ(tone.volume, c.tone) << c.value;
        EXPECT_EQ(noise.volume, c.noise) << c.value;
        const bool follows = c.value & 0x10;
        EXPECT_EQ(tone.envelope == 0 && noise.envelope == 0, follows) << c.value;
        if (!follows) continue;
        EXPECT_EQ(tone.envelopeVolumes[c.value & 0x0F], c.tone) << c.value;
        EXPECT_EQ(noise.envelopeVolumes[c.value & 0x0F], c.noise) << c.value;
    }
}

// Bits 0-2 of register 7 turn off tones A-C, bits 3-5 noise A-C.
TEST_F(PSGTest, MixerStartsAndStopsEachChannelByItsOwnBitUntilAReset) {
    for (const auto& [mixer, playing] : {std::pair{0xB8, 007}, {0xB8, 007}, {0xB7, 010}, {0xAA, 025}, {0, 077}}) {
        Write(7, mixer);
        for (int channel = 0; channel < 3; ++channel) {
            EXPECT_EQ(Tone(channel).playing, (playing >> channel & 1) != 0) << mixer << " " << channel;
            EXPECT_EQ(Noise(channel).playing, (playing >> (channel + 3) & 1) != 0) << mixer << " " << channel;
        }
    }
    EXPECT_EQ(Tone(0).plays, 2);  // on at B8h, again at AAh, left running by 00h
    psg.Disable();                // a reset silences all and forgets what played
    psg.Enable();
    EXPECT_FALSE(Tone(0).playing);
    Write(7, 0xBE);
    EXPECT_TRUE(Tone(0).playing);
}

}  // namespace
