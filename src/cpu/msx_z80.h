#pragma once

#include "cpu/z80.h"
#include "io/io_handler.h"
#include "memory/memory_selector.h"

// Watches the processor's ports for a debugger (the slot selector watches
// memory, the core the steps). Called only for what the watch flags ask for.
class TZ80PortWatcher {
public:
    virtual ~TZ80PortWatcher() = default;
    virtual void PortRead(std::uint8_t port, std::uint8_t value) = 0;
    virtual void PortWritten(std::uint8_t port, std::uint8_t value) = 0;
};

// The Z80 on the MSX buses: memory through the slot selector, ports through
// the I/O handler, and the video processor's frame flag as the frame clock of
// the machine.
class TMSXZ80 : public TZ80 {
public:
    void SetMemorySelector(TMemorySelector* memorySelector) { selector = memorySelector; }
    void SetIOHandler(TIOHandler* handler) { ioHandler = handler; }
    TIOHandler* GetIOHandler() const { return ioHandler; }

    // What the port watcher is called for: bits of the watch flags.
    static constexpr std::uint8_t WatchPortRead = 0x01;
    static constexpr std::uint8_t WatchPortWrite = 0x02;

    // No flag is set while there is no watcher.
    void SetPortWatcher(TZ80PortWatcher* newWatcher, std::uint8_t flags) {
        watcher = newWatcher;
        watchFlags = newWatcher ? flags : 0;
    }
    TMemorySelector* GetMemorySelector() const { return selector; }

    void WriteMemory(std::uint16_t address, std::uint8_t value) override { selector->Write(address, value); }
    std::uint8_t ReadMemory(std::uint16_t address) override { return selector->Read(address); }
    std::uint8_t PeekMemory(std::uint16_t address) override { return selector->Peek(address); }
    // The same byte as ReadMemory, for instruction fetches, which the selector
    // serves from the page of the last fetch.
    std::uint8_t FetchMemory(std::uint16_t address) { return selector->Fetch(address); }
    // A profile's key for the instruction at `address`: the slot of its page too.
    std::uint32_t ProfileKey(std::uint16_t address) const {
        return static_cast<std::uint32_t>(selector->GetPageSlot(address >> 14)) << 16 | address;
    }
    std::uint8_t ReadPort(std::uint8_t port) override {
        const std::uint8_t value = ioHandler->ReadPort(port);
        if (watchFlags & WatchPortRead) [[unlikely]] watcher->PortRead(port, value);
        return value;
    }
    void WritePort(std::uint8_t port, std::uint8_t value) override {
        ioHandler->WritePort(port, value);
        if (watchFlags & WatchPortWrite) [[unlikely]] watcher->PortWritten(port, value);
    }
    void Trap(std::uint8_t*) override {}
    // The bus reads RST 38h in every mode.
    std::uint16_t AcknowledgeInterrupt() override { return 0x0038; }
    // The frame work when the video processor's frame flag rises: keyboard scan,
    // joystick poll, then the video processor's own.
    void MachineEvent() override;
    // Has the machine wait for the video processor's next frame flag; after a
    // build, a reset of the beam or a restored state.
    void ScheduleFrameFlag();

    // Frames ended since the processor was made: a frame of the run loop ends
    // with the rise of the frame flag.
    std::uint64_t framesEnded = 0;

private:
    TMemorySelector* selector = nullptr;
    TIOHandler* ioHandler = nullptr;

    TZ80PortWatcher* watcher = nullptr;
    std::uint8_t watchFlags = 0;
};
