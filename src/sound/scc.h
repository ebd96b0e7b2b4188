#pragma once

#include <array>
#include <cstdint>

#include "sound/sound_mix.h"

class TStateReader;
class TStateWriter;
class TZ80;

// The Konami SCC wave-table chip: five channels, four 32-byte waveforms (the fourth shared
// by channels 4 and 5), a 12-bit period and a 4-bit volume per channel, and a channel
// enable register. Each channel steps through its 32 signed samples, one every period
// processor cycles, scaled by its volume; the chip renders its sound into the mix in the
// machine's time, up to each write before the write takes effect.
class TSCC {
public:
    static constexpr int channelCount = 5;
    static constexpr int waveLength = 32;
    static constexpr int waveformBytes = 128;
    static constexpr int registerCount = 16;
    static constexpr int firstVolumeRegister = 10;
    static constexpr int channelEnableRegister = 15;
    // Output of a channel's sample of 1 at volume 15, before the attenuation: a
    // channel at full volume as loud as before the chips rendered their sound.
    static constexpr float fullLevel = 36.07f;

    TSCC() { UpdateAmplitudes(); }

    TSCC(const TSCC&) = delete;
    TSCC& operator=(const TSCC&) = delete;

    // Offset 00h-7Fh: waveform bytes; 80h-8Fh: registers; 90h-FFh: ignored.
    void Write(std::uint8_t offset, std::uint8_t value);

    // While disabled, writes are stored and the chip is silent.
    void Enable();
    void Disable();
    bool IsEnabled() const { return enabled; }

    // Attenuation in dB, 0-20, from the preferences.
    void SetVolume(std::int32_t attenuation);
    std::int32_t GetVolume() const { return volumeAttenuation; }

    // The processor whose cycle count is the chip's time (not owned).
    void SetZ80(const TZ80* processor) { z80 = processor; }
    // The mix the chip sounds into from the processor's present cycle; null
    // (the default) renders nothing at all.
    void SetSoundMix(TSoundMix* mix);
    void RenderTo(std::uint64_t cycle);
    // The machine's reset: waveforms, registers and channel positions cleared.
    void ResetSound();

    // The waveforms, the registers and the channels' positions.
    void SaveState(TStateWriter& record) const;
    bool LoadState(TStateReader& record);

    std::uint8_t GetRegister(int index) const { return registers[index & 0x0F]; }
    std::uint8_t GetWaveByte(int offset) const { return waveforms[offset & 0x7F]; }

    // Derived views of the registers for channels 0-4.
    std::uint16_t ChannelPeriod(int channel) const;
    std::uint8_t ChannelVolume(int channel) const;
    bool ChannelEnabled(int channel) const;
    // The 32 samples a channel plays; channels 3 and 4 share the last waveform.
    const std::uint8_t* ChannelWave(int channel) const;

private:
    std::uint64_t Now() const;
    void UpdateAmplitudes();

    std::array<std::uint8_t, waveformBytes> waveforms{};
    std::array<std::uint8_t, registerCount> registers{};
    std::int32_t volumeAttenuation = 0;
    bool enabled = true;

    // Each channel's sample and the cycles it has been held.
    std::array<std::uint8_t, channelCount> position{};
    std::array<std::uint32_t, channelCount> count{};
    // Output per sample unit by volume, attenuation included.
    std::array<float, 16> amplitudes{};

    const TZ80* z80 = nullptr;
    TSoundMix* soundMix = nullptr;
    TSoundMixInput mixInput;
    std::uint64_t renderedCycle = 0;
};
