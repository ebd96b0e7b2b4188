#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

class TStateReader;
class TStateWriter;

// The register file as one block of twelve 16-bit registers, each stored low
// byte first. The order is part of the interface: Trap receives the block.
struct TZ80Registers {
    // Offsets of the 8-bit registers in the block; 1 marks the alternate set.
    enum Byte : std::uint8_t {
        F = 0, A = 1, C = 2, B = 3, E = 4, D = 5, L = 6, H = 7,
        IXL = 8, IXH = 9, IYL = 10, IYH = 11,
        PCLow = 12, PCHigh = 13, SPLow = 14, SPHigh = 15,
        F1 = 16, A1 = 17, C1 = 18, B1 = 19, E1 = 20, D1 = 21, L1 = 22, H1 = 23,
    };
    // Offsets of the 16-bit registers in the block.
    enum Pair : std::uint8_t {
        AF = 0, BC = 2, DE = 4, HL = 6, IX = 8, IY = 10, PC = 12, SP = 14,
        AF1 = 16, BC1 = 18, DE1 = 20, HL1 = 22,
    };

    std::array<std::uint8_t, 24> bytes{};

    std::uint8_t& operator[](Byte offset) { return bytes[offset]; }
    std::uint8_t operator[](Byte offset) const { return bytes[offset]; }
    // One 16-bit access where the host stores low bytes first, so that a load
    // after a store of the same pair takes the stored value straight over.
    std::uint16_t Get(Pair pair) const {
        if constexpr (std::endian::native == std::endian::little) {
            std::uint16_t value;
            std::memcpy(&value, &bytes[pair], sizeof value);
            return value;
        } else {
            return static_cast<std::uint16_t>(bytes[pair] | (bytes[pair + 1] << 8));
        }
    }
    void Set(Pair pair, std::uint16_t value) {
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(&bytes[pair], &value, sizeof value);
        } else {
            bytes[pair] = static_cast<std::uint8_t>(value);
            bytes[pair + 1] = static_cast<std::uint8_t>(value >> 8);
        }
    }
};

static_assert(sizeof(TZ80Registers) == 24, "the register block is 24 contiguous bytes");

// Stops the processor between instructions for a debugger.
class TZ80StepWatcher {
public:
    virtual ~TZ80StepWatcher() = default;
    // Before each instruction it is asked about: true when it has stopped the
    // processor there, and the step then returns -1 without executing.
    virtual bool StopBeforeStep() = 0;
};

// Where a profiler keeps the processor's time. While set, each step charges
// the record of the step before with the cycles since that step started, so
// that an interrupt's acceptance and a HALT's waiting go with the step that
// ran into them; the step itself is charged at the next. Records are keyed
// by address, in one of up to 16 memory slots: slot * 64 KB + address.
class TZ80Profile {
public:
    struct TCharge {
        std::uint64_t cycles = 0;
        std::uint32_t instructions = 0;
    };
    static constexpr std::size_t keys = 16 * 0x10000;
    // The record past the keys, charged with the step before the first.
    static constexpr std::uint32_t noStep = keys;

    virtual ~TZ80Profile() = default;
    // A maskable interrupt was accepted, its acknowledge starting at `cycle`.
    virtual void InterruptTaken(std::uint64_t cycle) = 0;
    // The step that has just started halts the processor.
    virtual void HaltStarted() = 0;

    // Called by the processor before each step, inline.
    void ChargeStep(std::uint32_t key, std::uint64_t now) {
        TCharge& charge = charges[pendingKey];
        charge.cycles += now - pendingCycle;
        ++charge.instructions;
        pendingKey = key;
        pendingCycle = now;
    }

protected:
    // keys + 1 records, once charging has started.
    std::vector<TCharge> charges;
    // The step not yet charged, and the cycle it started at.
    std::uint32_t pendingKey = noStep;
    std::uint64_t pendingCycle = 0;
};

// The Z80 core: executes one whole instruction per Step, counts the machine's
// time in clock cycles and takes interrupts in modes 0, 1, 2 and NMI while its
// interrupt line is asserted. Memory, ports, the interrupt vector, the
// machine's timed events and the trap hook belong to a subclass.
class TZ80 {
public:
    // cpuState bits.
    static constexpr std::uint8_t StateIFF1 = 0x01;
    static constexpr std::uint8_t StateMode1 = 0x02;
    static constexpr std::uint8_t StateMode2 = 0x04;
    static constexpr std::uint8_t StateIFF2 = 0x40;
    static constexpr std::uint8_t StateHalted = 0x80;

    // Acknowledge results with a fixed meaning.
    static constexpr std::uint16_t NoInterrupt = 0xFFFF;
    static constexpr std::uint16_t NonMaskableInterrupt = 0x0066;

    // The clock: 3 579 545 cycles a second.
    static constexpr std::uint32_t clockRate = 3579545;
    static constexpr std::uint64_t never = ~std::uint64_t{0};

    bool reportUnrecognized = false;
    // Machine time in clock cycles since the processor was made, the MSX's
    // wait cycles included; never set back. An instruction adds its time before
    // its memory and port accesses, so a device sees about the instruction's end.
    std::uint64_t cycles = 0;
    // The cycle of the last Reset, from which the debugger counts.
    std::uint64_t resetCycles = 0;
    // The machine's next timed event: the step that ends at or past it calls
    // MachineEvent, which sets the next one through ScheduleEvent.
    std::uint64_t nextEventCycle = never;
    TZ80Registers registers;
    std::uint8_t cpuState = 0;
    std::uint8_t I = 0;
    bool traceEnabled = false;
    std::uint16_t instructionAddress = 0;
    std::string instructionText;
    bool running = false;
    std::uint32_t instructionCount = 0;

    TZ80();
    virtual ~TZ80();
    TZ80(const TZ80&) = delete;
    TZ80& operator=(const TZ80&) = delete;

    virtual void Start();
    virtual void Stop();
    // Executes one instruction; 0, or -1 when stopped before it or by it.
    virtual std::int32_t Step();
    // Executes instructions up to the one that reaches the machine's next event
    // or an interrupt, which are then dealt with; 0, or -1 when stopped.
    virtual std::int32_t RunToEvent();
    // Runs until stopped; returns PC.
    virtual std::uint16_t Run();
    virtual void WriteMemory(std::uint16_t address, std::uint8_t value) = 0;
    virtual std::uint8_t ReadMemory(std::uint16_t address) = 0;
    // The byte ReadMemory gives, without the access being seen by a watcher;
    // the trace text reads the instruction through it.
    virtual std::uint8_t PeekMemory(std::uint16_t address) { return ReadMemory(address); }
    virtual std::uint8_t ReadPort(std::uint8_t port) = 0;
    virtual void WritePort(std::uint8_t port, std::uint8_t value) = 0;
    // Called by the opcode ED FE with the first byte of the register block.
    virtual void Trap(std::uint8_t* registerBlock) = 0;
    // When an interrupt is accepted: FFFFh for none after all, 0066h for NMI,
    // otherwise the vector of a maskable interrupt.
    virtual std::uint16_t AcknowledgeInterrupt() = 0;
    // The machine's timed work, at the end of the step that reaches nextEventCycle.
    virtual void MachineEvent() {}

    void Reset();
    // The maskable interrupt is a level: taken at the end of an instruction
    // while asserted and IFF1 is set, but not at the end of the EI that set it.
    void SetInterruptLine(bool asserted) {
        interruptLine = asserted;
        if (asserted) eventCycle = 0;
    }
    bool GetInterruptLine() const { return interruptLine; }
    void ScheduleEvent(std::uint64_t cycle) {
        nextEventCycle = cycle;
        if (cycle < eventCycle) eventCycle = cycle;
    }
    // Cycles since the last Reset.
    std::uint64_t CyclesSinceReset() const { return cycles - resetCycles; }
    void SetTraceEnabled(bool enabled);
    // Not owned; null watches no step. With a map, the watcher is asked only
    // before the instructions at the addresses the map marks non-zero (64 KB,
    // not owned), which the step tests inline; without one, before every step.
    void SetStepWatcher(TZ80StepWatcher* watcher, const std::uint8_t* addressMap = nullptr);
    // Not owned; while set, it is charged with every step. Null charges none.
    void SetProfile(TZ80Profile* newProfile);

    // What decides the next steps: registers, interrupt and halt state, the
    // clock and the instruction count. Settings, the trace and the machine's
    // next event (its owner schedules it again) are not state.
    void SaveState(TStateWriter& record) const;
    // False, with the processor unusable, when the record is short or out of range.
    bool LoadState(TStateReader& record);

private:
    // The instruction executors, in cpu/z80_executor.h.
    template <class Processor> friend class TZ80Executor;

    // Empties the last step's text and, while tracing, builds the text of the
    // instruction about to run.
    [[gnu::noinline]] void PrepareInstructionText();
    // What a step does before its instruction besides executing it and
    // charging the profile: the watcher's check and the text. True when the
    // watcher stopped the processor.
    [[gnu::noinline]] bool BeforeStep();
    void RefreshStepExtras();

    // Bits of stepExtras.
    static constexpr std::uint8_t ExtraWatchMarked = 0x01;  // the watcher, at marked addresses only
    static constexpr std::uint8_t ExtraProfile = 0x02;
    static constexpr std::uint8_t ExtraEveryStep = 0x04;    // the watcher on every step, a trace, a text

    // Maps of 64 KB that mark no address and every address.
    static const std::array<std::uint8_t, 0x10000> noAddress;
    static const std::array<std::uint8_t, 0x10000> everyAddress;

    TZ80StepWatcher* stepWatcher = nullptr;
    const std::uint8_t* watchedAddresses = nullptr;
    TZ80Profile* profile = nullptr;
    // What a step has more to do than execute, and the addresses where it may:
    // the one test a step makes, at PC, is in stepMap. With nothing but
    // breakpoints it is the watcher's map, so only they leave the common path.
    std::uint8_t stepExtras = 0;
    const std::uint8_t* stepMap = noAddress.data();
    // The step that reaches eventCycle: the machine's event when it is due,
    // then the interrupt when it may be taken. Out of line, so that the step's
    // common path keeps a small frame.
    [[gnu::noinline]] void ReachEvent();
    // Where the next step must stop by: at once while an interrupt may be
    // taken, else at the machine's event. Stop and a change of what steps do
    // set it to 0 as well, so that a run ends.
    void RefreshEventCycle() {
        eventCycle = (interruptLine && (cpuState & StateIFF1)) || interruptDelay ? 0 : nextEventCycle;
    }

    std::uint64_t eventCycle = never;
    bool interruptLine = false;
    // Set by EI: no interrupt at the end of this instruction.
    bool interruptDelay = false;
};
