#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "cpu/z80.h"
#include "cpu/z80_cycles.h"
#include "cpu/z80_flags.h"

// The instruction executors of one Step, written once for every processor
// class. For TZ80 itself the memory and port operations are virtual calls; for
// a final subclass the compiler calls that class's own, and inlines them.
//
// PC lives in a local during the step, so that fetching does not wait on its
// last store: it goes back into the register block before Trap and when the
// instruction is done. The memory and port operations therefore see the PC of
// the step's start, which nothing behind them reads.
template <class Processor>
class TZ80Executor {
public:
    explicit TZ80Executor(Processor& processor)
        : cpu(processor), r(processor.registers), pc(processor.registers.Get(TZ80Registers::PC)) {}

    // The whole Step of the core: execute, then the machine's event and the
    // interrupt when the clock has reached the cycle to look at them.
    [[gnu::always_inline]] inline std::int32_t Step() { return Run<false>(); }
    // Steps up to the one that reaches the cycle to look at the machine's
    // event or an interrupt, that one included; -1 when stopped. While only
    // the profile is charged, its steps skip the test of the step map. Each
    // kind of run is a function of its own, which keeps its registers to itself.
    static std::int32_t RunToEvent(Processor& processor) {
        return processor.stepExtras == TZ80::ExtraProfile ? RunProfiled(processor) : RunPlain(processor);
    }
    // Accepts an interrupt with the acknowledge's vector.
    void Interrupt(std::uint16_t vector);

private:
    using R = TZ80Registers;

    template <bool ToEvent, bool ProfileOnly = false> [[gnu::always_inline]] inline std::int32_t Run();
    [[gnu::noinline]] static std::int32_t RunPlain(Processor& processor) {
        return TZ80Executor(processor).template Run<true>();
    }
    [[gnu::noinline]] static std::int32_t RunProfiled(Processor& processor) {
        return TZ80Executor(processor).template Run<true, true>();
    }

    // The registers named by the 3-bit register field of an opcode; field 6
    // stands for the memory operand and has no register.
    static constexpr R::Byte registerByCode[8] = {R::B, R::C, R::D, R::E, R::H, R::L, R::F, R::A};
    // The pairs named by the 2-bit pair field of an opcode.
    static constexpr R::Pair pairByCode[4] = {R::BC, R::DE, R::HL, R::SP};

    static std::uint16_t AddDisplacement(std::uint16_t base, std::uint8_t displacement) {
        return static_cast<std::uint16_t>(base + static_cast<std::int8_t>(displacement));
    }
    // The fields of an opcode: bits 5-3 name a register, an operation or a
    // condition, bits 2-0 a register, bits 5-4 a pair. Taken where a case needs
    // them, so that no case pays for the others.
    static unsigned MiddleBits(std::uint8_t opcode) { return (opcode >> 3) & 7; }
    static unsigned LowBits(std::uint8_t opcode) { return opcode & 7; }
    static unsigned PairBits(std::uint8_t opcode) { return (opcode >> 4) & 3; }
    static std::uint8_t Low(std::uint16_t value) { return static_cast<std::uint8_t>(value); }
    static std::uint8_t High(std::uint16_t value) { return static_cast<std::uint8_t>(value >> 8); }
    static void ReportUnrecognized(const TZ80& core, const char* prefix, std::uint8_t opcode);
    static void ReportUnrecognizedIndexedBitOperation(const TZ80& core, const char* prefix,
                                                      std::uint8_t displacement, std::uint8_t operation);

    // Every operation below is inlined into Step, so that the executor never
    // leaves it and pc stays in a machine register.
    [[gnu::always_inline]] inline std::uint8_t FetchByte() {
        // A processor class may offer a read of its own for instruction bytes.
        std::uint8_t value;
        if constexpr (requires { cpu.FetchMemory(pc); }) {
            value = cpu.FetchMemory(pc);
        } else {
            value = cpu.ReadMemory(pc);
        }
        // Counting after the read keeps PC in one machine register across the call.
        ++pc;
        return value;
    }
    // The profile's key of the instruction at PC: a processor class that knows
    // memory slots adds the slot.
    [[gnu::always_inline]] inline std::uint32_t ProfileKey() const {
        if constexpr (requires { cpu.ProfileKey(pc); }) {
            return cpu.ProfileKey(pc);
        } else {
            return pc;
        }
    }
    [[gnu::always_inline]] inline std::uint16_t FetchWord() {
        const std::uint8_t low = FetchByte();
        return static_cast<std::uint16_t>(low | (FetchByte() << 8));
    }
    [[gnu::always_inline]] inline void Push(std::uint16_t value);
    [[gnu::always_inline]] inline std::uint16_t Pop();
    [[gnu::always_inline]] inline bool Condition(unsigned code) const;
    [[gnu::always_inline]] inline void SkipRedundantPrefix();

    // The unprefixed table; Index is HL, or IX / IY after a DD / FD prefix.
    template <R::Pair Index> [[gnu::always_inline]] inline void Execute(std::uint8_t opcode);
    template <R::Pair Index> [[gnu::always_inline]] inline std::uint8_t& Register8(unsigned code);
    template <R::Pair Index> [[gnu::always_inline]] inline std::uint16_t MemoryOperand();
    [[gnu::always_inline]] inline void ExecuteBitOperation();
    template <R::Pair Index> [[gnu::always_inline]] inline void ExecuteIndexedBitOperation();
    [[gnu::always_inline]] inline void ExecuteExtended();
    // Needs no PC, so it may stay out of line and take what it uses. True when
    // a repetition is left for the next step: the caller then leaves PC on it.
    [[gnu::noinline]] static bool ExecuteBlockTransfer(Processor& cpu, TZ80Registers& r, std::uint8_t opcode);
    // The repeats of a HALT up to the machine's next event, in one step.
    [[gnu::always_inline]] inline void SkipHaltRepeats();

    template <unsigned Operation> [[gnu::always_inline]] inline void Arithmetic(std::uint8_t operand);
    [[gnu::always_inline]] inline void Add8(std::uint8_t operand, std::uint8_t carry);
    [[gnu::always_inline]] inline void Subtract8(std::uint8_t operand, std::uint8_t carry, bool store);
    [[gnu::always_inline]] inline std::uint8_t Increment8(std::uint8_t value);
    [[gnu::always_inline]] inline std::uint8_t Decrement8(std::uint8_t value);
    [[gnu::always_inline]] inline void Add16(R::Pair target, std::uint16_t operand);
    [[gnu::always_inline]] inline void AddWithCarry16(std::uint16_t operand);
    [[gnu::always_inline]] inline void SubtractWithCarry16(std::uint16_t operand);
    [[gnu::always_inline]] inline std::uint8_t Shift(unsigned operation, std::uint8_t value);
    [[gnu::always_inline]] inline void TestBit(unsigned bit, std::uint8_t value);
    [[gnu::always_inline]] inline void DecimalAdjust();

    Processor& cpu;
    TZ80Registers& r;
    std::uint16_t pc;
};

template <class Processor>
inline void TZ80Executor<Processor>::Push(std::uint16_t value) {
    auto sp = static_cast<std::uint16_t>(r.Get(R::SP) - 1);
    cpu.WriteMemory(sp, High(value));
    --sp;
    cpu.WriteMemory(sp, Low(value));
    r.Set(R::SP, sp);
}

template <class Processor>
inline std::uint16_t TZ80Executor<Processor>::Pop() {
    const std::uint16_t sp = r.Get(R::SP);
    const std::uint8_t low = cpu.ReadMemory(sp);
    const std::uint8_t high = cpu.ReadMemory(static_cast<std::uint16_t>(sp + 1));
    r.Set(R::SP, static_cast<std::uint16_t>(sp + 2));
    return static_cast<std::uint16_t>(low | (high << 8));
}

// Condition field: NZ, Z, NC, C, PO, PE, P, M.
template <class Processor>
inline bool TZ80Executor<Processor>::Condition(unsigned code) const {
    static constexpr std::uint8_t flagByCondition[4] = {FlagZero, FlagCarry, FlagParityOverflow, FlagSign};
    const bool set = (r[R::F] & flagByCondition[code >> 1]) != 0;
    return set == ((code & 1) != 0);
}

// The second prefix begins the next step; the first one is a fetch on its own.
template <class Processor>
void TZ80Executor<Processor>::SkipRedundantPrefix() {
    --pc;
}

// A halted processor does nothing but repeat its NOP cycles until the next
// event or interrupt, so the repeats up to there are counted at once: the
// step ends where the last of them would have. With no event in sight (a
// processor outside a machine) it repeats once per step.
template <class Processor>
void TZ80Executor<Processor>::SkipHaltRepeats() {
    constexpr std::uint64_t longestSkip = std::uint64_t{1} << 24;
    const std::uint64_t limit = cpu.eventCycle;
    if (limit > cpu.cycles && limit - cpu.cycles <= longestSkip) {
        const std::uint64_t repeats = (limit - cpu.cycles + TZ80Cycles::haltRepeat - 1) / TZ80Cycles::haltRepeat;
        cpu.cycles += repeats * TZ80Cycles::haltRepeat;
    }
}

// prefix is "DD", "FD" or "ED", the byte that begins the instruction.
template <class Processor>
void TZ80Executor<Processor>::ReportUnrecognized(const TZ80& core, const char* prefix, std::uint8_t opcode) {
    if (core.reportUnrecognized) {
        std::printf("Unrecognized instruction: %s %X at PC=%hX\n", prefix, static_cast<unsigned>(opcode),
                    static_cast<unsigned short>(core.instructionAddress));
    }
}

template <class Processor>
void TZ80Executor<Processor>::ReportUnrecognizedIndexedBitOperation(const TZ80& core, const char* prefix,
                                                                    std::uint8_t displacement,
                                                                    std::uint8_t operation) {
    if (core.reportUnrecognized) {
        std::printf("Unrecognized instruction: %s CB %X %X at PC=%hX\n", prefix, static_cast<unsigned>(displacement),
                    static_cast<unsigned>(operation), static_cast<unsigned short>(core.instructionAddress));
    }
}

template <class Processor>
inline void TZ80Executor<Processor>::Add8(std::uint8_t operand, std::uint8_t carry) {
    const unsigned a = r[R::A];
    const unsigned sum = a + operand + carry;
    const auto result = static_cast<std::uint8_t>(sum);
    r[R::F] = static_cast<std::uint8_t>(SignZeroTable[result] | ((a ^ operand ^ result) & FlagHalfCarry) |
                                        (((~(a ^ operand)) & (operand ^ result) & 0x80) >> 5) | (sum >> 8));
    r[R::A] = result;
}

template <class Processor>
inline void TZ80Executor<Processor>::Subtract8(std::uint8_t operand, std::uint8_t carry, bool store) {
    const unsigned a = r[R::A];
    const unsigned difference = a - operand - carry;
    const auto result = static_cast<std::uint8_t>(difference);
    r[R::F] = static_cast<std::uint8_t>(SignZeroTable[result] | ((a ^ operand ^ result) & FlagHalfCarry) |
                                        (((a ^ operand) & (a ^ result) & 0x80) >> 5) | FlagSubtract |
                                        ((difference >> 8) & 1));
    if (store) r[R::A] = result;
}

// Operation field of the accumulator group: ADD, ADC, SUB, SBC, AND, XOR, OR, CP.
template <class Processor>
template <unsigned Operation>
inline void TZ80Executor<Processor>::Arithmetic(std::uint8_t operand) {
    std::uint8_t& a = r[R::A];
    if constexpr (Operation == 0) {
        Add8(operand, 0);
    } else if constexpr (Operation == 1) {
        Add8(operand, r[R::F] & FlagCarry);
    } else if constexpr (Operation == 2) {
        Subtract8(operand, 0, true);
    } else if constexpr (Operation == 3) {
        Subtract8(operand, r[R::F] & FlagCarry, true);
    } else if constexpr (Operation == 4) {
        a &= operand;
        r[R::F] = SignZeroParityTable[a] | FlagHalfCarry;
    } else if constexpr (Operation == 5) {
        a ^= operand;
        r[R::F] = SignZeroParityTable[a];
    } else if constexpr (Operation == 6) {
        a |= operand;
        r[R::F] = SignZeroParityTable[a];
    } else {
        Subtract8(operand, 0, false);
    }
}

template <class Processor>
inline std::uint8_t TZ80Executor<Processor>::Increment8(std::uint8_t value) {
    const auto result = static_cast<std::uint8_t>(value + 1);
    r[R::F] = static_cast<std::uint8_t>((r[R::F] & FlagCarry) | SignZeroTable[result] |
                                        (result == 0x80 ? FlagParityOverflow : 0) |
                                        ((result & 0x0F) == 0 ? FlagHalfCarry : 0));
    return result;
}

template <class Processor>
inline std::uint8_t TZ80Executor<Processor>::Decrement8(std::uint8_t value) {
    const auto result = static_cast<std::uint8_t>(value - 1);
    r[R::F] = static_cast<std::uint8_t>((r[R::F] & FlagCarry) | SignZeroTable[result] |
                                        (result == 0x7F ? FlagParityOverflow : 0) |
                                        ((result & 0x0F) == 0x0F ? FlagHalfCarry : 0) | FlagSubtract);
    return result;
}

template <class Processor>
inline void TZ80Executor<Processor>::Add16(R::Pair target, std::uint16_t operand) {
    const unsigned value = r.Get(target);
    const unsigned sum = value + operand;
    r[R::F] = static_cast<std::uint8_t>((r[R::F] & 0xEC) | (((value ^ operand ^ sum) >> 8) & FlagHalfCarry) |
                                        (sum >> 16));
    r.Set(target, static_cast<std::uint16_t>(sum));
}

template <class Processor>
void TZ80Executor<Processor>::AddWithCarry16(std::uint16_t operand) {
    const unsigned value = r.Get(R::HL);
    const unsigned sum = value + operand + (r[R::F] & FlagCarry);
    const unsigned result = sum & 0xFFFF;
    r[R::F] = static_cast<std::uint8_t>(((result >> 8) & FlagSign) | (result == 0 ? FlagZero : 0) |
                                        (((value ^ operand ^ result) >> 8) & FlagHalfCarry) |
                                        (((~(value ^ operand)) & (operand ^ result) & 0x8000) >> 13) |
                                        (sum >> 16));
    r.Set(R::HL, static_cast<std::uint16_t>(result));
}

template <class Processor>
void TZ80Executor<Processor>::SubtractWithCarry16(std::uint16_t operand) {
    const unsigned value = r.Get(R::HL);
    const unsigned difference = value - operand - (r[R::F] & FlagCarry);
    const unsigned result = difference & 0xFFFF;
    r[R::F] = static_cast<std::uint8_t>(((result >> 8) & FlagSign) | (result == 0 ? FlagZero : 0) |
                                        (((value ^ operand ^ result) >> 8) & FlagHalfCarry) |
                                        (((value ^ operand) & (value ^ result) & 0x8000) >> 13) | FlagSubtract |
                                        ((difference >> 16) & 1));
    r.Set(R::HL, static_cast<std::uint16_t>(result));
}

// Operation field of the CB rotates and shifts: RLC, RRC, RL, RR, SLA, SRA, SLL, SRL.
template <class Processor>
std::uint8_t TZ80Executor<Processor>::Shift(unsigned operation, std::uint8_t value) {
    const unsigned carryIn = r[R::F] & FlagCarry;
    unsigned result = 0;
    unsigned carryOut = 0;
    switch (operation) {
    case 0: result = (value << 1) | (value >> 7); carryOut = value >> 7; break;
    case 1: result = (value >> 1) | (value << 7); carryOut = value & 1; break;
    case 2: result = (value << 1) | carryIn; carryOut = value >> 7; break;
    case 3: result = (value >> 1) | (carryIn << 7); carryOut = value & 1; break;
    case 4: result = value << 1; carryOut = value >> 7; break;
    case 5: result = (value >> 1) | (value & 0x80); carryOut = value & 1; break;
    case 6: result = (value << 1) | 1; carryOut = value >> 7; break;
    default: result = value >> 1; carryOut = value & 1; break;
    }
    const auto byte = static_cast<std::uint8_t>(result);
    r[R::F] = static_cast<std::uint8_t>(SignZeroParityTable[byte] | carryOut);
    return byte;
}

// BIT keeps S and P/V, unlike the published behaviour.
template <class Processor>
inline void TZ80Executor<Processor>::TestBit(unsigned bit, std::uint8_t value) {
    r[R::F] = static_cast<std::uint8_t>((r[R::F] & 0xBD) | FlagHalfCarry | (((value >> bit) & 1) ? 0 : FlagZero));
}

template <class Processor>
void TZ80Executor<Processor>::DecimalAdjust() {
    const std::uint8_t a = r[R::A];
    const std::uint8_t flags = r[R::F];
    const unsigned low = a & 0x0F;
    const bool carry = flags & FlagCarry;
    const bool halfCarry = flags & FlagHalfCarry;
    std::uint8_t correction = 0;
    bool carryOut = false;
    if (flags & FlagSubtract) {
        // After a subtraction the correction does not look at the digits.
        if (carry) correction = halfCarry ? 0x9A : 0xA0;
        else correction = halfCarry ? 0xFA : 0x00;
        carryOut = carry;
    } else if (carry) {
        correction = (halfCarry || low >= 0x0A) ? 0x66 : 0x60;
        carryOut = true;
    } else if (halfCarry) {
        carryOut = a >= 0xA0;
        correction = carryOut ? 0x66 : 0x06;
    } else if (low < 0x0A) {
        carryOut = a >= 0xA0;
        correction = carryOut ? 0x60 : 0x00;
    } else {
        carryOut = a >= 0x90;
        correction = carryOut ? 0x66 : 0x06;
    }
    const auto result = static_cast<std::uint8_t>(a + correction);
    r[R::A] = result;
    r[R::F] = static_cast<std::uint8_t>(ParityTable[result] | (carryOut ? FlagCarry : 0) | (flags & FlagSubtract) |
                                        SignZeroTable[result]);
}

template <class Processor>
template <TZ80Registers::Pair Index>
inline std::uint8_t& TZ80Executor<Processor>::Register8(unsigned code) {
    if constexpr (Index != R::HL) {
        if (code == 4) return r.bytes[Index + 1];
        if (code == 5) return r.bytes[Index];
    }
    return r.bytes[registerByCode[code]];
}

template <class Processor>
template <TZ80Registers::Pair Index>
inline std::uint16_t TZ80Executor<Processor>::MemoryOperand() {
    if constexpr (Index == R::HL) {
        return r.Get(R::HL);
    } else {
        const std::uint8_t displacement = FetchByte();
        return AddDisplacement(r.Get(Index), displacement);
    }
}

template <class Processor>
template <bool ToEvent, bool ProfileOnly>
std::int32_t TZ80Executor<Processor>::Run() {
    TZ80& core = cpu;
    for (;;) {
        cpu.instructionAddress = pc;
        if constexpr (ProfileOnly) {
            cpu.profile->ChargeStep(ProfileKey(), cpu.cycles);
        } else if (cpu.stepMap[pc]) [[unlikely]] {
            // Stopped before the instruction: nothing executed, nothing counted.
            if ((cpu.stepExtras & ~TZ80::ExtraProfile) && core.BeforeStep()) return -1;
            if (cpu.profile) cpu.profile->ChargeStep(ProfileKey(), cpu.cycles);
        }
        ++cpu.instructionCount;

        Execute<R::HL>(FetchByte());
        r.Set(R::PC, pc);

        // A stop lowers eventCycle too, so that one comparison covers all three.
        if (cpu.cycles >= cpu.eventCycle) [[unlikely]] {
            if (!cpu.running) return -1;
            core.ReachEvent();
            return 0;
        }
        if constexpr (!ToEvent) return 0;
    }
}

template <class Processor>
void TZ80Executor<Processor>::Interrupt(std::uint16_t vector) {
    std::uint8_t& state = cpu.cpuState;
    // IFF2 takes IFF1 for maskable interrupts too.
    state = static_cast<std::uint8_t>((state & ~(TZ80::StateIFF1 | TZ80::StateIFF2)) |
                                      ((state & TZ80::StateIFF1) ? TZ80::StateIFF2 : 0));
    if (state & TZ80::StateHalted) {
        ++pc;
        state = static_cast<std::uint8_t>(state & ~TZ80::StateHalted);
    }
    cpu.cycles += vector == TZ80::NonMaskableInterrupt ? TZ80Cycles::nonMaskableInterrupt
                  : (state & TZ80::StateMode2)         ? TZ80Cycles::interruptMode2
                                                       : TZ80Cycles::interruptMode0Or1;
    Push(pc);
    if (vector == TZ80::NonMaskableInterrupt) {
        pc = TZ80::NonMaskableInterrupt;
    } else if (state & TZ80::StateMode2) {
        const auto table = static_cast<std::uint16_t>((cpu.I << 8) | (vector & 0xFE));
        const std::uint8_t low = cpu.ReadMemory(table);
        const std::uint8_t high = cpu.ReadMemory(static_cast<std::uint16_t>(table + 1));
        pc = static_cast<std::uint16_t>(low | (high << 8));
    } else if (state & TZ80::StateMode1) {
        pc = 0x0038;
    } else {
        pc = vector;
    }
    r.Set(R::PC, pc);
}

template <class Processor>
template <TZ80Registers::Pair Index>
inline void TZ80Executor<Processor>::Execute(std::uint8_t opcode) {
    // The pair field with HL replaced by the index register.
    const auto pairOf = [](unsigned code) { return code == 2 ? Index : pairByCode[code]; };

    cpu.cycles += Index == R::HL ? TZ80Cycles::unprefixed[opcode] : TZ80Cycles::indexed[opcode];
    switch (opcode) {
    case 0x00: break;
    case 0x01: case 0x11: case 0x21: case 0x31: r.Set(pairOf(PairBits(opcode)), FetchWord()); break;
    case 0x02: cpu.WriteMemory(r.Get(R::BC), r[R::A]); break;
    case 0x12: cpu.WriteMemory(r.Get(R::DE), r[R::A]); break;
    case 0x0A: r[R::A] = cpu.ReadMemory(r.Get(R::BC)); break;
    case 0x1A: r[R::A] = cpu.ReadMemory(r.Get(R::DE)); break;
    case 0x03: case 0x13: case 0x23: case 0x33: {
        const R::Pair pair = pairOf(PairBits(opcode));
        r.Set(pair, static_cast<std::uint16_t>(r.Get(pair) + 1));
        break;
    }
    case 0x0B: case 0x1B: case 0x2B: case 0x3B: {
        const R::Pair pair = pairOf(PairBits(opcode));
        r.Set(pair, static_cast<std::uint16_t>(r.Get(pair) - 1));
        break;
    }
    case 0x04: case 0x0C: case 0x14: case 0x1C: case 0x24: case 0x2C: case 0x3C: {
        std::uint8_t& target = Register8<Index>(MiddleBits(opcode));
        target = Increment8(target);
        break;
    }
    case 0x05: case 0x0D: case 0x15: case 0x1D: case 0x25: case 0x2D: case 0x3D: {
        std::uint8_t& target = Register8<Index>(MiddleBits(opcode));
        target = Decrement8(target);
        break;
    }
    case 0x34: {
        const std::uint16_t address = MemoryOperand<Index>();
        cpu.WriteMemory(address, Increment8(cpu.ReadMemory(address)));
        break;
    }
    case 0x35: {
        const std::uint16_t address = MemoryOperand<Index>();
        cpu.WriteMemory(address, Decrement8(cpu.ReadMemory(address)));
        break;
    }
    case 0x06: case 0x0E: case 0x16: case 0x1E: case 0x26: case 0x2E: case 0x3E:
        Register8<Index>(MiddleBits(opcode)) = FetchByte();
        break;
    case 0x36: {
        // The displacement comes before the immediate.
        const std::uint16_t address = MemoryOperand<Index>();
        cpu.WriteMemory(address, FetchByte());
        break;
    }
    case 0x07: {
        const std::uint8_t a = r[R::A];
        r[R::A] = static_cast<std::uint8_t>((a << 1) | (a >> 7));
        r[R::F] = static_cast<std::uint8_t>((r[R::F] & 0xEC) | (a >> 7));
        break;
    }
    case 0x0F: {
        const std::uint8_t a = r[R::A];
        r[R::A] = static_cast<std::uint8_t>((a >> 1) | (a << 7));
        r[R::F] = static_cast<std::uint8_t>((r[R::F] & 0xEC) | (a & 1));
        break;
    }
    case 0x17: {
        const std::uint8_t a = r[R::A];
        r[R::A] = static_cast<std::uint8_t>((a << 1) | (r[R::F] & FlagCarry));
        r[R::F] = static_cast<std::uint8_t>((r[R::F] & 0xEC) | (a >> 7));
        break;
    }
    case 0x1F: {
        const std::uint8_t a = r[R::A];
        r[R::A] = static_cast<std::uint8_t>((a >> 1) | ((r[R::F] & FlagCarry) << 7));
        r[R::F] = static_cast<std::uint8_t>((r[R::F] & 0xEC) | (a & 1));
        break;
    }
    case 0x08: {
        const std::uint16_t af = r.Get(R::AF);
        r.Set(R::AF, r.Get(R::AF1));
        r.Set(R::AF1, af);
        break;
    }
    case 0x09: case 0x19: case 0x29: case 0x39: Add16(Index, r.Get(pairOf(PairBits(opcode)))); break;
    case 0x10: {
        const std::uint8_t displacement = FetchByte();
        if (--r[R::B] != 0) {
            pc = AddDisplacement(pc, displacement);
            cpu.cycles += TZ80Cycles::relativeJumpTaken;
        }
        break;
    }
    case 0x18: {
        const std::uint8_t displacement = FetchByte();
        pc = AddDisplacement(pc, displacement);
        break;
    }
    case 0x20: case 0x28: case 0x30: case 0x38: {
        const std::uint8_t displacement = FetchByte();
        if (Condition(MiddleBits(opcode) - 4)) {
            pc = AddDisplacement(pc, displacement);
            cpu.cycles += TZ80Cycles::relativeJumpTaken;
        }
        break;
    }
    case 0x22: {
        const std::uint16_t address = FetchWord();
        cpu.WriteMemory(address, r.bytes[Index]);
        cpu.WriteMemory(static_cast<std::uint16_t>(address + 1), r.bytes[Index + 1]);
        break;
    }
    case 0x2A: {
        const std::uint16_t address = FetchWord();
        r.bytes[Index] = cpu.ReadMemory(address);
        r.bytes[Index + 1] = cpu.ReadMemory(static_cast<std::uint16_t>(address + 1));
        break;
    }
    case 0x32: cpu.WriteMemory(FetchWord(), r[R::A]); break;
    case 0x3A: r[R::A] = cpu.ReadMemory(FetchWord()); break;
    case 0x27: DecimalAdjust(); break;
    case 0x2F:
        r[R::A] = static_cast<std::uint8_t>(~r[R::A]);
        r[R::F] = static_cast<std::uint8_t>(r[R::F] | FlagHalfCarry | FlagSubtract);
        break;
    case 0x37:
        r[R::F] = static_cast<std::uint8_t>((r[R::F] & ~(FlagHalfCarry | FlagSubtract)) | FlagCarry);
        break;
    case 0x3F: {
        const unsigned carry = r[R::F] & FlagCarry;
        r[R::F] = static_cast<std::uint8_t>((r[R::F] & 0xEC) | (carry << 4) | (carry ^ 1));
        break;
    }

    case 0x76:
        if (cpu.cpuState & TZ80::StateIFF1) {
            --pc;
            if (cpu.profile && !(cpu.cpuState & TZ80::StateHalted)) [[unlikely]] cpu.profile->HaltStarted();
            cpu.cpuState |= TZ80::StateHalted;
            SkipHaltRepeats();
        }
        break;
    // LD r,(HL) and LD (HL),r keep H and L even after an index prefix.
    case 0x46: r[R::B] = cpu.ReadMemory(MemoryOperand<Index>()); break;
    case 0x4E: r[R::C] = cpu.ReadMemory(MemoryOperand<Index>()); break;
    case 0x56: r[R::D] = cpu.ReadMemory(MemoryOperand<Index>()); break;
    case 0x5E: r[R::E] = cpu.ReadMemory(MemoryOperand<Index>()); break;
    case 0x66: r[R::H] = cpu.ReadMemory(MemoryOperand<Index>()); break;
    case 0x6E: r[R::L] = cpu.ReadMemory(MemoryOperand<Index>()); break;
    case 0x7E: r[R::A] = cpu.ReadMemory(MemoryOperand<Index>()); break;
    case 0x70: cpu.WriteMemory(MemoryOperand<Index>(), r[R::B]); break;
    case 0x71: cpu.WriteMemory(MemoryOperand<Index>(), r[R::C]); break;
    case 0x72: cpu.WriteMemory(MemoryOperand<Index>(), r[R::D]); break;
    case 0x73: cpu.WriteMemory(MemoryOperand<Index>(), r[R::E]); break;
    case 0x74: cpu.WriteMemory(MemoryOperand<Index>(), r[R::H]); break;
    case 0x75: cpu.WriteMemory(MemoryOperand<Index>(), r[R::L]); break;
    case 0x77: cpu.WriteMemory(MemoryOperand<Index>(), r[R::A]); break;
    // LD r,r' and the accumulator group have a branch per target register and
    // per operation, so that the switch stays one table and the operation needs no second one.
    case 0x40: case 0x41: case 0x42: case 0x43: case 0x44: case 0x45: case 0x47:
        Register8<Index>(0) = Register8<Index>(LowBits(opcode));
        break;
    case 0x48: case 0x49: case 0x4A: case 0x4B: case 0x4C: case 0x4D: case 0x4F:
        Register8<Index>(1) = Register8<Index>(LowBits(opcode));
        break;
    case 0x50: case 0x51: case 0x52: case 0x53: case 0x54: case 0x55: case 0x57:
        Register8<Index>(2) = Register8<Index>(LowBits(opcode));
        break;
    case 0x58: case 0x59: case 0x5A: case 0x5B: case 0x5C: case 0x5D: case 0x5F:
        Register8<Index>(3) = Register8<Index>(LowBits(opcode));
        break;
    case 0x60: case 0x61: case 0x62: case 0x63: case 0x64: case 0x65: case 0x67:
        Register8<Index>(4) = Register8<Index>(LowBits(opcode));
        break;
    case 0x68: case 0x69: case 0x6A: case 0x6B: case 0x6C: case 0x6D: case 0x6F:
        Register8<Index>(5) = Register8<Index>(LowBits(opcode));
        break;
    case 0x78: case 0x79: case 0x7A: case 0x7B: case 0x7C: case 0x7D: case 0x7F:
        Register8<Index>(7) = Register8<Index>(LowBits(opcode));
        break;

    case 0x80: case 0x81: case 0x82: case 0x83: case 0x84: case 0x85: case 0x87:
        Arithmetic<0>(Register8<Index>(LowBits(opcode)));
        break;
    case 0x88: case 0x89: case 0x8A: case 0x8B: case 0x8C: case 0x8D: case 0x8F:
        Arithmetic<1>(Register8<Index>(LowBits(opcode)));
        break;
    case 0x90: case 0x91: case 0x92: case 0x93: case 0x94: case 0x95: case 0x97:
        Arithmetic<2>(Register8<Index>(LowBits(opcode)));
        break;
    case 0x98: case 0x99: case 0x9A: case 0x9B: case 0x9C: case 0x9D: case 0x9F:
        Arithmetic<3>(Register8<Index>(LowBits(opcode)));
        break;
    case 0xA0: case 0xA1: case 0xA2: case 0xA3: case 0xA4: case 0xA5: case 0xA7:
        Arithmetic<4>(Register8<Index>(LowBits(opcode)));
        break;
    case 0xA8: case 0xA9: case 0xAA: case 0xAB: case 0xAC: case 0xAD: case 0xAF:
        Arithmetic<5>(Register8<Index>(LowBits(opcode)));
        break;
    case 0xB0: case 0xB1: case 0xB2: case 0xB3: case 0xB4: case 0xB5: case 0xB7:
        Arithmetic<6>(Register8<Index>(LowBits(opcode)));
        break;
    case 0xB8: case 0xB9: case 0xBA: case 0xBB: case 0xBC: case 0xBD: case 0xBF:
        Arithmetic<7>(Register8<Index>(LowBits(opcode)));
        break;
    case 0x86: Arithmetic<0>(cpu.ReadMemory(MemoryOperand<Index>())); break;
    case 0x8E: Arithmetic<1>(cpu.ReadMemory(MemoryOperand<Index>())); break;
    case 0x96: Arithmetic<2>(cpu.ReadMemory(MemoryOperand<Index>())); break;
    case 0x9E: Arithmetic<3>(cpu.ReadMemory(MemoryOperand<Index>())); break;
    case 0xA6: Arithmetic<4>(cpu.ReadMemory(MemoryOperand<Index>())); break;
    case 0xAE: Arithmetic<5>(cpu.ReadMemory(MemoryOperand<Index>())); break;
    case 0xB6: Arithmetic<6>(cpu.ReadMemory(MemoryOperand<Index>())); break;
    case 0xBE: Arithmetic<7>(cpu.ReadMemory(MemoryOperand<Index>())); break;
    case 0xC6: Arithmetic<0>(FetchByte()); break;
    case 0xCE: Arithmetic<1>(FetchByte()); break;
    case 0xD6: Arithmetic<2>(FetchByte()); break;
    case 0xDE: Arithmetic<3>(FetchByte()); break;
    case 0xE6: Arithmetic<4>(FetchByte()); break;
    case 0xEE: Arithmetic<5>(FetchByte()); break;
    case 0xF6: Arithmetic<6>(FetchByte()); break;
    case 0xFE: Arithmetic<7>(FetchByte()); break;

    case 0xC0: case 0xC8: case 0xD0: case 0xD8: case 0xE0: case 0xE8: case 0xF0: case 0xF8:
        if (Condition(MiddleBits(opcode))) {
            pc = Pop();
            cpu.cycles += TZ80Cycles::returnTaken;
        }
        break;
    case 0xC9: pc = Pop(); break;
    case 0xC1: case 0xD1: case 0xE1: r.Set(pairOf(PairBits(opcode)), Pop()); break;
    case 0xF1: r.Set(R::AF, Pop()); break;
    case 0xC5: case 0xD5: case 0xE5: Push(r.Get(pairOf(PairBits(opcode)))); break;
    case 0xF5: Push(r.Get(R::AF)); break;
    case 0xC2: case 0xCA: case 0xD2: case 0xDA: case 0xE2: case 0xEA: case 0xF2: case 0xFA: {
        const std::uint16_t target = FetchWord();
        if (Condition(MiddleBits(opcode))) pc = target;
        break;
    }
    case 0xC3: pc = FetchWord(); break;
    case 0xC4: case 0xCC: case 0xD4: case 0xDC: case 0xE4: case 0xEC: case 0xF4: case 0xFC: {
        const std::uint16_t target = FetchWord();
        if (Condition(MiddleBits(opcode))) {
            Push(pc);
            pc = target;
            cpu.cycles += TZ80Cycles::callTaken;
        }
        break;
    }
    case 0xCD: {
        const std::uint16_t target = FetchWord();
        Push(pc);
        pc = target;
        break;
    }
    case 0xC7: case 0xCF: case 0xD7: case 0xDF: case 0xE7: case 0xEF: case 0xF7: case 0xFF:
        Push(pc);
        pc = static_cast<std::uint16_t>(opcode & 0x38);
        break;

    case 0xD3: {
        const std::uint8_t port = FetchByte();
        cpu.WritePort(port, r[R::A]);
        break;
    }
    case 0xDB: r[R::A] = cpu.ReadPort(FetchByte()); break;
    case 0xD9:
        // BC, DE and HL lie side by side, as do their alternates.
        std::swap_ranges(r.bytes.begin() + R::BC, r.bytes.begin() + R::HL + 2, r.bytes.begin() + R::BC1);
        break;
    case 0xE3: {
        const std::uint16_t sp = r.Get(R::SP);
        const std::uint8_t low = cpu.ReadMemory(sp);
        const std::uint8_t high = cpu.ReadMemory(static_cast<std::uint16_t>(sp + 1));
        cpu.WriteMemory(sp, r.bytes[Index]);
        cpu.WriteMemory(static_cast<std::uint16_t>(sp + 1), r.bytes[Index + 1]);
        r.bytes[Index] = low;
        r.bytes[Index + 1] = high;
        break;
    }
    case 0xE9: pc = r.Get(Index); break;
    case 0xEB: {
        // EX DE,HL keeps HL after an index prefix.
        const std::uint16_t de = r.Get(R::DE);
        r.Set(R::DE, r.Get(R::HL));
        r.Set(R::HL, de);
        break;
    }
    case 0xF9: r.Set(R::SP, r.Get(Index)); break;
    case 0xF3: cpu.cpuState = static_cast<std::uint8_t>(cpu.cpuState & ~TZ80::StateIFF1); break;
    case 0xFB:
        cpu.cpuState |= TZ80::StateIFF1;
        cpu.interruptDelay = true;
        cpu.eventCycle = 0;
        break;

    case 0xCB:
        if constexpr (Index == R::HL) ExecuteBitOperation();
        else ExecuteIndexedBitOperation<Index>();
        break;
    case 0xDD:
    case 0xFD:
        if constexpr (Index == R::HL) {
            if (opcode == 0xDD) Execute<R::IX>(FetchByte());
            else Execute<R::IY>(FetchByte());
        } else {
            SkipRedundantPrefix();
        }
        break;
    case 0xED:
        if constexpr (Index == R::HL) {
            ExecuteExtended();
        } else {
            ReportUnrecognized(cpu, Index == R::IX ? "DD" : "FD", 0xED);
        }
        break;
    }
}

template <class Processor>
void TZ80Executor<Processor>::ExecuteBitOperation() {
    const std::uint8_t operation = FetchByte();
    cpu.cycles += TZ80Cycles::bitOperation[operation];
    const unsigned code = operation & 7;
    const unsigned bit = (operation >> 3) & 7;
    const std::uint16_t address = r.Get(R::HL);
    std::uint8_t* const target = code == 6 ? nullptr : &r.bytes[registerByCode[code]];
    const std::uint8_t value = target ? *target : cpu.ReadMemory(address);
    std::uint8_t result = 0;
    switch (operation >> 6) {
    case 0: result = Shift(bit, value); break;
    case 1: TestBit(bit, value); return;
    case 2: result = static_cast<std::uint8_t>(value & ~(1U << bit)); break;
    default: result = static_cast<std::uint8_t>(value | (1U << bit)); break;
    }
    if (target) *target = result;
    else cpu.WriteMemory(address, result);
}

template <class Processor>
template <TZ80Registers::Pair Index>
void TZ80Executor<Processor>::ExecuteIndexedBitOperation() {
    const std::uint8_t displacement = FetchByte();
    const std::uint8_t operation = FetchByte();
    const std::uint16_t address = AddDisplacement(r.Get(Index), displacement);
    const unsigned bit = (operation >> 3) & 7;
    const bool test = (operation & 0xC0) == 0x40;
    cpu.cycles += test ? TZ80Cycles::indexedBitTest : TZ80Cycles::indexedBitOperation;
    if (test) {
        TestBit(bit, cpu.ReadMemory(address));
        return;
    }
    if ((operation & 7) != 6) {
        // The forms that would also copy the result into a register are not supported.
        ReportUnrecognizedIndexedBitOperation(cpu, Index == R::IX ? "DD" : "FD", displacement, operation);
        return;
    }
    const std::uint8_t value = cpu.ReadMemory(address);
    std::uint8_t result = 0;
    switch (operation >> 6) {
    case 0: result = Shift(bit, value); break;
    case 2: result = static_cast<std::uint8_t>(value & ~(1U << bit)); break;
    default: result = static_cast<std::uint8_t>(value | (1U << bit)); break;
    }
    cpu.WriteMemory(address, result);
}

// The block group: LDI, CPI, INI, OUTI and their decrementing and repeating forms.
template <class Processor>
bool TZ80Executor<Processor>::ExecuteBlockTransfer(Processor& cpu, TZ80Registers& r, std::uint8_t opcode) {
    // Bit 3 of the opcode counts down, bit 4 repeats.
    const int direction = (opcode & 0x08) ? -1 : 1;
    const bool repeat = (opcode & 0x10) != 0;

    // One step of the group: direction +1 or -1 for HL (and DE).
    const auto transfer = [&] {
        const std::uint16_t hl = r.Get(R::HL);
        const std::uint16_t de = r.Get(R::DE);
        cpu.WriteMemory(de, cpu.ReadMemory(hl));
        r.Set(R::HL, static_cast<std::uint16_t>(hl + direction));
        r.Set(R::DE, static_cast<std::uint16_t>(de + direction));
        r.Set(R::BC, static_cast<std::uint16_t>(r.Get(R::BC) - 1));
    };
    // Returns whether the byte matched A.
    const auto compare = [&] {
        const std::uint16_t hl = r.Get(R::HL);
        const std::uint8_t value = cpu.ReadMemory(hl);
        const std::uint8_t a = r[R::A];
        const auto difference = static_cast<std::uint8_t>(a - value);
        const auto bc = static_cast<std::uint16_t>(r.Get(R::BC) - 1);
        r.Set(R::HL, static_cast<std::uint16_t>(hl + direction));
        r.Set(R::BC, bc);
        r[R::F] = static_cast<std::uint8_t>((r[R::F] & FlagCarry) | FlagSubtract | SignZeroTable[difference] |
                                            ((a ^ value ^ difference) & FlagHalfCarry) |
                                            (bc != 0 ? FlagParityOverflow : 0));
        return difference == 0;
    };
    const auto input = [&] {
        const std::uint16_t hl = r.Get(R::HL);
        cpu.WriteMemory(hl, cpu.ReadPort(r[R::C]));
        r.Set(R::HL, static_cast<std::uint16_t>(hl + direction));
        --r[R::B];
    };
    const auto output = [&] {
        const std::uint16_t hl = r.Get(R::HL);
        cpu.WritePort(r[R::C], cpu.ReadMemory(hl));
        r.Set(R::HL, static_cast<std::uint16_t>(hl + direction));
        --r[R::B];
    };

    // One transfer; true when the instruction repeats.
    const auto once = [&] {
        switch (opcode & 0x03) {
        case 0:
            transfer();
            r[R::F] = static_cast<std::uint8_t>((r[R::F] & 0xE9) | (r.Get(R::BC) != 0 ? FlagParityOverflow : 0));
            return repeat && r.Get(R::BC) != 0;
        case 1: {
            const bool matched = compare();
            return repeat && !matched && r.Get(R::BC) != 0;
        }
        default:
            (opcode & 0x01) ? output() : input();
            r[R::F] = static_cast<std::uint8_t>(FlagSubtract | (r[R::B] == 0 ? FlagZero : 0));
            return repeat && r[R::B] != 0;
        }
    };
    // Each repetition is the instruction run again, its fetches and wait cycles
    // included. They go on within the step while nothing is due before the next
    // one: no event or interrupt, no stop, no debugger or profiler at the address.
    while (once()) {
        cpu.cycles += TZ80Cycles::blockRepeat;
        if (cpu.cycles >= cpu.eventCycle || !cpu.running || cpu.stepMap[cpu.instructionAddress]) return true;
        ++cpu.instructionCount;
        cpu.cycles += TZ80Cycles::extended[opcode];
    }
    return false;
}

template <class Processor>
void TZ80Executor<Processor>::ExecuteExtended() {
    const std::uint8_t opcode = FetchByte();
    cpu.cycles += TZ80Cycles::extended[opcode];
    const unsigned middleBits = (opcode >> 3) & 7;
    const R::Pair pair = pairByCode[(opcode >> 4) & 3];

    switch (opcode) {
    case 0x40: case 0x48: case 0x50: case 0x58: case 0x60: case 0x68: case 0x78: {
        const std::uint8_t value = cpu.ReadPort(r[R::C]);
        r.bytes[registerByCode[middleBits]] = value;
        r[R::F] = static_cast<std::uint8_t>((r[R::F] & FlagCarry) | SignZeroParityTable[value]);
        break;
    }
    case 0x70: {
        const std::uint8_t value = cpu.ReadPort(r[R::C]);
        r[R::F] = static_cast<std::uint8_t>((r[R::F] & FlagCarry) | SignZeroParityTable[value]);
        break;
    }
    case 0x41: case 0x49: case 0x51: case 0x59: case 0x61: case 0x69: case 0x79:
        cpu.WritePort(r[R::C], r.bytes[registerByCode[middleBits]]);
        break;
    case 0x42: case 0x52: case 0x62: case 0x72: SubtractWithCarry16(r.Get(pair)); break;
    case 0x4A: case 0x5A: case 0x6A: case 0x7A: AddWithCarry16(r.Get(pair)); break;
    case 0x43: case 0x53: case 0x63: case 0x73: {
        const std::uint16_t address = FetchWord();
        cpu.WriteMemory(address, r.bytes[pair]);
        cpu.WriteMemory(static_cast<std::uint16_t>(address + 1), r.bytes[pair + 1]);
        break;
    }
    case 0x4B: case 0x5B: case 0x6B: case 0x7B: {
        const std::uint16_t address = FetchWord();
        r.bytes[pair] = cpu.ReadMemory(address);
        r.bytes[pair + 1] = cpu.ReadMemory(static_cast<std::uint16_t>(address + 1));
        break;
    }
    case 0x44: {
        const std::uint8_t value = r[R::A];
        r[R::A] = 0;
        Subtract8(value, 0, true);
        break;
    }
    case 0x45:
        cpu.cpuState = static_cast<std::uint8_t>((cpu.cpuState & ~TZ80::StateIFF1) |
                                                 ((cpu.cpuState & TZ80::StateIFF2) ? TZ80::StateIFF1 : 0));
        cpu.eventCycle = 0;  // interrupts may be enabled again
        pc = Pop();
        break;
    case 0x4D: pc = Pop(); break;
    case 0x46: cpu.cpuState = static_cast<std::uint8_t>(cpu.cpuState & ~(TZ80::StateMode1 | TZ80::StateMode2)); break;
    case 0x56:
        cpu.cpuState = static_cast<std::uint8_t>((cpu.cpuState & ~TZ80::StateMode2) | TZ80::StateMode1);
        break;
    case 0x5E:
        cpu.cpuState = static_cast<std::uint8_t>((cpu.cpuState & ~TZ80::StateMode1) | TZ80::StateMode2);
        break;
    case 0x47: cpu.I = r[R::A]; break;
    case 0x4F: break;  // There is no R register.
    case 0x57:
    case 0x5F: {
        // LD A,R reads a value that goes up by one with every step, as the
        // refresh counter's seven bits go up with the fetches.
        const std::uint8_t value = opcode == 0x57 ? cpu.I : static_cast<std::uint8_t>(cpu.instructionCount & 0x7F);
        r[R::A] = value;
        r[R::F] = static_cast<std::uint8_t>((r[R::F] & FlagCarry) | SignZeroTable[value] |
                                            ((cpu.cpuState & TZ80::StateIFF1) ? FlagParityOverflow : 0));
        break;
    }
    case 0x67: {
        const std::uint16_t hl = r.Get(R::HL);
        const std::uint8_t memory = cpu.ReadMemory(hl);
        const std::uint8_t a = r[R::A];
        cpu.WriteMemory(hl, static_cast<std::uint8_t>((a << 4) | (memory >> 4)));
        r[R::A] = static_cast<std::uint8_t>((a & 0xF0) | (memory & 0x0F));
        r[R::F] = static_cast<std::uint8_t>((r[R::F] & FlagCarry) | SignZeroParityTable[r[R::A]]);
        break;
    }
    case 0x6F: {
        const std::uint16_t hl = r.Get(R::HL);
        const std::uint8_t memory = cpu.ReadMemory(hl);
        const std::uint8_t a = r[R::A];
        cpu.WriteMemory(hl, static_cast<std::uint8_t>((memory << 4) | (a & 0x0F)));
        r[R::A] = static_cast<std::uint8_t>((a & 0xF0) | (memory >> 4));
        r[R::F] = static_cast<std::uint8_t>((r[R::F] & FlagCarry) | SignZeroParityTable[r[R::A]]);
        break;
    }
    case 0xA0: case 0xA1: case 0xA2: case 0xA3: case 0xA8: case 0xA9: case 0xAA: case 0xAB:
    case 0xB0: case 0xB1: case 0xB2: case 0xB3: case 0xB8: case 0xB9: case 0xBA: case 0xBB:
        if (ExecuteBlockTransfer(cpu, r, opcode)) pc = static_cast<std::uint16_t>(pc - 2);
        break;
    case 0xED:
        SkipRedundantPrefix();
        break;
    case 0xFE:
        // The hook may read and change every register, PC included.
        r.Set(R::PC, pc);
        cpu.Trap(r.bytes.data());
        pc = r.Get(R::PC);
        break;
    default:
        ReportUnrecognized(cpu, "ED", opcode);
        break;
    }
}
