#include "sound/psg.h"

#include <algorithm>
#include <cmath>

#include "cpu/z80.h"
#include "peripherals/cassette.h"
#include "peripherals/joystick.h"
#include "settings/state_record.h"

namespace {

constexpr std::uint8_t noisePeriodRegister = 6;
constexpr std::uint8_t mixerRegister = 7;
constexpr std::uint8_t firstLevelRegister = 8;
constexpr std::uint8_t envelopePeriodLowRegister = 11;
constexpr std::uint8_t envelopePeriodHighRegister = 12;
constexpr std::uint8_t envelopeShapeRegister = 13;
constexpr std::uint8_t joystickRegister = 14;
constexpr std::uint8_t portSelectRegister = 15;
constexpr std::uint8_t envelopeModeBit = 0x10;

// Envelope shape bits.
constexpr std::uint8_t holdBit = 0x01;
constexpr std::uint8_t alternateBit = 0x02;
constexpr std::uint8_t attackBit = 0x04;
constexpr std::uint8_t continueBit = 0x08;
constexpr std::uint32_t rampSteps = 16;

// In processor cycles, twice the chip's: a tone's half period is 8 chip cycles
// per period unit, a noise shift and an envelope step 16.
constexpr std::uint32_t toneCyclesPerUnit = 16;
constexpr std::uint32_t stepCyclesPerUnit = 32;

// The state of an empty joystick port: nothing active.
constexpr std::uint8_t noDeviceState = 0xBF;

std::uint8_t StateOf(const TInputDevice* device)
{
    return device != nullptr ? device->GetState() : noDeviceState;
}

}  // namespace

TPSG::TPSG()
{
    UpdatePeriods();
    UpdateAmplitudes();
}

std::uint8_t TPSG::ReadPort(std::uint8_t port)
{
    if (port != 0xA2) {
        return 0xFF;
    }
    if (registerLatch == joystickRegister) {
        return ReadJoystickPort();
    }
    if (registerLatch == portSelectRegister) {
        return 0xFF;
    }
    return registers[registerLatch];
}

void TPSG::WritePort(std::uint8_t port, std::uint8_t value)
{
    if (port == 0xA0) {
        registerLatch = value & 0x0F;
    } else if (port == 0xA1) {
        // What sounded before the write is rendered before it changes anything.
        RenderTo(Now());
        registers[registerLatch] = value;
        if (registerLatch == envelopeShapeRegister) {
            envelopeCount = 0;
            envelopeStep = 0;
        }
        UpdatePeriods();
    }
}

// Bits 0-3 and 6 come from the device, the triggers (bits 4-5) are ANDed with
// the port's output bits of register 15, bit 7 is the tape input.
std::uint8_t TPSG::ReadJoystickPort() const
{
    const std::uint8_t select = registers[portSelectRegister];
    std::uint8_t value;
    if (select & 0x40) {
        value = (select & 0x20) ? 0x7F : ((((select & 0x0C) << 2) | 0x4F) & StateOf(port2Device));
    } else {
        value = (select & 0x10) ? 0x7F : ((((select & 0x03) << 4) | 0x4F) & StateOf(port1Device));
    }
    if (cassette != nullptr) {
        value |= cassette->ReadPort(0xA2);
    }
    return value;
}

std::uint64_t TPSG::Now() const
{
    return z80 != nullptr ? z80->cycles : renderedCycle;
}

void TPSG::UpdatePeriods()
{
    for (int channel = 0; channel < channelCount; ++channel) {
        const std::uint32_t period = (registers[2 * channel + 1] & 0x0F) * 256u + registers[2 * channel];
        toneHalfPeriod[channel] = toneCyclesPerUnit * std::max(period, 1u);
        // A shorter period ends the half period under way at once.
        toneCount[channel] = std::min(toneCount[channel], toneHalfPeriod[channel] - 1);
    }
    noiseStepCycles = stepCyclesPerUnit * std::max(registers[noisePeriodRegister] & 0x1Fu, 1u);
    noiseCount = std::min(noiseCount, noiseStepCycles - 1);
    const std::uint32_t envelopePeriod =
        registers[envelopePeriodHighRegister] * 256u + registers[envelopePeriodLowRegister];
    envelopeStepCycles = stepCyclesPerUnit * std::max(envelopePeriod, 1u);
    envelopeCount = std::min(envelopeCount, envelopeStepCycles - 1);
}

// The DAC is logarithmic: each level 3 dB (a factor of the square root of 2)
// above the one below, level 0 silent.
void TPSG::UpdateAmplitudes()
{
    const double attenuation = std::pow(10.0, -volumeAttenuation / 20.0);
    amplitudes[0] = 0;
    for (int level = 1; level < 16; ++level) {
        amplitudes[level] = static_cast<float>(fullLevel * attenuation * std::pow(2.0, (level - 15) / 2.0));
    }
}

int TPSG::GetEnvelopeLevel() const
{
    const std::uint8_t shape = registers[envelopeShapeRegister];
    const bool attack = shape & attackBit;
    const int within = static_cast<int>(envelopeStep % rampSteps);
    if (envelopeStep < rampSteps) return attack ? within : 15 - within;
    if (!(shape & continueBit)) return 0;
    const bool alternate = shape & alternateBit;
    // Holding stays at the end of the first ramp, or at the other end when it alternates.
    if (shape & holdBit) return attack != alternate ? 15 : 0;
    const bool rising = attack != (alternate && (envelopeStep / rampSteps) % 2 == 1);
    return rising ? within : 15 - within;
}

bool TPSG::EnvelopeMoves() const
{
    const std::uint8_t shape = registers[envelopeShapeRegister];
    return envelopeStep < rampSteps || ((shape & continueBit) && !(shape & holdBit));
}

// A channel is high when its tone is high or off, and the noise is high or off
// for it: with both off it stays high, and its level alone sets its output.
float TPSG::Output() const
{
    const std::uint8_t mixer = registers[mixerRegister];
    const bool noiseHigh = noiseShift & 1;
    float sum = 0;
    for (int channel = 0; channel < channelCount; ++channel) {
        const bool toneGate = toneHigh[channel] || ((mixer >> channel) & 1);
        const bool noiseGate = noiseHigh || ((mixer >> (channel + 3)) & 1);
        if (!toneGate || !noiseGate) continue;
        const std::uint8_t level = registers[firstLevelRegister + channel];
        sum += amplitudes[(level & envelopeModeBit) ? GetEnvelopeLevel() : (level & 0x0F)];
    }
    return sum;
}

// The output holds between events (a tone's edge, a noise shift, an envelope
// step), so it is handed to the mix a stretch at a time. Only the generators
// that the output hears end a stretch; the others are counted on at its end.
void TPSG::RenderTo(std::uint64_t cycle)
{
    if (cycle <= renderedCycle) return;
    std::uint64_t left = cycle - renderedCycle;
    renderedCycle = cycle;
    if (!mixInput.IsStarted() || !enabled) return;
    const std::uint8_t mixer = registers[mixerRegister];
    std::array<bool, channelCount> toneHeard{};
    bool noiseHeard = false;
    bool envelopeHeard = false;
    for (int channel = 0; channel < channelCount; ++channel) {
        const std::uint8_t level = registers[firstLevelRegister + channel];
        if ((level & (envelopeModeBit | 0x0F)) == 0) continue;
        toneHeard[channel] = !((mixer >> channel) & 1);
        noiseHeard = noiseHeard || !((mixer >> (channel + 3)) & 1);
        envelopeHeard = envelopeHeard || (level & envelopeModeBit);
    }
    while (left > 0) {
        std::uint64_t span = left;
        for (int channel = 0; channel < channelCount; ++channel) {
            if (toneHeard[channel]) span = std::min<std::uint64_t>(span, toneHalfPeriod[channel] - toneCount[channel]);
        }
        if (noiseHeard) span = std::min<std::uint64_t>(span, noiseStepCycles - noiseCount);
        if (envelopeHeard && EnvelopeMoves()) span = std::min<std::uint64_t>(span, envelopeStepCycles - envelopeCount);
        mixInput.Hold(Output(), span);
        left -= span;
        Advance(span);
    }
}

void TPSG::Advance(std::uint64_t span)
{
    // A generator that ends the stretch steps once; the others may step many times.
    for (int channel = 0; channel < channelCount; ++channel) {
        const std::uint64_t total = toneCount[channel] + span;
        const std::uint32_t half = toneHalfPeriod[channel];
        if (total < half) {
            toneCount[channel] = static_cast<std::uint32_t>(total);
        } else if (total < 2 * std::uint64_t{half}) {
            toneHigh[channel] ^= 1;
            toneCount[channel] = static_cast<std::uint32_t>(total - half);
        } else {
            toneHigh[channel] ^= (total / half) & 1;
            toneCount[channel] = static_cast<std::uint32_t>(total % half);
        }
    }
    const std::uint64_t noiseTotal = noiseCount + span;
    std::uint64_t shifts = 0;
    if (noiseTotal < noiseStepCycles) {
        noiseCount = static_cast<std::uint32_t>(noiseTotal);
    } else if (noiseTotal < 2 * std::uint64_t{noiseStepCycles}) {
        noiseCount = static_cast<std::uint32_t>(noiseTotal - noiseStepCycles);
        shifts = 1;
    } else {
        noiseCount = static_cast<std::uint32_t>(noiseTotal % noiseStepCycles);
        shifts = noiseTotal / noiseStepCycles;
    }
    while (shifts > 0) {
        // 17 bits, fed back from bits 0 and 3: up to 14 shifts take their
        // feedback from bits that are all there before them.
        const auto count = static_cast<int>(std::min<std::uint64_t>(shifts, 14));
        const std::uint32_t feedback = (noiseShift ^ (noiseShift >> 3)) & ((1u << count) - 1);
        noiseShift = (noiseShift >> count) | (feedback << (17 - count));
        shifts -= static_cast<std::uint64_t>(count);
    }
    if (!EnvelopeMoves()) return;
    const std::uint64_t envelopeTotal = envelopeCount + span;
    if (envelopeTotal < envelopeStepCycles) {
        envelopeCount = static_cast<std::uint32_t>(envelopeTotal);
        return;
    }
    envelopeCount = static_cast<std::uint32_t>(envelopeTotal % envelopeStepCycles);
    const std::uint64_t step = envelopeStep + envelopeTotal / envelopeStepCycles;
    const std::uint8_t shape = registers[envelopeShapeRegister];
    if (step < rampSteps) {
        envelopeStep = static_cast<std::uint32_t>(step);
    } else if ((shape & continueBit) && !(shape & holdBit)) {
        // Two ramps make a whole period of every repeating shape.
        envelopeStep = static_cast<std::uint32_t>(rampSteps + (step - rampSteps) % (2 * rampSteps));
    } else {
        envelopeStep = rampSteps;
    }
}

void TPSG::SetSoundMix(TSoundMix* mix)
{
    soundMix = mix;
    renderedCycle = Now();
    mixInput.Start(mix, renderedCycle);
}

void TPSG::ResetSound()
{
    RenderTo(Now());
    std::fill(registers.begin(), registers.begin() + joystickRegister, 0);
    ResetGenerators();
}

void TPSG::ResetGenerators()
{
    toneCount.fill(0);
    toneHigh.fill(0);
    noiseCount = 0;
    noiseShift = 1;
    envelopeCount = 0;
    envelopeStep = 0;
    UpdatePeriods();
}

void TPSG::SaveState(TStateWriter& record) const
{
    record.Byte(registerLatch);
    record.Bytes(registers);
    for (int channel = 0; channel < channelCount; ++channel) {
        record.Long(toneCount[channel]);
        record.Byte(toneHigh[channel]);
    }
    record.Long(noiseCount);
    record.Long(noiseShift);
    record.Long(envelopeCount);
    record.Byte(static_cast<std::uint8_t>(envelopeStep));
}

bool TPSG::LoadState(TStateReader& record)
{
    // The restored processor's cycle is where the restored sound goes on.
    renderedCycle = Now();
    mixInput.Start(soundMix, renderedCycle);
    registerLatch = record.Byte() & 0x0F;
    record.Bytes(registers);
    if (record.AtEnd()) {
        // Saved before the chip made its own sound: the generators start afresh.
        ResetGenerators();
        return !record.Failed();
    }
    for (int channel = 0; channel < channelCount; ++channel) {
        toneCount[channel] = record.Long();
        toneHigh[channel] = record.Byte() & 1;
    }
    noiseCount = record.Long();
    noiseShift = record.Long() & 0x1FFFF;
    envelopeCount = record.Long();
    envelopeStep = std::min<std::uint32_t>(record.Byte(), 3 * rampSteps - 1);
    // A shift register of zeros would stay silent for ever.
    if (noiseShift == 0) noiseShift = 1;
    UpdatePeriods();
    return !record.Failed();
}

void TPSG::Enable()
{
    RenderTo(Now());
    // A disabled chip rendered nothing: its sound starts again from now.
    if (!enabled) mixInput.Start(soundMix, renderedCycle);
    enabled = true;
}

void TPSG::Disable()
{
    RenderTo(Now());
    enabled = false;
}

void TPSG::SetVolume(int attenuation)
{
    RenderTo(Now());
    volumeAttenuation = attenuation;
    UpdateAmplitudes();
}

void TPSG::SetDevice(int port, TInputDevice* device)
{
    if (port == 1) {
        port1Device = device;
    } else if (port == 2) {
        port2Device = device;
    }
}

TInputDevice* TPSG::GetDevice(int port) const
{
    if (port == 1) {
        return port1Device;
    }
    if (port == 2) {
        return port2Device;
    }
    return nullptr;
}

void TPSG::FrameStep()
{
    if (port1Device != nullptr) {
        port1Device->Poll();
    }
    if (port2Device != nullptr) {
        port2Device->Poll();
    }
}
