#pragma once

#include <array>
#include <cstdint>

// Host service: looping 8-bit mono sound buffers, mixed and played by the host.
// Each sound channel of the chips is one buffer holding one waveform: its pitch
// is the buffer's playback rate, its loudness the buffer's volume in hundredths
// of a decibel, and switching it on or off is playing or stopping the buffer.
// Samples are unsigned, 128 being silence.
//
// The host also runs the PSG's envelope generators in real time: a buffer may
// follow an envelope, taking its volume from the envelope's current level.
class TSoundBuffers {
public:
    static constexpr int slotCount = 256;
    // One envelope per PSG, and a few more so that a rebuilt machine's PSG can
    // take one before the old PSG gives its own back.
    static constexpr int envelopeCount = 4;
    // Hundredths of a decibel by envelope level 0-15.
    using TLevelVolumes = std::array<std::int32_t, 16>;
    // Rates of this and above are played at highestRate.
    static constexpr std::int32_t rateLimit = 100000;
    static constexpr std::int32_t highestRate = 99999;
    // Hundredths of a decibel: 0 is full loudness, silentVolume is silence.
    static constexpr std::int32_t silentVolume = -10000;

    virtual ~TSoundBuffers() = default;

    // Takes the lowest free slot; -1 when all are in use or the host has no sound.
    virtual int CreateBuffer(std::int32_t samplesPerSecond, int bitsPerSample, std::int32_t sizeInBytes) = 0;
    // -1 when the slot is not in use.
    virtual int ReleaseBuffer(int slot) = 0;
    // Copies the data to the start of the buffer. Returns 0.
    virtual int WriteBuffer(int slot, const std::uint8_t* data, std::int32_t length) = 0;
    // These four do nothing for a slot that is not in use. Play loops from the
    // position where the buffer last stopped.
    virtual void Play(int slot) = 0;
    virtual void Stop(int slot) = 0;
    virtual void SetFrequency(int slot, std::int32_t rate) = 0;
    virtual void SetVolume(int slot, std::int32_t hundredthsOfDecibel) = 0;

    // Takes the lowest free envelope, running at period 1 with shape 0; -1 when
    // all are in use or the host has no sound.
    virtual int CreateEnvelope() = 0;
    // -1 when the envelope is not in use. Buffers that follow it take their own
    // volume back.
    virtual int ReleaseEnvelope(int envelope) = 0;
    // The PSG's envelope period (0 acts as 1) and shape, bits 3-0: continue,
    // attack, alternate, hold. Setting the shape restarts the envelope at its
    // first step. These three do nothing for an envelope that is not in use.
    virtual void SetEnvelopePeriod(int envelope, std::uint16_t period) = 0;
    virtual void SetEnvelopeShape(int envelope, std::uint8_t shape) = 0;
    // A paused envelope keeps its step until it runs again.
    virtual void RunEnvelope(int envelope, bool running) = 0;
    // The buffer takes volumes[level] at the envelope's current level instead of
    // its own volume; an envelope that is not in use (-1) gives it its own back.
    virtual void FollowEnvelope(int slot, int envelope, const TLevelVolumes& volumes) = 0;
};

// A host without sound: no buffer can be created, so nothing ever plays.
class TNoSoundBuffers : public TSoundBuffers {
public:
    int CreateBuffer(std::int32_t, int, std::int32_t) override { return -1; }
    int ReleaseBuffer(int) override { return -1; }
    int WriteBuffer(int, const std::uint8_t*, std::int32_t) override { return 0; }
    void Play(int) override {}
    void Stop(int) override {}
    void SetFrequency(int, std::int32_t) override {}
    void SetVolume(int, std::int32_t) override {}
    int CreateEnvelope() override { return -1; }
    int ReleaseEnvelope(int) override { return -1; }
    void SetEnvelopePeriod(int, std::uint16_t) override {}
    void SetEnvelopeShape(int, std::uint8_t) override {}
    void RunEnvelope(int, bool) override {}
    void FollowEnvelope(int, int, const TLevelVolumes&) override {}
};

// A volume table entry less the chip's attenuation in dB; silence stays silence.
inline std::int32_t AttenuatedVolume(std::int32_t tableVolume, std::int32_t attenuation) {
    return tableVolume == TSoundBuffers::silentVolume ? tableVolume : tableVolume - attenuation * 100;
}
