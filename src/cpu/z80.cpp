#include "cpu/z80.h"

#include <algorithm>
#include <cstdio>

#include "cpu/z80_flags.h"
#include "cpu/z80_text.h"

namespace {

using R = TZ80Registers;

// The registers named by the 3-bit register field of an opcode; field 6
// stands for the memory operand and has no register.
constexpr R::Byte registerByCode[8] = {R::B, R::C, R::D, R::E, R::H, R::L, R::F, R::A};

// The pairs named by the 2-bit pair field of an opcode.
constexpr R::Pair pairByCode[4] = {R::BC, R::DE, R::HL, R::SP};

std::uint16_t AddDisplacement(std::uint16_t base, std::uint8_t displacement) {
    return static_cast<std::uint16_t>(base + static_cast<std::int8_t>(displacement));
}

std::uint8_t Low(std::uint16_t value) { return static_cast<std::uint8_t>(value); }
std::uint8_t High(std::uint16_t value) { return static_cast<std::uint8_t>(value >> 8); }

}  // namespace

TZ80::TZ80() { Reset(); }

TZ80::~TZ80() = default;

void TZ80::Start() { Run(); }

void TZ80::Stop() { running = false; }

std::uint16_t TZ80::Run() {
    running = true;
    instructionsLeft = interruptPeriod;
    interruptRequest = false;
    while (Step() == 0) {
    }
    return registers.Get(R::PC);
}

void TZ80::Reset() {
    registers = TZ80Registers{};
    registers.Set(R::SP, 0xF000);
    cpuState = 0;
    I = 0;
    instructionsLeft = interruptPeriod;
    interruptRequest = false;
    instructionCount = 0;
}

void TZ80::SetTraceEnabled(bool enabled) { traceEnabled = enabled; }

void TZ80::TakeInterrupt(std::uint16_t vector) {
    // IFF2 takes IFF1 for maskable interrupts too.
    cpuState = static_cast<std::uint8_t>((cpuState & ~(StateIFF1 | StateIFF2)) |
                                         ((cpuState & StateIFF1) ? StateIFF2 : 0));
    if (cpuState & StateHalted) {
        registers.Set(R::PC, static_cast<std::uint16_t>(registers.Get(R::PC) + 1));
        cpuState = static_cast<std::uint8_t>(cpuState & ~StateHalted);
    }
    Push(registers.Get(R::PC));
    if (vector == NonMaskableInterrupt) {
        registers.Set(R::PC, NonMaskableInterrupt);
    } else if (cpuState & StateMode2) {
        const auto table = static_cast<std::uint16_t>((I << 8) | (vector & 0xFE));
        const std::uint8_t low = ReadMemory(table);
        const std::uint8_t high = ReadMemory(static_cast<std::uint16_t>(table + 1));
        registers.Set(R::PC, static_cast<std::uint16_t>(low | (high << 8)));
    } else if (cpuState & StateMode1) {
        registers.Set(R::PC, 0x0038);
    } else {
        registers.Set(R::PC, vector);
    }
}

inline std::uint8_t TZ80::FetchByte() {
    const std::uint16_t pc = registers.Get(R::PC);
    registers.Set(R::PC, static_cast<std::uint16_t>(pc + 1));
    return ReadMemory(pc);
}

inline std::uint16_t TZ80::FetchWord() {
    const std::uint8_t low = FetchByte();
    return static_cast<std::uint16_t>(low | (FetchByte() << 8));
}

inline void TZ80::Push(std::uint16_t value) {
    auto sp = static_cast<std::uint16_t>(registers.Get(R::SP) - 1);
    WriteMemory(sp, High(value));
    --sp;
    WriteMemory(sp, Low(value));
    registers.Set(R::SP, sp);
}

inline std::uint16_t TZ80::Pop() {
    const std::uint16_t sp = registers.Get(R::SP);
    const std::uint8_t low = ReadMemory(sp);
    const std::uint8_t high = ReadMemory(static_cast<std::uint16_t>(sp + 1));
    registers.Set(R::SP, static_cast<std::uint16_t>(sp + 2));
    return static_cast<std::uint16_t>(low | (high << 8));
}

// Condition field: NZ, Z, NC, C, PO, PE, P, M.
inline bool TZ80::Condition(unsigned code) const {
    static constexpr std::uint8_t flagByCondition[4] = {FlagZero, FlagCarry, FlagParityOverflow,
                                                        FlagSign};
    const bool set = (registers[R::F] & flagByCondition[code >> 1]) != 0;
    return set == ((code & 1) != 0);
}

// The repeating block instructions charge their transfers to the countdown in one go.
void TZ80::ChargeBlockCount(std::uint32_t count) {
    if (static_cast<std::int64_t>(count) < instructionsLeft) {
        instructionsLeft -= static_cast<std::int32_t>(count);
    } else {
        instructionsLeft = 1;
    }
}

// The second prefix begins the next step; the first one does not count.
void TZ80::SkipRedundantPrefix() {
    // The prefix makes up for the count of its step; a stopped step does not
    // count down, so there is nothing to make up for.
    if (running) {
        instructionsLeft = static_cast<std::int32_t>(static_cast<std::uint32_t>(instructionsLeft) + 1U);
    }
    registers.Set(R::PC, static_cast<std::uint16_t>(registers.Get(R::PC) - 1));
}

inline void TZ80::Add8(std::uint8_t operand, std::uint8_t carry) {
    const unsigned a = registers[R::A];
    const unsigned sum = a + operand + carry;
    const auto result = static_cast<std::uint8_t>(sum);
    registers[R::F] = static_cast<std::uint8_t>(
        SignZeroTable[result] | ((a ^ operand ^ result) & FlagHalfCarry) |
        (((~(a ^ operand)) & (operand ^ result) & 0x80) >> 5) | (sum >> 8));
    registers[R::A] = result;
}

inline void TZ80::Subtract8(std::uint8_t operand, std::uint8_t carry, bool store) {
    const unsigned a = registers[R::A];
    const unsigned difference = a - operand - carry;
    const auto result = static_cast<std::uint8_t>(difference);
    registers[R::F] = static_cast<std::uint8_t>(
        SignZeroTable[result] | ((a ^ operand ^ result) & FlagHalfCarry) |
        (((a ^ operand) & (a ^ result) & 0x80) >> 5) | FlagSubtract | ((difference >> 8) & 1));
    if (store) registers[R::A] = result;
}

// Operation field of the accumulator group: ADD, ADC, SUB, SBC, AND, XOR, OR, CP.
inline void TZ80::Arithmetic(unsigned operation, std::uint8_t operand) {
    std::uint8_t& a = registers[R::A];
    switch (operation) {
    case 0: Add8(operand, 0); break;
    case 1: Add8(operand, registers[R::F] & FlagCarry); break;
    case 2: Subtract8(operand, 0, true); break;
    case 3: Subtract8(operand, registers[R::F] & FlagCarry, true); break;
    case 4:
        a &= operand;
        registers[R::F] = SignZeroParityTable[a] | FlagHalfCarry;
        break;
    case 5:
        a ^= operand;
        registers[R::F] = SignZeroParityTable[a];
        break;
    case 6:
        a |= operand;
        registers[R::F] = SignZeroParityTable[a];
        break;
    default: Subtract8(operand, 0, false); break;
    }
}

inline std::uint8_t TZ80::Increment8(std::uint8_t value) {
    const auto result = static_cast<std::uint8_t>(value + 1);
    registers[R::F] = static_cast<std::uint8_t>(
        (registers[R::F] & FlagCarry) | SignZeroTable[result] |
        (result == 0x80 ? FlagParityOverflow : 0) | ((result & 0x0F) == 0 ? FlagHalfCarry : 0));
    return result;
}

inline std::uint8_t TZ80::Decrement8(std::uint8_t value) {
    const auto result = static_cast<std::uint8_t>(value - 1);
    registers[R::F] = static_cast<std::uint8_t>(
        (registers[R::F] & FlagCarry) | SignZeroTable[result] |
        (result == 0x7F ? FlagParityOverflow : 0) |
        ((result & 0x0F) == 0x0F ? FlagHalfCarry : 0) | FlagSubtract);
    return result;
}

inline void TZ80::Add16(TZ80Registers::Pair target, std::uint16_t operand) {
    const unsigned value = registers.Get(target);
    const unsigned sum = value + operand;
    registers[R::F] = static_cast<std::uint8_t>((registers[R::F] & 0xEC) |
                                                (((value ^ operand ^ sum) >> 8) & FlagHalfCarry) |
                                                (sum >> 16));
    registers.Set(target, static_cast<std::uint16_t>(sum));
}

void TZ80::AddWithCarry16(std::uint16_t operand) {
    const unsigned value = registers.Get(R::HL);
    const unsigned sum = value + operand + (registers[R::F] & FlagCarry);
    const unsigned result = sum & 0xFFFF;
    registers[R::F] = static_cast<std::uint8_t>(
        ((result >> 8) & FlagSign) | (result == 0 ? FlagZero : 0) |
        (((value ^ operand ^ result) >> 8) & FlagHalfCarry) |
        (((~(value ^ operand)) & (operand ^ result) & 0x8000) >> 13) | (sum >> 16));
    registers.Set(R::HL, static_cast<std::uint16_t>(result));
}

void TZ80::SubtractWithCarry16(std::uint16_t operand) {
    const unsigned value = registers.Get(R::HL);
    const unsigned difference = value - operand - (registers[R::F] & FlagCarry);
    const unsigned result = difference & 0xFFFF;
    registers[R::F] = static_cast<std::uint8_t>(
        ((result >> 8) & FlagSign) | (result == 0 ? FlagZero : 0) |
        (((value ^ operand ^ result) >> 8) & FlagHalfCarry) |
        (((value ^ operand) & (value ^ result) & 0x8000) >> 13) | FlagSubtract |
        ((difference >> 16) & 1));
    registers.Set(R::HL, static_cast<std::uint16_t>(result));
}

// Operation field of the CB rotates and shifts: RLC, RRC, RL, RR, SLA, SRA, SLL, SRL.
std::uint8_t TZ80::Shift(unsigned operation, std::uint8_t value) {
    const unsigned carryIn = registers[R::F] & FlagCarry;
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
    registers[R::F] = static_cast<std::uint8_t>(SignZeroParityTable[byte] | carryOut);
    return byte;
}

// BIT keeps S and P/V, unlike the published behaviour.
inline void TZ80::TestBit(unsigned bit, std::uint8_t value) {
    registers[R::F] = static_cast<std::uint8_t>((registers[R::F] & 0xBD) | FlagHalfCarry |
                                                (((value >> bit) & 1) ? 0 : FlagZero));
}

void TZ80::DecimalAdjust() {
    const std::uint8_t a = registers[R::A];
    const std::uint8_t flags = registers[R::F];
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
    registers[R::A] = result;
    registers[R::F] = static_cast<std::uint8_t>(ParityTable[result] | (carryOut ? FlagCarry : 0) |
                                                (flags & FlagSubtract) | SignZeroTable[result]);
}

template <TZ80Registers::Pair Index>
inline std::uint8_t& TZ80::Register8(unsigned code) {
    if constexpr (Index != R::HL) {
        if (code == 4) return registers.bytes[Index + 1];
        if (code == 5) return registers.bytes[Index];
    }
    return registers.bytes[registerByCode[code]];
}

template <TZ80Registers::Pair Index>
inline std::uint16_t TZ80::MemoryOperand() {
    if constexpr (Index == R::HL) {
        return registers.Get(R::HL);
    } else {
        const std::uint8_t displacement = FetchByte();
        return AddDisplacement(registers.Get(Index), displacement);
    }
}

// Inlined into Step (and the index forms into the unprefixed table): the calls
// and their register saves cost about a tenth of a step.
template <TZ80Registers::Pair Index>
[[gnu::always_inline]] inline void TZ80::Execute(std::uint8_t opcode) {
    TZ80Registers& r = registers;  // used on nearly every line below
    // The pair field with HL replaced by the index register.
    const auto pairOf = [](unsigned code) { return code == 2 ? Index : pairByCode[code]; };
    const unsigned middleBits = (opcode >> 3) & 7;
    const unsigned lowBits = opcode & 7;

    switch (opcode) {
    case 0x00: break;
    case 0x01: case 0x11: case 0x21: case 0x31: r.Set(pairOf(middleBits >> 1), FetchWord()); break;
    case 0x02: WriteMemory(r.Get(R::BC), r[R::A]); break;
    case 0x12: WriteMemory(r.Get(R::DE), r[R::A]); break;
    case 0x0A: r[R::A] = ReadMemory(r.Get(R::BC)); break;
    case 0x1A: r[R::A] = ReadMemory(r.Get(R::DE)); break;
    case 0x03: case 0x13: case 0x23: case 0x33: {
        const R::Pair pair = pairOf(middleBits >> 1);
        r.Set(pair, static_cast<std::uint16_t>(r.Get(pair) + 1));
        break;
    }
    case 0x0B: case 0x1B: case 0x2B: case 0x3B: {
        const R::Pair pair = pairOf(middleBits >> 1);
        r.Set(pair, static_cast<std::uint16_t>(r.Get(pair) - 1));
        break;
    }
    case 0x04: case 0x0C: case 0x14: case 0x1C: case 0x24: case 0x2C: case 0x3C: {
        std::uint8_t& target = Register8<Index>(middleBits);
        target = Increment8(target);
        break;
    }
    case 0x05: case 0x0D: case 0x15: case 0x1D: case 0x25: case 0x2D: case 0x3D: {
        std::uint8_t& target = Register8<Index>(middleBits);
        target = Decrement8(target);
        break;
    }
    case 0x34: {
        const std::uint16_t address = MemoryOperand<Index>();
        WriteMemory(address, Increment8(ReadMemory(address)));
        break;
    }
    case 0x35: {
        const std::uint16_t address = MemoryOperand<Index>();
        WriteMemory(address, Decrement8(ReadMemory(address)));
        break;
    }
    case 0x06: case 0x0E: case 0x16: case 0x1E: case 0x26: case 0x2E: case 0x3E:
        Register8<Index>(middleBits) = FetchByte();
        break;
    case 0x36: {
        // The displacement comes before the immediate.
        const std::uint16_t address = MemoryOperand<Index>();
        WriteMemory(address, FetchByte());
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
    case 0x09: case 0x19: case 0x29: case 0x39: Add16(Index, r.Get(pairOf(middleBits >> 1))); break;
    case 0x10: {
        const std::uint8_t displacement = FetchByte();
        if (--r[R::B] != 0) r.Set(R::PC, AddDisplacement(r.Get(R::PC), displacement));
        break;
    }
    case 0x18: {
        const std::uint8_t displacement = FetchByte();
        r.Set(R::PC, AddDisplacement(r.Get(R::PC), displacement));
        break;
    }
    case 0x20: case 0x28: case 0x30: case 0x38: {
        const std::uint8_t displacement = FetchByte();
        if (Condition(middleBits - 4)) r.Set(R::PC, AddDisplacement(r.Get(R::PC), displacement));
        break;
    }
    case 0x22: {
        const std::uint16_t address = FetchWord();
        WriteMemory(address, r.bytes[Index]);
        WriteMemory(static_cast<std::uint16_t>(address + 1), r.bytes[Index + 1]);
        break;
    }
    case 0x2A: {
        const std::uint16_t address = FetchWord();
        r.bytes[Index] = ReadMemory(address);
        r.bytes[Index + 1] = ReadMemory(static_cast<std::uint16_t>(address + 1));
        break;
    }
    case 0x32: WriteMemory(FetchWord(), r[R::A]); break;
    case 0x3A: r[R::A] = ReadMemory(FetchWord()); break;
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
        if (cpuState & StateIFF1) {
            r.Set(R::PC, static_cast<std::uint16_t>(r.Get(R::PC) - 1));
            cpuState |= StateHalted;
        }
        break;
    // LD r,(HL) and LD (HL),r keep H and L even after an index prefix.
    case 0x46: case 0x4E: case 0x56: case 0x5E: case 0x66: case 0x6E: case 0x7E:
        r.bytes[registerByCode[middleBits]] = ReadMemory(MemoryOperand<Index>());
        break;
    case 0x70: case 0x71: case 0x72: case 0x73: case 0x74: case 0x75: case 0x77:
        WriteMemory(MemoryOperand<Index>(), r.bytes[registerByCode[lowBits]]);
        break;
    case 0x40: case 0x41: case 0x42: case 0x43: case 0x44: case 0x45: case 0x47:
    case 0x48: case 0x49: case 0x4A: case 0x4B: case 0x4C: case 0x4D: case 0x4F:
    case 0x50: case 0x51: case 0x52: case 0x53: case 0x54: case 0x55: case 0x57:
    case 0x58: case 0x59: case 0x5A: case 0x5B: case 0x5C: case 0x5D: case 0x5F:
    case 0x60: case 0x61: case 0x62: case 0x63: case 0x64: case 0x65: case 0x67:
    case 0x68: case 0x69: case 0x6A: case 0x6B: case 0x6C: case 0x6D: case 0x6F:
    case 0x78: case 0x79: case 0x7A: case 0x7B: case 0x7C: case 0x7D: case 0x7F:
        Register8<Index>(middleBits) = Register8<Index>(lowBits);
        break;

    case 0x86: case 0x8E: case 0x96: case 0x9E: case 0xA6: case 0xAE: case 0xB6: case 0xBE:
        Arithmetic(middleBits, ReadMemory(MemoryOperand<Index>()));
        break;
    case 0x80: case 0x81: case 0x82: case 0x83: case 0x84: case 0x85: case 0x87:
    case 0x88: case 0x89: case 0x8A: case 0x8B: case 0x8C: case 0x8D: case 0x8F:
    case 0x90: case 0x91: case 0x92: case 0x93: case 0x94: case 0x95: case 0x97:
    case 0x98: case 0x99: case 0x9A: case 0x9B: case 0x9C: case 0x9D: case 0x9F:
    case 0xA0: case 0xA1: case 0xA2: case 0xA3: case 0xA4: case 0xA5: case 0xA7:
    case 0xA8: case 0xA9: case 0xAA: case 0xAB: case 0xAC: case 0xAD: case 0xAF:
    case 0xB0: case 0xB1: case 0xB2: case 0xB3: case 0xB4: case 0xB5: case 0xB7:
    case 0xB8: case 0xB9: case 0xBA: case 0xBB: case 0xBC: case 0xBD: case 0xBF:
        Arithmetic(middleBits, Register8<Index>(lowBits));
        break;
    case 0xC6: case 0xCE: case 0xD6: case 0xDE: case 0xE6: case 0xEE: case 0xF6: case 0xFE:
        Arithmetic(middleBits, FetchByte());
        break;

    case 0xC0: case 0xC8: case 0xD0: case 0xD8: case 0xE0: case 0xE8: case 0xF0: case 0xF8:
        if (Condition(middleBits)) r.Set(R::PC, Pop());
        break;
    case 0xC9: r.Set(R::PC, Pop()); break;
    case 0xC1: case 0xD1: case 0xE1: r.Set(pairOf(middleBits >> 1), Pop()); break;
    case 0xF1: r.Set(R::AF, Pop()); break;
    case 0xC5: case 0xD5: case 0xE5: Push(r.Get(pairOf(middleBits >> 1))); break;
    case 0xF5: Push(r.Get(R::AF)); break;
    case 0xC2: case 0xCA: case 0xD2: case 0xDA: case 0xE2: case 0xEA: case 0xF2: case 0xFA: {
        const std::uint16_t target = FetchWord();
        if (Condition(middleBits)) r.Set(R::PC, target);
        break;
    }
    case 0xC3: r.Set(R::PC, FetchWord()); break;
    case 0xC4: case 0xCC: case 0xD4: case 0xDC: case 0xE4: case 0xEC: case 0xF4: case 0xFC: {
        const std::uint16_t target = FetchWord();
        if (Condition(middleBits)) {
            Push(r.Get(R::PC));
            r.Set(R::PC, target);
        }
        break;
    }
    case 0xCD: {
        const std::uint16_t target = FetchWord();
        Push(r.Get(R::PC));
        r.Set(R::PC, target);
        break;
    }
    case 0xC7: case 0xCF: case 0xD7: case 0xDF: case 0xE7: case 0xEF: case 0xF7: case 0xFF:
        Push(r.Get(R::PC));
        r.Set(R::PC, static_cast<std::uint16_t>(opcode & 0x38));
        break;

    case 0xD3: {
        const std::uint8_t port = FetchByte();
        WritePort(port, r[R::A]);
        break;
    }
    case 0xDB: r[R::A] = ReadPort(FetchByte()); break;
    case 0xD9:
        // BC, DE and HL lie side by side, as do their alternates.
        std::swap_ranges(r.bytes.begin() + R::BC, r.bytes.begin() + R::HL + 2,
                         r.bytes.begin() + R::BC1);
        break;
    case 0xE3: {
        const std::uint16_t sp = r.Get(R::SP);
        const std::uint8_t low = ReadMemory(sp);
        const std::uint8_t high = ReadMemory(static_cast<std::uint16_t>(sp + 1));
        WriteMemory(sp, r.bytes[Index]);
        WriteMemory(static_cast<std::uint16_t>(sp + 1), r.bytes[Index + 1]);
        r.bytes[Index] = low;
        r.bytes[Index + 1] = high;
        break;
    }
    case 0xE9: r.Set(R::PC, r.Get(Index)); break;
    case 0xEB: {
        // EX DE,HL keeps HL after an index prefix.
        const std::uint16_t de = r.Get(R::DE);
        r.Set(R::DE, r.Get(R::HL));
        r.Set(R::HL, de);
        break;
    }
    case 0xF9: r.Set(R::SP, r.Get(Index)); break;
    case 0xF3: cpuState = static_cast<std::uint8_t>(cpuState & ~StateIFF1); break;
    case 0xFB: cpuState |= StateIFF1; break;

    case 0xCB:
        if constexpr (Index == R::HL) ExecuteBitOperation();
        else ExecuteIndexedBitOperation(r.Get(Index), Index == R::IX);
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
        } else if (reportUnrecognized) {
            std::printf(Index == R::IX ? "Unrecognized instruction: DD %X at PC=%hX\n"
                                       : "Unrecognized instruction: FD %X at PC=%hX\n",
                        0xEDU, static_cast<unsigned short>(instructionAddress));
        }
        break;
    }
}

void TZ80::ExecuteBitOperation() {
    const std::uint8_t operation = FetchByte();
    const unsigned code = operation & 7;
    const unsigned bit = (operation >> 3) & 7;
    const std::uint16_t address = registers.Get(R::HL);
    std::uint8_t* const target = code == 6 ? nullptr : &registers.bytes[registerByCode[code]];
    const std::uint8_t value = target ? *target : ReadMemory(address);
    std::uint8_t result = 0;
    switch (operation >> 6) {
    case 0: result = Shift(bit, value); break;
    case 1: TestBit(bit, value); return;
    case 2: result = static_cast<std::uint8_t>(value & ~(1U << bit)); break;
    default: result = static_cast<std::uint8_t>(value | (1U << bit)); break;
    }
    if (target) *target = result;
    else WriteMemory(address, result);
}

void TZ80::ExecuteIndexedBitOperation(std::uint16_t indexValue, bool indexIsIX) {
    const std::uint8_t displacement = FetchByte();
    const std::uint8_t operation = FetchByte();
    const std::uint16_t address = AddDisplacement(indexValue, displacement);
    const unsigned bit = (operation >> 3) & 7;
    if ((operation & 0xC0) == 0x40) {
        TestBit(bit, ReadMemory(address));
        return;
    }
    if ((operation & 7) != 6) {
        // The forms that would also copy the result into a register are not supported.
        if (reportUnrecognized) {
            std::printf(indexIsIX ? "Unrecognized instruction: DD CB %X %X at PC=%hX\n"
                                  : "Unrecognized instruction: FD CB %X %X at PC=%hX\n",
                        static_cast<unsigned>(displacement), static_cast<unsigned>(operation),
                        static_cast<unsigned short>(instructionAddress));
        }
        return;
    }
    const std::uint8_t value = ReadMemory(address);
    std::uint8_t result = 0;
    switch (operation >> 6) {
    case 0: result = Shift(bit, value); break;
    case 2: result = static_cast<std::uint8_t>(value & ~(1U << bit)); break;
    default: result = static_cast<std::uint8_t>(value | (1U << bit)); break;
    }
    WriteMemory(address, result);
}

void TZ80::ExecuteExtended() {
    TZ80Registers& r = registers;  // used on nearly every line below
    const std::uint8_t opcode = FetchByte();
    const unsigned middleBits = (opcode >> 3) & 7;
    const R::Pair pair = pairByCode[(opcode >> 4) & 3];

    // One step of the block group: direction +1 or -1 for HL (and DE).
    const auto transfer = [&](int direction) {
        const std::uint16_t hl = r.Get(R::HL);
        const std::uint16_t de = r.Get(R::DE);
        WriteMemory(de, ReadMemory(hl));
        r.Set(R::HL, static_cast<std::uint16_t>(hl + direction));
        r.Set(R::DE, static_cast<std::uint16_t>(de + direction));
        r.Set(R::BC, static_cast<std::uint16_t>(r.Get(R::BC) - 1));
    };
    // Returns whether the byte matched A.
    const auto compare = [&](int direction) {
        const std::uint16_t hl = r.Get(R::HL);
        const std::uint8_t value = ReadMemory(hl);
        const std::uint8_t a = r[R::A];
        const auto difference = static_cast<std::uint8_t>(a - value);
        const auto bc = static_cast<std::uint16_t>(r.Get(R::BC) - 1);
        r.Set(R::HL, static_cast<std::uint16_t>(hl + direction));
        r.Set(R::BC, bc);
        r[R::F] = static_cast<std::uint8_t>((r[R::F] & FlagCarry) | FlagSubtract |
                                            SignZeroTable[difference] |
                                            ((a ^ value ^ difference) & FlagHalfCarry) |
                                            (bc != 0 ? FlagParityOverflow : 0));
        return difference == 0;
    };
    const auto input = [&](int direction) {
        const std::uint16_t hl = r.Get(R::HL);
        WriteMemory(hl, ReadPort(r[R::C]));
        r.Set(R::HL, static_cast<std::uint16_t>(hl + direction));
        --r[R::B];
    };
    const auto output = [&](int direction) {
        const std::uint16_t hl = r.Get(R::HL);
        WritePort(r[R::C], ReadMemory(hl));
        r.Set(R::HL, static_cast<std::uint16_t>(hl + direction));
        --r[R::B];
    };
    const auto singleInputOutputFlags = [&] {
        r[R::F] = static_cast<std::uint8_t>(FlagSubtract | (r[R::B] == 0 ? FlagZero : 0));
    };

    switch (opcode) {
    case 0x40: case 0x48: case 0x50: case 0x58: case 0x60: case 0x68: case 0x78: {
        const std::uint8_t value = ReadPort(r[R::C]);
        r.bytes[registerByCode[middleBits]] = value;
        r[R::F] = static_cast<std::uint8_t>((r[R::F] & FlagCarry) | SignZeroParityTable[value]);
        break;
    }
    case 0x70: {
        const std::uint8_t value = ReadPort(r[R::C]);
        r[R::F] = static_cast<std::uint8_t>((r[R::F] & FlagCarry) | SignZeroParityTable[value]);
        break;
    }
    case 0x41: case 0x49: case 0x51: case 0x59: case 0x61: case 0x69: case 0x79:
        WritePort(r[R::C], r.bytes[registerByCode[middleBits]]);
        break;
    case 0x42: case 0x52: case 0x62: case 0x72: SubtractWithCarry16(r.Get(pair)); break;
    case 0x4A: case 0x5A: case 0x6A: case 0x7A: AddWithCarry16(r.Get(pair)); break;
    case 0x43: case 0x53: case 0x63: case 0x73: {
        const std::uint16_t address = FetchWord();
        WriteMemory(address, r.bytes[pair]);
        WriteMemory(static_cast<std::uint16_t>(address + 1), r.bytes[pair + 1]);
        break;
    }
    case 0x4B: case 0x5B: case 0x6B: case 0x7B: {
        const std::uint16_t address = FetchWord();
        r.bytes[pair] = ReadMemory(address);
        r.bytes[pair + 1] = ReadMemory(static_cast<std::uint16_t>(address + 1));
        break;
    }
    case 0x44: {
        const std::uint8_t value = r[R::A];
        r[R::A] = 0;
        Subtract8(value, 0, true);
        break;
    }
    case 0x45:
        cpuState = static_cast<std::uint8_t>((cpuState & ~StateIFF1) |
                                             ((cpuState & StateIFF2) ? StateIFF1 : 0));
        r.Set(R::PC, Pop());
        break;
    case 0x4D: r.Set(R::PC, Pop()); break;
    case 0x46: cpuState = static_cast<std::uint8_t>(cpuState & ~(StateMode1 | StateMode2)); break;
    case 0x56:
        cpuState = static_cast<std::uint8_t>((cpuState & ~StateMode2) | StateMode1);
        break;
    case 0x5E:
        cpuState = static_cast<std::uint8_t>((cpuState & ~StateMode1) | StateMode2);
        break;
    case 0x47: I = r[R::A]; break;
    case 0x4F: break;  // There is no R register.
    case 0x57:
    case 0x5F: {
        // LD A,R reads a value that goes up by one with every counted step.
        const std::uint8_t value =
            opcode == 0x57 ? I : static_cast<std::uint8_t>(256 - (instructionsLeft & 0xFF));
        r[R::A] = value;
        r[R::F] = static_cast<std::uint8_t>((r[R::F] & FlagCarry) | SignZeroTable[value] |
                                            ((cpuState & StateIFF1) ? FlagParityOverflow : 0));
        break;
    }
    case 0x67: {
        const std::uint16_t hl = r.Get(R::HL);
        const std::uint8_t memory = ReadMemory(hl);
        const std::uint8_t a = r[R::A];
        WriteMemory(hl, static_cast<std::uint8_t>((a << 4) | (memory >> 4)));
        r[R::A] = static_cast<std::uint8_t>((a & 0xF0) | (memory & 0x0F));
        r[R::F] = static_cast<std::uint8_t>((r[R::F] & FlagCarry) | SignZeroParityTable[r[R::A]]);
        break;
    }
    case 0x6F: {
        const std::uint16_t hl = r.Get(R::HL);
        const std::uint8_t memory = ReadMemory(hl);
        const std::uint8_t a = r[R::A];
        WriteMemory(hl, static_cast<std::uint8_t>((memory << 4) | (a & 0x0F)));
        r[R::A] = static_cast<std::uint8_t>((a & 0xF0) | (memory >> 4));
        r[R::F] = static_cast<std::uint8_t>((r[R::F] & FlagCarry) | SignZeroParityTable[r[R::A]]);
        break;
    }

    case 0xA0:
    case 0xA8:
        transfer(opcode == 0xA0 ? 1 : -1);
        r[R::F] = static_cast<std::uint8_t>((r[R::F] & 0xE9) |
                                            (r.Get(R::BC) != 0 ? FlagParityOverflow : 0));
        break;
    case 0xB0:
    case 0xB8:
        ChargeBlockCount(r.Get(R::BC));
        do {
            transfer(opcode == 0xB0 ? 1 : -1);
        } while (r.Get(R::BC) != 0);
        r[R::F] = static_cast<std::uint8_t>(r[R::F] & 0xE9);
        break;
    case 0xA1: compare(1); break;
    case 0xA9: compare(-1); break;
    case 0xB1:
    case 0xB9: {
        const int direction = opcode == 0xB1 ? 1 : -1;
        while (!compare(direction) && r.Get(R::BC) != 0) {
        }
        break;
    }
    case 0xA2:
    case 0xAA:
        input(opcode == 0xA2 ? 1 : -1);
        singleInputOutputFlags();
        break;
    case 0xA3:
    case 0xAB:
        output(opcode == 0xA3 ? 1 : -1);
        singleInputOutputFlags();
        break;
    case 0xB2:
    case 0xBA:
        ChargeBlockCount(r[R::B]);
        do {
            input(opcode == 0xB2 ? 1 : -1);
        } while (r[R::B] != 0);
        r[R::F] = FlagZero | FlagSubtract;
        break;
    case 0xB3:
    case 0xBB:
        ChargeBlockCount(r[R::B]);
        do {
            output(opcode == 0xB3 ? 1 : -1);
        } while (r[R::B] != 0);
        r[R::F] = FlagZero | FlagSubtract;
        break;

    case 0xED:
        SkipRedundantPrefix();
        break;
    case 0xFE: Trap(r.bytes.data()); break;
    default:
        if (reportUnrecognized) {
            std::printf("Unrecognized instruction: ED %X at PC=%hX\n", static_cast<unsigned>(opcode),
                        static_cast<unsigned short>(instructionAddress));
        }
        break;
    }
}

std::int32_t TZ80::Step() {
    instructionAddress = registers.Get(R::PC);
    if (!instructionText.empty()) instructionText.clear();
    ++instructionCount;
    if (traceEnabled) {
        // Built from the same bytes the instruction is about to read.
        instructionText = Z80InstructionText(
            instructionAddress, [this](std::uint16_t address) { return ReadMemory(address); });
    }

    Execute<R::HL>(FetchByte());

    if (!running) return -1;

    const std::int32_t old = instructionsLeft;
    instructionsLeft = static_cast<std::int32_t>(static_cast<std::uint32_t>(old) - 1U);
    if (old == 0) {
        instructionsLeft = interruptPeriod;
        if (periodicInterrupt) interruptRequest = true;
    }
    if (interruptRequest) {
        // A request that is not accepted now is dropped, not kept pending.
        interruptRequest = false;
        const std::uint16_t vector = AcknowledgeInterrupt();
        if (vector == NonMaskableInterrupt || (vector != NoInterrupt && (cpuState & StateIFF1))) {
            TakeInterrupt(vector);
        }
    }
    return 0;
}
