#include "cpu/pc_z80.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>

#include "memory/memory_selector.h"

namespace {

// The debug window, recording what the trace hands it.
struct TRecordingForm : TZ80DebugForm {
    void Show() override { visible = true; }
    bool IsVisible() const override { return visible; }
    bool TraceOnScreen() const override { return onScreen; }
    bool TraceToFile() const override { return toFile; }
    void ShowRegisters(const TZ80RegisterSnapshot& registers) override { log += "PC " + std::to_string(registers.pc); }
    void ShowInstruction(std::uint16_t at, const std::string& text) override {
        log += ", " + std::to_string(at) + " " + text;
    }
    bool visible = false, onScreen = false, toFile = false;
    std::string log;
};

TEST(PCZ80Test, EachStepGoesToTheDebugWindowOnlyWhileItTracesOnScreenOrToFile) {
    TMemorySelector selector;
    selector.SetBank(0, 0, 0, std::make_unique<TRAMBank>());  // NOPs
    TNoMessagePump pump;
    TPCZ80 processor{pump};
    processor.SetMemorySelector(&selector);
    processor.form = std::make_unique<TRecordingForm>();
    auto& form = static_cast<TRecordingForm&>(*processor.form);
    processor.SetTraceEnabled(true);
    processor.Start();
    const bool cases[][4] = {  // visible, on screen, to file: traced
        {0, 1, 0, 0}, {1, 0, 0, 0}, {1, 1, 0, 1}, {0, 0, 1, 1}};
    for (std::uint16_t address = 0; address < 4; ++address) {
        const auto& [visible, onScreen, toFile, traced] = cases[address];
        form.log.clear();
        std::tie(form.visible, form.onScreen, form.toFile) = std::tie(visible, onScreen, toFile);
        processor.Step();
        const std::string step = "PC " + std::to_string(address + 1) + ", " + std::to_string(address) + " NOP";
        EXPECT_EQ(form.log, traced ? step : "") << "registers after the step, then the instruction";
    }
}

}  // namespace
