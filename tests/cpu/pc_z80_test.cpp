#include "cpu/pc_z80.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

#include "cpu/z80_test_support.h"

#include "io/io_handler.h"
#include "memory/memory_selector.h"
#include "peripherals/keyboard.h"
#include "peripherals/ppi8255.h"
#include "sound/psg.h"
#include "video/v9918.h"

namespace {

struct TCountingPump : TMessagePump {
    void ProcessMessages() override { ++calls; }
    int calls = 0;
};

// Records the frame work in the order the processor binding calls it.
struct TFrameLog {
    std::vector<std::string> calls;
};

struct TLoggingKeyboard : TKeyboard {
    TLoggingKeyboard(TKeyState& keys, TFrameLog& log) : TKeyboard(keys), log(log) {}
    void Scan() override { log.calls.push_back("Scan"); }
    TFrameLog& log;
};

struct TLoggingVDP : TV9918 {
    explicit TLoggingVDP(TFrameLog& log) : log(log) {}
    void CheckSprites() override { log.calls.push_back("CheckSprites"); }
    void SetFrameFlag() override { log.calls.push_back("SetFrameFlag"); }
    void RenderFrame() override { log.calls.push_back("RenderFrame"); }
    TFrameLog& log;
};

struct TRecordingForm : TZ80DebugForm {
    void Show() override { visible = true; }
    bool IsVisible() const override { return visible; }
    bool TraceOnScreen() const override { return onScreen; }
    bool TraceToFile() const override { return toFile; }
    void ShowRegisters(const TZ80RegisterSnapshot& registers) override {
        records.push_back("registers pc=" + std::to_string(registers.pc) + " state=" + std::to_string(registers.state));
    }
    void ShowInstruction(std::uint16_t address, const std::string& text) override {
        records.push_back("instruction " + std::to_string(address) + " " + text);
    }
    bool visible = false, onScreen = false, toFile = false;
    std::vector<std::string> records;
};

struct PCZ80Test : ::testing::Test {
    PCZ80Test() {
        selector.SetBank(0, 0, 0, std::make_unique<TRAMBank>());
        processor.SetMemorySelector(&selector);
        processor.SetIOHandler(&ioHandler);
        ppi.SetKeyboard(&keyboard);
        ioHandler.SetPPI(&ppi);
        ioHandler.SetPSG(&psg);
        ioHandler.SetVDP(&vdp);
    }

    TCountingPump pump;
    TFrameLog log;
    THeldKeys keys;
    TLoggingKeyboard keyboard{keys, log};
    TPPI8255 ppi;
    TPSG psg;
    TLoggingVDP vdp{log};
    TMemorySelector selector;
    TIOHandler ioHandler;
    TPCZ80 processor{pump};
};

TEST_F(PCZ80Test, CountdownRunOutDoesTheFrameWorkInOrderAndLandsAt0038) {
    selector.Write(0x0000, 0xED);  // IM 1
    selector.Write(0x0001, 0x56);
    selector.Write(0x0002, 0xFB);  // EI
    for (std::uint16_t address = 3; address < 0x38; ++address) selector.Write(address, 0x00);
    processor.Start();
    for (int step = 0; step < 10001; ++step) processor.Step();
    EXPECT_EQ(log.calls, (std::vector<std::string>{"Scan", "CheckSprites", "SetFrameFlag", "RenderFrame"}));
    EXPECT_EQ(processor.registers.Get(TZ80Registers::PC), 0x0038);
}

TEST_F(PCZ80Test, StartKeepsTheFrameCountdown) {
    processor.Start();
    for (int step = 0; step < 500; ++step) processor.Step();
    const std::int32_t left = processor.instructionsLeft;
    processor.Stop();
    processor.Start();
    EXPECT_EQ(processor.instructionsLeft, left);
}

TEST_F(PCZ80Test, TraceGoesToTheFormOnlyWhenWanted) {
    processor.form = std::make_unique<TRecordingForm>();
    auto& form = static_cast<TRecordingForm&>(*processor.form);
    processor.Start();
    struct Case {
        bool visible, onScreen, toFile;
        bool traced;
    };
    const Case cases[] = {
        {false, false, false, false}, {false, true, false, false}, {true, false, false, false},
        {true, true, false, true},    {false, false, true, true},  {true, true, true, true},
    };
    for (const Case& c : cases) {
        form.visible = c.visible;
        form.onScreen = c.onScreen;
        form.toFile = c.toFile;
        form.records.clear();
        processor.SetTraceEnabled(c.toFile || (c.visible && c.onScreen));
        const std::uint16_t address = processor.registers.Get(TZ80Registers::PC);
        processor.Step();
        if (!c.traced) {
            EXPECT_TRUE(form.records.empty());
            continue;
        }
        ASSERT_EQ(form.records.size(), 2u);
        EXPECT_EQ(form.records[0], "registers pc=" + std::to_string(address + 1) + " state=0");
        EXPECT_EQ(form.records[1], "instruction " + std::to_string(address) + " NOP");
    }
}

TEST_F(PCZ80Test, RunPumpsBetweenBatchesAndBeforeEveryStepWhenAsked) {
    // Stop from inside the pump after the third batch.
    struct TStoppingPump : TMessagePump {
        void ProcessMessages() override {
            if (++calls == stopAt) processor->Stop();
        }
        TPCZ80* processor = nullptr;
        int calls = 0;
        int stopAt = 0;
    } stoppingPump;
    TPCZ80 runner{stoppingPump};
    runner.SetMemorySelector(&selector);
    runner.SetIOHandler(&ioHandler);
    stoppingPump.processor = &runner;

    stoppingPump.stopAt = 3;
    runner.Run();
    // Three batches of 1000, then one more step that returns -1, then one last pump.
    EXPECT_EQ(runner.instructionCount, 3001u);
    EXPECT_EQ(stoppingPump.calls, 4);

    runner.Reset();
    stoppingPump.calls = 0;
    stoppingPump.stopAt = 10;
    runner.pumpEveryStep = true;
    runner.Run();
    EXPECT_EQ(runner.instructionCount, 10u);
}

// The host processor's step is the core's, compiled for its class with the
// selector's fetch: on arbitrary code both must do exactly the same.
TEST(PCZ80StepTest, RunsArbitraryCodeAsTheCoreDoes) {
    TNoMessagePump pump;
    TMemorySelector selector;
    TIOHandler ioHandler;  // no devices: every port reads FFh, as the test processor's do
    TPCZ80 host{pump};
    host.SetMemorySelector(&selector);
    host.SetIOHandler(&ioHandler);
    TTestZ80 core;
    for (int page = 0; page < 4; ++page) selector.SetBank(0, 0, page, std::make_unique<TRAMBank>());
    for (unsigned seed = 1; seed <= 4; ++seed) {
        std::mt19937 generator(seed);
        for (int address = 0; address < 65536; ++address) {
            const auto value = static_cast<std::uint8_t>(generator());
            core.memory[address] = value;
            selector.Write(static_cast<std::uint16_t>(address), value);
        }
        host.Reset();
        core.Reset();
        host.running = core.running = true;
        for (int step = 0; step < 20000; ++step) {
            ASSERT_EQ(host.Step(), core.Step());
            ASSERT_EQ(host.registers.bytes, core.registers.bytes) << "seed " << seed << " step " << step;
            ASSERT_EQ(host.cpuState, core.cpuState);
            ASSERT_EQ(host.instructionsLeft, core.instructionsLeft);
        }
        for (int address = 0; address < 65536; ++address) {
            ASSERT_EQ(selector.Read(static_cast<std::uint16_t>(address)), core.memory[address]) << address;
        }
    }
}

}  // namespace
