#include "tools/headless.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "video/v9918.h"

namespace {

THeadlessOptions DefaultOptions(int frames) {
    THeadlessOptions options;
    options.configuration = QUIB_DEFAULT_CONFIGURATION;
    options.frames = frames;
    options.clock = ParseClock("2026-12-06 12:34:56");
    return options;
}

std::set<int> ColoursOf(const TFrameBuffer& frame) { return {frame.begin(), frame.end()}; }

// The characters of a text-mode screen line, read from the name table.
std::string ScreenLine(const TV9918& vdp, int line) {
    std::string text;
    for (int column = 0; column < 40; ++column) {
        text += static_cast<char>(vdp.GetVRAM()[(vdp.GetNameTable() + line * 40 + column) & 0x3FFF]);
    }
    return text;
}

TEST(HeadlessTest, DefaultMachineBootsCBIOSAndShowsItsLogoThenItsStartScreen) {
    std::ostringstream log;
    THeadlessRunner runner(DefaultOptions(100), log);
    runner.Run();
    const TFrameBuffer logo = runner.GetDisplay().frame;
    // The logo screen: several colours besides the backdrop.
    EXPECT_GE(ColoursOf(logo).size(), 5u);

    for (int frame = 100; frame < 300; ++frame) runner.RunFrame();
    const TFrameBuffer start = runner.GetDisplay().frame;
    EXPECT_EQ(ColoursOf(start), (std::set<int>{4, 15}));  // white text on dark blue
    const TV9918& vdp = *runner.GetMachine().GetVDP();
    EXPECT_NE(ScreenLine(vdp, 0).find("C-BIOS"), std::string::npos);
    EXPECT_EQ(runner.GetDisplay().presentedFrames, 300);
    EXPECT_EQ(runner.GetInstructionCount(), 300 * THeadlessRunner::stepsPerFrame);

    // A second run gives the same frames.
    THeadlessRunner again(DefaultOptions(300), log);
    again.Run();
    EXPECT_EQ(again.GetDisplay().frame, start);
}

TEST(HeadlessTest, CartridgeInSlotOnePrintsAndReactsToTypedKeys) {
    THeadlessOptions options = DefaultOptions(400);
    options.cartridge1 = QUIB_TEST_CARTRIDGE;
    options.text = "Bq";
    std::ostringstream log;
    THeadlessRunner runner(options, log);
    runner.Run();
    const TV9918& vdp = *runner.GetMachine().GetVDP();
    // The BIOS text screen keeps a one-column margin.
    EXPECT_EQ(ScreenLine(vdp, 0).substr(0, 21), " QUIB TEST CARTRIDGE ");
    EXPECT_EQ(ScreenLine(vdp, 1).substr(0, 4), " Bq ");
    // The last key, 'q' (71h), set the backdrop to colour 1 under white text.
    EXPECT_EQ(vdp.GetRegister(7), 0xF1);
}

TEST(HeadlessTest, BadInputIsReportedNotRun) {
    std::ostringstream log;
    THeadlessOptions missingConfiguration = DefaultOptions(1);
    missingConfiguration.configuration = "/nonexistent/MSX1";
    EXPECT_THROW(THeadlessRunner(missingConfiguration, log), EHeadlessError);

    THeadlessOptions missingCartridge = DefaultOptions(1);
    missingCartridge.cartridge2 = "/nonexistent/game.rom";
    EXPECT_THROW(THeadlessRunner(missingCartridge, log), EHeadlessError);
}

TEST(HeadlessTest, ParseClockTakesOnlyValidMoments) {
    const auto moment = ParseClock("2024-02-29 23:59:58");
    ASSERT_TRUE(moment);
    EXPECT_EQ(moment->year, 2024);
    EXPECT_EQ(moment->month, 2);
    EXPECT_EQ(moment->day, 29);
    EXPECT_EQ(moment->second, 58);
    EXPECT_EQ(moment->weekday, 4);  // a Thursday
    for (const char* bad : {"2023-02-29 00:00:00", "2024-13-01 00:00:00", "2024-01-01 24:00:00", "2024-01-01",
                            "2024-01-01 00:00:00x", ""}) {
        EXPECT_FALSE(ParseClock(bad)) << bad;
    }
}

}  // namespace
