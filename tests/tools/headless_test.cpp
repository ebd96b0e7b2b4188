#include "tools/headless.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "video/v9918.h"

namespace {

THeadlessOptions Options(int frames) {
    THeadlessOptions options;
    options.configuration = QUIB_DEFAULT_CONFIGURATION;
    options.frames = frames;
    options.clock = ParseClock("2026-12-06 12:34:56");
    return options;
}

std::set<int> ColoursOf(const TFrameBuffer& frame) { return {frame.begin(), frame.end()}; }

// The characters of a text-mode screen line, read from the name table.
std::string ScreenLine(THeadlessRunner& runner, int line) {
    const TV9918& vdp = *runner.GetMachine().GetVDP();
    const auto* names = vdp.GetVRAM().data() + vdp.GetNameTable() + line * 40;
    return std::string(names, names + 40);
}

TEST(HeadlessTest, DefaultMachineBootsCBIOSAndShowsItsLogoThenItsStartScreenTheSameEveryTime) {
    std::ostringstream log;
    THeadlessRunner runner(Options(100), log);
    runner.Run();
    EXPECT_GE(ColoursOf(runner.GetDisplay().frame).size(), 5u) << "the logo: several colours besides the backdrop";
    for (int frame = 100; frame < 300; ++frame) runner.RunFrame();
    EXPECT_EQ(ColoursOf(runner.GetDisplay().frame), (std::set<int>{4, 15})) << "white text on dark blue";
    EXPECT_NE(ScreenLine(runner, 0).find("C-BIOS"), std::string::npos);
    EXPECT_EQ(runner.GetDisplay().presentedFrames, 300);
    // C-BIOS declares 50 Hz: each frame ends as the flag rises, 313 lines of 228 cycles apart.
    EXPECT_EQ(runner.GetMachine().GetVideoHertz(), 50);
    const std::uint64_t lastFlag = 192 * 228 + 299 * 313 * 228;
    EXPECT_GE(runner.GetMachine().GetZ80()->cycles, lastFlag);
    EXPECT_LT(runner.GetMachine().GetZ80()->cycles, lastFlag + 30) << "the frame ends with the instruction that reached it";
    THeadlessRunner again(Options(300), log);
    again.Run();
    EXPECT_EQ(again.GetDisplay().frame, runner.GetDisplay().frame);
}

TEST(HeadlessTest, CartridgeInSlotOnePrintsAndReactsToTypedKeysAndMissingFilesAreRefused) {
    THeadlessOptions options = Options(400);
    options.cartridge1 = QUIB_TEST_CARTRIDGE;
    options.text = "Bq";
    std::ostringstream log;
    THeadlessRunner runner(options, log);
    runner.Run();
    // The BIOS text screen keeps a one-column margin.
    EXPECT_EQ(ScreenLine(runner, 0).substr(0, 21), " QUIB TEST CARTRIDGE ");
    EXPECT_EQ(ScreenLine(runner, 1).substr(0, 4), " Bq ");
    EXPECT_EQ(runner.GetMachine().GetVDP()->GetRegister(7), 0xF1) << "the last key, 'q' (71h), set the backdrop to 1";
    EXPECT_EQ(log.str(), "Cartridge 1: hello.rom - Plain at page 1 (4000h), 1 block of 16 KB\n");
    // Missing files are reported, not run.
    options.cartridge2 = "/nonexistent/game.rom";
    EXPECT_THROW(THeadlessRunner(options, log), EHeadlessError);
    options.configuration = "/nonexistent/MSX1";
    EXPECT_THROW(THeadlessRunner(options, log), EHeadlessError);
}

// The MegaROM boots only as the kind given for it, and finds its text in the block that
// bank number FEh mirrors to.
TEST(HeadlessTest, AMegaROMBootsAsTheKindGivenForIt) {
    for (const TCartridgeKind kind : {TCartridgeKind::automatic, TCartridgeKind::ascii16K}) {
        THeadlessOptions options = Options(300);
        options.cartridge1 = QUIB_MEGAROM_CARTRIDGE;
        options.cartridge1Kind = kind;
        std::ostringstream log;
        THeadlessRunner runner(options, log);
        runner.Run();
        EXPECT_EQ(ScreenLine(runner, 0).substr(0, 23) == " QUIB ASCII 16K BANK 2 ", kind != TCartridgeKind::automatic);
    }
}

// A program counting its own polling loop's passes between rises of the frame flag, as a
// developer measures how much fits in a frame: a pass takes 35 cycles and the store between
// frames 91, so a frame of F cycles holds (F - 91) / 35 passes, the remainder carried over.
TEST(HeadlessTest, AProgramPollingTheFrameFlagCountsTheFramesCycles) {
    for (const auto& [frequency, frameCycles] : {std::pair{TVideoFrequency::hertz60, 59736},
                                                 std::pair{TVideoFrequency::hertz50, 71364}}) {
        SCOPED_TRACE(frameCycles);
        THeadlessOptions options = Options(300);  // past C-BIOS's logo
        options.cartridge1 = QUIB_FRAME_COUNTER_CARTRIDGE;
        options.frequency = frequency;
        std::ostringstream log;
        THeadlessRunner runner(options, log);
        runner.Run();
        const TMemorySelector& memory = *runner.GetMachine().GetMemorySelector();
        const double passes = (frameCycles - 91) / 35.0;  // 1704.1 at 60 Hz, 2036.4 at 50 Hz
        // The first window begins at the synchronising loop, with less to do: it is left out.
        int total = 0;
        for (int frame = 1; frame < 8; ++frame) {
            const int count = memory.Peek(std::uint16_t(0xC000 + 2 * frame)) |
                              memory.Peek(std::uint16_t(0xC001 + 2 * frame)) << 8;
            EXPECT_GE(count, int(passes)) << frame;
            EXPECT_LE(count, int(passes) + 1) << frame;
            total += count;
        }
        // The windows follow on from each other: together they last seven frames.
        EXPECT_NEAR(35.0 * total + 7 * 91, 7.0 * frameCycles, 35);
    }
}

}  // namespace
