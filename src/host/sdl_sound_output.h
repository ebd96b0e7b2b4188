#pragma once

#include <SDL.h>

#include <atomic>
#include <memory>

#include "host/sound_ring.h"
#include "machine/host_services.h"

// The host's sound: the default SDL audio device, playing the machine's samples
// from a ring buffer on SDL's audio thread. It asks for signed 16-bit mono at
// 44100 samples a second in blocks of 441 (10 ms: a whole number of milliseconds,
// as SDL's disk driver waits between blocks) and takes the rate the device gives.
// About 55 ms wait in the ring: with the block, 3 to 4 frames.
class TSDLSoundOutput : public TSoundOutput {
public:
    static constexpr int preferredRate = 44100;
    static constexpr int blockFrames = 441;
    static constexpr double latencySeconds = 0.055;

    // Opens and starts the device; throws std::runtime_error, with SDL's reason,
    // when no device can be opened.
    TSDLSoundOutput();
    // Closes the device, which ends the callbacks, before the ring goes.
    ~TSDLSoundOutput() override;

    TSDLSoundOutput(const TSDLSoundOutput&) = delete;
    TSDLSoundOutput& operator=(const TSDLSoundOutput&) = delete;

    int GetRate() const override { return rate; }
    void Play(std::span<const std::int16_t> samples) override;
    void SetMuted(bool on) override { muted = on; }

    const TSoundRing& GetRing() const { return *ring; }

private:
    static void FillBlock(void* output, Uint8* stream, int length);

    SDL_AudioDeviceID device = 0;
    int rate = preferredRate;
    std::unique_ptr<TSoundRing> ring;
    std::atomic<bool> muted = false;
};
