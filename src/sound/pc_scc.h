#pragma once

#include <array>
#include <cstdint>

#include "sound/scc.h"
#include "sound/sound_buffers.h"

// The SCC made audible: each of the five channels is one looping buffer of its
// 32 wave samples. Channels 4 and 5 (indices 3 and 4) share the last waveform,
// so both their buffers receive it.
class TPCSCC : public TSCC {
public:
    // Creates the five buffers, silent and stopped.
    explicit TPCSCC(TSoundBuffers& buffers);
    ~TPCSCC() override;

    void StopSound() override;
    void ResumeSound() override;
    void ResetSound() override;
    void RegisterWritten(int index, std::uint8_t value) override;
    void WaveWritten(int offset, std::uint8_t value) override;

    int GetWaveBuffer(int channel) const { return waveBuffers[channel]; }

private:
    void WriteWave(int channel);

    TSoundBuffers& buffers;
    std::array<int, channelCount> waveBuffers{};
    std::array<bool, channelCount> playing{};
    std::array<bool, channelCount> periodZero{};
};
