#include "peripherals/ppi8255.h"

#include "memory/memory_selector.h"
#include "peripherals/cassette.h"
#include "peripherals/keyboard.h"
#include "settings/state_record.h"

std::uint8_t TPPI8255::ReadPort(std::uint8_t port)
{
    switch (port) {
    case 0xA8: return selector != nullptr ? selector->GetPrimarySlotRegister() : 0xFF;
    case 0xA9: return keyboard != nullptr ? keyboard->ReadRow() : 0xFF;
    case 0xAA: return portC;
    case 0xAB: return controlWord;
    default: return 0xFF;
    }
}

void TPPI8255::WritePort(std::uint8_t port, std::uint8_t value)
{
    switch (port) {
    case 0xA8:
        if (selector != nullptr) {
            selector->SetPrimarySlotRegister(value);
        }
        break;
    case 0xAA:
        portC = value;
        if (keyboard != nullptr) {
            keyboard->SelectRow(value & 0x0F);
        }
        PortCWritten(port);
        break;
    case 0xAB:
        if (value & 0x80) {
            controlWord = value;  // mode set: port C and the row stay as they are
        } else {
            // Bit set/reset of port C; the keyboard row follows only direct writes.
            const std::uint8_t mask = static_cast<std::uint8_t>(1U << ((value >> 1) & 0x07));
            portC = (value & 0x01) ? (portC | mask) : (portC & ~mask);
        }
        PortCWritten(port);
        break;
    default:
        break;
    }
}

void TPPI8255::SaveState(TStateWriter& record) const
{
    record.Byte(portC);
    record.Byte(controlWord);
}

bool TPPI8255::LoadState(TStateReader& record)
{
    portC = record.Byte();
    controlWord = record.Byte();
    return !record.Failed();
}

// The cassette reads the motor and output bits after every write of either port.
void TPPI8255::PortCWritten(std::uint8_t port)
{
    if (cassette != nullptr) {
        cassette->WritePort(port, portC);
    }
}
