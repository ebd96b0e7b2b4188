#include "sound/scc.h"

#include <algorithm>
#include <cmath>

#include "cpu/z80.h"
#include "settings/state_record.h"

namespace {

// Channels are numbered 0-4; any other number wraps into that range.
int ChannelIndex(int channel)
{
    return static_cast<int>(static_cast<unsigned>(channel) % TSCC::channelCount);
}

}  // namespace

void TSCC::Write(std::uint8_t offset, std::uint8_t value)
{
    if (offset >= waveformBytes + registerCount) return;
    RenderTo(Now());
    if (offset < waveformBytes) {
        waveforms[offset] = value;
    } else {
        const int index = offset & 0x0F;
        registers[index] = value;
        if (index < firstVolumeRegister) {
            // A shorter period ends the sample under way at once.
            const int channel = index / 2;
            count[channel] = std::min<std::uint32_t>(count[channel], std::max(ChannelPeriod(channel), std::uint16_t{1}) - 1u);
        }
    }
}

std::uint64_t TSCC::Now() const
{
    return z80 != nullptr ? z80->cycles : renderedCycle;
}

// Volumes are linear: volume v gives v / 15 of the full level.
void TSCC::UpdateAmplitudes()
{
    const double attenuation = std::pow(10.0, -volumeAttenuation / 20.0);
    for (int volume = 0; volume < 16; ++volume) {
        amplitudes[volume] = static_cast<float>(fullLevel * attenuation * volume / 15.0);
    }
}

// The output holds between the channels' sample steps; a channel with period 0
// stands still. Only the channels that sound end a stretch; the others are
// counted on at its end.
void TSCC::RenderTo(std::uint64_t cycle)
{
    if (cycle <= renderedCycle) return;
    std::uint64_t left = cycle - renderedCycle;
    renderedCycle = cycle;
    if (!mixInput.IsStarted() || !enabled) return;
    std::array<std::uint32_t, channelCount> periods;
    std::array<float, channelCount> gains;
    std::array<const std::uint8_t*, channelCount> waves;
    std::array<bool, channelCount> heard;
    for (int channel = 0; channel < channelCount; ++channel) {
        periods[channel] = ChannelPeriod(channel);
        heard[channel] = periods[channel] != 0 && ChannelEnabled(channel) && ChannelVolume(channel) != 0;
        gains[channel] = heard[channel] ? amplitudes[ChannelVolume(channel)] : 0.0f;
        waves[channel] = ChannelWave(channel);
    }
    while (left > 0) {
        std::uint64_t span = left;
        float output = 0;
        for (int channel = 0; channel < channelCount; ++channel) {
            if (!heard[channel]) continue;
            span = std::min<std::uint64_t>(span, periods[channel] - count[channel]);
            output += static_cast<std::int8_t>(waves[channel][position[channel]]) * gains[channel];
        }
        mixInput.Hold(output, span);
        left -= span;
        for (int channel = 0; channel < channelCount; ++channel) {
            if (periods[channel] == 0) continue;
            const std::uint64_t total = count[channel] + span;
            if (total < periods[channel]) {
                count[channel] = static_cast<std::uint32_t>(total);
            } else if (heard[channel]) {
                // A channel that is heard ends a stretch at most at its next step.
                count[channel] = 0;
                position[channel] = (position[channel] + 1) % waveLength;
            } else {
                position[channel] = static_cast<std::uint8_t>((position[channel] + total / periods[channel]) % waveLength);
                count[channel] = static_cast<std::uint32_t>(total % periods[channel]);
            }
        }
    }
}

void TSCC::SetSoundMix(TSoundMix* mix)
{
    soundMix = mix;
    renderedCycle = Now();
    mixInput.Start(mix, renderedCycle);
}

void TSCC::ResetSound()
{
    RenderTo(Now());
    waveforms.fill(0);
    registers.fill(0);
    position.fill(0);
    count.fill(0);
}

void TSCC::SaveState(TStateWriter& record) const
{
    record.Bytes(waveforms);
    record.Bytes(registers);
    for (int channel = 0; channel < channelCount; ++channel) {
        record.Byte(position[channel]);
        record.Long(count[channel]);
    }
}

bool TSCC::LoadState(TStateReader& record)
{
    // The restored processor's cycle is where the restored sound goes on.
    renderedCycle = Now();
    mixInput.Start(soundMix, renderedCycle);
    record.Bytes(waveforms);
    record.Bytes(registers);
    // A record saved before the chip made its own sound ends here: the channels start afresh.
    const bool positionsSaved = !record.AtEnd();
    for (int channel = 0; channel < channelCount && positionsSaved; ++channel) {
        position[channel] = record.Byte() % waveLength;
        count[channel] = std::min<std::uint32_t>(record.Long(), std::max(ChannelPeriod(channel), std::uint16_t{1}) - 1u);
    }
    return !record.Failed();
}

void TSCC::Enable()
{
    RenderTo(Now());
    // A disabled chip rendered nothing: its sound starts again from now.
    if (!enabled) mixInput.Start(soundMix, renderedCycle);
    enabled = true;
}

void TSCC::Disable()
{
    RenderTo(Now());
    enabled = false;
}

void TSCC::SetVolume(std::int32_t attenuation)
{
    RenderTo(Now());
    volumeAttenuation = attenuation;
    UpdateAmplitudes();
}

std::uint16_t TSCC::ChannelPeriod(int channel) const
{
    const int index = 2 * ChannelIndex(channel);
    return static_cast<std::uint16_t>(registers[index] | ((registers[index + 1] & 0x0F) << 8));
}

std::uint8_t TSCC::ChannelVolume(int channel) const
{
    return registers[firstVolumeRegister + ChannelIndex(channel)] & 0x0F;
}

bool TSCC::ChannelEnabled(int channel) const
{
    return (registers[channelEnableRegister] >> ChannelIndex(channel)) & 1;
}

const std::uint8_t* TSCC::ChannelWave(int channel) const
{
    const int wave = ChannelIndex(channel);
    return waveforms.data() + (wave < 3 ? wave : 3) * waveLength;
}
