#include "sound/pc_psg.h"

#include "sound/sound_channels.h"

namespace {

constexpr std::int32_t bufferRate = 22050;
constexpr int bitsPerSample = 8;
constexpr int noiseLength = 16384;

// A tone buffer holds eight cycles of sixteen samples, so a rate of
// 1789772.8 / period sounds at 111860.8 / period Hz, the chip's tone frequency.
constexpr double toneSampleClock = 1789772.8;
constexpr double noiseSampleClock = 111860.8;

constexpr std::uint8_t toneCycle[16] = {139, 144, 144, 144, 144, 144, 144, 139,
                                        117, 112, 112, 112, 112, 112, 112, 117};
constexpr int toneLength = 8 * 16;

// Hundredths of a decibel by 4-bit level.
constexpr std::int32_t toneVolumes[16] = {-10000, -1400, -1300, -1200, -1100, -1000, -900, -800,
                                          -700,   -600,  -500,  -400,  -300,  -200,  -100, 0};
constexpr std::int32_t noiseVolumes[16] = {-10000, -2500, -2400, -2300, -2200, -2100, -2000, -1900,
                                           -1800,  -1700, -1600, -1500, -1400, -1300, -1200, -1100};

constexpr std::uint8_t mixerRegister = 7;
constexpr std::uint8_t noisePeriodRegister = 6;
constexpr std::uint8_t firstLevelRegister = 8;
constexpr std::uint8_t lastLevelRegister = 10;
constexpr std::uint8_t envelopePeriodLowRegister = 11;
constexpr std::uint8_t envelopePeriodHighRegister = 12;
constexpr std::uint8_t envelopeShapeRegister = 13;
constexpr std::uint8_t envelopeModeBit = 0x10;

TSoundBuffers::TLevelVolumes AttenuatedVolumes(const std::int32_t (&volumes)[16], int attenuation) {
    TSoundBuffers::TLevelVolumes attenuated;
    for (int level = 0; level < 16; ++level) attenuated[level] = AttenuatedVolume(volumes[level], attenuation);
    return attenuated;
}

// A shift register with feedback taps; all three noise buffers play this same sequence.
const std::uint8_t* NoiseWaveform() {
    static const auto waveform = [] {
        std::array<std::uint8_t, noiseLength> samples{};
        std::uint32_t n = 1;
        for (std::uint8_t& sample : samples) {
            n *= 2;
            if (n & 0x80000000u) n ^= 0x40001;
            sample = (n & 1) ? 0x90 : 0x70;
        }
        return samples;
    }();
    return waveform.data();
}

}  // namespace

TPCPSG::TPCPSG(TSoundBuffers& buffers) : buffers(buffers) {
    std::uint8_t tone[toneLength];
    for (int sample = 0; sample < toneLength; ++sample) tone[sample] = toneCycle[sample % 16];
    for (int& slot : toneBuffers) {
        slot = buffers.CreateBuffer(bufferRate, bitsPerSample, toneLength);
        buffers.WriteBuffer(slot, tone, toneLength);
    }
    for (int& slot : noiseBuffers) {
        slot = buffers.CreateBuffer(bufferRate, bitsPerSample, noiseLength);
        buffers.WriteBuffer(slot, NoiseWaveform(), noiseLength);
    }
    envelope = buffers.CreateEnvelope();
}

TPCPSG::~TPCPSG() {
    buffers.ReleaseEnvelope(envelope);
    for (int slot : toneBuffers) buffers.ReleaseBuffer(slot);
    for (int slot : noiseBuffers) buffers.ReleaseBuffer(slot);
}

void TPCPSG::RegisterWritten(std::uint8_t index, std::uint8_t value) {
    if (index < 2 * channelCount) {
        WriteTonePeriod(index / 2);
    } else if (index == noisePeriodRegister) {
        WriteNoisePeriod();
    } else if (index == mixerRegister) {
        WriteMixer(value);
    } else if (index >= firstLevelRegister && index <= lastLevelRegister) {
        WriteLevel(index - firstLevelRegister, value);
    } else if (envelope >= 0 && (index == envelopePeriodLowRegister || index == envelopePeriodHighRegister)) {
        WriteEnvelopePeriod();
    } else if (envelope >= 0 && index == envelopeShapeRegister) {
        buffers.SetEnvelopeShape(envelope, value);  // restarts it, even with the same shape
    }
}

void TPCPSG::WriteTonePeriod(int channel) {
    const auto period = static_cast<std::uint16_t>((GetRegister(2 * channel + 1) & 0x0F) * 256 + GetRegister(2 * channel));
    SetChannelPeriod(buffers, toneBuffers[channel], toneSampleClock, period, tonePlaying[channel],
                     tonePeriodZero[channel]);
}

void TPCPSG::WriteNoisePeriod() {
    const int period = GetRegister(noisePeriodRegister) & 0x1F;
    const std::int32_t rate = period != 0 ? static_cast<std::int32_t>(noiseSampleClock / period) : TSoundBuffers::rateLimit;
    for (int slot : noiseBuffers) buffers.SetFrequency(slot, rate);
}

// A set bit turns its channel off: bits 0-2 the tones, bits 3-5 the noise.
void TPCPSG::WriteMixer(std::uint8_t value) {
    for (int channel = 0; channel < channelCount; ++channel) {
        SwitchChannel(buffers, toneBuffers[channel], !((value >> channel) & 1), tonePlaying[channel]);
    }
    for (int channel = 0; channel < channelCount; ++channel) {
        SwitchChannel(buffers, noiseBuffers[channel], !((value >> (channel + 3)) & 1), noisePlaying[channel]);
    }
}

// Bit 4 hands the channel's volume to the envelope, through the same tables;
// clearing it gives back bits 0-3 at once.
void TPCPSG::WriteLevel(int channel, std::uint8_t value) {
    const int level = value & 0x0F;
    buffers.SetVolume(toneBuffers[channel], AttenuatedVolume(toneVolumes[level], GetVolume()));
    buffers.SetVolume(noiseBuffers[channel], AttenuatedVolume(noiseVolumes[level], GetVolume()));
    if (envelope < 0) return;
    if (value & envelopeModeBit) {
        buffers.FollowEnvelope(toneBuffers[channel], envelope, AttenuatedVolumes(toneVolumes, GetVolume()));
        buffers.FollowEnvelope(noiseBuffers[channel], envelope, AttenuatedVolumes(noiseVolumes, GetVolume()));
    } else {
        buffers.FollowEnvelope(toneBuffers[channel], -1, {});
        buffers.FollowEnvelope(noiseBuffers[channel], -1, {});
    }
}

void TPCPSG::WriteEnvelopePeriod() {
    buffers.SetEnvelopePeriod(envelope, static_cast<std::uint16_t>(GetRegister(envelopePeriodHighRegister) * 256 +
                                                                   GetRegister(envelopePeriodLowRegister)));
}

void TPCPSG::StopSound() {
    StopChannels(buffers, toneBuffers, tonePlaying);
    StopChannels(buffers, noiseBuffers, noisePlaying);
    buffers.RunEnvelope(envelope, false);
}

void TPCPSG::ResumeSound() {
    ResumeChannels(buffers, toneBuffers, tonePlaying);
    ResumeChannels(buffers, noiseBuffers, noisePlaying);
    buffers.RunEnvelope(envelope, true);
}

// The envelope starts over, paused like everything else until the sound resumes.
void TPCPSG::ResetSound() {
    StopSound();
    tonePlaying.fill(false);
    noisePlaying.fill(false);
    buffers.SetEnvelopeShape(envelope, GetRegister(envelopeShapeRegister));
}
