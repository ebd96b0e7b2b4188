// Runs the Z80 core for five hundred steps on arbitrary memory, registers,
// interrupt state and answers of the interrupt acknowledge, with the
// instruction text built now and then. Checked after every step: the result
// follows the run flag, every step counts once, the countdown stays within
// its period, cpuState keeps bits 3-5 clear, a HALT leaves PC on its opcode,
// and the trap hook receives the register block.
#include "fuzz_support.h"

#include "cpu/z80.h"

#include <algorithm>
#include <array>

namespace {

// The input starts with the processor's state; the rest is memory, repeated
// to fill all 64 KB.
struct TLayout {
    static constexpr std::size_t registers = 0;      // 24 bytes, the register block
    static constexpr std::size_t cpuState = 24;
    static constexpr std::size_t interruptVector = 25;
    static constexpr std::size_t period = 26;
    static constexpr std::size_t acknowledge = 27;   // 0 none, 1 NMI, 2 mode-1 vector, else bytes 28-29
    static constexpr std::size_t vectorLow = 28;
    static constexpr std::size_t vectorHigh = 29;
    static constexpr std::size_t options = 30;       // bit 0 trace, bit 1 stop on a port write
    static constexpr std::size_t stopPort = 31;
    static constexpr std::size_t memory = 32;
};

class TFuzzZ80 : public TZ80 {
public:
    std::array<std::uint8_t, 65536> memory{};
    std::uint16_t vector = NoInterrupt;
    bool stopOnPort = false;
    std::uint8_t stopPort = 0;
    std::uint8_t portCounter = 0;

    std::uint32_t memoryAccesses = 0;

    void WriteMemory(std::uint16_t address, std::uint8_t value) override {
        ++memoryAccesses;
        memory[address] = value;
    }
    std::uint8_t ReadMemory(std::uint16_t address) override {
        ++memoryAccesses;
        return memory[address];
    }
    std::uint8_t ReadPort(std::uint8_t port) override {
        portCounter = static_cast<std::uint8_t>(portCounter + 1);
        return static_cast<std::uint8_t>(port * 13 + portCounter);
    }
    void WritePort(std::uint8_t port, std::uint8_t) override {
        if (stopOnPort && port == stopPort) {
            Stop();
        }
    }
    void Trap(std::uint8_t* registerBlock) override { FUZZ_CHECK(registerBlock == registers.bytes.data()); }
    std::uint16_t AcknowledgeInterrupt() override { return vector; }
};

constexpr int stepCount = 500;
// Block instructions repeat up to 65536 times within one step; past this many
// memory accesses a run ends early, so that no input takes seconds.
constexpr std::uint32_t accessBudget = 100000;
// A stopped processor is started again this often, as the run loop would.
constexpr int restartInterval = 256;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < TLayout::memory) {
        return 0;
    }
    static TFuzzZ80 z80;
    z80.Reset();
    std::copy(data + TLayout::registers, data + TLayout::registers + 24, z80.registers.bytes.begin());
    // Bits 3-5 are never set, and a halted state always sits on a HALT opcode:
    // neither can come from outside.
    z80.cpuState = data[TLayout::cpuState] & 0x47;
    z80.I = data[TLayout::interruptVector];
    // At least 1: a block instruction leaves a countdown of 1 behind, which a
    // period of 0 could never hold.
    z80.interruptPeriod = 1 + data[TLayout::period];
    switch (data[TLayout::acknowledge] % 4) {
    case 0: z80.vector = TZ80::NoInterrupt; break;
    case 1: z80.vector = TZ80::NonMaskableInterrupt; break;
    case 2: z80.vector = 0x0038; break;
    default:
        z80.vector = static_cast<std::uint16_t>(data[TLayout::vectorLow] | (data[TLayout::vectorHigh] << 8));
        break;
    }
    z80.SetTraceEnabled((data[TLayout::options] & 1) != 0);
    z80.stopOnPort = (data[TLayout::options] & 2) != 0;
    z80.stopPort = data[TLayout::stopPort];
    const std::size_t memorySize = size - TLayout::memory;
    if (memorySize == 0) {
        z80.memory.fill(0);
    } else {
        for (std::size_t address = 0; address < z80.memory.size(); address += memorySize) {
            const std::size_t count = std::min(memorySize, z80.memory.size() - address);
            std::copy(data + TLayout::memory, data + TLayout::memory + count, z80.memory.begin() + address);
        }
    }
    z80.instructionsLeft = z80.interruptPeriod;
    z80.running = true;
    z80.memoryAccesses = 0;

    for (int step = 0; step < stepCount && z80.memoryAccesses < accessBudget; ++step) {
        if (step % restartInterval == 0) {
            z80.running = true;
        }
        const std::uint16_t pc = z80.registers.Get(TZ80Registers::PC);
        const std::uint32_t count = z80.instructionCount;
        const bool halted = (z80.cpuState & TZ80::StateHalted) != 0;
        const std::int32_t result = z80.Step();
        FUZZ_CHECK(result == (z80.running ? 0 : -1));
        FUZZ_CHECK(z80.instructionCount == count + 1);
        FUZZ_CHECK(z80.instructionAddress == pc);
        FUZZ_CHECK((z80.cpuState & 0x38) == 0);
        if (z80.running) {
            FUZZ_CHECK(z80.instructionsLeft >= 0 && z80.instructionsLeft <= z80.interruptPeriod);
        }
        if (!halted && (z80.cpuState & TZ80::StateHalted) != 0) {
            FUZZ_CHECK(z80.memory[z80.registers.Get(TZ80Registers::PC)] == 0x76);
        }
    }
    return 0;
}
