#pragma once

#include <array>
#include <cstdint>

// Clock cycles of the instructions as the Z80 data sheet gives them, with the
// wait cycle the MSX adds to every M1 (opcode fetch) cycle folded in. The
// conditional instructions' pages hold their not-taken time; the executor adds
// the extra cycles of a taken branch and of a repeating block instruction.
namespace z80_cycles_detail {

// Data-sheet cycles of the unprefixed opcodes; 0 for the four prefixes, whose
// pages hold the whole instruction.
inline constexpr std::uint8_t unprefixed[256] = {
    //0  1   2   3   4   5   6   7   8   9   A   B   C   D   E   F
    4,  10, 7,  6,  4,  4,  7,  4,  4,  11, 7,  6,  4,  4,  7,  4,   // 0x
    8,  10, 7,  6,  4,  4,  7,  4,  12, 11, 7,  6,  4,  4,  7,  4,   // 1x
    7,  10, 16, 6,  4,  4,  7,  4,  7,  11, 16, 6,  4,  4,  7,  4,   // 2x
    7,  10, 13, 6,  11, 11, 10, 4,  7,  11, 13, 6,  4,  4,  7,  4,   // 3x
    4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,   // 4x
    4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,   // 5x
    4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,   // 6x
    7,  7,  7,  7,  7,  7,  4,  7,  4,  4,  4,  4,  4,  4,  7,  4,   // 7x
    4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,   // 8x
    4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,   // 9x
    4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,   // Ax
    4,  4,  4,  4,  4,  4,  7,  4,  4,  4,  4,  4,  4,  4,  7,  4,   // Bx
    5,  10, 10, 10, 10, 11, 7,  11, 5,  10, 10, 0,  10, 17, 7,  11,  // Cx
    5,  10, 10, 11, 10, 11, 7,  11, 5,  4,  10, 11, 10, 0,  7,  11,  // Dx
    5,  10, 10, 19, 10, 11, 7,  11, 5,  4,  10, 4,  10, 0,  7,  11,  // Ex
    5,  10, 10, 4,  10, 11, 7,  11, 5,  6,  10, 4,  10, 0,  7,  11,  // Fx
};

// Data-sheet cycles of the ED page from 40h to 7Fh; every other ED opcode
// but the block group takes 8, as a two-byte no-operation.
inline constexpr std::uint8_t extended40To7F[64] = {
    //0  1   2   3   4   5   6   7   8   9   A   B   C   D   E   F
    12, 12, 15, 20, 8,  14, 8,  9,  12, 12, 15, 20, 8,  14, 8,  9,   // 4x
    12, 12, 15, 20, 8,  14, 8,  9,  12, 12, 15, 20, 8,  14, 8,  9,   // 5x
    12, 12, 15, 20, 8,  14, 8,  18, 12, 12, 15, 20, 8,  14, 8,  18,  // 6x
    12, 12, 15, 20, 8,  14, 8,  8,  12, 12, 15, 20, 8,  14, 8,  8,   // 7x
};

constexpr bool UsesMemoryOperand(int opcode) {
    const bool load = opcode >= 0x40 && opcode < 0x80 && opcode != 0x76 &&
                      ((opcode & 7) == 6 || (opcode & 0xF8) == 0x70);
    const bool arithmetic = opcode >= 0x80 && opcode < 0xC0 && (opcode & 7) == 6;
    return load || arithmetic || opcode == 0x34 || opcode == 0x35;
}

constexpr std::array<std::uint8_t, 256> UnprefixedPage() {
    std::array<std::uint8_t, 256> page{};
    for (int opcode = 0; opcode < 256; ++opcode) {
        page[opcode] = unprefixed[opcode] == 0 ? 0 : static_cast<std::uint8_t>(unprefixed[opcode] + 1);
    }
    return page;
}

// CB: 8 on a register; on (HL) 15, or 12 for BIT, which writes nothing back.
constexpr std::array<std::uint8_t, 256> BitPage() {
    std::array<std::uint8_t, 256> page{};
    for (int opcode = 0; opcode < 256; ++opcode) {
        const bool memory = (opcode & 7) == 6;
        const bool test = (opcode & 0xC0) == 0x40;
        page[opcode] = static_cast<std::uint8_t>((memory ? (test ? 12 : 15) : 8) + 2);
    }
    return page;
}

constexpr std::array<std::uint8_t, 256> ExtendedPage() {
    std::array<std::uint8_t, 256> page{};
    for (int opcode = 0; opcode < 256; ++opcode) {
        const bool blockGroup = (opcode & 0xE4) == 0xA0;
        const int cycles = opcode >= 0x40 && opcode < 0x80 ? extended40To7F[opcode - 0x40] : blockGroup ? 16 : 8;
        page[opcode] = static_cast<std::uint8_t>(cycles + 2);
    }
    // A second ED begins the next instruction: the first is a fetch on its own.
    page[0xED] = 4 + 1;
    return page;
}

// DD and FD: four more than the unprefixed form, and eight more again where
// (IX+d) takes the place of (HL) (five for LD (IX+d),n, whose displacement
// overlaps the immediate's fetch).
constexpr std::array<std::uint8_t, 256> IndexedPage() {
    std::array<std::uint8_t, 256> page{};
    for (int opcode = 0; opcode < 256; ++opcode) {
        int cycles = 4 + unprefixed[opcode];
        if (UsesMemoryOperand(opcode)) cycles += 8;
        if (opcode == 0x36) cycles += 5;
        page[opcode] = static_cast<std::uint8_t>(cycles + 2);
    }
    page[0xCB] = 0;  // DD CB d op is timed on its own
    // A second index prefix begins the next instruction; DD ED is taken as a
    // two-byte no-operation.
    page[0xDD] = page[0xFD] = 4 + 1;
    page[0xED] = 8 + 2;
    return page;
}

}  // namespace z80_cycles_detail

struct TZ80Cycles {
    static constexpr std::array<std::uint8_t, 256> unprefixed = z80_cycles_detail::UnprefixedPage();
    static constexpr std::array<std::uint8_t, 256> bitOperation = z80_cycles_detail::BitPage();
    static constexpr std::array<std::uint8_t, 256> extended = z80_cycles_detail::ExtendedPage();
    static constexpr std::array<std::uint8_t, 256> indexed = z80_cycles_detail::IndexedPage();
    // DD CB d op and FD CB d op: two M1 fetches, the displacement and the
    // operation byte being plain reads.
    static constexpr std::uint8_t indexedBitOperation = 23 + 2;
    static constexpr std::uint8_t indexedBitTest = 20 + 2;

    // Extra cycles when the condition holds, or when a block instruction repeats.
    static constexpr std::uint8_t relativeJumpTaken = 5;
    static constexpr std::uint8_t callTaken = 7;
    static constexpr std::uint8_t returnTaken = 6;
    static constexpr std::uint8_t blockRepeat = 5;

    // Accepting an interrupt: the acknowledge is an M1 cycle with its wait.
    static constexpr std::uint8_t interruptMode0Or1 = 13 + 1;
    static constexpr std::uint8_t interruptMode2 = 19 + 1;
    static constexpr std::uint8_t nonMaskableInterrupt = 11 + 1;
    // A halted processor repeats NOP cycles.
    static constexpr std::uint8_t haltRepeat = 4 + 1;
};
