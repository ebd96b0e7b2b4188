#include "cpu/z80.h"

#include <benchmark/benchmark.h>

#include <array>

namespace {

class TFlatZ80 final : public TZ80 {
public:
    std::array<std::uint8_t, 65536> memory{};
    void WriteMemory(std::uint16_t address, std::uint8_t value) override { memory[address] = value; }
    std::uint8_t ReadMemory(std::uint16_t address) override { return memory[address]; }
    std::uint8_t ReadPort(std::uint8_t) override { return 0xFF; }
    void WritePort(std::uint8_t, std::uint8_t) override {}
    void Trap(std::uint8_t*) override {}
    std::uint16_t AcknowledgeInterrupt() override { return 0x0038; }
};

void Z80Step(benchmark::State& state) {
    TFlatZ80 cpu;
    cpu.running = true;
    for (auto _ : state) benchmark::DoNotOptimize(cpu.Step());
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(Z80Step);

}  // namespace
