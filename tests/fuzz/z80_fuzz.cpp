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

class TFuzzZ80 : public TZ80 {
public:
    std::array<std::uint8_t, 65536> memory{};
    std::uint16_t vector = NoInterrupt;
    int stopPort = -1;
    std::uint8_t portCounter = 0;
    std::uint32_t memoryAccesses = 0;  // a run ends early past a budget: block instructions repeat 65536 times

    std::uint8_t& At(std::uint16_t address) {
        ++memoryAccesses;
        return memory[address];
    }
    void WriteMemory(std::uint16_t address, std::uint8_t value) override { At(address) = value; }
    std::uint8_t ReadMemory(std::uint16_t address) override { return At(address); }
    std::uint8_t ReadPort(std::uint8_t port) override { return static_cast<std::uint8_t>(port * 13 + ++portCounter); }
    void WritePort(std::uint8_t port, std::uint8_t) override {
        if (port == stopPort) Stop();
    }
    void Trap(std::uint8_t* registerBlock) override { FUZZ_CHECK(registerBlock == registers.bytes.data()); }
    std::uint16_t AcknowledgeInterrupt() override { return vector; }
};

// The input: the 24 bytes of the register block, cpuState, I, the interrupt
// line (bit 0), the acknowledge (0 none, 1 NMI, 2 mode-1 vector, else the next two
// bytes), options (bit 0 trace, bit 1 stop on writes to the port in the next
// byte), then memory, repeated to fill all 64 KB.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size <= 32) return 0;
    static TFuzzZ80 z80;
    z80.Reset();
    std::copy(data, data + 24, z80.registers.bytes.begin());
    // Bits 3-5 are never set, and a halted state always sits on a HALT opcode: neither can come from outside.
    z80.cpuState = data[24] & 0x47;
    z80.I = data[25];
    z80.SetInterruptLine((data[26] & 1) != 0);
    const std::uint16_t vectors[] = {TZ80::NoInterrupt, TZ80::NonMaskableInterrupt, 0x0038,
                                     static_cast<std::uint16_t>(data[28] | (data[29] << 8))};
    z80.vector = vectors[data[27] % 4];
    z80.SetTraceEnabled((data[30] & 1) != 0);
    z80.stopPort = (data[30] & 2) != 0 ? data[31] : -1;
    for (std::size_t address = 0; address < z80.memory.size(); ++address) {
        z80.memory[address] = data[32 + address % (size - 32)];
    }
    z80.memoryAccesses = 0;
    for (int step = 0; step < 500 && z80.memoryAccesses < 100000; ++step) {
        if (step % 256 == 0) z80.running = true;  // as the run loop starts a stopped processor again
        const std::uint16_t pc = z80.registers.Get(TZ80Registers::PC);
        const std::uint32_t count = z80.instructionCount;
        const std::uint64_t cycles = z80.cycles;
        const bool halted = (z80.cpuState & TZ80::StateHalted) != 0;
        const std::int32_t result = z80.Step();
        FUZZ_CHECK(result == (z80.running ? 0 : -1));
        // More than one instruction only when a block instruction repeated within the step.
        const std::uint32_t instructions = z80.instructionCount - count;
        FUZZ_CHECK(instructions >= 1 && instructions <= 0x10000);
        FUZZ_CHECK(z80.instructionAddress == pc && (z80.cpuState & 0x38) == 0);
        // The shortest instruction is a fetch of 4 cycles and its wait; the longest, with an interrupt taken after
        // it, 45; each repetition of a block instruction adds 21 and its two waits.
        FUZZ_CHECK(z80.cycles - cycles >= 5 && z80.cycles - cycles <= 45 + 23 * (instructions - 1));
        const bool haltedNow = (z80.cpuState & TZ80::StateHalted) != 0;
        FUZZ_CHECK(halted || !haltedNow || z80.memory[z80.registers.Get(TZ80Registers::PC)] == 0x76);
    }
    return 0;
}
