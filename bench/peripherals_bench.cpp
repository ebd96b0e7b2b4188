#include "peripherals/rtclock.h"

#include <benchmark/benchmark.h>

namespace {

void BM_RTClockTimeRead(benchmark::State& state)
{
    TFixedClock clock({2026, 12, 5, 8, 7, 9, 6});
    TRTClock rtc(clock);
    std::uint8_t index = 0;
    for (auto _ : state) {
        rtc.WritePort(0xB4, index);
        benchmark::DoNotOptimize(rtc.ReadPort(0xB5));
        index = (index + 1) % 13;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RTClockTimeRead);

}  // namespace
