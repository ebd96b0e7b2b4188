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

}  // namespace
