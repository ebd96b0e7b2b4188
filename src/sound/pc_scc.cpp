#include "sound/pc_scc.h"

#include "sound/sound_channels.h"

namespace {

constexpr std::int32_t bufferRate = 22050;
constexpr int bitsPerSample = 8;
constexpr std::uint8_t silence = 128;

// 32 samples per cycle: a rate of 3579545.6 / period sounds at 111860.8 / period Hz.
constexpr double sampleClock = 3579545.6;

// Hundredths of a decibel by 4-bit level.
constexpr std::int32_t volumes[16] = {-10000, -2500, -2400, -2300, -2200, -2100, -2000, -1900,
                                      -1800,  -1700, -1600, -1500, -1400, -1300, -1200, -1100};

constexpr int lastPeriodRegister = 9;
constexpr int lastVolumeRegister = 14;
constexpr int sharedWave = 3;

}  // namespace

TPCSCC::TPCSCC(TSoundBuffers& buffers) : buffers(buffers) {
    std::uint8_t silentWave[waveLength];
    for (std::uint8_t& sample : silentWave) sample = silence;
    for (int& slot : waveBuffers) {
        slot = buffers.CreateBuffer(bufferRate, bitsPerSample, waveLength);
        buffers.WriteBuffer(slot, silentWave, waveLength);
    }
}

TPCSCC::~TPCSCC() {
    for (int slot : waveBuffers) buffers.ReleaseBuffer(slot);
}

void TPCSCC::StopSound() { StopChannels(buffers, waveBuffers, playing); }

void TPCSCC::ResumeSound() { ResumeChannels(buffers, waveBuffers, playing); }

void TPCSCC::ResetSound() {
    StopSound();
    playing.fill(false);
}

void TPCSCC::WaveWritten(int offset, std::uint8_t) {
    const int channel = offset >> 5;
    WriteWave(channel);
    if (channel == sharedWave) WriteWave(sharedWave + 1);
}

// The chip's samples are signed, the buffers' unsigned with 128 as silence.
void TPCSCC::WriteWave(int channel) {
    const std::uint8_t* wave = ChannelWave(channel);
    std::uint8_t samples[waveLength];
    for (int sample = 0; sample < waveLength; ++sample) samples[sample] = wave[sample] ^ 0x80;
    if (playing[channel]) buffers.Stop(waveBuffers[channel]);
    buffers.WriteBuffer(waveBuffers[channel], samples, waveLength);
    if (playing[channel]) buffers.Play(waveBuffers[channel]);
}

void TPCSCC::RegisterWritten(int index, std::uint8_t value) {
    if (index <= lastPeriodRegister) {
        const int channel = index / 2;
        SetChannelPeriod(buffers, waveBuffers[channel], sampleClock, ChannelPeriod(channel), playing[channel],
                         periodZero[channel]);
    } else if (index <= lastVolumeRegister) {
        const int channel = index - firstVolumeRegister;
        buffers.SetVolume(waveBuffers[channel], AttenuatedVolume(volumes[ChannelVolume(channel)], GetVolume()));
    } else if (index == channelEnableRegister && (value & 0x1F) != 0) {
        // An enable value without any channel bit leaves the channels as they are.
        for (int channel = 0; channel < channelCount; ++channel) {
            SwitchChannel(buffers, waveBuffers[channel], (value >> channel) & 1, playing[channel]);
        }
    }
}
