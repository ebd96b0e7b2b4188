// Save and load of a state of the default C-BIOS machine (with its 10-minute
// blank tape), each of which must take under 50 ms.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "machine/machine_state.h"
#include "tools/headless.h"

namespace {

struct TStateBench {
    TStateBench() {
        options.configuration = QUIB_DEFAULT_CONFIGURATION;
        options.clock = ParseClock("2026-12-06 12:00:00");
        runner = std::make_unique<THeadlessRunner>(options, log);
        for (int frame = 0; frame < 200; ++frame) runner->RunFrame();
    }
    ~TStateBench() { std::filesystem::remove(path); }
    THeadlessOptions options;
    std::ostringstream log;
    std::unique_ptr<THeadlessRunner> runner;
    std::filesystem::path path = std::filesystem::temp_directory_path() / "quib_bench_state.qst";
};

void BM_SaveState(benchmark::State& state) {
    TStateBench bench;
    std::string error;
    for (auto _ : state) {
        if (!TMachineState::Save(bench.runner->GetMachine(), bench.path, error)) state.SkipWithError(error.c_str());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SaveState)->Unit(benchmark::kMillisecond);

void BM_LoadState(benchmark::State& state) {
    TStateBench bench;
    std::string error;
    if (!TMachineState::Save(bench.runner->GetMachine(), bench.path, error)) state.SkipWithError(error.c_str());
    for (auto _ : state) {
        if (!TMachineState::Load(bench.runner->GetMachine(), bench.path, error)) state.SkipWithError(error.c_str());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LoadState)->Unit(benchmark::kMillisecond);

}  // namespace
