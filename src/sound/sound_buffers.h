#pragma once

#include <cstdint>

// Host service: looping 8-bit mono sound buffers, mixed and played by the host.
// Each sound channel of the chips is one buffer holding one waveform: its pitch
// is the buffer's playback rate, its loudness the buffer's volume in hundredths
// of a decibel, and switching it on or off is playing or stopping the buffer.
// Samples are unsigned, 128 being silence.
class TSoundBuffers {
public:
    static constexpr int slotCount = 256;
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
};

// A volume table entry less the chip's attenuation in dB; silence stays silence.
inline std::int32_t AttenuatedVolume(std::int32_t tableVolume, std::int32_t attenuation) {
    return tableVolume == TSoundBuffers::silentVolume ? tableVolume : tableVolume - attenuation * 100;
}
