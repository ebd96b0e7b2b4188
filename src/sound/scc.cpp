#include "sound/scc.h"

#include "settings/state_record.h"

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

void TSCC::SaveState(TStateWriter& record) const
{
    record.Bytes(waveforms);
    record.Bytes(registers);
}

bool TSCC::LoadState(TStateReader& record)
{
    record.Bytes(waveforms);
    record.Bytes(registers);
    return !record.Failed();
}

void TSCC::Replay()
{
    if (!enabled) {
        return;
    }
    // A wave notification rewrites its whole channel: one per waveform will do.
    for (int offset = 0; offset < waveformBytes; offset += waveLength) {
        WaveWritten(offset, waveforms[offset]);
    }
    RegisterWritten(channelEnableRegister, registers[channelEnableRegister]);
    for (int index = 0; index < channelEnableRegister; ++index) {
        RegisterWritten(index, registers[index]);
    }
}

void TSCC::Disable()
{
    enabled = false;
    ResetSound();
}

namespace {

// Channels are numbered 0-4; any other number wraps into that range.
int ChannelIndex(int channel)
{
    return static_cast<int>(static_cast<unsigned>(channel) % TSCC::channelCount);
}

} // namespace

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
