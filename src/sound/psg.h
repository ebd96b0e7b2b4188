#pragma once

#include <array>
#include <cstdint>

class TCassette;
class TInputDevice;
class TStateReader;
class TStateWriter;

// The AY-3-8910 as the MSX wires it: an address latch and sixteen registers
// behind ports A0h-A2h, register 14 reading the selected joystick port and
// the cassette input, register 15 choosing the port. The chip makes no sound
// itself: every register write is passed to RegisterWritten, which the host
// sound subclass turns into sound.
class TPSG {
public:
    TPSG() = default;
    virtual ~TPSG() = default;

    // Notifications for the host sound subclass; silent here.
    virtual void RegisterWritten(std::uint8_t index, std::uint8_t value);
    // Silence everything now (emulation paused).
    virtual void StopSound();
    // Restart what was sounding before StopSound.
    virtual void ResumeSound();
    // Silence everything and forget what was sounding.
    virtual void ResetSound();

    std::uint8_t ReadPort(std::uint8_t port);
    void WritePort(std::uint8_t port, std::uint8_t value);

    // While disabled, register writes are stored but not passed on.
    void Enable();
    void Disable();
    bool IsEnabled() const { return enabled; }

    // Attenuation in dB subtracted from every channel volume (0-20).
    void SetVolume(int attenuation) { volumeAttenuation = attenuation; }
    int GetVolume() const { return volumeAttenuation; }

    // Port 1 or 2; other port numbers are ignored. Null leaves the port empty.
    void SetDevice(int port, TInputDevice* device);
    TInputDevice* GetDevice(int port) const;

    void SetCassette(TCassette* recorder) { cassette = recorder; }
    TCassette* GetCassette() const { return cassette; }

    // Once per frame: polls the devices on port 1, then port 2.
    void FrameStep();

    // The register latch and the sixteen registers.
    void SaveState(TStateWriter& record) const;
    bool LoadState(TStateReader& record);
    // Passes R0-R13 to RegisterWritten again, so that the host sound follows
    // restored registers: the mixer first, so that a channel whose period is 0
    // ends up silent as it would have been.
    void ReplayRegisters();

    std::uint8_t GetRegister(int index) const { return registers[index & 0x0F]; }
    std::uint8_t GetRegisterLatch() const { return registerLatch; }

private:
    std::uint8_t ReadJoystickPort() const;

    std::uint8_t registerLatch = 0;
    std::array<std::uint8_t, 16> registers{};
    int volumeAttenuation = 0;
    TCassette* cassette = nullptr;
    TInputDevice* port1Device = nullptr;
    TInputDevice* port2Device = nullptr;
    bool enabled = true;
};
