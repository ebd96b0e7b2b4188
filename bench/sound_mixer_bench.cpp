// The desktop mixer rendering one second of the PSG's sound in the device's
// blocks: three tones at fixed levels, and the same three in envelope mode.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "host/sound_mixer.h"
#include "sound/pc_psg.h"

namespace {

constexpr int outputRate = 44100;
constexpr int blockFrames = 512;

void RenderOneSecond(benchmark::State& state, std::uint8_t level) {
    TSoundMixer mixer(outputRate);
    TPCPSG psg(mixer);
    // Tones A, B and C at 440, 554 and 659 Hz; envelope period 699, shape 8.
    const std::uint8_t settings[][2] = {{0, 254}, {2, 202}, {4, 170}, {7, 0xB8}, {8, level},  {9, level},
                                        {10, level}, {11, 0xBB}, {12, 0x02}, {13, 0x08}};
    for (const auto& [index, value] : settings) {
        psg.WritePort(0xA0, index);
        psg.WritePort(0xA1, value);
    }
    std::vector<std::int16_t> block(blockFrames);
    for (auto _ : state) {
        for (int frames = 0; frames < outputRate; frames += blockFrames) {
            mixer.Render(block.data(), blockFrames);
        }
        benchmark::DoNotOptimize(block.data());
    }
    state.SetItemsProcessed(state.iterations());  // items: seconds of sound
}

void BM_MixerThreeTonesFixedLevel(benchmark::State& state) { RenderOneSecond(state, 0x0F); }
BENCHMARK(BM_MixerThreeTonesFixedLevel)->Unit(benchmark::kMicrosecond);

void BM_MixerThreeTonesEnvelope(benchmark::State& state) { RenderOneSecond(state, 0x1F); }
BENCHMARK(BM_MixerThreeTonesEnvelope)->Unit(benchmark::kMicrosecond);

}  // namespace
