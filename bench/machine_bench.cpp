// The whole default C-BIOS machine, headless, rendering every frame.

#include <benchmark/benchmark.h>

#include <memory>
#include <sstream>

#include "tools/headless.h"

namespace {

// The default machine past the logo: it sits in the BIOS's start screen loop.
std::unique_ptr<THeadlessRunner> StartScreenRunner(std::ostream& log) {
    THeadlessOptions options;
    options.configuration = QUIB_DEFAULT_CONFIGURATION;
    options.clock = ParseClock("2026-12-06 12:00:00");
    auto runner = std::make_unique<THeadlessRunner>(options, log);
    for (int frame = 0; frame < 200; ++frame) runner->RunFrame();
    return runner;
}

void BM_MachineFrames(benchmark::State& state) {
    std::ostringstream log;
    const std::unique_ptr<THeadlessRunner> started = StartScreenRunner(log);
    THeadlessRunner& runner = *started;
    const std::int64_t instructionsBefore = runner.GetInstructionCount();
    for (auto _ : state) runner.RunFrame();
    state.SetItemsProcessed(state.iterations());
    state.counters["instructions/s"] = benchmark::Counter(
        static_cast<double>(runner.GetInstructionCount() - instructionsBefore), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_MachineFrames)->Unit(benchmark::kMicrosecond);

// The same frames with the debugger watching: 0 nothing set, 1 ten breakpoints
// never reached, 2 a 1 KB write watchpoint in the page of the stack that never
// fires, 3 the profiler on.
void BM_MachineFramesDebugged(benchmark::State& state) {
    std::ostringstream log;
    const std::unique_ptr<THeadlessRunner> started = StartScreenRunner(log);
    THeadlessRunner& runner = *started;
    TDebugger& debugger = runner.GetMachine().GetDebugger();
    if (state.range(0) == 1) {
        for (std::uint16_t address = 0x7FF6; address <= 0x7FFF; ++address) debugger.AddBreakpoint({address});
    } else if (state.range(0) == 2) {
        debugger.AddWatchpoint({TWatchpoint::Space::Memory, false, true, 0xC000, 0xC3FF, 0xA5});
    } else if (state.range(0) == 3) {
        debugger.profiler.Start();
    }
    for (auto _ : state) runner.RunFrame();
    if (runner.StoppedByDebugger()) state.SkipWithError("the debugger stopped the machine");
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MachineFramesDebugged)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Unit(benchmark::kMicrosecond);

}  // namespace
