// The whole default C-BIOS machine, headless, rendering every frame.

#include <benchmark/benchmark.h>

#include <sstream>

#include "tools/headless.h"

namespace {

void BM_MachineFrames(benchmark::State& state) {
    THeadlessOptions options;
    options.configuration = QUIB_DEFAULT_CONFIGURATION;
    options.clock = ParseClock("2026-12-06 12:00:00");
    std::ostringstream log;
    THeadlessRunner runner(options, log);
    // Past the logo: the machine sits in the BIOS's start screen loop.
    for (int frame = 0; frame < 200; ++frame) runner.RunFrame();
    for (auto _ : state) runner.RunFrame();
    state.SetItemsProcessed(state.iterations());
    state.counters["instructions/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * THeadlessRunner::stepsPerFrame,
                           benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MachineFrames)->Unit(benchmark::kMicrosecond);

// The same frames with the debugger watching: 0 nothing set, 1 ten breakpoints
// never reached, 2 a 1 KB write watchpoint in the page of the stack that never fires.
void BM_MachineFramesDebugged(benchmark::State& state) {
    THeadlessOptions options;
    options.configuration = QUIB_DEFAULT_CONFIGURATION;
    options.clock = ParseClock("2026-12-06 12:00:00");
    std::ostringstream log;
    THeadlessRunner runner(options, log);
    for (int frame = 0; frame < 200; ++frame) runner.RunFrame();
    TDebugger& debugger = runner.GetMachine().GetDebugger();
    if (state.range(0) == 1) {
        for (std::uint16_t address = 0x7FF6; address <= 0x7FFF; ++address) debugger.AddBreakpoint({address});
    } else if (state.range(0) == 2) {
        debugger.AddWatchpoint({TWatchpoint::Space::Memory, false, true, 0xC000, 0xC3FF, 0xA5});
    }
    for (auto _ : state) runner.RunFrame();
    if (runner.StoppedByDebugger()) state.SkipWithError("the debugger stopped the machine");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MachineFramesDebugged)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

}  // namespace
