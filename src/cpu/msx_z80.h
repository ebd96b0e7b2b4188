#pragma once

#include "cpu/z80.h"
#include "io/io_handler.h"
#include "memory/memory_selector.h"

// The Z80 on the MSX buses: memory through the slot selector, ports through
// the I/O handler, and the periodic interrupt as the frame clock of the machine.
class TMSXZ80 : public TZ80 {
public:
    void SetMemorySelector(TMemorySelector* memorySelector) { selector = memorySelector; }
    void SetIOHandler(TIOHandler* handler) { ioHandler = handler; }
    TIOHandler* GetIOHandler() const { return ioHandler; }

    void WriteMemory(std::uint16_t address, std::uint8_t value) override { selector->Write(address, value); }
    std::uint8_t ReadMemory(std::uint16_t address) override { return selector->Read(address); }
    // The same byte as ReadMemory, for instruction fetches, which the selector
    // serves from the page of the last fetch.
    std::uint8_t FetchMemory(std::uint16_t address) { return selector->Fetch(address); }
    std::uint8_t ReadPort(std::uint8_t port) override { return ioHandler->ReadPort(port); }
    void WritePort(std::uint8_t port, std::uint8_t value) override { ioHandler->WritePort(port, value); }
    void Trap(std::uint8_t*) override {}
    // The frame work: keyboard scan, joystick poll, sprite check, frame flag and
    // rendering; answers RST 38h.
    std::uint16_t AcknowledgeInterrupt() override;

private:
    TMemorySelector* selector = nullptr;
    TIOHandler* ioHandler = nullptr;
};
