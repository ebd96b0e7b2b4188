#include "sound/psg.h"

#include "peripherals/cassette.h"
#include "peripherals/joystick.h"
#include "settings/state_record.h"

namespace {

constexpr std::uint8_t joystickRegister = 14;
constexpr std::uint8_t portSelectRegister = 15;

// The state of an empty joystick port: nothing active.
constexpr std::uint8_t noDeviceState = 0xBF;

std::uint8_t StateOf(const TInputDevice* device)
{
    return device != nullptr ? device->GetState() : noDeviceState;
}

}  // namespace

void TPSG::RegisterWritten(std::uint8_t, std::uint8_t) {}
void TPSG::StopSound() {}
void TPSG::ResumeSound() {}
void TPSG::ResetSound() {}

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
        registers[registerLatch] = value;
        if (enabled) {
            RegisterWritten(registerLatch, value);
        }
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

void TPSG::SaveState(TStateWriter& record) const
{
    record.Byte(registerLatch);
    record.Bytes(registers);
}

bool TPSG::LoadState(TStateReader& record)
{
    registerLatch = record.Byte() & 0x0F;
    record.Bytes(registers);
    return !record.Failed();
}

void TPSG::ReplayRegisters()
{
    if (!enabled) {
        return;
    }
    constexpr std::uint8_t mixerRegister = 7;
    RegisterWritten(mixerRegister, registers[mixerRegister]);
    for (std::uint8_t index = 0; index < joystickRegister; ++index) {
        if (index != mixerRegister) {
            RegisterWritten(index, registers[index]);
        }
    }
}

void TPSG::Enable()
{
    enabled = true;
}

void TPSG::Disable()
{
    enabled = false;
    ResetSound();
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
