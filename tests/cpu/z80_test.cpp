#include "cpu/z80.h"

#include <gtest/gtest.h>

#include <array>

namespace {

class TFlatZ80 : public TZ80 {
public:
    std::array<std::uint8_t, 65536> memory{};
    void WriteMemory(std::uint16_t address, std::uint8_t value) override { memory[address] = value; }
    std::uint8_t ReadMemory(std::uint16_t address) override { return memory[address]; }
    std::uint8_t ReadPort(std::uint8_t) override { return 0xFF; }
    void WritePort(std::uint8_t, std::uint8_t) override {}
    void Trap(std::uint8_t*) override {}
    std::uint16_t AcknowledgeInterrupt() override { return 0x0038; }
};

TEST(Z80Reset, SetsTheDocumentedStartState) {
    TFlatZ80 cpu;
    EXPECT_EQ(cpu.registers.Get(TZ80Registers::PC), 0x0000);
    EXPECT_EQ(cpu.registers.Get(TZ80Registers::SP), 0xF000);
    EXPECT_EQ(cpu.instructionsLeft, 10000);
    EXPECT_EQ(cpu.cpuState, 0);
}

}  // namespace
