#include "machine/pc_msx.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sound/pc_psg.h"
#include "sound/pc_scc.h"
#include "support/test_host.h"

namespace {

struct PCMSXTest : ::testing::Test {
    PCMSXTest() { machine.preferences = &preferences; }

    std::vector<std::pair<int, int>> Slots() const {
        std::vector<std::pair<int, int>> slots;
        for (int entry = 0; entry < preferences.cartridgeSlotCount; ++entry) {
            slots.emplace_back(preferences.cartridgeSlots[entry].primary, preferences.cartridgeSlots[entry].secondary);
        }
        return slots;
    }

    TTestHost host;
    TPreferences preferences;
    TConfiguration configuration;
    TPCMSX machine{host.Services()};
};

TEST_F(PCMSXTest, ReconcileListsTheConfigurationsCartridgeSlots) {
    FillSlot(configuration, 1, 0, TConfiguration::pageCartridgeSlot);
    configuration.expanded[3] = 1;
    FillSlot(configuration, 3, 2, TConfiguration::pageCartridgeSlot);
    machine.Build(configuration);

    EXPECT_EQ(Slots(), (std::vector<std::pair<int, int>>{{1, 255}, {3, 2}}));
    for (int entry = 2; entry < 14; ++entry) {
        EXPECT_EQ(preferences.cartridgeSlots[entry].primary, 255);
        EXPECT_EQ(preferences.cartridgeSlots[entry].secondary, 255);
    }
    EXPECT_TRUE(host.messages.shown.empty());
}

TEST_F(PCMSXTest, ReconcileKeepsFilesWithTheirSlotsAndWarnsAboutLostOnes) {
    struct Case {
        const char* name;
        std::vector<TCartridgeSlot> before;       // the preferences' list
        std::vector<std::string> files;           // one per entry
        std::vector<std::pair<int, int>> after;   // the list after the build
        std::vector<std::string> filesAfter;
        std::vector<std::string> warnings;
    };
    // The configuration: cartridge slots at 1 (not expanded), 3-2 and 3-3 (expanded).
    const std::string lost2 = "Warning|Warning: Cartridge slot 2 is no longer available.\nCartridge file will not be loaded.";
    const std::string lost23 =
        "Warning|Warning: Cartridge slot 2 - 3 is no longer available.\nCartridge file will not be loaded.";
    const Case cases[] = {
        {"same slots, moved in the list", {{3, 2}, {1, 255}}, {"b.rom", "a.rom"},
         {{1, 255}, {3, 2}, {3, 3}}, {"a.rom", "b.rom", ""}, {}},
        {"a shorter list", {{3, 3}}, {"c.rom"}, {{1, 255}, {3, 2}, {3, 3}}, {"", "", "c.rom"}, {}},
        {"lost slots warn, with or without a file", {{2, 255}, {2, 3}, {1, 255}}, {"x.rom", "", "a.rom"},
         {{1, 255}, {3, 2}, {3, 3}}, {"a.rom", "", ""}, {lost2, lost23}},
        {"an expanded entry does not match a plain slot", {{1, 0}}, {"a.rom"},
         {{1, 255}, {3, 2}, {3, 3}}, {"", "", ""}, {}},
    };
    FillSlot(configuration, 1, 0, TConfiguration::pageCartridgeSlot);
    configuration.expanded[3] = 1;
    FillSlot(configuration, 3, 2, TConfiguration::pageCartridgeSlot);
    FillSlot(configuration, 3, 3, TConfiguration::pageCartridgeSlot);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        preferences = TPreferences{};
        host.messages.shown.clear();
        for (std::size_t entry = 0; entry < c.before.size(); ++entry) {
            preferences.cartridgeSlots[entry] = c.before[entry];
            preferences.cartridgeFiles[entry] = c.files[entry];
        }
        machine.Build(configuration);
        EXPECT_EQ(Slots(), c.after);
        for (std::size_t entry = 0; entry < c.filesAfter.size(); ++entry) {
            EXPECT_EQ(preferences.cartridgeFiles[entry], c.filesAfter[entry]) << "entry " << entry;
        }
        EXPECT_EQ(host.messages.shown, c.warnings);
    }
}

TEST_F(PCMSXTest, ReconcileListsAtMostFourteenSlots) {
    for (int primary = 0; primary < 4; ++primary) {
        configuration.expanded[primary] = 1;
        for (int secondary = 0; secondary < 4; ++secondary) {
            FillSlot(configuration, primary, secondary, TConfiguration::pageCartridgeSlot);
        }
    }
    machine.Build(configuration);
    ASSERT_EQ(preferences.cartridgeSlotCount, 14);
    EXPECT_EQ(preferences.cartridgeSlots[13].primary, 3);
    EXPECT_EQ(preferences.cartridgeSlots[13].secondary, 1);
}

TEST_F(PCMSXTest, ApplyPreferencesSetsPortsPrinterCassetteAndVolumes) {
    machine.Build(configuration);
    preferences.joystick1Device = 1;
    preferences.joystick1Id = 5;  // no such host joystick: the port still gets the joystick
    preferences.joystick2Device = 2;
    preferences.printerOutput = 0;
    preferences.cassetteLength = 2;
    preferences.cassetteAccuracy = 1;
    preferences.psgDisabled = true;
    preferences.psgVolume = 7;
    machine.ApplyPreferences(false);

    EXPECT_EQ(machine.GetPSG()->GetDevice(1), machine.GetJoystick1());
    EXPECT_EQ(machine.GetPSG()->GetDevice(2), nullptr);
    EXPECT_FALSE(machine.GetPSG()->IsEnabled());
    EXPECT_EQ(machine.GetPSG()->GetVolume(), 7);
    EXPECT_EQ(machine.GetCassette()->GetLength(), 2);
    EXPECT_EQ(machine.GetCassette()->GetAccuracy(), 1);
    EXPECT_EQ(preferences.cassetteLength, 2);

    preferences.joystick1Device = 0;
    preferences.psgDisabled = false;
    machine.ApplyPreferences(false);
    EXPECT_EQ(machine.GetPSG()->GetDevice(1), nullptr);
    EXPECT_TRUE(machine.GetPSG()->IsEnabled());
}

TEST_F(PCMSXTest, ThePSGAndSCCSoundThroughTheHostBuffersAndPauseWithTheMachine) {
    machine.Build(configuration);
    const auto* psg = dynamic_cast<TPCPSG*>(machine.GetPSG());
    ASSERT_NE(psg, nullptr);
    EXPECT_EQ(host.soundBuffers.InUseCount(), 6);
    machine.GetPSG()->WritePort(0xA0, 7);
    machine.GetPSG()->WritePort(0xA1, 0xBE);
    const TRecordingSoundBuffers::TBuffer& toneA = host.soundBuffers.buffers[psg->GetToneBuffer(0)];
    EXPECT_TRUE(toneA.playing);
    machine.PauseSound();
    EXPECT_FALSE(toneA.playing);
    machine.ResumeSound();
    EXPECT_TRUE(toneA.playing);

    std::unique_ptr<TSCC> scc = machine.CreateSCC();
    ASSERT_NE(dynamic_cast<TPCSCC*>(scc.get()), nullptr);
    EXPECT_EQ(host.soundBuffers.InUseCount(), 11);
    scc.reset();
    machine.Teardown();
    EXPECT_EQ(host.soundBuffers.InUseCount(), 0);
}

// A program that loops forever in RAM at 0000h.
void BuildLoopMachine(TConfiguration& configuration, TPCMSX& machine) {
    FillSlot(configuration, 0, 0, TConfiguration::pageRAM);
    machine.Build(configuration);
    machine.GetMemorySelector()->Write(0x0000, 0x18);  // JR 0000h
    machine.GetMemorySelector()->Write(0x0001, 0xFE);
}

TEST_F(PCMSXTest, RunLoopPumpsEveryThousandStepsAndStopLetsOneMoreStepRun) {
    BuildLoopMachine(configuration, machine);
    host.pump.onProcess = [this] {
        if (host.pump.calls == 3) machine.Stop();
    };
    machine.Run();
    EXPECT_EQ(machine.GetZ80()->instructionCount, 3001u);
    EXPECT_EQ(host.pump.calls, 4);
    EXPECT_TRUE(machine.IsStopped());
    EXPECT_TRUE(machine.IsSoundPaused());
}

TEST_F(PCMSXTest, RunLoopPumpsBeforeEveryStepWhileADebugWindowIsShown) {
    BuildLoopMachine(configuration, machine);
    machine.GetPCZ80()->pumpEveryStep = true;
    host.pump.onProcess = [this] {
        if (host.pump.calls == 25) machine.Stop();
    };
    machine.Run();
    EXPECT_EQ(machine.GetZ80()->instructionCount, 25u);
}

TEST_F(PCMSXTest, RunLoopCarriesOnWithTheRebuiltProcessor) {
    BuildLoopMachine(configuration, machine);
    host.pump.onProcess = [this] {
        if (host.pump.calls == 1) machine.Reset(2);
        if (host.pump.calls == 2) machine.Stop();
    };
    machine.Run();
    // The rebuilt processor ran one batch of its own (RAM is new: NOPs), then stopped.
    EXPECT_EQ(machine.GetZ80()->instructionCount, 1001u);
    EXPECT_FALSE(machine.GetZ80()->running);
}

TEST_F(PCMSXTest, APacedRunLoopWaitsOncePerFrameForItsTime) {
    struct TStoppedClock : TSteadyClock {
        std::chrono::nanoseconds Now() const override { return {}; }
    } clock;
    TFramePacer pacer(clock);
    machine.pacer = &pacer;
    BuildLoopMachine(configuration, machine);
    host.pump.onProcess = [this] {
        if (host.pump.waits.size() == 3) machine.Stop();
    };
    machine.Run();
    // Host time stands still, so each frame waits for its whole sixtieth, counted from the start.
    using std::chrono::nanoseconds;
    EXPECT_EQ(host.pump.waits, (std::vector<nanoseconds>{nanoseconds(16'666'666), nanoseconds(33'333'333),
                                                          nanoseconds(50'000'000)}));
    // The waits come after the batch in which each frame ended; the stop lets one step more run.
    EXPECT_EQ(machine.GetZ80()->instructionCount, 31001u);
}

TEST_F(PCMSXTest, ATeardownFromAMessageHandlerEndsTheRunLoop) {
    BuildLoopMachine(configuration, machine);
    machine.GetPCZ80()->pumpEveryStep = true;
    host.pump.onProcess = [this] {
        if (host.pump.calls == 5) machine.Teardown();
    };
    machine.Run();
    EXPECT_EQ(machine.GetZ80(), nullptr);
    // Nothing to run, nothing to apply: no crash either.
    machine.Run();
    machine.ApplyPreferences(true);
}

}  // namespace
