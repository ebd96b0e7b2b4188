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

float AmplitudeOf(std::int32_t hundredthsOfDecibel) {
    if (hundredthsOfDecibel <= TSoundBuffers::silentVolume) return 0;
    return static_cast<float>(std::pow(10.0, std::min(hundredthsOfDecibel, 0) / 2000.0));
}

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
        buffer.envelope = -1;
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
    const float amplitude = AmplitudeOf(hundredthsOfDecibel);
    const std::lock_guard lock(mutex);
    if (InUse(slot)) buffers[slot].amplitude = amplitude;
}

int TSoundMixer::CreateEnvelope() {
    const std::lock_guard lock(mutex);
    for (int envelope = 0; envelope < envelopeCount; ++envelope) {
        if (envelopes[envelope].inUse) continue;
        envelopes[envelope] = {true, true, TPSGEnvelope(outputRate)};
        return envelope;
    }
    return -1;
}

int TSoundMixer::ReleaseEnvelope(int envelope) {
    const std::lock_guard lock(mutex);
    if (!EnvelopeInUse(envelope)) return -1;
    envelopes[envelope].inUse = false;
    for (TBuffer& buffer : buffers) {
        if (buffer.envelope == envelope) buffer.envelope = -1;
    }
    return 0;
}

void TSoundMixer::SetEnvelopePeriod(int envelope, std::uint16_t period) {
    const std::lock_guard lock(mutex);
    if (EnvelopeInUse(envelope)) envelopes[envelope].generator.SetPeriod(period);
}

void TSoundMixer::SetEnvelopeShape(int envelope, std::uint8_t shape) {
    const std::lock_guard lock(mutex);
    if (EnvelopeInUse(envelope)) envelopes[envelope].generator.Start(shape);
}

void TSoundMixer::RunEnvelope(int envelope, bool running) {
    const std::lock_guard lock(mutex);
    if (EnvelopeInUse(envelope)) envelopes[envelope].running = running;
}

void TSoundMixer::FollowEnvelope(int slot, int envelope, const TLevelVolumes& volumes) {
    std::array<float, 16> amplitudes;
    std::transform(volumes.begin(), volumes.end(), amplitudes.begin(), AmplitudeOf);
    const std::lock_guard lock(mutex);
    if (!InUse(slot)) return;
    buffers[slot].envelope = EnvelopeInUse(envelope) ? envelope : -1;
    buffers[slot].envelopeAmplitudes = amplitudes;
}

// Each output sample takes the buffer sample under the play position, so square
// waves stay square, and the level its envelope has at that sample's time. The
// block is mixed in runs over which no envelope steps, so that volumes are
// looked up once a run.
void TSoundMixer::Render(std::int16_t* out, int frames) {
    if (out == nullptr || frames <= 0) return;
    std::array<TBuffer*, slotCount> playing;
    std::array<float, slotCount> amplitudes;
    int playingCount = 0;
    std::array<TPSGEnvelope*, envelopeCount> running;
    int runningCount = 0;
    const std::lock_guard lock(mutex);
    for (TBuffer& buffer : buffers) {
        if (buffer.playing) playing[playingCount++] = &buffer;
    }
    for (TEnvelope& envelope : envelopes) {
        if (envelope.inUse && envelope.running) running[runningCount++] = &envelope.generator;
    }
    for (int frame = 0; frame < frames;) {
        std::uint64_t run = static_cast<std::uint64_t>(frames - frame);
        for (int index = 0; index < runningCount; ++index) run = std::min(run, running[index]->FramesToNextStep());
        for (int index = 0; index < playingCount; ++index) {
            const TBuffer& buffer = *playing[index];
            amplitudes[index] = buffer.envelope < 0
                                    ? buffer.amplitude
                                    : buffer.envelopeAmplitudes[envelopes[buffer.envelope].generator.GetLevel()];
        }
        for (const int end = frame + static_cast<int>(run); frame < end; ++frame) {
            float mix = 0;
            for (int index = 0; index < playingCount; ++index) {
                TBuffer& buffer = *playing[index];
                const int sample = buffer.bytes[buffer.position >> fractionBits] - silence;
                mix += static_cast<float>(sample) * amplitudes[index];
                buffer.position += buffer.step;
                if (buffer.position >= buffer.end) buffer.position %= buffer.end;
            }
            out[frame] = static_cast<std::int16_t>(std::lround(std::clamp(mix * outputGain, -32768.0f, 32767.0f)));
        }
        for (int index = 0; index < runningCount; ++index) running[index]->Advance(run);
    }
}
