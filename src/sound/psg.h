#pragma once

#include <array>
#include <cstdint>

#include "sound/sound_mix.h"

class TCassette;
class TInputDevice;
class TStateReader;
class TStateWriter;
class TZ80;

// The AY-3-8910 as the MSX wires it: an address latch and sixteen registers
// behind ports A0h-A2h, register 14 reading the selected joystick port and
// the cassette input, register 15 choosing the port. It makes its own sound in
// the machine's time: three square-wave tone generators, one noise generator
// and one envelope generator, counted in processor cycles (the chip's clock is
// half the processor's), rendered into the mix up to each register write
// before the write takes effect.
class TPSG {
public:
    static constexpr int channelCount = 3;
    // Output of a channel at level 15, before the volume attenuation.
    static constexpr float fullLevel = 4096;

    TPSG();

    std::uint8_t ReadPort(std::uint8_t port);
    void WritePort(std::uint8_t port, std::uint8_t value);

    // While disabled, register writes are stored and the chip is silent.
    void Enable();
    void Disable();
    bool IsEnabled() const { return enabled; }

    // Attenuation in dB of the whole chip (0-20).
    void SetVolume(int attenuation);
    int GetVolume() const { return volumeAttenuation; }

    // Port 1 or 2; other port numbers are ignored. Null leaves the port empty.
    void SetDevice(int port, TInputDevice* device);
    TInputDevice* GetDevice(int port) const;

    void SetCassette(TCassette* recorder) { cassette = recorder; }
    TCassette* GetCassette() const { return cassette; }

    // Once per frame: polls the devices on port 1, then port 2.
    void FrameStep();

    // The processor whose cycle count is the chip's time (not owned).
    void SetZ80(const TZ80* processor) { z80 = processor; }
    // The mix the chip sounds into from the processor's present cycle; null
    // (the default) renders nothing at all.
    void SetSoundMix(TSoundMix* mix);
    // Renders the chip's sound up to the cycle.
    void RenderTo(std::uint64_t cycle);
    // The chip's reset: R0-R13 cleared, so that every channel is silent, and
    // the generators back at their start.
    void ResetSound();

    // The register latch, the sixteen registers and the generators' state.
    void SaveState(TStateWriter& record) const;
    bool LoadState(TStateReader& record);

    std::uint8_t GetRegister(int index) const { return registers[index & 0x0F]; }
    std::uint8_t GetRegisterLatch() const { return registerLatch; }
    // The envelope's level, 0-15.
    int GetEnvelopeLevel() const;

private:
    std::uint8_t ReadJoystickPort() const;
    std::uint64_t Now() const;
    void ResetGenerators();
    // Recomputes what the registers and the attenuation give the generators.
    void UpdatePeriods();
    void UpdateAmplitudes();
    float Output() const;
    bool EnvelopeMoves() const;
    // Counts every generator on by so many cycles.
    void Advance(std::uint64_t span);

    std::uint8_t registerLatch = 0;
    std::array<std::uint8_t, 16> registers{};
    int volumeAttenuation = 0;
    TCassette* cassette = nullptr;
    TInputDevice* port1Device = nullptr;
    TInputDevice* port2Device = nullptr;
    bool enabled = true;

    // The generators: cycles counted into the present half period or step.
    std::array<std::uint32_t, channelCount> toneCount{};
    std::array<std::uint8_t, channelCount> toneHigh{};
    std::uint32_t noiseCount = 0;
    std::uint32_t noiseShift = 1;  // 17 bits; bit 0 is the output
    std::uint32_t envelopeCount = 0;
    std::uint32_t envelopeStep = 0;  // 0-15 the first ramp, 16-47 what follows

    // Derived from the registers.
    std::array<std::uint32_t, channelCount> toneHalfPeriod{};
    std::uint32_t noiseStepCycles = 0;
    std::uint32_t envelopeStepCycles = 0;
    std::array<float, 16> amplitudes{};

    const TZ80* z80 = nullptr;
    TSoundMix* soundMix = nullptr;
    TSoundMixInput mixInput;
    std::uint64_t renderedCycle = 0;
};
