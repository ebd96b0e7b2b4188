#include "cpu/z80.h"
#include "cpu/z80_executor.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

// The processor on a flat 64 KB RAM with silent ports. The trap stands for
// the BDOS of a CP/M-style test harness and collects what programs print.
// Its step is the core's own, which reaches these operations by virtual calls.
class TFlatZ80 : public TZ80 {
public:
    static constexpr std::uint8_t printCharacter = 2;
    static constexpr std::uint8_t printString = 9;

    std::array<std::uint8_t, 65536> memory{};
    std::string printed;

    void WriteMemory(std::uint16_t address, std::uint8_t value) final { memory[address] = value; }
    std::uint8_t ReadMemory(std::uint16_t address) final { return memory[address]; }
    std::uint8_t ReadPort(std::uint8_t) final { return 0xFF; }
    void WritePort(std::uint8_t, std::uint8_t) final {}
    void Trap(std::uint8_t* registerBlock) final {
        const std::uint8_t function = registerBlock[TZ80Registers::C];
        if (function == printCharacter) printed += static_cast<char>(registerBlock[TZ80Registers::E]);
        if (function != printString) return;
        auto address = static_cast<std::uint16_t>(registerBlock[TZ80Registers::E] |
                                                  (registerBlock[TZ80Registers::D] << 8));
        for (int count = 0; count < 65536 && memory[address] != '$'; ++count, ++address) {
            printed += static_cast<char>(memory[address]);
        }
    }
    std::uint16_t AcknowledgeInterrupt() final { return 0x0038; }

    void Load(std::uint16_t address, std::initializer_list<std::uint8_t> bytes) {
        for (std::uint8_t byte : bytes) memory[address++] = byte;
    }
};

// The same processor as a final class whose step is compiled for it, as the
// machine's processor has it: the same operations, called without a virtual
// call. Its event comes every 59 736 cycles, as the machine's frame flag.
class TDirectFlatZ80 final : public TFlatZ80 {
public:
    static constexpr std::uint64_t frameCycles = 59736;

    TDirectFlatZ80() { ScheduleEvent(frameCycles); }
    std::int32_t Step() override { return TZ80Executor<TDirectFlatZ80>(*this).Step(); }
    std::int32_t RunToEvent() override { return TZ80Executor<TDirectFlatZ80>::RunToEvent(*this); }
    void MachineEvent() override { ScheduleEvent(nextEventCycle + frameCycles); }
};

// How a benchmark drives the processor: a step at a time, or as the machine's
// run loop does, up to each event.
enum class TDrive { Steps, ToEvent };

// Runs the processor for at least 1000 instructions; returns how many ran.
std::uint32_t Drive(TZ80& processor, TDrive drive) {
    const std::uint32_t before = processor.instructionCount;
    if (drive == TDrive::Steps) {
        for (int step = 0; step < 1000; ++step) processor.Step();
    } else {
        while (processor.instructionCount - before < 1000) processor.RunToEvent();
    }
    return processor.instructionCount - before;
}

// A loop with a 32-byte block move, an inner loop of 8-bit arithmetic, loads,
// stores and a conditional jump, and a subroutine with 16-bit arithmetic,
// an indexed load and stack traffic. Interrupts stay disabled, so the periodic
// acknowledge still comes but is not taken.
void LoadMix(TFlatZ80& cpu) {
    cpu.Load(0x0000, {0x31, 0x00, 0xF0});        // LD SP,F000
    cpu.Load(0x0003, {0x21, 0x00, 0x40,          // loop: LD HL,4000
                      0x11, 0x00, 0x50,          // LD DE,5000
                      0x01, 0x20, 0x00,          // LD BC,0020
                      0xED, 0xB0,                // LDIR
                      0x06, 0x10,                // LD B,10
                      0x7E,                      // inner: LD A,(HL)
                      0x83,                      // ADD A,E
                      0x12,                      // LD (DE),A
                      0x23,                      // INC HL
                      0x13,                      // INC DE
                      0xCD, 0x30, 0x00,          // CALL 0030
                      0xE6, 0x0F,                // AND 0F
                      0x28, 0x01,                // JR Z,+1
                      0x0C,                      // INC C
                      0x10, 0xF1,                // DJNZ inner
                      0xC3, 0x03, 0x00});        // JP loop
    cpu.Load(0x0030, {0xE5,                      // PUSH HL
                      0x2A, 0x00, 0x60,          // LD HL,(6000)
                      0x19,                      // ADD HL,DE
                      0x22, 0x00, 0x60,          // LD (6000),HL
                      0xDD, 0x7E, 0x02,          // LD A,(IX+2)
                      0xAD,                      // XOR L
                      0xE1,                      // POP HL
                      0xC9});                    // RET
    for (int i = 0; i < 0x100; ++i) cpu.memory[0x4000 + i] = static_cast<std::uint8_t>(i * 13);
}

// Instructions counted as the processor runs them: each repetition of a block
// instruction is one.
void CountInstructions(benchmark::State& state, std::uint64_t instructions) {
    state.SetItemsProcessed(static_cast<std::int64_t>(instructions));
    state.counters["instructions/s"] = benchmark::Counter(static_cast<double>(instructions), benchmark::Counter::kIsRate);
}

template <class Processor>
void RunMix(benchmark::State& state, bool tracing, TDrive drive) {
    auto cpu = std::make_unique<Processor>();
    LoadMix(*cpu);
    cpu->running = true;
    cpu->SetTraceEnabled(tracing);
    TZ80& processor = *cpu;
    benchmark::DoNotOptimize(&processor);
    std::uint64_t instructions = 0;
    for (auto _ : state) instructions += Drive(processor, drive);
    CountInstructions(state, instructions);
}

void Z80StepMix(benchmark::State& state) { RunMix<TFlatZ80>(state, false, TDrive::Steps); }
void Z80StepMixTracing(benchmark::State& state) { RunMix<TFlatZ80>(state, true, TDrive::Steps); }
void Z80StepMixDirect(benchmark::State& state) { RunMix<TDirectFlatZ80>(state, false, TDrive::Steps); }
void Z80RunMixDirect(benchmark::State& state) { RunMix<TDirectFlatZ80>(state, false, TDrive::ToEvent); }

BENCHMARK(Z80StepMix);
BENCHMARK(Z80StepMixTracing);
BENCHMARK(Z80StepMixDirect);
BENCHMARK(Z80RunMixDirect);

// The exerciser of z80_exerciser.asm as a CP/M-style harness runs it: the program
// at 0100h, the BDOS at 0005h a trap (ED FE) followed by RET, and 0000h a trap
// with no BDOS function, so a program that leaves prints nothing more.
bool LoadExerciser(TFlatZ80& cpu) {
    std::ifstream file(QUIB_Z80_EXERCISER, std::ios::binary);
    const std::vector<char> program{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    if (program.empty() || program.size() > cpu.memory.size() - 0x0100) return false;
    std::copy(program.begin(), program.end(), cpu.memory.begin() + 0x0100);
    cpu.Load(0x0000, {0xED, 0xFE});
    cpu.Load(0x0005, {0xED, 0xFE, 0xC9});
    cpu.registers.Set(TZ80Registers::PC, 0x0100);
    return true;
}

// Each round prints "CRC xxxx": the CRC of every result and its flags. Every
// round prints the same, and a core that changes an instruction prints another.
template <class Processor>
void RunExerciser(benchmark::State& state, TDrive drive) {
    auto cpu = std::make_unique<Processor>();
    if (!LoadExerciser(*cpu)) {
        state.SkipWithError("the exerciser program is missing");
        return;
    }
    cpu->running = true;
    TZ80& processor = *cpu;
    benchmark::DoNotOptimize(&processor);
    std::uint64_t instructions = 0;
    for (auto _ : state) instructions += Drive(processor, drive);
    const std::string round = "CRC xxxx\r\n";
    const std::string first = cpu->printed.substr(0, round.size());
    for (std::size_t at = 0; at + round.size() <= cpu->printed.size(); at += round.size()) {
        if (cpu->printed.compare(at, round.size(), first) != 0) {
            state.SkipWithError("the rounds printed different CRCs");
            return;
        }
    }
    state.SetLabel(first.substr(0, 8));
    // The program's own progress, the same whatever a step holds.
    state.counters["rounds/s"] =
        benchmark::Counter(static_cast<double>(cpu->printed.size() / round.size()), benchmark::Counter::kIsRate);
    CountInstructions(state, instructions);
}

void Z80Exerciser(benchmark::State& state) { RunExerciser<TFlatZ80>(state, TDrive::Steps); }
void Z80ExerciserDirect(benchmark::State& state) { RunExerciser<TDirectFlatZ80>(state, TDrive::Steps); }
void Z80RunExerciserDirect(benchmark::State& state) { RunExerciser<TDirectFlatZ80>(state, TDrive::ToEvent); }

BENCHMARK(Z80Exerciser);
BENCHMARK(Z80ExerciserDirect);
BENCHMARK(Z80RunExerciserDirect);

}  // namespace
