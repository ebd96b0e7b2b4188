#include "io/io_handler.h"

#include "memory/memory_mapper.h"
#include "peripherals/ppi8255.h"
#include "peripherals/printer.h"
#include "peripherals/rtclock.h"
#include "sound/psg.h"
#include "video/v9918.h"

namespace {

// A port without a device reads as the open bus.
constexpr std::uint8_t openBus = 0xFF;

template <typename Device>
std::uint8_t ReadFrom(Device* device, std::uint8_t port) {
    return device ? device->ReadPort(port) : openBus;
}

template <typename Device>
void WriteTo(Device* device, std::uint8_t port, std::uint8_t value) {
    if (device) device->WritePort(port, value);
}

}  // namespace

std::uint8_t TIOHandler::ReadPort(std::uint8_t port) {
    if (port >= 0x90 && port <= 0x91) return ReadFrom(printer, port);
    if (port >= 0x98 && port <= 0x9B) return ReadFrom(vdp, port);
    if (port >= 0xA0 && port <= 0xA3) return ReadFrom(psg, port);
    if (port >= 0xA8 && port <= 0xAB) return ReadFrom(ppi, port);
    if (port >= 0xB4 && port <= 0xB5) return ReadFrom(rtc, port);
    if (port >= 0xFC) return mappers.empty() ? openBus : mappers.front()->ReadPort(port);
    return openBus;
}

void TIOHandler::WritePort(std::uint8_t port, std::uint8_t value) {
    if (port >= 0x90 && port <= 0x91) WriteTo(printer, port, value);
    else if (port >= 0x98 && port <= 0x9B) WriteTo(vdp, port, value);
    else if (port >= 0xA0 && port <= 0xA3) WriteTo(psg, port, value);
    else if (port >= 0xA8 && port <= 0xAB) WriteTo(ppi, port, value);
    else if (port >= 0xB4 && port <= 0xB5) WriteTo(rtc, port, value);
    else if (port >= 0xFC) {
        for (TMemoryMapper* mapper : mappers) mapper->WritePort(port, value);
    }
}
