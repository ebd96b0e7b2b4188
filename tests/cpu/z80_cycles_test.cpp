#include "cpu/z80.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cpu/z80_test_support.h"

namespace {

using R = TZ80Registers;

constexpr std::uint8_t flagS = 0x80, flagZ = 0x40, flagPV = 0x04, flagC = 0x01;

// The code at 0100h; HL = 4000h, DE = 5000h, IX = 6000h, IY = 7000h, SP = F000h, A = 22h,
// and 22h 11h 22h at 3FFFh so that the compares find a match a step away either way.
std::unique_ptr<TTestZ80> Prepared(const std::vector<std::uint8_t>& code) {
    auto cpu = std::make_unique<TTestZ80>();
    std::copy(code.begin(), code.end(), cpu->memory.begin() + 0x0100);
    cpu->Set(R::PC, 0x0100);
    cpu->Set(R::SP, 0xF000);
    cpu->Set(R::AF, 0x2200);
    cpu->Set(R::BC, 0x0110);
    cpu->Set(R::DE, 0x5000);
    cpu->Set(R::HL, 0x4000);
    cpu->Set(R::IX, 0x6000);
    cpu->Set(R::IY, 0x7000);
    cpu->Load(0x3FFF, {0x22, 0x11, 0x22});
    return cpu;
}

// T-states as the Z80 data sheet gives them; the MSX adds one wait cycle per M1 fetch.
TEST(Z80Cycles, EachGroupTakesItsDataSheetTimePlusOneWaitPerM1) {
    struct TTiming {
        const char* name;
        std::vector<std::uint8_t> code;
        int tStates;
        int m1;
        std::uint8_t f = 0;  // decides the conditions: 0 is NZ, NC, PO, P
        std::uint8_t b = 1;  // decides DJNZ
    };
    const TTiming rows[] = {
        {"LD B,C", {0x41}, 4, 1}, {"LD B,n", {0x06, 0x12}, 7, 1}, {"LD B,(HL)", {0x46}, 7, 1},
        {"LD (HL),B", {0x70}, 7, 1}, {"LD (HL),n", {0x36, 0x12}, 10, 1}, {"LD A,(BC)", {0x0A}, 7, 1},
        {"LD (DE),A", {0x12}, 7, 1}, {"LD A,(nn)", {0x3A, 0x00, 0x40}, 13, 1}, {"LD (nn),A", {0x32, 0x00, 0x40}, 13, 1},
        {"LD A,I", {0xED, 0x57}, 9, 2}, {"LD R,A", {0xED, 0x4F}, 9, 2},
        {"LD BC,nn", {0x01, 0x34, 0x12}, 10, 1}, {"LD HL,(nn)", {0x2A, 0x00, 0x40}, 16, 1},
        {"LD (nn),HL", {0x22, 0x00, 0x40}, 16, 1}, {"LD BC,(nn)", {0xED, 0x4B, 0x00, 0x40}, 20, 2},
        {"LD (nn),BC", {0xED, 0x43, 0x00, 0x40}, 20, 2}, {"LD SP,HL", {0xF9}, 6, 1},
        {"PUSH BC", {0xC5}, 11, 1}, {"POP BC", {0xC1}, 10, 1}, {"EX DE,HL", {0xEB}, 4, 1},
        {"EX AF,AF'", {0x08}, 4, 1}, {"EXX", {0xD9}, 4, 1}, {"EX (SP),HL", {0xE3}, 19, 1},
        {"ADD A,B", {0x80}, 4, 1}, {"SUB n", {0xD6, 0x01}, 7, 1}, {"CP (HL)", {0xBE}, 7, 1},
        {"INC B", {0x04}, 4, 1}, {"DEC (HL)", {0x35}, 11, 1}, {"INC BC", {0x03}, 6, 1}, {"DEC SP", {0x3B}, 6, 1},
        {"ADD HL,DE", {0x19}, 11, 1}, {"ADC HL,BC", {0xED, 0x4A}, 15, 2}, {"SBC HL,SP", {0xED, 0x72}, 15, 2},
        {"RLCA", {0x07}, 4, 1}, {"RRA", {0x1F}, 4, 1}, {"RLC B", {0xCB, 0x00}, 8, 2}, {"SRL (HL)", {0xCB, 0x3E}, 15, 2},
        {"BIT 7,B", {0xCB, 0x78}, 8, 2}, {"BIT 0,(HL)", {0xCB, 0x46}, 12, 2}, {"SET 1,C", {0xCB, 0xC9}, 8, 2},
        {"RES 2,(HL)", {0xCB, 0x96}, 15, 2}, {"SET 3,(HL)", {0xCB, 0xDE}, 15, 2},
        {"RRD", {0xED, 0x67}, 18, 2}, {"RLD", {0xED, 0x6F}, 18, 2},
        {"DAA", {0x27}, 4, 1}, {"CPL", {0x2F}, 4, 1}, {"SCF", {0x37}, 4, 1}, {"CCF", {0x3F}, 4, 1},
        {"NEG", {0xED, 0x44}, 8, 2}, {"NOP", {0x00}, 4, 1}, {"IM 1", {0xED, 0x56}, 8, 2}, {"IM 2", {0xED, 0x5E}, 8, 2},
        {"DI", {0xF3}, 4, 1}, {"EI", {0xFB}, 4, 1},
        // JP cc reads its address either way: 10 taken or not.
        {"JP nn", {0xC3, 0x00, 0x20}, 10, 1}, {"JP NZ taken", {0xC2, 0x00, 0x20}, 10, 1},
        {"JP NZ not taken", {0xC2, 0x00, 0x20}, 10, 1, flagZ}, {"JP (HL)", {0xE9}, 4, 1},
        {"JR e", {0x18, 0x10}, 12, 1}, {"JR NZ taken", {0x20, 0x10}, 12, 1}, {"JR Z not taken", {0x28, 0x10}, 7, 1},
        {"JR C taken", {0x38, 0x10}, 12, 1, flagC}, {"JR NC not taken", {0x30, 0x10}, 7, 1, flagC},
        {"DJNZ taken", {0x10, 0x10}, 13, 1, 0, 2}, {"DJNZ not taken", {0x10, 0x10}, 8, 1, 0, 1},
        {"CALL nn", {0xCD, 0x00, 0x20}, 17, 1}, {"CALL M taken", {0xFC, 0x00, 0x20}, 17, 1, flagS},
        {"CALL Z not taken", {0xCC, 0x00, 0x20}, 10, 1}, {"RET", {0xC9}, 10, 1},
        {"RET PE taken", {0xE8}, 11, 1, flagPV}, {"RET NZ not taken", {0xC0}, 5, 1, flagZ},
        {"RST 38h", {0xFF}, 11, 1}, {"RETN", {0xED, 0x45}, 14, 2}, {"RETI", {0xED, 0x4D}, 14, 2},
        {"IN A,(n)", {0xDB, 0x10}, 11, 1}, {"OUT (n),A", {0xD3, 0x10}, 11, 1},
        {"IN B,(C)", {0xED, 0x40}, 12, 2}, {"OUT (C),A", {0xED, 0x79}, 12, 2},
        {"LDI", {0xED, 0xA0}, 16, 2}, {"LDD", {0xED, 0xA8}, 16, 2}, {"CPI", {0xED, 0xA1}, 16, 2},
        {"INI", {0xED, 0xA2}, 16, 2}, {"OUTI", {0xED, 0xA3}, 16, 2}, {"OUTD", {0xED, 0xAB}, 16, 2},
        {"LD IX,nn", {0xDD, 0x21, 0x34, 0x12}, 14, 2}, {"LD IY,(nn)", {0xFD, 0x2A, 0x00, 0x40}, 20, 2},
        {"LD (nn),IX", {0xDD, 0x22, 0x00, 0x40}, 20, 2}, {"LD (IX+d),n", {0xDD, 0x36, 0x05, 0x12}, 19, 2},
        {"LD B,(IY+d)", {0xFD, 0x46, 0x05}, 19, 2}, {"LD (IX+d),A", {0xDD, 0x77, 0x05}, 19, 2},
        {"ADD A,(IX+d)", {0xDD, 0x86, 0x05}, 19, 2}, {"CP (IY-5)", {0xFD, 0xBE, 0xFB}, 19, 2},
        {"INC (IX+d)", {0xDD, 0x34, 0x05}, 23, 2}, {"DEC (IY+d)", {0xFD, 0x35, 0x05}, 23, 2},
        {"ADD IX,BC", {0xDD, 0x09}, 15, 2}, {"ADD IY,IY", {0xFD, 0x29}, 15, 2}, {"INC IX", {0xDD, 0x23}, 10, 2},
        {"PUSH IX", {0xDD, 0xE5}, 15, 2}, {"POP IY", {0xFD, 0xE1}, 14, 2}, {"EX (SP),IX", {0xDD, 0xE3}, 23, 2},
        {"JP (IX)", {0xDD, 0xE9}, 8, 2}, {"LD SP,IY", {0xFD, 0xF9}, 10, 2},
        {"INC IXH", {0xDD, 0x24}, 8, 2}, {"LD IYL,n", {0xFD, 0x2E, 0x12}, 11, 2},
        // A prefix on an opcode it does not change costs its own 4 T-states and M1.
        {"DD NOP", {0xDD, 0x00}, 8, 2}, {"DD LD B,C", {0xDD, 0x41}, 8, 2},
        // DD CB d op: the displacement and the last byte are plain reads, not M1 fetches.
        {"RLC (IX+d)", {0xDD, 0xCB, 0x05, 0x06}, 23, 2}, {"SET 0,(IY+d)", {0xFD, 0xCB, 0x05, 0xC6}, 23, 2},
        {"RES 7,(IX+d)", {0xDD, 0xCB, 0x05, 0xBE}, 23, 2}, {"RLC (IX+d),B", {0xDD, 0xCB, 0x05, 0x00}, 23, 2},
        {"BIT 3,(IX+d)", {0xDD, 0xCB, 0x05, 0x5E}, 20, 2}, {"BIT 7,(IY+d)", {0xFD, 0xCB, 0x05, 0x7E}, 20, 2},
    };
    for (const TTiming& row : rows) {
        SCOPED_TRACE(row.name);
        auto cpu = Prepared(row.code);
        cpu->registers[R::F] = row.f;
        cpu->registers[R::B] = row.b;
        EXPECT_EQ(cpu->cycles, 0u);
        cpu->RunningStep();
        EXPECT_EQ(cpu->cycles, static_cast<std::uint64_t>(row.tStates + row.m1));
    }
}

// A repetition is the instruction run again: 21 T-states while it repeats, 16 for the last, each with two
// M1 waits. A step goes on repeating until the instruction ends, or up to the repetition that reaches
// an event, where it leaves PC on the instruction; an event past due stops it after every repetition.
TEST(Z80Cycles, BlockRepeatsRunOnUntilAnEventIsDue) {
    const struct {
        const char* name;
        std::uint8_t opcode;  // after ED
        std::uint16_t bc;
        int repetitions;
        std::uint16_t bcAfter;
    } rows[] = {
        {"LDIR", 0xB0, 0x0002, 2, 0x0000}, {"LDDR", 0xB8, 0x0003, 3, 0x0000},
        {"CPIR stops on a match", 0xB1, 0x0005, 2, 0x0003}, {"CPDR stops on a match", 0xB9, 0x0005, 2, 0x0003},
        {"CPIR stops when BC runs out", 0xB1, 0x0001, 1, 0x0000},
        {"INIR", 0xB2, 0x0210, 2, 0x0010}, {"INDR", 0xBA, 0x0210, 2, 0x0010},
        {"OTIR", 0xB3, 0x0310, 3, 0x0010}, {"OTDR", 0xBB, 0x0210, 2, 0x0010},
    };
    for (const auto& row : rows) {
        for (const bool eventDue : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (eventDue ? ", event due" : ""));
            auto cpu = Prepared({0xED, row.opcode});
            cpu->Set(R::BC, row.bc);
            if (eventDue) cpu->ScheduleEvent(1);
            for (int step = 1; step <= (eventDue ? row.repetitions : 1); ++step) {
                SCOPED_TRACE(step);
                cpu->RunningStep();
                const int done = eventDue ? step : row.repetitions;
                const bool last = done == row.repetitions;
                EXPECT_EQ(cpu->cycles, (done - 1) * (21u + 2u) + (last ? 16u + 2u : 21u + 2u));
                EXPECT_EQ(cpu->Get(R::PC), last ? 0x0102 : 0x0100);
            }
            EXPECT_EQ(cpu->Get(R::BC), row.bcAfter);
            EXPECT_EQ(cpu->instructionCount, static_cast<std::uint32_t>(row.repetitions));
        }
    }
}

TEST(Z80Cycles, HaltRepeatsUntilAnInterrupt) {
    auto cpu = Prepared({0x76});
    cpu->cpuState = TZ80::StateIFF1 | TZ80::StateMode1;
    for (std::uint64_t step = 1; step <= 3; ++step) {
        cpu->RunningStep();
        EXPECT_EQ(cpu->cycles, step * (4 + 1));
        EXPECT_EQ(cpu->Get(R::PC), 0x0100);
        EXPECT_TRUE(cpu->cpuState & TZ80::StateHalted);
    }
    cpu->SetInterruptLine(true);
    cpu->RunningStep();
    EXPECT_EQ(cpu->cycles, 3u * 5u + 5u + 14u) << "one more halted step, then the acknowledge";
    EXPECT_EQ(cpu->Get(R::PC), 0x0038);
    EXPECT_EQ(cpu->memory[0xEFFE] | cpu->memory[0xEFFF] << 8, 0x0101) << "returns past the HALT";

    auto passed = Prepared({0x76});  // IFF1 clear: nothing could end it, so it is passed over
    passed->RunningStep();
    EXPECT_EQ(passed->cycles, 4u + 1u);
    EXPECT_EQ(passed->Get(R::PC), 0x0101);
}

// The acknowledge's cycles (13 in modes 0 and 1, 19 in mode 2, 11 for NMI, plus its M1 wait) join the
// step that took it. IFF1 goes to IFF2 and is cleared.
TEST(Z80Cycles, InterruptAcceptance) {
    const struct {
        const char* name;
        std::vector<std::uint8_t> code;
        std::uint8_t cpuState;
        bool line;
        int steps;
        std::uint64_t cycles;
        std::uint16_t pc;
        std::uint16_t pushed;  // 0: nothing pushed
        std::uint8_t stateAfter;
        std::uint8_t I = 0;
        std::uint16_t vector = 0x0038;
    } rows[] = {
        {"mode 1 after a NOP", {0x00}, 0x03, true, 1, 5 + 13 + 1, 0x0038, 0x0101, 0x42},
        {"mode 1 ignores the vector", {0x00}, 0x03, true, 1, 5 + 13 + 1, 0x0038, 0x0101, 0x42, 0, 0x1234},
        {"mode 2 reads the table at I*256 + (vector & FEh)", {0x00}, 0x05, true, 1, 5 + 19 + 1, 0xBEEF, 0x0101, 0x44,
         0x12, 0x0035},
        {"mode 0 with RST 38h on the bus", {0x00}, 0x01, true, 1, 5 + 13 + 1, 0x0038, 0x0101, 0x40},
        {"mode 0 takes the vector as PC", {0x00}, 0x01, true, 1, 5 + 13 + 1, 0x1234, 0x0101, 0x40, 0, 0x1234},
        {"NMI with interrupts enabled", {0x00}, 0x05, true, 1, 5 + 11 + 1, 0x0066, 0x0101, 0x44, 0, 0x0066},
        // Taken after EI, the NOP would run at 0038h and 0101h would be pushed.
        {"EI holds it off for one instruction", {0xFB, 0x00}, 0x02, true, 2, 5 + 5 + 13 + 1, 0x0038, 0x0102, 0x42},
        {"line not asserted", {0x00}, 0x03, false, 1, 5, 0x0101, 0, 0x03},
        {"IFF1 clear", {0x00}, 0x02, true, 1, 5, 0x0101, 0, 0x02},
        {"DI with the line asserted", {0xF3}, 0x03, true, 1, 5, 0x0101, 0, 0x02},
        {"FFFF is never accepted", {0x00}, 0x41, true, 1, 5, 0x0101, 0, 0x41, 0, 0xFFFF},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto cpu = Prepared(row.code);
        cpu->Load(0x1234, {0xEF, 0xBE});
        cpu->cpuState = row.cpuState;
        cpu->I = row.I;
        cpu->vector = row.vector;
        if (row.line) cpu->SetInterruptLine(true);
        for (int step = 0; step < row.steps; ++step) cpu->RunningStep();
        EXPECT_EQ(cpu->cycles, row.cycles);
        EXPECT_EQ(cpu->Get(R::PC), row.pc);
        EXPECT_EQ(cpu->Get(R::SP), row.pushed ? 0xEFFE : 0xF000);
        if (row.pushed) {
            EXPECT_EQ(cpu->memory[0xEFFE] | cpu->memory[0xEFFF] << 8, row.pushed);
        }
        EXPECT_EQ(cpu->cpuState, row.stateAfter);
    }
}

// A run goes on to the step that reaches the event or finds an interrupt to take, and ends with it.
TEST(Z80Cycles, RunToEventEndsWithTheStepThatReachesIt) {
    auto cpu = Prepared({0x18, 0xFE});  // JR $: 12 T-states and an M1 wait
    cpu->running = true;
    cpu->ScheduleEvent(100);
    EXPECT_EQ(cpu->RunToEvent(), 0);
    EXPECT_EQ(cpu->cycles, 8u * 13u);
    EXPECT_EQ(cpu->instructionCount, 8u);
    cpu->ScheduleEvent(TZ80::never);
    cpu->cpuState = TZ80::StateIFF1 | TZ80::StateMode1;
    cpu->SetInterruptLine(true);
    EXPECT_EQ(cpu->RunToEvent(), 0);
    EXPECT_EQ(cpu->instructionCount, 9u);
    EXPECT_EQ(cpu->Get(R::PC), 0x0038);
    cpu->Stop();
    EXPECT_EQ(cpu->RunToEvent(), -1) << "a stopped run ends after one step";
    EXPECT_EQ(cpu->instructionCount, 10u);
}

}  // namespace
