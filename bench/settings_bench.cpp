#include "settings/configuration.h"
#include "settings/preferences.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

std::filesystem::path BenchFile(const char* name) {
    return std::filesystem::temp_directory_path() / name;
}

void BM_ConfigurationSaveLoad(benchmark::State& state) {
    const auto path = BenchFile("quib_bench.qcf");
    TConfiguration configuration;
    for (auto& primary : configuration.romFile) {
        for (auto& secondary : primary) {
            for (auto& page : secondary) {
                page = "cbios_main_msx1.rom";
            }
        }
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(configuration.Save(path));
        benchmark::DoNotOptimize(configuration.Load(path));
    }
    state.SetItemsProcessed(state.iterations());
    std::filesystem::remove(path);
}
BENCHMARK(BM_ConfigurationSaveLoad);

void BM_PreferencesSaveLoad(benchmark::State& state) {
    const auto path = BenchFile("quib_bench.cfg");
    TPreferences preferences;
    for (auto _ : state) {
        benchmark::DoNotOptimize(preferences.Save(path));
        benchmark::DoNotOptimize(preferences.Load(path));
    }
    state.SetItemsProcessed(state.iterations());
    std::filesystem::remove(path);
}
BENCHMARK(BM_PreferencesSaveLoad);

}  // namespace
