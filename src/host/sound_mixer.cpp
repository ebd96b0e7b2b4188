#include "host/sound_mixer.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <utility>

namespace {

constexpr std::uint8_t silence = 128;

// Output units per buffer sample unit at full volume. The loudest the chips ask
// for (three tones at 0 dB and three noises at -11 dB swinging 16 around
// silence, five SCC waves at -11 dB swinging 128) sums to about 242 units, so
// 128 keeps even that below full scale; anything louder is clamped.
constexpr float outputGain = 128;

}  // namespace

TSoundMixer::TSoundMixer(int outputRate) : outputRate(outputRate) {
    if (outputRate <= 0) throw std::invalid_argument("The sound output rate must be positive");
}

std::uint64_t TSoundMixer::StepFor(std::int32_t rate) const {
    const std::int32_t played = std::clamp(rate >= rateLimit ? highestRate : rate, 0, highestRate);
    return (static_cast<std::uint64_t>(played) << fractionBits) / static_cast<std::uint64_t>(outputRate);
}

int TSoundMixer::CreateBuffer(std::int32_t samplesPerSecond, int bitsPerSample, std::int32_t sizeInBytes) {
    if (bitsPerSample != 8 || sizeInBytes <= 0) return -1;
    // Allocated before taking the lock, so the audio thread never waits for it;
    // when no slot is free it is freed after the lock is given back.
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(sizeInBytes), silence);
    const std::lock_guard lock(mutex);
    for (int slot = 0; slot < slotCount; ++slot) {
        TBuffer& buffer = buffers[slot];
        if (buffer.inUse) continue;
        buffer.inUse = true;
        buffer.playing = false;
        buffer.end = static_cast<std::uint64_t>(sizeInBytes) << fractionBits;
        buffer.position = 0;
        buffer.step = StepFor(samplesPerSecond);
        buffer.amplitude = 1;
        buffer.bytes = std::move(bytes);
        return slot;
    }
    return -1;
}

int TSoundMixer::ReleaseBuffer(int slot) {
    std::vector<std::uint8_t> released;  // freed once the lock is given back
    const std::lock_guard lock(mutex);
    if (!InUse(slot)) return -1;
    released.swap(buffers[slot].bytes);
    buffers[slot].inUse = false;
    buffers[slot].playing = false;
    return 0;
}

int TSoundMixer::WriteBuffer(int slot, const std::uint8_t* data, std::int32_t length) {
    if (data == nullptr || length <= 0) return 0;
    const std::lock_guard lock(mutex);
    if (!InUse(slot)) return 0;
    std::vector<std::uint8_t>& bytes = buffers[slot].bytes;
    std::copy_n(data, std::min<std::size_t>(static_cast<std::size_t>(length), bytes.size()), bytes.begin());
    return 0;
}

void TSoundMixer::Play(int slot) {
    const std::lock_guard lock(mutex);
    if (InUse(slot)) buffers[slot].playing = true;
}

void TSoundMixer::Stop(int slot) {
    const std::lock_guard lock(mutex);
    if (InUse(slot)) buffers[slot].playing = false;
}

void TSoundMixer::SetFrequency(int slot, std::int32_t rate) {
    const std::lock_guard lock(mutex);
    if (InUse(slot)) buffers[slot].step = StepFor(rate);
}

void TSoundMixer::SetVolume(int slot, std::int32_t hundredthsOfDecibel) {
    const float amplitude = hundredthsOfDecibel <= silentVolume
                                ? 0.0f
                                : static_cast<float>(std::pow(10.0, std::min(hundredthsOfDecibel, 0) / 2000.0));
    const std::lock_guard lock(mutex);
    if (InUse(slot)) buffers[slot].amplitude = amplitude;
}

// Each output sample takes the buffer sample under the play position, so square
// waves stay square.
void TSoundMixer::Render(std::int16_t* out, int frames) {
    if (out == nullptr || frames <= 0) return;
    std::array<TBuffer*, slotCount> playing;
    int playingCount = 0;
    const std::lock_guard lock(mutex);
    for (TBuffer& buffer : buffers) {
        if (buffer.playing) playing[playingCount++] = &buffer;
    }
    for (int frame = 0; frame < frames; ++frame) {
        float mix = 0;
        for (int index = 0; index < playingCount; ++index) {
            TBuffer& buffer = *playing[index];
            const int sample = buffer.bytes[buffer.position >> fractionBits] - silence;
            mix += static_cast<float>(sample) * buffer.amplitude;
            buffer.position += buffer.step;
            if (buffer.position >= buffer.end) buffer.position %= buffer.end;
        }
        out[frame] = static_cast<std::int16_t>(std::lround(std::clamp(mix * outputGain, -32768.0f, 32767.0f)));
    }
}
