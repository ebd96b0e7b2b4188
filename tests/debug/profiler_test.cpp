#include "debug/profiler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <sstream>

#include "debug/debugger.h"
#include "tools/headless.h"

namespace {

using R = TZ80Registers;

// The C-BIOS machine with the profiler's test program in cartridge slot 1,
// its labels loaded, stopped at a label of the program.
class ProfilerTest : public testing::Test {
protected:
    ProfilerTest()
        : runner(Options(), log), debugger(runner.GetMachine().GetDebugger()), profiler(debugger.profiler),
          cpu(*runner.GetMachine().GetPCZ80()) {
        EXPECT_EQ(debugger.symbols.Load(QUIB_PROFILE_SYMBOLS).symbols, 7);
    }

    static THeadlessOptions Options() {
        THeadlessOptions options;
        options.configuration = QUIB_DEFAULT_CONFIGURATION;
        options.cartridge1 = QUIB_PROFILE_PROGRAM;
        return options;
    }

    std::uint16_t Label(const char* name) const { return debugger.symbols.Find(name).value(); }

    void RunTo(const char* name) {
        const int index = debugger.AddBreakpoint({Label(name)});
        debugger.Resume();
        cpu.Start();
        bool stopped = false;
        for (int step = 0; step < 3'000'000 && !stopped; ++step) stopped = cpu.Step() != 0;
        debugger.RemoveBreakpoint(index);
        ASSERT_TRUE(stopped);
        ASSERT_EQ(cpu.registers.Get(R::PC), Label(name));
    }

    // The cycles the profile charged from one label to another; the rows hold them.
    std::uint64_t Profile(const char* from, const char* to) {
        RunTo(from);
        const std::uint64_t start = cpu.cycles;
        profiler.Start();
        RunTo(to);
        profiler.Stop();
        return cpu.cycles - start;
    }

    std::ostringstream log;
    THeadlessRunner runner;
    TDebugger& debugger;
    TProfiler& profiler;
    TPCZ80& cpu;
};

std::uint64_t CyclesOf(const std::vector<TProfileRow>& rows) {
    return std::accumulate(rows.begin(), rows.end(), std::uint64_t{0},
                           [](std::uint64_t sum, const TProfileRow& row) { return sum + row.cycles; });
}

TEST_F(ProfilerTest, ChargesEachLoopItsCyclesAndTheRowsAddUpToTheCyclesRun) {
    const std::uint64_t run = Profile("loop_a", "loops_done");
    const std::vector<TProfileRow> rows = profiler.Rows(debugger.symbols);
    ASSERT_EQ(rows.size(), 2u);
    const auto expect = [&](const TProfileRow& row, const char* symbol, std::uint64_t cycles) {
        EXPECT_EQ(row.symbol, symbol);
        EXPECT_EQ(row.address, Label(symbol));
        EXPECT_EQ(row.cycles, cycles);
        EXPECT_EQ(row.instructions, 101u);
        EXPECT_EQ(row.primary, 1);
    };
    expect(rows[0], "loop_a", 1403);
    expect(rows[1], "loop_b", 903);
    EXPECT_EQ(run, 1403u + 903u);
    EXPECT_NEAR(rows[0].share, 100.0 * 1403 / 2306, 1e-9);

    // Without symbols the same cycles go to their 256-byte block.
    const std::vector<TProfileRow> blocks = profiler.Rows(TSymbolTable{});
    ASSERT_EQ(blocks.size(), 1u);
    EXPECT_EQ(blocks[0].symbol, "4000-40FF");
    EXPECT_EQ(blocks[0].cycles, run);
    EXPECT_EQ(profiler.TotalCycles(), run);
}

TEST_F(ProfilerTest, TheSameAddressInTheBIOSAndInTheCartridgeIsChargedApart) {
    const std::uint64_t run = Profile("slot_test", "loop_a");
    const std::vector<TProfileRow> rows = profiler.Rows(TSymbolTable{});
    EXPECT_EQ(CyclesOf(rows), run);
    std::vector<const TProfileRow*> pageZero;
    for (const TProfileRow& row : rows) {
        if (row.symbol == "0000-00FF") pageZero.push_back(&row);
    }
    ASSERT_EQ(pageZero.size(), 2u);
    const auto cartridge = std::find_if(pageZero.begin(), pageZero.end(), [](const TProfileRow* row) { return row->primary == 1; });
    const auto bios = std::find_if(pageZero.begin(), pageZero.end(), [](const TProfileRow* row) { return row->primary == 0; });
    ASSERT_NE(cartridge, pageZero.end());
    ASSERT_NE(bios, pageZero.end());
    // The cartridge's RET; the BIOS's ENASCR begins there.
    EXPECT_EQ((*cartridge)->cycles, 11u);
    EXPECT_EQ((*cartridge)->instructions, 1u);
    EXPECT_GE((*bios)->instructions, 1u);
}

TEST_F(ProfilerTest, FrameLoadIsThePartOfTheFrameBeforeTheHalt) {
    struct TCase {
        const char* start;
        double load;
    };
    const double frameCycles = runner.GetMachine().GetVDP()->FrameCycles();
    for (const TCase& test : {TCase{"frame_loop", 100.0 * 2881 / frameCycles}, TCase{"busy", 100.0}}) {
        SCOPED_TRACE(test.start);
        RunTo("frame_loop");
        cpu.registers.Set(R::PC, Label(test.start));
        profiler.Reset();
        profiler.Start();
        debugger.Resume();
        cpu.Start();
        for (int frame = 0; frame < 10; ++frame) runner.RunFrame();
        profiler.Stop();
        const TFrameLoadSummary load = profiler.FrameLoad();
        EXPECT_GE(load.frames, 8);
        EXPECT_NEAR(load.minimum, test.load, 1e-9);
        EXPECT_NEAR(load.maximum, test.load, 1e-9);
        const std::vector<double> recent = profiler.RecentFrameLoads();
        EXPECT_EQ(static_cast<std::int64_t>(recent.size()), load.frames);
    }
}

TEST_F(ProfilerTest, WritesTheRowsAsCSVAndReportsAPathItCannotWrite) {
    Profile("loop_a", "loops_done");
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "quib_profiler_test.csv";
    ASSERT_TRUE(WriteProfileCSV(profiler.Rows(debugger.symbols), file));
    std::ifstream stream(file);
    const std::string text((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "symbol,address,slot,cycles,instructions,share\n"
                    "loop_a,402B,1-0,1403,101,60.84\n"
                    "loop_b,402F,1-0,903,101,39.16\n");
    std::filesystem::remove(file);
    EXPECT_FALSE(WriteProfileCSV({}, std::filesystem::path("/nonexistent-folder") / "profile.csv"));
}

}  // namespace
