#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <vector>

#include "host/psg_envelope.h"
#include "sound/sound_buffers.h"

// Our own mixer of the looping sound buffers: it keeps each buffer's bytes,
// rate, volume and play position, and renders all playing buffers into one mono
// stream of signed 16-bit samples at the output rate. It runs the PSG envelopes
// too, one step of time per output sample, so they keep real time whatever the
// emulation does. The emulation thread calls the buffer and envelope operations
// while the audio thread calls Render; one mutex guards them all and is held
// only for a copy or for one short mix.
class TSoundMixer : public TSoundBuffers {
public:
    // Throws std::invalid_argument unless the rate is positive.
    explicit TSoundMixer(int outputRate);

    // Takes 8-bit buffers of one byte or more, filled with silence; -1 otherwise.
    int CreateBuffer(std::int32_t samplesPerSecond, int bitsPerSample, std::int32_t sizeInBytes) override;
    int ReleaseBuffer(int slot) override;
    // Bytes beyond the buffer's size are left out.
    int WriteBuffer(int slot, const std::uint8_t* data, std::int32_t length) override;
    void Play(int slot) override;
    void Stop(int slot) override;
    // Negative rates are taken as 0, which holds the buffer at its position.
    void SetFrequency(int slot, std::int32_t rate) override;
    // Volumes above 0 are taken as 0.
    void SetVolume(int slot, std::int32_t hundredthsOfDecibel) override;

    int CreateEnvelope() override;
    int ReleaseEnvelope(int envelope) override;
    void SetEnvelopePeriod(int envelope, std::uint16_t period) override;
    void SetEnvelopeShape(int envelope, std::uint8_t shape) override;
    void RunEnvelope(int envelope, bool running) override;
    void FollowEnvelope(int slot, int envelope, const TLevelVolumes& volumes) override;

    // Fills out with frames samples of the mix, advancing every playing buffer
    // and every running envelope.
    // Safe on the audio thread: it allocates nothing and never waits long.
    void Render(std::int16_t* out, int frames);

    int GetOutputRate() const { return outputRate; }

private:
    // Positions count in 1/2^32 of a buffer sample.
    static constexpr int fractionBits = 32;

    struct TBuffer {
        bool inUse = false;
        bool playing = false;
        std::vector<std::uint8_t> bytes;
        std::uint64_t end = 0;       // the size as a position
        std::uint64_t position = 0;
        std::uint64_t step = 0;      // advance per output sample
        float amplitude = 1;
        int envelope = -1;           // followed instead of amplitude, or -1
        std::array<float, 16> envelopeAmplitudes{};
    };

    struct TEnvelope {
        bool inUse = false;
        bool running = false;
        TPSGEnvelope generator;
    };

    bool InUse(int slot) const { return slot >= 0 && slot < slotCount && buffers[slot].inUse; }
    bool EnvelopeInUse(int envelope) const {
        return envelope >= 0 && envelope < envelopeCount && envelopes[envelope].inUse;
    }
    std::uint64_t StepFor(std::int32_t rate) const;

    const int outputRate;
    std::mutex mutex;
    std::array<TBuffer, slotCount> buffers;
    std::array<TEnvelope, envelopeCount> envelopes;
};
