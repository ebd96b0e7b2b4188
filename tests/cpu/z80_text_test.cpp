#include "cpu/z80_text.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "cpu/z80.h"

namespace {

std::string TextAt(std::uint16_t address, const std::vector<std::uint8_t>& bytes) {
    std::array<std::uint8_t, 65536> memory{};
    for (std::size_t index = 0; index < bytes.size(); ++index) memory[(address + index) & 0xFFFF] = bytes[index];
    return Z80InstructionText(address, [&](std::uint16_t at) { return memory[at]; });
}

// The forms whose operands or spelling are easy to get wrong.
TEST(Z80Text, InstructionTextsOfTheUnusualForms) {
    const struct {
        std::uint16_t address;
        std::vector<std::uint8_t> bytes;
        const char* text;
    } cases[] = {
        {0, {0x32, 0xAE, 0xF3}, "LD   (F3AE),A"}, {0, {0x36, 0x10}, "LD   (HL),10"}, {0, {0xFF}, "RST  38"},
        {0, {0xE9}, "LD   PC,HL"}, {0, {0xE3}, "EX   HL,(SP)"}, {0, {0x08}, "EX   AF,AF'"}, {0, {0x90}, "SUB  B"},
        {0, {0xDE, 0x10}, "SBC  A,10"}, {0, {0xC4, 0xF6, 0x0B}, "CALL NZ,0BF6"}, {0, {0xE8}, "RET  PE"},
        {0x0100, {0x10, 0x05}, "DJNZ 0107"}, {0xFFF0, {0x38, 0x7F}, "JR   C,0071"}, {0, {0xCB, 0x37}, "SLL  A"},
        {0, {0xCB, 0xBE}, "RES  7,(HL)"}, {0, {0xED, 0x70}, "IN   F,(C)"}, {0, {0xED, 0x7A}, "ADC  HL,SP"},
        {0, {0xED, 0x7B, 0x34, 0x12}, "LD   SP,(1234)"}, {0, {0xED, 0x5E}, "IM   2"}, {0, {0xED, 0xBB}, "OTDR"},
        {0, {0xDD, 0x36, 0x05, 0x3F}, "LD   (IX + 05),3F"}, {0, {0xFD, 0x7E, 0xFF}, "LD   A,(IY + FFFFFFFF)"},
        {0, {0xDD, 0x8D}, "ADC  IXL"}, {0, {0xFD, 0x9E, 0x7F}, "SBC  (IY + 7F)"}, {0, {0xDD, 0x9F}, "SBC  A"},
        {0, {0xDD, 0x98}, "SBC  A,B"}, {0, {0xDD, 0x29}, "ADD  IX, IX"}, {0, {0xDD, 0x66, 0x05}, "LD   H,(IX + 05)"},
        {0, {0xFD, 0x26, 0x12}, "LD   IYH,12"}, {0, {0xDD, 0xE3}, "EX   IX,(SP)"}, {0, {0xDD, 0xCD, 0, 0x10}, "CALL "},
        {0, {0xFD, 0x2A, 0x34, 0x12}, "LD   IY,(1234)"}, {0, {0xDD, 0x74, 0x05}, "LD   (IX + 05),H"},
        {0x0100, {0xFD, 0x10, 0x05}, "DJNZ 0108"}, {0, {0xFD, 0xCB, 0xFF, 0x5E}, "BIT  3,(HL)"}, {0, {0xED, 0xFE}, ""},
        {0, {0xDD, 0xCB, 0x05, 0x00}, ""}, {0, {0xFD, 0xDD}, ""},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(TextAt(test.address, test.bytes), test.text)
            << "bytes starting " << std::hex << int(test.bytes[0]) << " " << int(test.bytes[1 % test.bytes.size()]);
    }
}

TEST(Z80Text, InstructionLengthsAsTheProcessorStepsThem) {
    const struct {
        std::vector<std::uint8_t> bytes;
        int length;
    } cases[] = {
        {{0x00}, 1}, {{0x3E, 0x42}, 2}, {{0xCD, 0x00, 0x40}, 3}, {{0xFF}, 1}, {{0x10, 0xFE}, 2},
        {{0xED, 0xB0}, 2}, {{0xED, 0x43, 0x00, 0xC0}, 4}, {{0xDD, 0x21, 0x34, 0x12}, 4}, {{0xFD, 0x36, 0x05, 0x3F}, 4},
        {{0xDD, 0xCB, 0x05, 0x46}, 4}, {{0xDD, 0xCD, 0x00, 0x10}, 4}, {{0xFD, 0xC4, 0x00, 0x10}, 4},
        {{0xDD, 0x7E, 0x05}, 3}, {{0xDD, 0x78}, 2}, {{0xDD, 0xDD, 0x21}, 1}, {{0xED, 0xED}, 1}, {{0xED, 0x4C}, 2},
    };
    for (const auto& test : cases) {
        std::array<std::uint8_t, 65536> memory{};
        std::copy(test.bytes.begin(), test.bytes.end(), memory.begin() + 0xFFFE - 2);
        EXPECT_EQ(Z80InstructionLength(0xFFFC, [&](std::uint16_t at) { return memory[at]; }), test.length)
            << TextAt(0xFFFC, test.bytes);
    }
}

TEST(Z80Text, FlagStringsAndTraceRecords) {
    for (auto [flags, text] : {std::pair{0x44, "PZ...V.."}, {0x93, "M..H..NC"}, {0xFF, "MZ.H.VNC"}}) {
        EXPECT_EQ(Z80FlagString(std::uint8_t(flags)), text) << flags;
    }
    EXPECT_EQ(Z80RegisterRecord(0x1293, 0xABCD, 0x0102, 0xFFFF, 0x0A0B, 0xC0DE, 0x0038),
              "SP:0038 FLAGS:M..H..NC\n\t\t\tAF:1293 BC:ABCD DE:0102 HL:FFFF IX:0A0B IY:C0DE\n\n");
    EXPECT_EQ(Z80InstructionRecord(0xBEEF, "DI"), "BEEF: DI\t\t");
    EXPECT_EQ(Z80InstructionRecord(0x0000, ""), "0000: \t\t");
    EXPECT_EQ(Z80InstructionLine(0x0038, "DI"), " 0038   DI");
}

}  // namespace
