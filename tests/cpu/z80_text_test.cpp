#include "cpu/z80_text.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

#include "cpu/z80_test_support.h"

namespace {

using R = TZ80Registers;

struct TTextCase {
    std::uint16_t address;
    std::vector<std::uint8_t> bytes;
    const char* text;
};

const TTextCase textCases[] = {
    // Unprefixed.
    {0, {0x00}, "NOP"},
    {0, {0x78}, "LD   A,B"},
    {0, {0x86}, "ADD  A,(HL)"},
    {0, {0x07}, "RLCA"},
    {0, {0x06, 0x3F}, "LD   B,3F"},
    {0, {0xD3, 0x98}, "OUT  (98),A"},
    {0, {0xDB, 0xA8}, "IN   A,(A8)"},
    {0, {0x21, 0x80, 0xF3}, "LD   HL,F380"},
    {0, {0x32, 0xAE, 0xF3}, "LD   (F3AE),A"},
    {0, {0x3A, 0x00, 0x80}, "LD   A,(8000)"},
    {0, {0x2A, 0x34, 0x12}, "LD   HL,(1234)"},
    {0, {0x22, 0x34, 0x12}, "LD   (1234),HL"},
    {0, {0x0A}, "LD   A,(BC)"},
    {0, {0x12}, "LD   (DE),A"},
    {0, {0x36, 0x10}, "LD   (HL),10"},
    {0, {0x70}, "LD   (HL),B"},
    {0, {0x66}, "LD   H,(HL)"},
    {0, {0xFF}, "RST  38"},
    {0, {0xC7}, "RST  00"},
    {0, {0xE9}, "LD   PC,HL"},
    {0, {0xE3}, "EX   HL,(SP)"},
    {0, {0xEB}, "EX   DE,HL"},
    {0, {0x08}, "EX   AF,AF'"},
    {0, {0x09}, "ADD  HL,BC"},
    {0, {0x39}, "ADD  HL,SP"},
    {0, {0x9F}, "SBC  A,A"},
    {0, {0x8F}, "ADC  A,A"},
    {0, {0x90}, "SUB  B"},
    {0, {0xBE}, "CP   (HL)"},
    {0, {0xB7}, "OR   A"},
    {0, {0xFE, 0x10}, "CP   10"},
    {0, {0xDE, 0x10}, "SBC  A,10"},
    {0, {0xE6, 0x0F}, "AND  0F"},
    {0, {0xCD, 0xF6, 0x0B}, "CALL 0BF6"},
    {0, {0xC4, 0xF6, 0x0B}, "CALL NZ,0BF6"},
    {0, {0xC3, 0x00, 0x00}, "JP   0000"},
    {0, {0xFA, 0x34, 0x12}, "JP   M,1234"},
    {0, {0xC0}, "RET  NZ"},
    {0, {0xE8}, "RET  PE"},
    {0, {0xC9}, "RET"},
    {0, {0xF5}, "PUSH AF"},
    {0, {0xC1}, "POP  BC"},
    {0x0100, {0x18, 0xFE}, "JR   0100"},
    {0x0100, {0x10, 0x05}, "DJNZ 0107"},
    {0, {0x20, 0x00}, "JR   NZ,0002"},
    {0xFFF0, {0x38, 0x7F}, "JR   C,0071"},
    {0, {0x76}, "HALT"},
    {0, {0x27}, "DAA"},
    {0, {0xF3}, "DI"},
    {0, {0xD9}, "EXX"},
    {0, {0x33}, "INC  SP"},
    {0, {0x2D}, "DEC  L"},
    // CB.
    {0, {0xCB, 0x00}, "RLC  B"},
    {0, {0xCB, 0x37}, "SLL  A"},
    {0, {0xCB, 0x2E}, "SRA  (HL)"},
    {0, {0xCB, 0x46}, "BIT  0,(HL)"},
    {0, {0xCB, 0x7F}, "BIT  7,A"},
    {0, {0xCB, 0xBE}, "RES  7,(HL)"},
    {0, {0xCB, 0xD1}, "SET  2,C"},
    // ED.
    {0, {0xED, 0x40}, "IN   B,(C)"},
    {0, {0xED, 0x78}, "IN   A,(C)"},
    {0, {0xED, 0x70}, "IN   F,(C)"},
    {0, {0xED, 0x79}, "OUT  (C),A"},
    {0, {0xED, 0x42}, "SBC  HL,BC"},
    {0, {0xED, 0x7A}, "ADC  HL,SP"},
    {0, {0xED, 0x43, 0x34, 0x12}, "LD   (1234),BC"},
    {0, {0xED, 0x7B, 0x34, 0x12}, "LD   SP,(1234)"},
    {0, {0xED, 0x44}, "NEG"},
    {0, {0xED, 0x45}, "RETN"},
    {0, {0xED, 0x4D}, "RETI"},
    {0, {0xED, 0x46}, "IM   0"},
    {0, {0xED, 0x56}, "IM   1"},
    {0, {0xED, 0x5E}, "IM   2"},
    {0, {0xED, 0x47}, "LD   I,A"},
    {0, {0xED, 0x4F}, "LD   R,A"},
    {0, {0xED, 0x57}, "LD   A,I"},
    {0, {0xED, 0x5F}, "LD   A,R"},
    {0, {0xED, 0x67}, "RRD"},
    {0, {0xED, 0x6F}, "RLD"},
    {0, {0xED, 0xB0}, "LDIR"},
    {0, {0xED, 0xA9}, "CPD"},
    {0, {0xED, 0xA3}, "OUTI"},
    {0, {0xED, 0xBB}, "OTDR"},
    {0, {0xED, 0xB2}, "INIR"},
    // DD and FD.
    {0, {0xDD, 0x44}, "LD   B,IXH"},
    {0, {0xDD, 0x36, 0x05, 0x3F}, "LD   (IX + 05),3F"},
    {0, {0xFD, 0x7E, 0xFF}, "LD   A,(IY + FFFFFFFF)"},
    {0, {0xFD, 0x34, 0xFE}, "INC  (IY + FFFFFFFE)"},
    {0, {0xDD, 0x86, 0x80}, "ADD  A,(IX + FFFFFF80)"},
    {0, {0xDD, 0x2C}, "INC  IXL"},
    {0, {0xDD, 0x6B}, "LD   IXL,E"},
    {0, {0xDD, 0x8D}, "ADC  IXL"},
    {0, {0xDD, 0x9C}, "SBC  IXH"},
    {0, {0xDD, 0x8E, 0x05}, "ADC  (IX + 05)"},
    {0, {0xFD, 0x9E, 0x7F}, "SBC  (IY + 7F)"},
    {0, {0xDD, 0x84}, "ADD  A,IXH"},
    {0, {0xDD, 0xA5}, "AND  IXL"},
    {0, {0xDD, 0x9F}, "SBC  A"},
    {0, {0xDD, 0x98}, "SBC  A,B"},
    {0, {0xDD, 0x29}, "ADD  IX, IX"},
    {0, {0xDD, 0x09}, "ADD  IX, BC"},
    {0, {0xFD, 0x19}, "ADD  IY, DE"},
    {0, {0xFD, 0x39}, "ADD  IY, SP"},
    {0, {0xDD, 0x74, 0x05}, "LD   (IX + 05),H"},
    {0, {0xDD, 0x66, 0x05}, "LD   H,(IX + 05)"},
    {0, {0xDD, 0x64}, "LD   IXH,IXH"},
    {0, {0xFD, 0x26, 0x12}, "LD   IYH,12"},
    {0, {0xDD, 0xE9}, "LD   PC,IX"},
    {0, {0xFD, 0xE9}, "LD   PC,IY"},
    {0, {0xDD, 0xE3}, "EX   IX,(SP)"},
    {0, {0xFD, 0xE3}, "EX   IY,(SP)"},
    {0, {0xDD, 0xEB}, "EX   DE,HL"},
    {0, {0xDD, 0xF9}, "LD   SP,IX"},
    {0, {0xDD, 0x21, 0x34, 0x12}, "LD   IX,1234"},
    {0, {0xDD, 0x22, 0x34, 0x12}, "LD   (1234),IX"},
    {0, {0xFD, 0x2A, 0x34, 0x12}, "LD   IY,(1234)"},
    {0, {0xDD, 0x23}, "INC  IX"},
    {0, {0xFD, 0x2B}, "DEC  IY"},
    {0, {0xDD, 0xE5}, "PUSH IX"},
    {0, {0xFD, 0xE1}, "POP  IY"},
    {0, {0xDD, 0x78}, "LD   A,B"},
    {0, {0xDD, 0x76}, "HALT"},
    {0, {0xDD, 0xCD, 0x00, 0x10}, "CALL "},
    {0, {0xFD, 0xC4, 0x00, 0x10}, "CALL NZ,"},
    {0, {0xDD, 0xC3, 0x00, 0x10}, "JP   1000"},
    {0x0100, {0xFD, 0x10, 0x05}, "DJNZ 0108"},
    // DD CB and FD CB show the (HL) form.
    {0, {0xDD, 0xCB, 0x05, 0x46}, "BIT  0,(HL)"},
    {0, {0xDD, 0xCB, 0x05, 0x40}, "BIT  0,(HL)"},
    {0, {0xFD, 0xCB, 0xFF, 0x5E}, "BIT  3,(HL)"},
    {0, {0xDD, 0xCB, 0x05, 0x06}, "RLC  (HL)"},
    {0, {0xFD, 0xCB, 0x05, 0x3E}, "SRL  (HL)"},
    {0, {0xFD, 0xCB, 0x05, 0xFE}, "SET  7,(HL)"},
    {0, {0xDD, 0xCB, 0x05, 0x86}, "RES  0,(HL)"},
    // No text.
    {0, {0xDD, 0xCB, 0x05, 0x00}, ""},
    {0, {0xFD, 0xCB, 0x05, 0xC7}, ""},
    {0, {0xED, 0x4C}, ""},
    {0, {0xED, 0x71}, ""},
    {0, {0xED, 0x00}, ""},
    {0, {0xDD, 0xDD}, ""},
    {0, {0xDD, 0xFD}, ""},
    {0, {0xFD, 0xDD}, ""},
    {0, {0xFD, 0xFD}, ""},
    {0, {0xED, 0xED}, ""},
    {0, {0xED, 0xFE}, ""},
    {0, {0xDD, 0xED}, ""},
};

TEST(Z80Text, InstructionTextsOfEveryTable) {
    for (const TTextCase& test : textCases) {
        std::array<std::uint8_t, 65536> memory{};
        std::uint16_t address = test.address;
        for (std::uint8_t byte : test.bytes) memory[address++] = byte;
        const std::string text =
            Z80InstructionText(test.address, [&](std::uint16_t at) { return memory[at]; });
        EXPECT_EQ(text, test.text) << "bytes starting " << std::hex << int(test.bytes[0]) << " "
                                   << (test.bytes.size() > 1 ? int(test.bytes[1]) : -1);
    }
}

// Tracing builds the same text during Step, and only while it is enabled.
TEST(Z80Text, StepBuildsTheTextOnlyWhileTracing) {
    auto cpu = std::make_unique<TTestZ80>();
    cpu->Load(0x0100, {0x10, 0x05, 0xDD, 0x36, 0x05, 0x3F, 0xED, 0x4C, 0x00});
    cpu->Set(R::PC, 0x0100);
    cpu->Set(R::BC, 0x0100);
    cpu->RunningStep();
    EXPECT_EQ(cpu->instructionText, "");
    cpu->SetTraceEnabled(true);
    cpu->Set(R::PC, 0x0100);
    cpu->Set(R::BC, 0x0100);
    cpu->RunningStep();
    EXPECT_EQ(cpu->instructionAddress, 0x0100);
    EXPECT_EQ(cpu->instructionText, "DJNZ 0107");
    EXPECT_EQ(cpu->Get(R::PC), 0x0102) << "B reached 0, the jump is not taken";
    cpu->RunningStep();
    EXPECT_EQ(cpu->instructionText, "LD   (IX + 05),3F");
    cpu->RunningStep();
    EXPECT_EQ(cpu->instructionText, "");
    EXPECT_EQ(Z80InstructionLine(cpu->instructionAddress, cpu->instructionText), " 0106   ");
    cpu->SetTraceEnabled(false);
    cpu->RunningStep();
    EXPECT_EQ(cpu->instructionText, "");
}

// The text shows the bytes the instruction executed, even when it overwrites them.
TEST(Z80Text, SelfModifyingInstructionShowsWhatItExecuted) {
    auto cpu = std::make_unique<TTestZ80>();
    cpu->Load(0, {0x32, 0x01, 0x00});  // LD (0001),A overwrites its own operand
    cpu->registers[R::A] = 0x77;
    cpu->SetTraceEnabled(true);
    cpu->RunningStep();
    EXPECT_EQ(cpu->memory[1], 0x77);
    EXPECT_EQ(cpu->instructionText, "LD   (0001),A");
}

TEST(Z80Text, FlagStrings) {
    const std::pair<std::uint8_t, const char*> cases[] = {
        {0x00, "P......."}, {0x44, "PZ...V.."}, {0x93, "M..H..NC"},
        {0xFF, "MZ.H.VNC"}, {0x28, "P......."}, {0x01, "P......C"},
    };
    for (auto [flags, text] : cases) EXPECT_EQ(Z80FlagString(flags), text) << int(flags);
}

TEST(Z80Text, TraceRecords) {
    EXPECT_EQ(Z80RegisterRecord(0, 0, 0, 0, 0, 0, 0xF000),
              "SP:F000 FLAGS:P.......\n\t\t\tAF:0000 BC:0000 DE:0000 HL:0000 IX:0000 IY:0000\n\n");
    EXPECT_EQ(Z80RegisterRecord(0x1293, 0xABCD, 0x0102, 0xFFFF, 0x0A0B, 0xC0DE, 0x0038),
              "SP:0038 FLAGS:M..H..NC\n\t\t\tAF:1293 BC:ABCD DE:0102 HL:FFFF IX:0A0B IY:C0DE\n\n");
    EXPECT_EQ(Z80InstructionRecord(0x0000, "DI"), "0000: DI\t\t");
    EXPECT_EQ(Z80InstructionRecord(0xBEEF, ""), "BEEF: \t\t");
    EXPECT_EQ(Z80InstructionLine(0x0038, "DI"), " 0038   DI");
}

// Only the documented forms have no text.
TEST(Z80Text, OnlyUnsupportedAndRedundantFormsLackAText) {
    std::array<std::uint8_t, 65536> memory{};
    const auto reader = [&](std::uint16_t at) { return memory[at]; };
    const auto emptyTexts = [&](std::vector<std::uint8_t> prefix) {
        int empty = 0;
        for (int last = 0; last < 256; ++last) {
            std::copy(prefix.begin(), prefix.end(), memory.begin());
            memory[prefix.size()] = static_cast<std::uint8_t>(last);
            if (Z80InstructionText(0, reader).empty()) ++empty;
        }
        return empty;
    };
    memory[1] = 0x40;  // so that ED, DD and FD lead to supported forms
    EXPECT_EQ(emptyTexts({}), 0);
    EXPECT_EQ(emptyTexts({0xCB}), 0);
    EXPECT_EQ(emptyTexts({0xED}), 256 - 59) << "59 supported ED instructions have a text";
    memory[2] = 0x05;
    memory[3] = 0x46;  // DD CB 05 46 has a text
    EXPECT_EQ(emptyTexts({0xDD}), 3) << "DD DD, DD FD, DD ED";
    EXPECT_EQ(emptyTexts({0xFD}), 3);
    EXPECT_EQ(emptyTexts({0xDD, 0xCB, 0x05}), 168);
    EXPECT_EQ(emptyTexts({0xFD, 0xCB, 0x05}), 168);
}

}  // namespace
