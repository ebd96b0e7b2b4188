// The sound chips rendering a frame's samples, and the headless machine's frames
// with and without a WAV file.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <sstream>

#include "sound/psg.h"
#include "sound/scc.h"
#include "tools/headless.h"

namespace {

constexpr std::uint64_t frameCycles = 262 * 228;

// Three tones, the noise on channel C and the envelope on channel B; five SCC
// channels at different periods: everything sounding at once.
void BM_SoundChipsFrame(benchmark::State& state) {
    TSoundMix mix{44100};
    TPSG psg;
    TSCC scc;
    psg.SetSoundMix(&mix);
    scc.SetSoundMix(&mix);
    const std::pair<int, int> psgWrites[] = {{0, 254}, {2, 64},  {3, 1},  {4, 171}, {5, 1}, {6, 7},
                                             {7, 0x98}, {8, 15}, {9, 16}, {10, 12}, {11, 0}, {12, 4}, {13, 14}};
    for (const auto& [index, value] : psgWrites) {
        psg.WritePort(0xA0, std::uint8_t(index));
        psg.WritePort(0xA1, std::uint8_t(value));
    }
    for (int offset = 0; offset < TSCC::waveformBytes; ++offset) scc.Write(std::uint8_t(offset), std::uint8_t(offset * 37));
    for (int channel = 0; channel < TSCC::channelCount; ++channel) {
        scc.Write(std::uint8_t(0x80 + 2 * channel), std::uint8_t(100 + 40 * channel));
        scc.Write(std::uint8_t(0x8A + channel), 15);
    }
    scc.Write(0x8F, 0x1F);
    std::uint64_t cycle = 0;
    for (auto _ : state) {
        cycle += frameCycles;
        psg.RenderTo(cycle);
        scc.RenderTo(cycle);
        benchmark::DoNotOptimize(mix.TakeOutput(cycle).data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SoundChipsFrame)->Unit(benchmark::kMicrosecond);

// The default machine past the logo, rendering no sound (0) or a WAV file (1).
void BM_MachineFramesWithSound(benchmark::State& state) {
    std::ostringstream log;
    THeadlessOptions options;
    options.configuration = QUIB_DEFAULT_CONFIGURATION;
    options.clock = ParseClock("2026-12-06 12:00:00");
    const std::filesystem::path wav = std::filesystem::temp_directory_path() / "quib_bench.wav";
    if (state.range(0) == 1) options.wav = wav;
    THeadlessRunner runner(options, log);
    for (int frame = 0; frame < 200; ++frame) runner.RunFrame();
    for (auto _ : state) runner.RunFrame();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_MachineFramesWithSound)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
