#include "sound/scc.h"

void TSCC::RegisterWritten(int, std::uint8_t) {}

void TSCC::WaveWritten(int, std::uint8_t) {}

void TSCC::Write(std::uint8_t offset, std::uint8_t value)
{
    if (offset < waveformBytes) {
        waveforms[offset] = value;
        if (enabled) {
            WaveWritten(offset, value);
        }
    } else if (offset < waveformBytes + registerCount) {
        const int index = offset & 0x0F;
        registers[index] = value;
        if (enabled) {
            RegisterWritten(index, value);
        }
    }
}

void TSCC::Disable()
{
    enabled = false;
    ResetSound();
}

std::uint16_t TSCC::ChannelPeriod(int channel) const
{
    const int index = 2 * (channel % channelCount);
    return static_cast<std::uint16_t>(registers[index] | ((registers[index + 1] & 0x0F) << 8));
}

std::uint8_t TSCC::ChannelVolume(int channel) const
{
    return registers[firstVolumeRegister + channel % channelCount] & 0x0F;
}

bool TSCC::ChannelEnabled(int channel) const
{
    return (registers[channelEnableRegister] >> (channel % channelCount)) & 1;
}

const std::uint8_t* TSCC::ChannelWave(int channel) const
{
    const int wave = channel % channelCount;
    return waveforms.data() + (wave < 3 ? wave : 3) * waveLength;
}
