#include "cpu/z80.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <tuple>
#include <vector>

#include "cpu/z80_flags.h"
#include "cpu/z80_test_support.h"

namespace {

using R = TZ80Registers;
using TWrite = std::pair<std::uint8_t, std::uint8_t>;

// A redundant prefix is a step of its own; a stopped step executes and says so.
TEST(Z80Core, RedundantPrefixesAreStepsOfTheirOwn) {
    for (const bool running : {false, true}) {
        auto cpu = std::make_unique<TTestZ80>();
        cpu->Load(0, {0xDD, 0xDD, 0x21, 0x34, 0x12, 0xED, 0xED, 0x00, 0xFD, 0xDD, 0x23});
        if (running) {
            cpu->running = true;
        } else {
            cpu->Stop();
        }
        EXPECT_EQ(cpu->Step(), running ? 0 : -1);
        EXPECT_EQ(cpu->Get(R::PC), 1);
        EXPECT_EQ(cpu->instructionCount, 1u);
        EXPECT_EQ(cpu->cycles, 4u + 1u) << "a prefix's own T-states and M1 wait";
        for (int step = 0; step < 5; ++step) cpu->RunningStep();  // ED 00 is a two-byte no-operation
        EXPECT_EQ(cpu->Get(R::IX), 0x1235) << "the last prefix counts: DD INC IX";
        EXPECT_EQ(cpu->Get(R::PC), 11);
    }
}

// One instruction at 0000h: AF, BC and HL before and after. Flag bits: S 80, Z 40, H 10, P/V 04, N 02, C 01.
TEST(Z80Instructions, ResultsAndFlagsOfEachGroup) {
    struct TCase {
        const char* name;
        std::vector<std::uint8_t> code;
        std::uint16_t af, bc, hl, expectedAF, expectedBC, expectedHL;
    };
    const TCase cases[] = {
        {"ADD A,B half carry and overflow", {0x80}, 0x7F00, 0x1100, 0, 0x9094, 0x1100, 0},
        {"ADD A,B carry to zero", {0x80}, 0xFF00, 0x0100, 0, 0x0051, 0x0100, 0},
        {"ADC A,B carry in", {0x88}, 0x0F01, 0x0000, 0, 0x1010, 0x0000, 0},
        {"SUB B borrow", {0x90}, 0x0000, 0x0100, 0, 0xFF93, 0x0100, 0},
        {"SUB B overflow", {0x90}, 0x8000, 0x0100, 0, 0x7F16, 0x0100, 0},
        {"CP B equal keeps A", {0xB8}, 0x0500, 0x0500, 0, 0x0542, 0x0500, 0},
        {"NEG 80", {0xED, 0x44}, 0x8000, 0, 0, 0x8087, 0, 0},
        {"AND B sign parity", {0xA0}, 0xFF00, 0x8100, 0, 0x8194, 0x8100, 0},
        {"XOR A clears bits 5 and 3", {0xAF}, 0x5AFF, 0, 0, 0x0044, 0, 0},
        {"INC B to 80 keeps C", {0x04}, 0x0001, 0x7F00, 0, 0x0095, 0x8000, 0},
        {"DEC B to 7F keeps C", {0x05}, 0x0001, 0x8000, 0, 0x0017, 0x7F00, 0},
        {"RLCA keeps S Z P/V", {0x07}, 0x81FF, 0, 0, 0x03ED, 0, 0},
        {"RL B", {0xCB, 0x10}, 0x0001, 0x7F00, 0, 0x0084, 0xFF00, 0},
        {"SRA B", {0xCB, 0x28}, 0, 0x8100, 0, 0x0085, 0xC000, 0},
        {"SRL B", {0xCB, 0x38}, 0, 0x0100, 0, 0x0045, 0x0000, 0},
        {"BIT 7,A keeps C", {0xCB, 0x7F}, 0x0081, 0, 0, 0x00D1, 0, 0},
        {"BIT 0,B set", {0xCB, 0x40}, 0x0044, 0x0100, 0, 0x0014, 0x0100, 0},
        {"CCF moves C to H", {0x3F}, 0x0001, 0, 0, 0x0010, 0, 0},
        {"DAA add, low digit over 9", {0x27}, 0x3C00, 0, 0, 0x4204, 0, 0},
        {"DAA add, both digits over 9", {0x27}, 0x9A00, 0, 0, 0x0045, 0, 0},
        {"DAA add, half carry", {0x27}, 0x1310, 0, 0, 0x1900, 0, 0},
        {"DAA add, carry", {0x27}, 0x2001, 0, 0, 0x8081, 0, 0},
        {"DAA add, carry and low digit over 9", {0x27}, 0x2A01, 0, 0, 0x9085, 0, 0},
        {"DAA subtract, half carry", {0x27}, 0x0F12, 0, 0, 0x0906, 0, 0},
        {"DAA subtract, carry", {0x27}, 0xF003, 0, 0, 0x9087, 0, 0},
        {"DAA subtract, both", {0x27}, 0xFF13, 0, 0, 0x9987, 0, 0},
        {"ADD HL,BC half carry keeps S Z P/V", {0x09}, 0x00C4, 0x0001, 0x0FFF, 0x00D4, 0x0001, 0x1000},
        {"ADD HL,BC carry", {0x09}, 0x0000, 0x0001, 0xFFFF, 0x0011, 0x0001, 0x0000},
        {"ADC HL,BC overflow", {0xED, 0x4A}, 0x0001, 0x0000, 0x7FFF, 0x0094, 0x0000, 0x8000},
        {"SBC HL,BC borrow", {0xED, 0x42}, 0x0000, 0x0001, 0x0000, 0x0093, 0x0001, 0xFFFF},
        {"SBC HL,BC overflow", {0xED, 0x42}, 0x0000, 0x0001, 0x8000, 0x0016, 0x0001, 0x7FFF},
        {"INC BC wraps, flags kept", {0x03}, 0x00FF, 0xFFFF, 0, 0x00FF, 0x0000, 0},
        {"RLD keeps C", {0xED, 0x6F}, 0x1201, 0, 0x0100, 0x1A01, 0, 0x0100},
        {"IN B,(C) sets S Z P", {0xED, 0x40}, 0x0001, 0x1234, 0, 0x0001, 0x3434, 0},
        {"IN F,(C) only flags", {0xED, 0x70}, 0x0000, 0x1200, 0, 0x0044, 0x1200, 0},
    };
    for (const TCase& test : cases) {
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

// Before each instruction: F as given, A = 10h, BC = 3322h, DE = DDEEh, HL = 4455h, (HL) = 7Fh, IX = 10FFh,
// (IX+5) = 02h, IY = 2007h, (IY-1) = 26h, SP = F000h, (SP) = BBAAh, I = 80h, IFF1 set and IFF2 clear.
TEST(Z80Instructions, MemoryIndexStackJumpAndStateForms) {
    using T = TTestZ80;
    using TCheck = std::function<void(T&)>;
    const auto pcsp = [](std::uint16_t pc, std::uint16_t sp) -> TCheck {
        return [=](T& c) { EXPECT_EQ(c.Get(R::PC), pc); EXPECT_EQ(c.Get(R::SP), sp); };
    };
    const auto state = [](std::uint8_t cpuState) -> TCheck { return [=](T& c) { EXPECT_EQ(c.cpuState, cpuState); }; };
    const std::tuple<std::vector<std::uint8_t>, std::uint8_t, TCheck> cases[] = {
        {{0xED, 0x57}, 0x01, [](T& c) { EXPECT_EQ(c.Get(R::AF), 0x8085); }},  // LD A,I: IFF1 in P/V
        {{0xED, 0x5F}, 0, [](T& c) { EXPECT_EQ(c.registers[R::A], 1); }},  // R follows the steps
        {{0xED, 0xFE}, 0, [](T& c) { EXPECT_EQ(c.trapRegisters, c.registers.bytes.data()); }},  // the trap
        {{0xED, 0x5E}, 0, state(0x05)}, {{0xED, 0x56}, 0, state(0x03)}, {{0xF3}, 0, state(0x00)},
        {{0xED, 0x45}, 0, state(0x00)}, {{0xED, 0x4D}, 0, state(0x01)},  // RETN takes IFF2 back into IFF1, RETI not
        {{0x34}, 0, [](T& c) { EXPECT_EQ(c.memory[0x4455], 0x80); EXPECT_EQ(c.registers[R::F], 0x94); }},
        {{0xCB, 0x06}, 0, [](T& c) { EXPECT_EQ(c.memory[0x4455], 0xFE); EXPECT_EQ(c.registers[R::F], 0x80); }},
        {{0xCB, 0xC6}, 0, [](T& c) { EXPECT_EQ(c.memory[0x4455], 0x7F); EXPECT_EQ(c.registers[R::F], 0); }},
        {{0xC5}, 0, [](T& c) { EXPECT_EQ(c.memory[0xEFFF], 0x33); EXPECT_EQ(c.memory[0xEFFE], 0x22); }},
        {{0xF1}, 0, [](T& c) { EXPECT_EQ(c.Get(R::AF), 0xBBAA); EXPECT_EQ(c.Get(R::SP), 0xF002); }},
        {{0xD9}, 0, [](T& c) { EXPECT_EQ(c.Get(R::HL), 0); EXPECT_EQ(c.Get(R::HL1), 0x4455); }},
        {{0xDD, 0x2C}, 0, [](T& c) { EXPECT_EQ(c.Get(R::IX), 0x1000); EXPECT_EQ(c.registers[R::F], 0x50); }},
        {{0xDD, 0x66, 0x05}, 0, [](T& c) { EXPECT_EQ(c.Get(R::HL), 0x0255); EXPECT_EQ(c.Get(R::IX), 0x10FF); }},
        {{0xDD, 0x36, 0x05, 0x3F}, 0, [](T& c) { EXPECT_EQ(c.memory[0x1104], 0x3F); EXPECT_EQ(c.Get(R::PC), 4); }},
        {{0xFD, 0x7E, 0xFF}, 0, [](T& c) { EXPECT_EQ(c.registers[R::A], 0x26); }},
        {{0xDD, 0x96, 0x05}, 0, [](T& c) { EXPECT_EQ(c.registers[R::A], 0x0E); }},
        {{0xFD, 0x29}, 0, [](T& c) { EXPECT_EQ(c.Get(R::IY), 0x400E); }},
        {{0xDD, 0xE3}, 0, [](T& c) { EXPECT_EQ(c.Get(R::IX), 0xBBAA); EXPECT_EQ(c.memory[0xF000], 0xFF); }},
        {{0xDD, 0xEB}, 0, [](T& c) { EXPECT_EQ(c.Get(R::HL), 0xDDEE); EXPECT_EQ(c.Get(R::IX), 0x10FF); }},
        {{0xDD, 0xCB, 0x05, 0x4E}, 0, [](T& c) { EXPECT_EQ(c.registers[R::F], 0x10); }},
        {{0xDD, 0xCB, 0x05, 0x06}, 0, [](T& c) { EXPECT_EQ(c.memory[0x1104], 0x04); EXPECT_EQ(c.Get(R::PC), 4); }},
        {{0xDD, 0xCB, 0x05, 0x00}, 0, [](T& c) { EXPECT_EQ(c.memory[0x1104], 0x02); EXPECT_EQ(c.Get(R::BC), 0x3322); }},
        {{0xDD, 0xCD, 0x00, 0x40}, 0, [](T& c) { EXPECT_EQ(c.Get(R::PC), 0x4000); EXPECT_EQ(c.memory[0xEFFE], 4); }},
        {{0x18, 0xFE}, 0, pcsp(0x0000, 0xF000)},        // JR back onto itself
        {{0x20, 0x10}, 0x00, pcsp(0x0012, 0xF000)},     // JR NZ taken
        {{0xEA, 0x34, 0x12}, 0x04, pcsp(0x1234, 0xF000)},  // JP PE taken
        {{0xDC, 0x34, 0x12}, 0x01, pcsp(0x1234, 0xEFFE)},  // CALL C taken
        {{0xD4, 0x34, 0x12}, 0x01, pcsp(0x0003, 0xF000)},  // CALL NC not taken
        {{0xF0}, 0x00, pcsp(0xBBAA, 0xF002)},           // RET P taken
        {{0xEF}, 0, pcsp(0x0028, 0xEFFE)},              // RST 28
        {{0x10, 0xFE}, 0, pcsp(0x0000, 0xF000)},        // DJNZ taken
        {{0xED, 0xA8}, 0x12, [](T& c) { EXPECT_EQ(c.memory[0xDDEE], 0x7F); EXPECT_EQ(c.registers[R::F], 0x04); }},
        {{0xED, 0xA2}, 0, [](T& c) { EXPECT_EQ(c.Get(R::BC), 0x3222); EXPECT_EQ(c.registers[R::F], 0x02); }},
        {{0xED, 0x41}, 0, [](T& c) { EXPECT_EQ(c.portsWritten, (std::vector<TWrite>{{0x22, 0x33}})); }},
        {{0xED, 0xB2}, 0, [](T& c) { EXPECT_EQ(c.memory[0x4487], 0xFF); EXPECT_EQ(c.Get(R::AF), 0x1042); }},  // INIR
        {{0xED, 0xB3}, 0, [](T& c) { EXPECT_EQ(c.portsWritten.size(), 0x33u); EXPECT_EQ(c.registers[R::F], 0x42); }},
    };
    for (const auto& [code, flags, check] : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << int(code[0]) << " " << int(code[1 % code.size()]));
        auto cpu = std::make_unique<TTestZ80>();
        std::copy(code.begin(), code.end(), cpu->memory.begin());
        cpu->Set(R::AF, static_cast<std::uint16_t>(0x1000 | flags));
        cpu->Set(R::BC, 0x3322);
        cpu->Set(R::DE, 0xDDEE);
        cpu->Set(R::HL, 0x4455);
        cpu->Set(R::IX, 0x10FF);
        cpu->Set(R::IY, 0x2007);
        cpu->I = 0x80;
        cpu->cpuState = TZ80::StateIFF1;
        cpu->Load(0x4455, {0x7F});
        cpu->Load(0x1104, {0x02});
        cpu->Load(0x2006, {0x26});
        cpu->Load(0xF000, {0xAA, 0xBB});
        cpu->RunningStep();
        check(*cpu);
    }
}

TEST(Z80Instructions, BlockMovesAndComparesRepeatToTheirEnd) {
    auto cpu = std::make_unique<TTestZ80>();
    cpu->Load(0, {0xED, 0xB0, 0xED, 0xB1});  // LDIR; CPIR
    cpu->Load(0x4000, {5, 6, 7, 8});
    cpu->Set(R::HL, 0x4000);
    cpu->Set(R::DE, 0x5000);
    cpu->Set(R::BC, 3);
    cpu->registers[R::F] = 0xFF;
    cpu->RunningStep();
    EXPECT_EQ(cpu->memory[0x5002], 7);
    EXPECT_EQ(cpu->Get(R::HL), 0x4003);
    EXPECT_EQ(cpu->Get(R::DE), 0x5003);
    EXPECT_EQ(cpu->Get(R::PC), 2);
    EXPECT_EQ(cpu->registers[R::F], 0xE9);
    cpu->Set(R::HL, 0x4000);
    cpu->Set(R::BC, 10);
    cpu->registers[R::A] = 7;
    cpu->registers[R::F] = FlagCarry;
    cpu->RunningStep();
    EXPECT_EQ(cpu->Get(R::PC), 4) << "stops at the match";
    EXPECT_EQ(cpu->Get(R::HL), 0x4003) << "past the match";
    EXPECT_EQ(cpu->Get(R::BC), 7);
    EXPECT_EQ(cpu->registers[R::F], FlagZero | FlagSubtract | FlagParityOverflow | FlagCarry);
}

}  // namespace
