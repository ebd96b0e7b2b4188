#pragma once

#include <array>
#include <cstdint>

class TStateReader;
class TStateWriter;

// The Konami SCC wave-table chip: five channels, four 32-byte waveforms (the fourth shared
// by channels 4 and 5), a 12-bit period and a 4-bit volume per channel, and a channel
// enable register. The chip stores what is written and tells its host subclass, which
// makes the sound; the core class itself is silent.
class TSCC {
public:
    static constexpr int channelCount = 5;
    static constexpr int waveLength = 32;
    static constexpr int waveformBytes = 128;
    static constexpr int registerCount = 16;
    static constexpr int firstVolumeRegister = 10;
    static constexpr int channelEnableRegister = 15;

    TSCC() = default;
    virtual ~TSCC() = default;

    TSCC(const TSCC&) = delete;
    TSCC& operator=(const TSCC&) = delete;

    // Notifications for the host sound; nothing happens in the core.
    virtual void StopSound() {}
    virtual void ResumeSound() {}
    virtual void ResetSound() {}
    virtual void RegisterWritten(int index, std::uint8_t value);
    virtual void WaveWritten(int offset, std::uint8_t value);

    // Offset 00h-7Fh: waveform bytes; 80h-8Fh: registers; 90h-FFh: ignored. While the chip
    // is disabled, writes are stored without notification.
    void Write(std::uint8_t offset, std::uint8_t value);

    void Enable() { enabled = true; }
    void Disable();
    bool IsEnabled() const { return enabled; }

    // Attenuation in dB, 0-20, from the preferences.
    void SetVolume(std::int32_t attenuation) { volumeAttenuation = attenuation; }
    std::int32_t GetVolume() const { return volumeAttenuation; }

    // The waveforms and the registers.
    void SaveState(TStateWriter& record) const;
    bool LoadState(TStateReader& record);
    // Passes the waveforms and registers to the notifications again, so that the
    // host sound follows restored ones: channel enable first, then periods and volumes.
    void Replay();

    std::uint8_t GetRegister(int index) const { return registers[index & 0x0F]; }
    std::uint8_t GetWaveByte(int offset) const { return waveforms[offset & 0x7F]; }

    // Derived views of the registers for channels 0-4.
    std::uint16_t ChannelPeriod(int channel) const;
    std::uint8_t ChannelVolume(int channel) const;
    bool ChannelEnabled(int channel) const;
    // The 32 samples a channel plays; channels 3 and 4 share the last waveform.
    const std::uint8_t* ChannelWave(int channel) const;

private:
    std::array<std::uint8_t, waveformBytes> waveforms{};
    std::array<std::uint8_t, registerCount> registers{};
    std::int32_t volumeAttenuation = 0;
    bool enabled = true;
};
