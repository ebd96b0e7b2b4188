#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "cpu/z80_flags.h"
#include "cpu/z80_test_support.h"

namespace {

using R = TZ80Registers;

// Registers before and after one instruction at 0000h.
struct TRegisterCase {
    const char* name;
    std::vector<std::uint8_t> code;
    std::uint16_t af, bc, hl;
    std::uint16_t expectedAF, expectedBC, expectedHL;
};

TEST(Z80Instructions, ResultsAndFlagsOfTheRegisterGroups) {
    const TRegisterCase cases[] = {
        // 8-bit addition: carry, half carry, overflow, zero.
        {"ADD A,B overflow", {0x80}, 0x7F00, 0x0100, 0, 0x8094, 0x0100, 0},
        {"ADD A,B carry to zero", {0x80}, 0xFF00, 0x0100, 0, 0x0051, 0x0100, 0},
        {"ADD A,B 80+80", {0x80}, 0x8000, 0x8000, 0, 0x0045, 0x8000, 0},
        {"ADC A,B carry in", {0x88}, 0x0F01, 0x0000, 0, 0x1010, 0x0000, 0},
        {"ADD A,n", {0xC6, 0x01}, 0x0E00, 0, 0, 0x0F00, 0, 0},
        {"ADD A,(HL)", {0x86}, 0x0100, 0, 0x0000, 0x8780, 0, 0x0000},
        // 8-bit subtraction and compare.
        {"SUB B borrow", {0x90}, 0x0000, 0x0100, 0, 0xFF93, 0x0100, 0},
        {"SUB B overflow", {0x90}, 0x8000, 0x0100, 0, 0x7F16, 0x0100, 0},
        {"SBC A,B borrow in", {0x98}, 0x1001, 0x0F00, 0, 0x0052, 0x0F00, 0},
        {"CP B equal keeps A", {0xB8}, 0x0500, 0x0500, 0, 0x0542, 0x0500, 0},
        {"CP B below", {0xB8}, 0x0500, 0x0600, 0, 0x0593, 0x0600, 0},
        {"NEG 01", {0xED, 0x44}, 0x0100, 0, 0, 0xFF93, 0, 0},
        {"NEG 80", {0xED, 0x44}, 0x8000, 0, 0, 0x8087, 0, 0},
        {"NEG 00", {0xED, 0x44}, 0x0001, 0, 0, 0x0042, 0, 0},
        // Logic.
        {"AND B zero", {0xA0}, 0xF000, 0x0F00, 0, 0x0054, 0x0F00, 0},
        {"AND B sign parity", {0xA0}, 0xFF00, 0x8100, 0, 0x8194, 0x8100, 0},
        {"XOR A clears bits 5 and 3", {0xAF}, 0x5AFF, 0, 0, 0x0044, 0, 0},
        {"OR B even parity", {0xB0}, 0x0100, 0x0200, 0, 0x0304, 0x0200, 0},
        {"OR B odd parity", {0xB0}, 0x0000, 0x0100, 0, 0x0100, 0x0100, 0},
        // INC and DEC keep the carry.
        {"INC B to 80", {0x04}, 0x0001, 0x7F00, 0, 0x0095, 0x8000, 0},
        {"INC B to 00", {0x04}, 0x0000, 0xFF00, 0, 0x0050, 0x0000, 0},
        {"DEC B to 7F", {0x05}, 0x0001, 0x8000, 0, 0x0017, 0x7F00, 0},
        {"DEC B to 00", {0x05}, 0x0000, 0x0100, 0, 0x0042, 0x0000, 0},
        // Accumulator rotates keep S, Z and P/V.
        {"RLCA", {0x07}, 0x81FF, 0, 0, 0x03ED, 0, 0},
        {"RRCA", {0x0F}, 0x0100, 0, 0, 0x8001, 0, 0},
        {"RLA", {0x17}, 0x8000, 0, 0, 0x0001, 0, 0},
        {"RRA", {0x1F}, 0x0101, 0, 0, 0x8001, 0, 0},
        // CB rotates and shifts.
        {"RLC B", {0xCB, 0x00}, 0, 0x8000, 0, 0x0001, 0x0100, 0},
        {"RL B", {0xCB, 0x10}, 0x0001, 0x7F00, 0, 0x0084, 0xFF00, 0},
        {"RR B", {0xCB, 0x18}, 0, 0x0100, 0, 0x0045, 0x0000, 0},
        {"SRA B", {0xCB, 0x28}, 0, 0x8100, 0, 0x0085, 0xC000, 0},
        {"SLL B", {0xCB, 0x30}, 0, 0x8000, 0, 0x0001, 0x0100, 0},
        {"SRL B", {0xCB, 0x38}, 0, 0x0100, 0, 0x0045, 0x0000, 0},
        {"RRC C", {0xCB, 0x09}, 0, 0x0001, 0, 0x0081, 0x0080, 0},
        {"SLA A", {0xCB, 0x27}, 0xC000, 0, 0, 0x8081, 0, 0},
        // BIT keeps S and P/V; SET and RES leave F alone.
        {"BIT 7,A", {0xCB, 0x7F}, 0x0081, 0, 0, 0x00D1, 0, 0},
        {"BIT 0,B set", {0xCB, 0x40}, 0x0044, 0x0100, 0, 0x0014, 0x0100, 0},
        {"SET 7,B", {0xCB, 0xF8}, 0x00AA, 0x0000, 0, 0x00AA, 0x8000, 0},
        {"RES 0,C", {0xCB, 0x81}, 0x0055, 0x00FF, 0, 0x0055, 0x00FE, 0},
        // Flag operations.
        {"CPL", {0x2F}, 0x5500, 0, 0, 0xAA12, 0, 0},
        {"SCF", {0x37}, 0x00D2, 0, 0, 0x00C1, 0, 0},
        {"CCF set", {0x3F}, 0x0001, 0, 0, 0x0010, 0, 0},
        {"CCF clear", {0x3F}, 0x0012, 0, 0, 0x0001, 0, 0},
        {"DAA after 15+27", {0x27}, 0x3C00, 0, 0, 0x4204, 0, 0},
        {"DAA after subtraction keeps N", {0x27}, 0x0F12, 0, 0, 0x0906, 0, 0},
        // 16-bit arithmetic.
        {"ADD HL,BC half carry keeps S Z P/V", {0x09}, 0x00C4, 0x0001, 0x0FFF, 0x00D4, 0x0001, 0x1000},
        {"ADD HL,BC carry", {0x09}, 0x0000, 0x0001, 0xFFFF, 0x0011, 0x0001, 0x0000},
        {"ADD HL,HL", {0x29}, 0x0000, 0, 0x8000, 0x0001, 0, 0x0000},
        {"ADC HL,BC overflow", {0xED, 0x4A}, 0x0001, 0x0000, 0x7FFF, 0x0094, 0x0000, 0x8000},
        {"SBC HL,BC borrow", {0xED, 0x42}, 0x0000, 0x0001, 0x0000, 0x0093, 0x0001, 0xFFFF},
        {"SBC HL,HL zero", {0xED, 0x62}, 0x0000, 0, 0x1234, 0x0042, 0, 0x0000},
        {"INC BC wraps, flags kept", {0x03}, 0x00FF, 0xFFFF, 0, 0x00FF, 0x0000, 0},
        // Loads, exchanges and jumps leave F alone.
        {"LD B,C", {0x41}, 0x00FF, 0x1234, 0, 0x00FF, 0x3434, 0},
        {"LD HL,nn", {0x21, 0x80, 0xF3}, 0, 0, 0, 0, 0, 0xF380},
        {"LD A,(nn)", {0x3A, 0x00, 0x00}, 0, 0, 0, 0x3A00, 0, 0},
        {"EX DE,HL", {0xEB}, 0, 0, 0x1234, 0, 0, 0x0000},
        {"DJNZ counts B", {0x10, 0x00}, 0, 0x0200, 0, 0, 0x0100, 0},
        // Rotate digit operations keep the carry.
        {"RLD", {0xED, 0x6F}, 0x1201, 0, 0x0100, 0x1A01, 0, 0x0100},
        {"RRD", {0xED, 0x67}, 0x8001, 0, 0x0100, 0x8B85, 0, 0x0100},
        // IN r,(C) reads port C and sets SZP; IN F,(C) only flags.
        {"IN B,(C)", {0xED, 0x40}, 0x0001, 0x1234, 0, 0x0001, 0x3434, 0},
        {"IN F,(C)", {0xED, 0x70}, 0x0000, 0x1200, 0, 0x0044, 0x1200, 0},
    };
    for (const TRegisterCase& test : cases) {
        SCOPED_TRACE(test.name);
        auto cpu = std::make_unique<TTestZ80>();
        std::copy(test.code.begin(), test.code.end(), cpu->memory.begin());
        cpu->memory[0x0100] = 0xAB;  // for RLD and RRD
        cpu->portValues[0x34] = 0x34;
        cpu->portValues[0x00] = 0x00;
        cpu->Set(R::AF, test.af);
        cpu->Set(R::BC, test.bc);
        cpu->Set(R::HL, test.hl);
        cpu->RunningStep();
        EXPECT_EQ(cpu->Get(R::AF), test.expectedAF);
        EXPECT_EQ(cpu->Get(R::BC), test.expectedBC);
        EXPECT_EQ(cpu->Get(R::HL), test.expectedHL);
    }
}

TEST(Z80Instructions, MemoryOperandsOfTheCBAndIncrementGroups) {
    auto cpu = std::make_unique<TTestZ80>();
    cpu->Load(0, {0x34, 0xCB, 0xDE, 0xCB, 0x06, 0x35, 0xCB, 0x46});
    cpu->Set(R::HL, 0x4000);
    cpu->memory[0x4000] = 0x7F;
    cpu->RunningStep();  // INC (HL)
    EXPECT_EQ(cpu->memory[0x4000], 0x80);
    EXPECT_EQ(cpu->registers[R::F], 0x94);
    cpu->RunningStep();  // SET 3,(HL)
    EXPECT_EQ(cpu->memory[0x4000], 0x88);
    cpu->RunningStep();  // RLC (HL)
    EXPECT_EQ(cpu->memory[0x4000], 0x11);
    EXPECT_EQ(cpu->registers[R::F], 0x05);
    cpu->RunningStep();  // DEC (HL)
    EXPECT_EQ(cpu->memory[0x4000], 0x10);
    cpu->RunningStep();  // BIT 0,(HL)
    EXPECT_EQ(cpu->registers[R::F], 0x51);
}

// The correction table, row by row, against every value of A.
TEST(Z80Instructions, DecimalAdjustFollowsTheCorrectionTable) {
    for (unsigned flags = 0; flags < 8; ++flags) {
        const bool subtract = flags & 4, carry = flags & 1, half = flags & 2;
        for (unsigned a = 0; a < 256; ++a) {
            const unsigned low = a & 0x0F;
            unsigned correction = 0;
            bool carryOut = false;
            if (subtract && carry && half) correction = 0x9A, carryOut = true;
            else if (subtract && carry) correction = 0xA0, carryOut = true;
            else if (subtract && half) correction = 0xFA;
            else if (subtract) correction = 0x00;
            else if (carry && half) correction = 0x66, carryOut = true;
            else if (carry && low >= 0x0A) correction = 0x66, carryOut = true;
            else if (carry) correction = 0x60, carryOut = true;
            else if (half && a >= 0xA0) correction = 0x66, carryOut = true;
            else if (half) correction = 0x06;
            else if (low < 0x0A && a >= 0xA0) correction = 0x60, carryOut = true;
            else if (low < 0x0A) correction = 0x00;
            else if (a >= 0x90) correction = 0x66, carryOut = true;
            else correction = 0x06;
            const auto result = static_cast<std::uint8_t>(a + correction);
            const std::uint8_t oldF = static_cast<std::uint8_t>(
                0xA8 | (subtract ? FlagSubtract : 0) | (carry ? FlagCarry : 0) | (half ? FlagHalfCarry : 0));
            const std::uint8_t expectedF = static_cast<std::uint8_t>(
                ParityTable[result] | (carryOut ? 1 : 0) | (subtract ? 2 : 0) | SignZeroTable[result]);

            TTestZ80 cpu;
            cpu.memory[0] = 0x27;
            cpu.registers[R::A] = static_cast<std::uint8_t>(a);
            cpu.registers[R::F] = oldF;
            cpu.RunningStep();
            ASSERT_EQ(cpu.registers[R::A], result) << "A=" << a << " flags=" << flags;
            ASSERT_EQ(cpu.registers[R::F], expectedF) << "A=" << a << " flags=" << flags;
        }
    }
}

TEST(Z80Instructions, FlagTablesHoldSignZeroAndParity) {
    const std::pair<std::uint8_t, std::uint8_t> parity[] = {{0x00, 4}, {0x01, 0}, {0x03, 4}, {0x07, 0}, {0xFF, 4}, {0x80, 0}};
    for (auto [value, expected] : parity) EXPECT_EQ(ParityTable[value], expected) << int(value);
    EXPECT_EQ(SignZeroTable[0x00], 0x40);
    EXPECT_EQ(SignZeroTable[0x7F], 0x00);
    EXPECT_EQ(SignZeroTable[0x80], 0x80);
    EXPECT_EQ(SignZeroTable[0xFF], 0x80);
    EXPECT_EQ(SignZeroParityTable[0x00], 0x44);
    EXPECT_EQ(SignZeroParityTable[0x81], 0x84);
    EXPECT_EQ(SignZeroParityTable[0x01], 0x00);
}

// An instruction after setup, checked by a probe.
struct TProbeCase {
    const char* name;
    std::vector<std::uint8_t> code;
    std::function<void(TTestZ80&)> check;
};

TEST(Z80Instructions, IndexRegisterForms) {
    const TProbeCase cases[] = {
        {"INC IXL leaves IXH", {0xDD, 0x2C}, [](TTestZ80& c) { EXPECT_EQ(c.Get(R::IX), 0x1000); EXPECT_EQ(c.registers[R::F], 0x50); }},
        {"DEC IYH", {0xFD, 0x25}, [](TTestZ80& c) { EXPECT_EQ(c.Get(R::IY), 0x1F07); }},
        {"LD H,(IX+5) loads H", {0xDD, 0x66, 0x05}, [](TTestZ80& c) { EXPECT_EQ(c.Get(R::HL), 0x0255); EXPECT_EQ(c.Get(R::IX), 0x10FF); }},
        {"LD (IX+5),H stores H", {0xDD, 0x74, 0x05}, [](TTestZ80& c) { EXPECT_EQ(c.memory[0x1104], 0x44); }},
        {"LD (IX+5),n", {0xDD, 0x36, 0x05, 0x3F}, [](TTestZ80& c) { EXPECT_EQ(c.memory[0x1104], 0x3F); EXPECT_EQ(c.Get(R::PC), 4); }},
        {"LD A,(IY-1)", {0xFD, 0x7E, 0xFF}, [](TTestZ80& c) { EXPECT_EQ(c.registers[R::A], 0x26); }},
        {"LD IXL,E", {0xDD, 0x6B}, [](TTestZ80& c) { EXPECT_EQ(c.Get(R::IX), 0x10EE); }},
        {"LD IXH,n", {0xDD, 0x26, 0x12}, [](TTestZ80& c) { EXPECT_EQ(c.Get(R::IX), 0x12FF); }},
        {"LD IYL,IYH", {0xFD, 0x6C}, [](TTestZ80& c) { EXPECT_EQ(c.Get(R::IY), 0x2020); }},
        {"LD A,B unchanged", {0xDD, 0x78}, [](TTestZ80& c) { EXPECT_EQ(c.registers[R::A], 0x33); }},
        {"ADC A,IXH", {0xDD, 0x8C}, [](TTestZ80& c) { EXPECT_EQ(c.registers[R::A], 0x20); }},
        {"AND IXL", {0xDD, 0xA5}, [](TTestZ80& c) { EXPECT_EQ(c.registers[R::A], 0x10); }},
        {"SUB (IX+5)", {0xDD, 0x96, 0x05}, [](TTestZ80& c) { EXPECT_EQ(c.registers[R::A], 0x0E); }},
        {"ADD IX,IX", {0xDD, 0x29}, [](TTestZ80& c) { EXPECT_EQ(c.Get(R::IX), 0x21FE); }},
        {"ADD IY,HL-slot uses IY", {0xFD, 0x29}, [](TTestZ80& c) { EXPECT_EQ(c.Get(R::IY), 0x400E); }},
        {"ADD IX,BC", {0xDD, 0x09}, [](TTestZ80& c) { EXPECT_EQ(c.Get(R::IX), 0x10FF + 0x3322); }},
        {"INC IX", {0xDD, 0x23}, [](TTestZ80& c) { EXPECT_EQ(c.Get(R::IX), 0x1100); }},
        {"LD IX,nn", {0xDD, 0x21, 0x34, 0x12}, [](TTestZ80& c) { EXPECT_EQ(c.Get(R::IX), 0x1234); EXPECT_EQ(c.Get(R::HL), 0x4455); }},
        {"LD (nn),IY", {0xFD, 0x22, 0x00, 0x30}, [](TTestZ80& c) { EXPECT_EQ(c.memory[0x3000], 0x07); EXPECT_EQ(c.memory[0x3001], 0x20); }},
        {"JP (IX)", {0xDD, 0xE9}, [](TTestZ80& c) { EXPECT_EQ(c.Get(R::PC), 0x10FF); }},
        {"LD SP,IY", {0xFD, 0xF9}, [](TTestZ80& c) { EXPECT_EQ(c.Get(R::SP), 0x2007); }},
        {"PUSH IX", {0xDD, 0xE5}, [](TTestZ80& c) { EXPECT_EQ(c.memory[0xEFFE], 0xFF); EXPECT_EQ(c.memory[0xEFFF], 0x10); }},
        {"EX (SP),IX", {0xDD, 0xE3}, [](TTestZ80& c) { EXPECT_EQ(c.Get(R::IX), 0xBBAA); EXPECT_EQ(c.memory[0xF000], 0xFF); EXPECT_EQ(c.memory[0xF001], 0x10); }},
        {"EX DE,HL keeps HL", {0xDD, 0xEB}, [](TTestZ80& c) { EXPECT_EQ(c.Get(R::HL), 0xDDEE); EXPECT_EQ(c.Get(R::DE), 0x4455); EXPECT_EQ(c.Get(R::IX), 0x10FF); }},
        {"JP nn unchanged", {0xFD, 0xC3, 0x00, 0x80}, [](TTestZ80& c) { EXPECT_EQ(c.Get(R::PC), 0x8000); }},
        {"BIT 0,(IX+5)", {0xDD, 0xCB, 0x05, 0x46}, [](TTestZ80& c) { EXPECT_EQ(c.registers[R::F] & FlagZero, FlagZero); EXPECT_EQ(c.Get(R::PC), 4); }},
        {"BIT 0,(IX+5) other low bits", {0xDD, 0xCB, 0x05, 0x40}, [](TTestZ80& c) { EXPECT_EQ(c.registers[R::F] & FlagZero, FlagZero); EXPECT_EQ(c.Get(R::BC), 0x3322); }},
        {"BIT 1,(IX+5)", {0xDD, 0xCB, 0x05, 0x4E}, [](TTestZ80& c) { EXPECT_EQ(c.registers[R::F] & FlagZero, 0); }},
        {"RLC (IX+5)", {0xDD, 0xCB, 0x05, 0x06}, [](TTestZ80& c) { EXPECT_EQ(c.memory[0x1104], 0x04); EXPECT_EQ(c.registers[R::F], 0x00); }},
        {"SET 7,(IY-1)", {0xFD, 0xCB, 0xFF, 0xFE}, [](TTestZ80& c) { EXPECT_EQ(c.memory[0x2006], 0xA6); }},
        {"RES 1,(IY-1)", {0xFD, 0xCB, 0xFF, 0x8E}, [](TTestZ80& c) { EXPECT_EQ(c.memory[0x2006], 0x24); }},
        {"DD CB op 00 unsupported", {0xDD, 0xCB, 0x05, 0x00}, [](TTestZ80& c) { EXPECT_EQ(c.memory[0x1104], 0x02); EXPECT_EQ(c.Get(R::BC), 0x3322); EXPECT_EQ(c.Get(R::PC), 4); }},
        {"HALT after DD passes over", {0xDD, 0x76}, [](TTestZ80& c) { EXPECT_EQ(c.Get(R::PC), 2); }},
        {"CALL after DD", {0xDD, 0xCD, 0x00, 0x40}, [](TTestZ80& c) { EXPECT_EQ(c.Get(R::PC), 0x4000); EXPECT_EQ(c.memory[0xEFFE], 0x04); }},
    };
    for (const TProbeCase& test : cases) {
        SCOPED_TRACE(test.name);
        auto cpu = std::make_unique<TTestZ80>();
        std::copy(test.code.begin(), test.code.end(), cpu->memory.begin());
        cpu->Set(R::AF, 0x1000);
        cpu->Set(R::BC, 0x3322);
        cpu->Set(R::DE, 0xDDEE);
        cpu->Set(R::HL, 0x4455);
        cpu->Set(R::IX, 0x10FF);
        cpu->Set(R::IY, 0x2007);
        cpu->memory[0x1104] = 0x02;  // IX + 5
        cpu->memory[0x2006] = 0x26;  // IY - 1
        cpu->memory[0xF000] = 0xAA;
        cpu->memory[0xF001] = 0xBB;
        cpu->RunningStep();
        test.check(*cpu);
    }
}

TEST(Z80Instructions, BlockMovesChargeTheCountdownOnce) {
    auto cpu = std::make_unique<TTestZ80>();
    cpu->Load(0, {0xED, 0xB0, 0xED, 0xB0});
    cpu->Load(0x4000, {1, 2, 3});
    cpu->Set(R::HL, 0x4000);
    cpu->Set(R::DE, 0x5000);
    cpu->Set(R::BC, 3);
    cpu->registers[R::F] = 0xFF;
    cpu->instructionsLeft = 100;
    cpu->RunningStep();
    EXPECT_EQ(cpu->memory[0x5000], 1);
    EXPECT_EQ(cpu->memory[0x5002], 3);
    EXPECT_EQ(cpu->Get(R::BC), 0);
    EXPECT_EQ(cpu->Get(R::HL), 0x4003);
    EXPECT_EQ(cpu->Get(R::DE), 0x5003);
    EXPECT_EQ(cpu->instructionsLeft, 96);
    EXPECT_EQ(cpu->registers[R::F], 0xE9);

    cpu->Set(R::BC, 0x0400);
    cpu->instructionsLeft = 100;
    cpu->RunningStep();
    EXPECT_EQ(cpu->instructionsLeft, 0);
    EXPECT_EQ(cpu->acknowledgeCount, 0);
    cpu->RunningStep();
    EXPECT_EQ(cpu->acknowledgeCount, 1);
    EXPECT_EQ(cpu->instructionCount, 3u);
}

TEST(Z80Instructions, BlockMoveWithZeroCountCopiesEverything) {
    auto cpu = std::make_unique<TTestZ80>();
    cpu->Load(0x8000, {0xED, 0xB8});  // LDDR
    cpu->Set(R::PC, 0x8000);
    cpu->Set(R::HL, 0x7FFF);
    cpu->Set(R::DE, 0x7FFF);
    cpu->Set(R::BC, 0);
    cpu->RunningStep();
    EXPECT_EQ(cpu->Get(R::BC), 0);
    EXPECT_EQ(cpu->Get(R::HL), 0x7FFF);
    EXPECT_EQ(cpu->Get(R::PC), 0x8002);
    EXPECT_EQ(cpu->instructionsLeft, 9999);
}

TEST(Z80Instructions, SingleBlockStepsSetParityFromTheCount) {
    auto cpu = std::make_unique<TTestZ80>();
    cpu->Load(0, {0xED, 0xA0, 0xED, 0xA8, 0xED, 0xA1});
    cpu->Load(0x4000, {0x11, 0x22});
    cpu->Set(R::HL, 0x4000);
    cpu->Set(R::DE, 0x5000);
    cpu->Set(R::BC, 2);
    cpu->RunningStep();  // LDI
    EXPECT_EQ(cpu->memory[0x5000], 0x11);
    EXPECT_EQ(cpu->registers[R::F], FlagParityOverflow);
    cpu->RunningStep();  // LDD
    EXPECT_EQ(cpu->memory[0x5001], 0x22);
    EXPECT_EQ(cpu->Get(R::HL), 0x4000);
    EXPECT_EQ(cpu->registers[R::F], 0);
    cpu->Set(R::BC, 5);
    cpu->registers[R::A] = 0x11;
    cpu->RunningStep();  // CPI
    EXPECT_EQ(cpu->registers[R::F], FlagZero | FlagSubtract | FlagParityOverflow);
}

TEST(Z80Instructions, CompareRepeatStopsOnAMatchWithoutCharging) {
    auto cpu = std::make_unique<TTestZ80>();
    cpu->Load(0, {0xED, 0xB1, 0xED, 0xB9});
    cpu->Load(0x4000, {5, 6, 7, 8});
    cpu->Set(R::HL, 0x4000);
    cpu->Set(R::BC, 10);
    cpu->registers[R::A] = 7;
    cpu->registers[R::F] = FlagCarry;
    cpu->instructionsLeft = 100;
    cpu->RunningStep();
    EXPECT_EQ(cpu->Get(R::HL), 0x4003);
    EXPECT_EQ(cpu->Get(R::BC), 7);
    EXPECT_EQ(cpu->registers[R::F], FlagZero | FlagSubtract | FlagParityOverflow | FlagCarry);
    EXPECT_EQ(cpu->instructionsLeft, 99);
    // CPDR without a match runs BC out: Z and P/V clear.
    cpu->Set(R::BC, 3);
    cpu->registers[R::A] = 0x99;
    cpu->RunningStep();
    EXPECT_EQ(cpu->Get(R::HL), 0x4000);
    EXPECT_EQ(cpu->Get(R::BC), 0);
    EXPECT_EQ(cpu->registers[R::F] & (FlagZero | FlagParityOverflow), 0);
    EXPECT_EQ(cpu->registers[R::F] & FlagSubtract, FlagSubtract);
}

TEST(Z80Instructions, BlockInputOutputUsesPortCAndFixedFlags) {
    auto cpu = std::make_unique<TTestZ80>();
    cpu->Load(0, {0xED, 0xB2, 0xED, 0xB3, 0xED, 0xA2, 0xED, 0xAB});
    cpu->portValues[0x98] = 0x5A;
    cpu->Set(R::BC, 0x0398);
    cpu->Set(R::HL, 0x4000);
    cpu->registers[R::F] = 0xFF;
    cpu->instructionsLeft = 50;
    cpu->RunningStep();  // INIR
    EXPECT_EQ(cpu->portsRead, (std::vector<std::uint8_t>{0x98, 0x98, 0x98}));
    EXPECT_EQ(cpu->memory[0x4002], 0x5A);
    EXPECT_EQ(cpu->registers[R::F], 0x42);
    EXPECT_EQ(cpu->instructionsLeft, 46);
    cpu->Load(0x5000, {1, 2});
    cpu->Set(R::BC, 0x0299);
    cpu->Set(R::HL, 0x5000);
    cpu->RunningStep();  // OTIR
    using TWrite = std::pair<std::uint8_t, std::uint8_t>;
    EXPECT_EQ(cpu->portsWritten, (std::vector<TWrite>{{0x99, 1}, {0x99, 2}}));
    EXPECT_EQ(cpu->registers[R::F], 0x42);
    cpu->Set(R::BC, 0x0298);
    cpu->RunningStep();  // INI, B not yet 0
    EXPECT_EQ(cpu->registers[R::F], 0x02);
    cpu->Set(R::BC, 0x0198);
    cpu->RunningStep();  // OUTD, B reaches 0
    EXPECT_EQ(cpu->registers[R::F], 0x42);
}

TEST(Z80Instructions, PortNumbersAreEightBits) {
    auto cpu = std::make_unique<TTestZ80>();
    cpu->Load(0, {0xED, 0x78, 0xDB, 0xA8, 0x3E, 0x55, 0xD3, 0x98, 0xED, 0x41});
    cpu->Set(R::BC, 0x1234);
    cpu->registers[R::A] = 0x77;
    for (int step = 0; step < 5; ++step) cpu->RunningStep();
    EXPECT_EQ(cpu->portsRead, (std::vector<std::uint8_t>{0x34, 0xA8}));
    using TWrite = std::pair<std::uint8_t, std::uint8_t>;
    EXPECT_EQ(cpu->portsWritten, (std::vector<TWrite>{{0x98, 0x55}, {0x34, 0x12}}));
}

TEST(Z80Instructions, JumpsCallsAndReturns) {
    struct TCase {
        const char* name;
        std::vector<std::uint8_t> code;
        std::uint8_t flags;
        std::uint16_t expectedPC;
        std::uint16_t expectedSP;
    };
    const TCase cases[] = {
        {"JR back", {0x00, 0x18, 0xFD}, 0, 0x0000, 0xF000},
        {"JR NZ taken", {0x00, 0x20, 0x10}, 0x00, 0x0013, 0xF000},
        {"JR Z not taken", {0x00, 0x28, 0x10}, 0x00, 0x0003, 0xF000},
        {"JP PE taken", {0x00, 0xEA, 0x34, 0x12}, 0x04, 0x1234, 0xF000},
        {"JP M not taken", {0x00, 0xFA, 0x34, 0x12}, 0x00, 0x0004, 0xF000},
        {"CALL C taken", {0x00, 0xDC, 0x34, 0x12}, 0x01, 0x1234, 0xEFFE},
        {"CALL NC not taken", {0x00, 0xD4, 0x34, 0x12}, 0x01, 0x0004, 0xF000},
        {"RET P taken", {0x00, 0xF0}, 0x00, 0x5678, 0xF002},
        {"RET PO not taken", {0x00, 0xE0}, 0x04, 0x0002, 0xF000},
        {"RST 28", {0x00, 0xEF}, 0, 0x0028, 0xEFFE},
        {"DJNZ taken", {0x00, 0x10, 0xFE}, 0, 0x0001, 0xF000},
    };
    for (const TCase& test : cases) {
        SCOPED_TRACE(test.name);
        auto cpu = std::make_unique<TTestZ80>();
        std::copy(test.code.begin(), test.code.end(), cpu->memory.begin());
        cpu->memory[0xF000] = 0x78;
        cpu->memory[0xF001] = 0x56;
        cpu->Set(R::BC, 0x0200);
        cpu->Set(R::PC, 1);
        cpu->registers[R::F] = test.flags;
        cpu->RunningStep();
        EXPECT_EQ(cpu->Get(R::PC), test.expectedPC);
        EXPECT_EQ(cpu->Get(R::SP), test.expectedSP);
    }
}

TEST(Z80Instructions, StackAndExchanges) {
    auto cpu = std::make_unique<TTestZ80>();
    // PUSH BC; POP AF; EX AF,AF'; EXX; LD SP,HL
    cpu->Load(0, {0xC5, 0xF1, 0x08, 0xD9, 0xF9});
    cpu->Set(R::BC, 0x12FF);
    cpu->Set(R::HL, 0x4444);
    cpu->Set(R::HL1, 0x8888);
    cpu->RunningStep();
    EXPECT_EQ(cpu->memory[0xEFFF], 0x12) << "high byte pushed first, at SP - 1";
    EXPECT_EQ(cpu->memory[0xEFFE], 0xFF);
    cpu->RunningStep();
    EXPECT_EQ(cpu->Get(R::AF), 0x12FF) << "POP AF loads F whole, bits 5 and 3 included";
    cpu->RunningStep();
    EXPECT_EQ(cpu->Get(R::AF1), 0x12FF);
    EXPECT_EQ(cpu->Get(R::AF), 0);
    cpu->RunningStep();
    EXPECT_EQ(cpu->Get(R::HL), 0x8888);
    EXPECT_EQ(cpu->Get(R::BC1), 0x12FF);
    cpu->RunningStep();
    EXPECT_EQ(cpu->Get(R::SP), 0x8888);
}

// Small programs that compute something known, each ending with OUT (FF),A.
TEST(Z80Instructions, ProgramsRunToTheirKnownResults) {
    {
        SCOPED_TRACE("multiply 123 by 45 with ADD HL,DE and DJNZ");
        auto cpu = std::make_unique<TTestZ80>();
        cpu->Load(0, {0x21, 0x00, 0x00, 0x11, 0x7B, 0x00, 0x06, 0x2D, 0x19, 0x10, 0xFD,
                      0x22, 0x00, 0x80, 0xD3, 0xFF});
        cpu->Run();
        EXPECT_EQ(cpu->memory[0x8000] | (cpu->memory[0x8001] << 8), 123 * 45);
        EXPECT_EQ(cpu->instructionCount, 3u + 2u * 45u + 2u);
    }
    {
        SCOPED_TRACE("16-bit checksum of 256 bytes");
        auto cpu = std::make_unique<TTestZ80>();
        cpu->Load(0, {0x21, 0x00, 0x80, 0x01, 0x00, 0x01, 0x11, 0x00, 0x00, 0x7E, 0x83,
                      0x5F, 0x30, 0x01, 0x14, 0x23, 0x0B, 0x78, 0xB1, 0x20, 0xF4, 0xD3, 0xFF});
        for (int i = 0; i < 256; ++i) cpu->memory[0x8000 + i] = static_cast<std::uint8_t>(i);
        cpu->Run();
        EXPECT_EQ(cpu->Get(R::DE), 255 * 256 / 2);
    }
    {
        SCOPED_TRACE("block copy in a subroutine");
        auto cpu = std::make_unique<TTestZ80>();
        cpu->Load(0, {0x31, 0x00, 0xF0, 0xCD, 0x10, 0x00, 0xD3, 0xFF});
        cpu->Load(0x10, {0x21, 0x00, 0x40, 0x11, 0x00, 0x50, 0x01, 0x00, 0x02, 0xED, 0xB0, 0xC9});
        for (int i = 0; i < 0x200; ++i) cpu->memory[0x4000 + i] = static_cast<std::uint8_t>(i * 7);
        cpu->Run();
        EXPECT_TRUE(std::equal(cpu->memory.begin() + 0x4000, cpu->memory.begin() + 0x4200,
                               cpu->memory.begin() + 0x5000));
        EXPECT_EQ(cpu->Get(R::SP), 0xF000);
        EXPECT_EQ(cpu->instructionCount, 8u);
    }
    {
        SCOPED_TRACE("BCD addition 1234 + 5678");
        auto cpu = std::make_unique<TTestZ80>();
        cpu->Load(0, {0x3E, 0x34, 0xC6, 0x78, 0x27, 0x6F, 0x3E, 0x12, 0xCE, 0x56, 0x27, 0x67,
                      0xD3, 0xFF});
        cpu->Run();
        EXPECT_EQ(cpu->Get(R::HL), 0x6912);
    }
}

}  // namespace
