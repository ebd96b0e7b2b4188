#include "debug/debugger.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tools/headless.h"

namespace {

using R = TZ80Registers;

// The C-BIOS machine with the test program in cartridge slot 1 and its labels loaded.
class DebuggerTest : public testing::Test {
protected:
    DebuggerTest() : runner(Options(), log), debugger(runner.GetMachine().GetDebugger()), cpu(*runner.GetMachine().GetPCZ80()) {
        EXPECT_EQ(debugger.symbols.Load(QUIB_DEBUG_SYMBOLS).symbols, 11);
    }

    static THeadlessOptions Options() {
        THeadlessOptions options;
        options.configuration = QUIB_DEFAULT_CONFIGURATION;
        options.cartridge1 = QUIB_DEBUG_PROGRAM;
        return options;
    }

    std::uint16_t Label(const char* name) const { return debugger.symbols.Find(name).value(); }
    std::uint16_t PC() const { return cpu.registers.Get(R::PC); }

    // Runs as the machine's run loop does, until the debugger stops the processor.
    bool RunUntilStop(int steps = 3'000'000) {
        debugger.Resume();
        cpu.Start();
        for (int step = 0; step < steps; ++step) {
            if (cpu.Step() != 0) return true;
        }
        return false;
    }

    // Stops at a label: the starting point of the stepping cases.
    void StopAt(const char* name) {
        const int index = debugger.AddBreakpoint({Label(name)});
        ASSERT_TRUE(RunUntilStop());
        ASSERT_EQ(PC(), Label(name));
        debugger.RemoveBreakpoint(index);
    }

    std::ostringstream log;
    THeadlessRunner runner;
    TDebugger& debugger;
    TPCZ80& cpu;
};

TEST_F(DebuggerTest, BreakpointsAndWatchpointsStopWhereAndWhyTheySayOrNotAtAll) {
    const int cartridge = runner.GetMachine().preferences->cartridgeSlots[0].primary;
    const int otherSlot = (cartridge + 1) & 3;
    struct Case {
        const char* what;
        std::vector<TBreakpoint> breakpoints;
        std::vector<TWatchpoint> watchpoints;
        bool stops;
        TStopReason::Kind kind;
        const char* stopLabel;  // where PC stands after the stop
        std::string description;
    };
    const Case cases[] = {
        {"at a label", {{0x401A}}, {}, true, TStopReason::Kind::Breakpoint, "after_fill", "breakpoint 1 at 401Ah (after_fill)"},
        {"in the cartridge's slot", {{0x4010, false, cartridge, 0}}, {}, true, TStopReason::Kind::Breakpoint, "start", ""},
        {"in another slot", {{0x4010, false, otherSlot, 0}}, {}, false, {}, "", ""},
        {"disabled", {{0x4010, true, 0, 0, false}}, {}, false, {}, "", ""},
        {"memory write of a value", {},
         {{TWatchpoint::Space::Memory, false, true, 0xC010, 0xC010, 0x42}}, true, TStopReason::Kind::Watchpoint,
         "after_store", "watchpoint 1: write of 42h to C010h"},
        {"port write", {}, {{TWatchpoint::Space::Port, false, true, 0x2E, 0x2E, {}}}, true, TStopReason::Kind::Watchpoint,
         "after_out", "watchpoint 1: write of 07h to port 2Eh"},
        {"memory read over a range", {}, {{TWatchpoint::Space::Memory, true, false, 0xC00F, 0xC011, {}}}, true,
         TStopReason::Kind::Watchpoint, "done", "watchpoint 1: read of 42h from C010h"},
        // Values the program never writes there, a port it never reads, and a
        // fetch, which is no data read, even with the trace reading the instruction.
        {"must not fire", {},
         {{TWatchpoint::Space::Memory, false, true, 0xC000, 0xC003, 0x05},
          {TWatchpoint::Space::Port, true, false, 0x2E, 0x2E, {}},
          {TWatchpoint::Space::Memory, true, false, 0x4026, 0x4028, {}}},
         false, {}, "", ""},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        THeadlessRunner fresh(Options(), log);
        TDebugger& fresher = fresh.GetMachine().GetDebugger();
        TPCZ80& processor = *fresh.GetMachine().GetPCZ80();
        fresher.symbols = debugger.symbols;
        for (const TBreakpoint& breakpoint : test.breakpoints) fresher.AddBreakpoint(breakpoint);
        for (const TWatchpoint& watchpoint : test.watchpoints) fresher.AddWatchpoint(watchpoint);
        processor.SetTraceEnabled(true);
        bool stopped = false;
        processor.Start();
        for (int step = 0; step < 3'000'000 && !stopped; ++step) stopped = processor.Step() != 0;
        EXPECT_EQ(stopped, test.stops);
        if (!test.stops) continue;
        EXPECT_EQ(fresher.GetStopReason().kind, test.kind);
        EXPECT_EQ(processor.registers.Get(R::PC), Label(test.stopLabel));
        if (!test.description.empty()) {
            EXPECT_EQ(fresher.Describe(fresher.GetStopReason()), test.description);
        }
    }
}

TEST_F(DebuggerTest, StepOverRunsCallsAndLoopsWholeAndStepOutReturnsOneLevel) {
    StopAt("loop");
    ASSERT_TRUE(debugger.PrepareStepOver()) << "DJNZ";
    ASSERT_TRUE(RunUntilStop());
    EXPECT_EQ(PC(), Label("after_fill"));
    EXPECT_EQ(cpu.registers[R::B], 0);
    EXPECT_EQ(debugger.Peek(0xC003), 1);

    ASSERT_TRUE(debugger.PrepareStepOver()) << "CALL";
    ASSERT_TRUE(RunUntilStop());
    EXPECT_EQ(PC(), Label("after_call"));
    EXPECT_EQ(debugger.GetStopReason().kind, TStopReason::Kind::Reached);
    EXPECT_EQ(debugger.Peek(0xC020), 0x99) << "the nested routine ran";
    EXPECT_FALSE(debugger.PrepareStepOver()) << "LD A,n is a single step";

    debugger.PrepareRunTo(Label("after_out"));
    ASSERT_TRUE(RunUntilStop());
    EXPECT_EQ(PC(), Label("after_out"));
}

TEST_F(DebuggerTest, StepOutOfANestedCallStopsInItsCallerThenInTheMainProgram) {
    StopAt("after_fill");
    debugger.StepInto();
    EXPECT_EQ(PC(), Label("outer"));
    debugger.StepInto();
    EXPECT_EQ(PC(), Label("inner"));
    debugger.PrepareStepOut();
    ASSERT_TRUE(RunUntilStop());
    EXPECT_EQ(PC(), Label("outer_ret"));
    EXPECT_EQ(debugger.Describe(debugger.GetStopReason()), "returned to 402Eh (outer_ret)");
    debugger.PrepareStepOut();
    ASSERT_TRUE(RunUntilStop());
    EXPECT_EQ(PC(), Label("after_call"));
    // A run from a breakpoint goes on past it.
    debugger.AddBreakpoint({Label("after_call")});
    debugger.PrepareRunTo(Label("after_out"));
    ASSERT_TRUE(RunUntilStop());
    EXPECT_EQ(PC(), Label("after_out"));
}

TEST(SymbolTableTest, ReadsPasmoAndColonEquFilesSkippingOddLinesAndParsesAddresses) {
    TSymbolTable symbols;
    const TSymbolTable::TLoadResult loaded = symbols.Parse(
        "START\t\tEQU 04010H\r\n"
        "; a comment line\n"
        "\n"
        "loop: equ 0x00004018   ; sjasm's form\n"
        "Data.Table = $C000\n"
        "count EQU 255\n"
        "this line is no symbol\n"
        "big EQU 10000H\n"
        "1bad EQU 1\n"
        "nameonly:\n"
        "again EQU 4010h");
    EXPECT_TRUE(loaded.opened);
    EXPECT_EQ(loaded.symbols, 5);
    EXPECT_EQ(loaded.skippedLines, 4);
    EXPECT_EQ(loaded.firstSkippedLine, 7);

    const struct {
        const char* text;
        std::optional<std::uint16_t> address;
    } addresses[] = {
        {"START", 0x4010}, {"start", 0x4010}, {"loop", 0x4018}, {"Data.Table", 0xC000}, {"count", 0x00FF},
        {"4010", 0x4010},  {"c000h", 0xC000}, {"0x1F", 0x001F}, {"$ffff", 0xFFFF},      {" #38 ", 0x0038},
        {"10000", {}},     {"nowhere", {}},   {"", {}},         {"12G4", {}},
    };
    for (const auto& entry : addresses) {
        EXPECT_EQ(symbols.ParseAddress(entry.text), entry.address) << entry.text;
    }
    EXPECT_EQ(symbols.AddressText(0x4010), "4010h (START)") << "the first name loaded for an address";
    EXPECT_EQ(symbols.AddressText(0x4011), "4011h");
    EXPECT_FALSE(symbols.Load("/nonexistent/program.sym").opened);
}

}  // namespace
