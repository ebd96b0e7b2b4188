#pragma once

#include <array>
#include <cstdint>

#include "sound/psg.h"
#include "sound/sound_buffers.h"

// The PSG made audible: each of the three channels is one looping tone buffer
// and one looping noise buffer. Register writes set their rates and volumes and
// start or stop them; the host mixes the buffers. The envelope generator runs
// in the host too: a channel in envelope mode has both its buffers follow it.
class TPCPSG : public TPSG {
public:
    static constexpr int channelCount = 3;

    // Creates the six buffers, filled and stopped.
    explicit TPCPSG(TSoundBuffers& buffers);
    ~TPCPSG() override;

    TPCPSG(const TPCPSG&) = delete;
    TPCPSG& operator=(const TPCPSG&) = delete;

    void RegisterWritten(std::uint8_t index, std::uint8_t value) override;
    void StopSound() override;
    void ResumeSound() override;
    void ResetSound() override;

    int GetToneBuffer(int channel) const { return toneBuffers[channel]; }
    int GetNoiseBuffer(int channel) const { return noiseBuffers[channel]; }
    int GetEnvelope() const { return envelope; }

private:
    void WriteTonePeriod(int channel);
    void WriteNoisePeriod();
    void WriteMixer(std::uint8_t value);
    void WriteLevel(int channel, std::uint8_t value);
    void WriteEnvelopePeriod();

    TSoundBuffers& buffers;
    std::array<int, channelCount> toneBuffers{};
    std::array<int, channelCount> noiseBuffers{};
    int envelope = -1;
    std::array<bool, channelCount> tonePlaying{};
    std::array<bool, channelCount> noisePlaying{};
    std::array<bool, channelCount> tonePeriodZero{};
};
