#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "memory/memory_bank.h"
#include "memory/megarom.h"
#include "memory/memory_selector.h"

namespace {

// Slot 0 holds a ROM in pages 0-1, slot 3 RAM in pages 2-3, as in a plain MSX1.
void BuildLayout(TMemorySelector& selector)
{
    selector.SetBank(0, 0, 0, std::make_unique<TROMBank>());
    selector.SetBank(0, 0, 1, std::make_unique<TROMBank>());
    selector.SetBank(3, 0, 2, std::make_unique<TRAMBank>());
    selector.SetBank(3, 0, 3, std::make_unique<TRAMBank>());
    selector.SetPrimarySlotRegister(0xF0);
}

void BM_SelectorReadRAMAndROM(benchmark::State& state)
{
    TMemorySelector selector;
    BuildLayout(selector);
    std::uint16_t address = 0;
    std::uint8_t sum = 0;
    for (auto _ : state) {
        for (int access = 0; access < 1024; ++access) {
            sum = static_cast<std::uint8_t>(sum + selector.Read(address));
            address = static_cast<std::uint16_t>(address + 0x1235);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 1024);
}
BENCHMARK(BM_SelectorReadRAMAndROM);

void BM_SelectorWriteRAMAndROM(benchmark::State& state)
{
    TMemorySelector selector;
    BuildLayout(selector);
    std::uint16_t address = 0;
    std::uint8_t value = 0;
    for (auto _ : state) {
        for (int access = 0; access < 1024; ++access) {
            selector.Write(address, value++);
            address = static_cast<std::uint16_t>(address + 0x1235);
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 1024);
}
BENCHMARK(BM_SelectorWriteRAMAndROM);

// A MegaROM in slot 1 answers pages 1-2: one more lookup and call per access.
void BM_SelectorReadMegaROM(benchmark::State& state)
{
    TMemorySelector selector;
    auto cartridge = std::make_unique<TASCII8KMegaROM>();
    cartridge->SetBlockCount(16);
    selector.SetBank(1, 0, 0, std::move(cartridge));
    selector.SetPrimarySlotRegister(0x14);
    std::uint16_t address = 0x4000;
    std::uint8_t sum = 0;
    for (auto _ : state) {
        for (int access = 0; access < 1024; ++access) {
            sum = static_cast<std::uint8_t>(sum + selector.Read(address));
            address = static_cast<std::uint16_t>(0x4000 + ((address + 0x1235) & 0x7FFF));
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 1024);
}
BENCHMARK(BM_SelectorReadMegaROM);

} // namespace
