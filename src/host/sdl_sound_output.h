#pragma once

#include <SDL.h>

#include <atomic>
#include <memory>

#include "host/sound_mixer.h"
#include "machine/host_services.h"

// The host's sound: the default SDL audio device, fed by our mixer from SDL's
// audio thread. It asks for signed 16-bit mono at 44100 samples per second in
// blocks of 512 (about 12 ms) and mixes at whatever rate the device gives.
class TSDLSoundOutput : public TSoundOutput {
public:
    static constexpr int preferredRate = 44100;
    static constexpr int blockFrames = 512;

    // Opens and starts the device; throws std::runtime_error, with SDL's reason,
    // when no device can be opened.
    TSDLSoundOutput();
    // Closes the device, which ends the callbacks, before the mixer goes.
    ~TSDLSoundOutput() override;

    TSDLSoundOutput(const TSDLSoundOutput&) = delete;
    TSDLSoundOutput& operator=(const TSDLSoundOutput&) = delete;

    // The sound buffers the machine plays through, alive as long as this object.
    TSoundMixer& GetMixer() { return *mixer; }
    TSoundBuffers& GetBuffers() override { return *mixer; }
    // The mixer keeps rendering while muted, so the buffers go on from where they would be.
    void SetMuted(bool on) override { muted = on; }

private:
    static void FillBlock(void* output, Uint8* stream, int length);

    SDL_AudioDeviceID device = 0;
    std::unique_ptr<TSoundMixer> mixer;
    std::atomic<bool> muted = false;
};
