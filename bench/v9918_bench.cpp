#include <benchmark/benchmark.h>

#include <cstdint>

#include "video/pc_v9918.h"

namespace {

void Write(TV9918& vdp, int index, std::uint8_t value)
{
    vdp.WritePort(0x99, value);
    vdp.WritePort(0x99, static_cast<std::uint8_t>(0x80 | index));
}

// A busy screen: VRAM full of varied bytes and 32 large sprites spread over
// the active area, up to four of them on a line.
void PrepareBusyScreen(TPCV9918& vdp, std::uint8_t r0, std::uint8_t r1)
{
    Write(vdp, 0, r0);
    Write(vdp, 1, static_cast<std::uint8_t>(r1 | 0x40 | 0x02));
    Write(vdp, 2, 0x06);
    Write(vdp, 3, 0xFF);
    Write(vdp, 4, 0x03);
    Write(vdp, 5, 0x36);
    Write(vdp, 6, 0x07);
    Write(vdp, 7, 0xF4);

    vdp.WritePort(0x99, 0x00);
    vdp.WritePort(0x99, 0x40);
    std::uint32_t seed = 12345;
    for (std::size_t address = 0; address < TV9918::vramSize; ++address) {
        seed = seed * 1103515245 + 12345;
        vdp.WritePort(0x98, static_cast<std::uint8_t>(seed >> 16));
    }

    vdp.WritePort(0x99, 0x00);
    vdp.WritePort(0x99, 0x40 | 0x1B);
    for (int sprite = 0; sprite < TV9918::maximumSprites; ++sprite) {
        vdp.WritePort(0x98, static_cast<std::uint8_t>((sprite * 37) % 176));
        vdp.WritePort(0x98, static_cast<std::uint8_t>((sprite * 53) % 240));
        vdp.WritePort(0x98, static_cast<std::uint8_t>(sprite * 4));
        vdp.WritePort(0x98, static_cast<std::uint8_t>(1 + sprite % 15));
    }
}

void RenderFrameInMode(benchmark::State& state, std::uint8_t r0, std::uint8_t r1)
{
    TPCV9918 vdp;
    PrepareBusyScreen(vdp, r0, r1);
    for (auto _ : state) {
        vdp.RenderFrame();
        benchmark::DoNotOptimize(vdp.GetFrameBuffer().data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

} // namespace

BENCHMARK_CAPTURE(RenderFrameInMode, Text, 0x00, 0x10)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(RenderFrameInMode, Graphic1, 0x00, 0x00)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(RenderFrameInMode, Graphic2, 0x02, 0x00)->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(RenderFrameInMode, Multicolour, 0x00, 0x08)->Unit(benchmark::kMicrosecond);
