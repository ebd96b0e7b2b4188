#pragma once

#include <array>
#include <cstdint>

// Flag bits of F. Bits 5 and 3 are never produced by this processor.
inline constexpr std::uint8_t FlagSign = 0x80;
inline constexpr std::uint8_t FlagZero = 0x40;
inline constexpr std::uint8_t FlagHalfCarry = 0x10;
inline constexpr std::uint8_t FlagParityOverflow = 0x04;
inline constexpr std::uint8_t FlagSubtract = 0x02;
inline constexpr std::uint8_t FlagCarry = 0x01;

namespace z80_flags_detail {

constexpr std::array<std::uint8_t, 256> BuildParityTable() {
    std::array<std::uint8_t, 256> table{};
    for (int value = 0; value < 256; ++value) {
        int ones = 0;
        for (int bit = 0; bit < 8; ++bit) ones += (value >> bit) & 1;
        table[value] = (ones % 2 == 0) ? FlagParityOverflow : 0;
    }
    return table;
}

constexpr std::array<std::uint8_t, 256> BuildSignZeroTable() {
    std::array<std::uint8_t, 256> table{};
    for (int value = 0; value < 256; ++value) {
        table[value] = value == 0 ? FlagZero : static_cast<std::uint8_t>(value & FlagSign);
    }
    return table;
}

constexpr std::array<std::uint8_t, 256> BuildSignZeroParityTable() {
    std::array<std::uint8_t, 256> table = BuildSignZeroTable();
    const std::array<std::uint8_t, 256> parity = BuildParityTable();
    for (int value = 0; value < 256; ++value) table[value] |= parity[value];
    return table;
}

}  // namespace z80_flags_detail

// Built at compile time, indexed by the byte value.
inline constexpr std::array<std::uint8_t, 256> ParityTable = z80_flags_detail::BuildParityTable();
inline constexpr std::array<std::uint8_t, 256> SignZeroTable = z80_flags_detail::BuildSignZeroTable();
inline constexpr std::array<std::uint8_t, 256> SignZeroParityTable =
    z80_flags_detail::BuildSignZeroParityTable();
