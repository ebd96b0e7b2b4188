#include "host/sdl_sound_output.h"

#include <cstdint>
#include <stdexcept>
#include <string>

namespace {

std::runtime_error OpenFailure() {
    return std::runtime_error(std::string("Failed to open the sound device: ") + SDL_GetError());
}

}  // namespace

TSDLSoundOutput::TSDLSoundOutput() {
    // SDL would otherwise turn SIGINT and SIGTERM into quit events nobody reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) throw OpenFailure();
    SDL_AudioSpec wanted{};
    wanted.freq = preferredRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 1;
    wanted.samples = blockFrames;
    wanted.callback = FillBlock;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    // SDL converts format, channels and block size where the device differs;
    // only the rate is taken as the device has it.
    device = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, SDL_AUDIO_ALLOW_FREQUENCY_CHANGE);
    if (device == 0) {
        const std::runtime_error failure = OpenFailure();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        throw failure;
    }
    // The device starts paused; the lock hands the ring to the audio thread.
    SDL_LockAudioDevice(device);
    rate = obtained.freq;
    const auto target = static_cast<std::size_t>(rate * latencySeconds);
    ring = std::make_unique<TSoundRing>(4 * target + 4 * blockFrames, target);
    SDL_UnlockAudioDevice(device);
    SDL_PauseAudioDevice(device, 0);
}

TSDLSoundOutput::~TSDLSoundOutput() {
    SDL_CloseAudioDevice(device);
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

// Muted (full speed, or by the user), the frames are dropped: the ring runs dry
// and plays silence.
void TSDLSoundOutput::Play(std::span<const std::int16_t> samples) {
    if (!muted) ring->Push(samples);
}

void TSDLSoundOutput::FillBlock(void* output, Uint8* stream, int length) {
    TSDLSoundOutput& self = *static_cast<TSDLSoundOutput*>(output);
    const int frames = length / static_cast<int>(sizeof(std::int16_t));
    if (self.ring) {
        self.ring->Pull(reinterpret_cast<std::int16_t*>(stream), frames);
    } else {
        SDL_memset(stream, 0, static_cast<std::size_t>(length));
    }
}
