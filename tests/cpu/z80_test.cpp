#include "cpu/z80.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <random>

#include "cpu/z80_test_support.h"

namespace {

using R = TZ80Registers;

std::unique_ptr<TTestZ80> MakeProcessor() { return std::make_unique<TTestZ80>(); }

TEST(Z80Core, ConstructionAndResetGiveTheStartState) {
    auto cpu = MakeProcessor();
    for (int round = 0; round < 2; ++round) {
        for (R::Pair pair : {R::AF, R::BC, R::DE, R::HL, R::IX, R::IY, R::PC, R::AF1, R::BC1,
                             R::DE1, R::HL1}) {
            EXPECT_EQ(cpu->Get(pair), 0) << "pair at offset " << int(pair);
        }
        EXPECT_EQ(cpu->Get(R::SP), 0xF000);
        EXPECT_EQ(cpu->cpuState, 0);
        EXPECT_EQ(cpu->I, 0);
        EXPECT_EQ(cpu->instructionsLeft, 10000);
        EXPECT_EQ(cpu->instructionCount, 0u);
        EXPECT_FALSE(cpu->interruptRequest);
        // Dirty everything, then Reset must restore the same state.
        cpu->registers.bytes.fill(0x5A);
        cpu->cpuState = 0xC7;
        cpu->I = 9;
        cpu->instructionsLeft = 3;
        cpu->instructionCount = 77;
        cpu->interruptRequest = true;
        cpu->running = true;
        cpu->Reset();
        EXPECT_TRUE(cpu->running) << "Reset leaves the run flag alone";
    }
}

TEST(Z80Core, RegisterBlockIsLowByteFirstInTheDocumentedOrder) {
    auto cpu = MakeProcessor();
    cpu->Set(R::AF, 0x0102);
    cpu->Set(R::HL, 0x0304);
    cpu->Set(R::IY, 0x0506);
    cpu->Set(R::HL1, 0x0708);
    const auto& bytes = cpu->registers.bytes;
    EXPECT_EQ(bytes[0], 0x02);   // F
    EXPECT_EQ(bytes[1], 0x01);   // A
    EXPECT_EQ(bytes[6], 0x04);   // L
    EXPECT_EQ(bytes[7], 0x03);   // H
    EXPECT_EQ(bytes[10], 0x06);  // IY low
    EXPECT_EQ(bytes[11], 0x05);  // IY high
    EXPECT_EQ(bytes[22], 0x08);  // L'
    EXPECT_EQ(bytes[23], 0x07);  // H'
}

TEST(Z80Core, StepCountsEveryCallAndStoppedStepsSkipTheCountdown) {
    auto cpu = MakeProcessor();
    cpu->running = false;
    EXPECT_EQ(cpu->Step(), -1);
    EXPECT_EQ(cpu->instructionsLeft, 10000);
    EXPECT_EQ(cpu->instructionCount, 1u);
    EXPECT_EQ(cpu->Get(R::PC), 1);
    EXPECT_EQ(cpu->RunningStep(), 0);
    EXPECT_EQ(cpu->instructionsLeft, 9999);
    EXPECT_EQ(cpu->instructionCount, 2u);
    EXPECT_EQ(cpu->instructionAddress, 1);
}

TEST(Z80Core, PeriodicAcknowledgeComesEvery10001Steps) {
    auto cpu = MakeProcessor();  // NOPs everywhere, interrupts disabled
    std::vector<int> acknowledgedAt;
    for (int step = 1; step <= 30003; ++step) {
        const int before = cpu->acknowledgeCount;
        cpu->RunningStep();
        if (cpu->acknowledgeCount != before) acknowledgedAt.push_back(step);
    }
    EXPECT_EQ(acknowledgedAt, (std::vector<int>{10001, 20002, 30003}));
    // The request met IFF1 = 0: nothing pushed, nothing pending.
    EXPECT_EQ(cpu->Get(R::SP), 0xF000);
    EXPECT_FALSE(cpu->interruptRequest);
    EXPECT_EQ(cpu->Get(R::PC), 30003 & 0xFFFF);
}

TEST(Z80Core, PeriodicInterruptOffNeverAcknowledges) {
    auto cpu = MakeProcessor();
    cpu->periodicInterrupt = false;
    for (int step = 0; step < 10002; ++step) cpu->RunningStep();
    EXPECT_EQ(cpu->acknowledgeCount, 0);
    EXPECT_EQ(cpu->instructionsLeft, 10000 - 1);
}

struct TInterruptCase {
    const char* name;
    std::uint8_t cpuState;
    std::uint16_t vector;
    std::uint8_t I;
    bool accepted;
    std::uint16_t newPC;
    std::uint8_t stateAfter;
};

TEST(Z80Core, InterruptAcceptanceInEveryMode) {
    const TInterruptCase cases[] = {
        {"mode 0 vector 38 acts as RST 38", 0x01, 0x0038, 0, true, 0x0038, 0x40},
        {"mode 0 takes the vector as PC", 0x01, 0x1234, 0, true, 0x1234, 0x40},
        {"mode 1 ignores the vector", 0x03, 0x1234, 0, true, 0x0038, 0x42},
        {"mode 2 reads the table", 0x05, 0x0035, 0x12, true, 0xBEEF, 0x44},
        {"disabled request is dropped", 0x02, 0x0038, 0, false, 0x0001, 0x02},
        {"FFFF is never accepted", 0x41, 0xFFFF, 0, false, 0x0001, 0x41},
        {"NMI with interrupts disabled", 0x40, 0x0066, 0, true, 0x0066, 0x00},
        {"NMI with interrupts enabled", 0x05, 0x0066, 0x12, true, 0x0066, 0x44},
    };
    for (const TInterruptCase& test : cases) {
        SCOPED_TRACE(test.name);
        auto cpu = MakeProcessor();
        cpu->memory[0x1234] = 0xEF;
        cpu->memory[0x1235] = 0xBE;
        cpu->cpuState = test.cpuState;
        cpu->vector = test.vector;
        cpu->I = test.I;
        cpu->instructionsLeft = 0;
        cpu->RunningStep();  // a NOP at 0000
        EXPECT_EQ(cpu->acknowledgeCount, 1);
        EXPECT_EQ(cpu->Get(R::PC), test.newPC);
        EXPECT_EQ(cpu->cpuState, test.stateAfter);
        EXPECT_EQ(cpu->instructionsLeft, 10000);
        EXPECT_FALSE(cpu->interruptRequest);
        if (test.accepted) {
            EXPECT_EQ(cpu->Get(R::SP), 0xEFFE);
            EXPECT_EQ(cpu->memory[0xEFFE], 0x01);
            EXPECT_EQ(cpu->memory[0xEFFF], 0x00);
        } else {
            EXPECT_EQ(cpu->Get(R::SP), 0xF000);
        }
    }
}

TEST(Z80Core, EnableInterruptsActsOnTheSameStep) {
    auto cpu = MakeProcessor();
    cpu->Load(0x0100, {0xFB});  // EI
    cpu->Set(R::PC, 0x0100);
    cpu->instructionsLeft = 0;
    cpu->RunningStep();
    EXPECT_EQ(cpu->Get(R::PC), 0x0038);
    EXPECT_EQ(cpu->memory[0xEFFE], 0x01);
    EXPECT_EQ(cpu->memory[0xEFFF], 0x01);
}

TEST(Z80Core, HaltRepeatsUntilAnInterruptAndReturnsPastIt) {
    auto cpu = MakeProcessor();
    cpu->Load(0x0200, {0x76});
    cpu->Set(R::PC, 0x0200);
    cpu->cpuState = TZ80::StateIFF1 | TZ80::StateMode1;
    cpu->instructionsLeft = 5;
    for (int step = 0; step < 5; ++step) {
        cpu->RunningStep();
        EXPECT_EQ(cpu->Get(R::PC), 0x0200);
        EXPECT_EQ(cpu->cpuState, TZ80::StateIFF1 | TZ80::StateMode1 | TZ80::StateHalted);
    }
    cpu->RunningStep();  // the countdown runs out on this one
    EXPECT_EQ(cpu->Get(R::PC), 0x0038);
    EXPECT_EQ(cpu->cpuState, TZ80::StateIFF2 | TZ80::StateMode1);
    EXPECT_EQ(cpu->memory[0xEFFE], 0x01);
    EXPECT_EQ(cpu->memory[0xEFFF], 0x02);
    EXPECT_EQ(cpu->instructionCount, 6u);
}

TEST(Z80Core, HaltWithInterruptsDisabledIsPassedOver) {
    auto cpu = MakeProcessor();
    cpu->Load(0, {0x76, 0xDD, 0x76});
    cpu->RunningStep();
    EXPECT_EQ(cpu->Get(R::PC), 1);
    cpu->cpuState = TZ80::StateIFF1;
    cpu->RunningStep();  // DD HALT backs onto the HALT byte
    EXPECT_EQ(cpu->Get(R::PC), 2);
    EXPECT_TRUE(cpu->cpuState & TZ80::StateHalted);
}

TEST(Z80Core, ReturnFromNonMaskableRestoresInterruptsReturnFromMaskableDoesNot) {
    for (const bool retn : {true, false}) {
        SCOPED_TRACE(retn ? "RETN" : "RETI");
        auto cpu = MakeProcessor();
        cpu->Load(0x0038, {0xED, static_cast<std::uint8_t>(retn ? 0x45 : 0x4D)});
        cpu->cpuState = TZ80::StateIFF1 | TZ80::StateMode1;
        cpu->instructionsLeft = 0;
        cpu->RunningStep();
        ASSERT_EQ(cpu->Get(R::PC), 0x0038);
        cpu->RunningStep();
        EXPECT_EQ(cpu->Get(R::PC), 0x0001);
        EXPECT_EQ(bool(cpu->cpuState & TZ80::StateIFF1), retn);
    }
}

TEST(Z80Core, RedundantPrefixesGiveTheirStepAway) {
    auto cpu = MakeProcessor();
    cpu->Load(0, {0xDD, 0xDD, 0x21, 0x34, 0x12, 0xED, 0xED, 0x00, 0xFD, 0xDD, 0x23});
    cpu->RunningStep();
    EXPECT_EQ(cpu->Get(R::PC), 1);
    EXPECT_EQ(cpu->instructionsLeft, 10000);
    cpu->RunningStep();
    EXPECT_EQ(cpu->Get(R::IX), 0x1234);
    EXPECT_EQ(cpu->Get(R::PC), 5);
    EXPECT_EQ(cpu->instructionCount, 2u);
    EXPECT_EQ(cpu->instructionsLeft, 9999);
    cpu->RunningStep();  // ED ED
    EXPECT_EQ(cpu->Get(R::PC), 6);
    cpu->RunningStep();  // ED 00: an unsupported two-byte no-operation
    EXPECT_EQ(cpu->Get(R::PC), 8);
    cpu->RunningStep();  // FD, then DD INC IX
    cpu->RunningStep();
    EXPECT_EQ(cpu->Get(R::IX), 0x1235);
    EXPECT_EQ(cpu->Get(R::IY), 0);
    EXPECT_EQ(cpu->instructionsLeft, 9997);
}

TEST(Z80Core, LoadAFromRefreshFollowsTheCountdown) {
    auto cpu = MakeProcessor();
    cpu->Load(0, {0xED, 0x5F, 0x47, 0xED, 0x5F});  // LD A,R; LD B,A; LD A,R
    cpu->instructionsLeft = 300;
    cpu->RunningStep();
    const std::uint8_t first = cpu->registers[R::A];
    EXPECT_EQ(first, (256 - (300 & 0xFF)) & 0xFF);
    cpu->RunningStep();
    cpu->RunningStep();
    EXPECT_EQ(cpu->registers[R::A], static_cast<std::uint8_t>(first + 2));
}

TEST(Z80Core, LoadAFromIReportsIFF1InParity) {
    auto cpu = MakeProcessor();
    cpu->Load(0, {0xED, 0x57, 0xED, 0x57});
    cpu->I = 0x80;
    cpu->cpuState = TZ80::StateIFF1;
    cpu->registers[R::F] = 0x01;
    cpu->RunningStep();
    EXPECT_EQ(cpu->registers[R::A], 0x80);
    EXPECT_EQ(cpu->registers[R::F], 0x85);
    cpu->cpuState = TZ80::StateIFF2;
    cpu->RunningStep();
    EXPECT_EQ(cpu->registers[R::F], 0x81);
}

TEST(Z80Core, InterruptModeAndEnableInstructionsSetTheStateBits) {
    auto cpu = MakeProcessor();
    cpu->Load(0, {0xED, 0x5E, 0xFB, 0xED, 0x56, 0xF3, 0xED, 0x46});
    const std::uint8_t expected[] = {0x04, 0x05, 0x03, 0x02, 0x00};
    for (std::uint8_t state : expected) {
        cpu->RunningStep();
        EXPECT_EQ(cpu->cpuState, state);
    }
}

TEST(Z80Core, TrapReceivesTheRegisterBlock) {
    auto cpu = MakeProcessor();
    cpu->Load(0, {0xED, 0xFE});
    cpu->RunningStep();
    EXPECT_EQ(cpu->trapCount, 1);
    EXPECT_EQ(cpu->trapRegisters, cpu->registers.bytes.data());
    EXPECT_EQ(cpu->Get(R::PC), 2);
}

TEST(Z80Core, RunStepsUntilStoppedAndReturnsPC) {
    auto cpu = MakeProcessor();
    cpu->Load(0, {0x3E, 0x07, 0xD3, 0xFF, 0x00});  // LD A,7; OUT (FF),A
    cpu->instructionsLeft = 5;
    EXPECT_EQ(cpu->Run(), 4);
    EXPECT_FALSE(cpu->running);
    EXPECT_EQ(cpu->instructionsLeft, 9999) << "Run reloads the countdown first";
}

TEST(Z80Core, UnsupportedOpcodesAreConsumedAndReported) {
    struct TCase {
        std::vector<std::uint8_t> bytes;
        std::uint16_t nextPC;
        const char* message;
    };
    const TCase cases[] = {
        {{0xED, 0x4C}, 0x1236, "Unrecognized instruction: ED 4C at PC=1234\n"},
        {{0xED, 0x71}, 0x1236, "Unrecognized instruction: ED 71 at PC=1234\n"},
        {{0xDD, 0xED}, 0x1236, "Unrecognized instruction: DD ED at PC=1234\n"},
        {{0xFD, 0xED}, 0x1236, "Unrecognized instruction: FD ED at PC=1234\n"},
        {{0xDD, 0xCB, 0x05, 0x00}, 0x1238, "Unrecognized instruction: DD CB 5 0 at PC=1234\n"},
        {{0xFD, 0xCB, 0xFE, 0xC7}, 0x1238, "Unrecognized instruction: FD CB FE C7 at PC=1234\n"},
    };
    for (const TCase& test : cases) {
        for (const bool report : {false, true}) {
            auto cpu = MakeProcessor();
            std::copy(test.bytes.begin(), test.bytes.end(), cpu->memory.begin() + 0x1234);
            cpu->memory[0x1005] = 0x81;
            cpu->Set(R::IX, 0x1000);
            cpu->Set(R::IY, 0x1007);
            cpu->Set(R::PC, 0x1234);
            cpu->Set(R::BC, 0x4321);
            cpu->reportUnrecognized = report;
            const TZ80Registers before = cpu->registers;
            testing::internal::CaptureStdout();
            cpu->RunningStep();
            std::fflush(stdout);
            const std::string printed = testing::internal::GetCapturedStdout();
            EXPECT_EQ(printed, report ? test.message : "");
            EXPECT_EQ(cpu->Get(R::PC), test.nextPC);
            EXPECT_EQ(cpu->memory[0x1005], 0x81);
            TZ80Registers expected = before;
            expected.Set(R::PC, test.nextPC);
            EXPECT_EQ(cpu->registers.bytes, expected.bytes);
        }
    }
}

// Any bytes at all execute without leaving memory or crashing; the sanitizer build checks it.
TEST(Z80Core, RandomMemoryExecutesSafely) {
    std::mt19937 random(20261206);
    for (int round = 0; round < 8; ++round) {
        auto cpu = MakeProcessor();
        for (auto& byte : cpu->memory) byte = static_cast<std::uint8_t>(random());
        for (auto& byte : cpu->registers.bytes) byte = static_cast<std::uint8_t>(random());
        for (auto& value : cpu->portValues) value = static_cast<std::uint8_t>(random());
        cpu->cpuState = static_cast<std::uint8_t>(random() & 0xC7);
        cpu->interruptPeriod = 97;
        cpu->instructionsLeft = 97;
        cpu->traceEnabled = round % 2 == 0;
        cpu->reportUnrecognized = false;
        for (int step = 0; step < 20000; ++step) {
            if (step % 1000 == 0) cpu->vector = static_cast<std::uint16_t>(random());
            cpu->RunningStep();
            cpu->portsRead.clear();
            cpu->portsWritten.clear();
        }
        EXPECT_EQ(cpu->instructionCount, 20000u);
    }
}

}  // namespace
