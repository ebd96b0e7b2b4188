#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "cpu/z80.h"

// A Z80 on a flat 64 KB RAM; ports answer from a table and record what is written,
// and the acknowledge answers `vector`.
class TTestZ80 : public TZ80 {
public:
    std::array<std::uint8_t, 65536> memory{};
    std::array<std::uint8_t, 256> portValues{};
    std::vector<std::pair<std::uint8_t, std::uint8_t>> portsWritten;
    std::uint16_t vector = 0x0038;
    std::uint8_t* trapRegisters = nullptr;

    TTestZ80() { portValues.fill(0xFF); }
    void WriteMemory(std::uint16_t address, std::uint8_t value) override { memory[address] = value; }
    std::uint8_t ReadMemory(std::uint16_t address) override { return memory[address]; }
    std::uint8_t ReadPort(std::uint8_t port) override { return portValues[port]; }
    void WritePort(std::uint8_t port, std::uint8_t value) override { portsWritten.emplace_back(port, value); }
    void Trap(std::uint8_t* registerBlock) override { trapRegisters = registerBlock; }
    std::uint16_t AcknowledgeInterrupt() override { return vector; }

    void Load(std::uint16_t address, std::initializer_list<std::uint8_t> bytes) {
        for (std::uint8_t byte : bytes) memory[address++] = byte;
    }
    std::uint16_t Get(TZ80Registers::Pair pair) const { return registers.Get(pair); }
    void Set(TZ80Registers::Pair pair, std::uint16_t value) { registers.Set(pair, value); }
    // One counted step, as the machine's run loop does it.
    std::int32_t RunningStep() {
        running = true;
        return Step();
    }
};
