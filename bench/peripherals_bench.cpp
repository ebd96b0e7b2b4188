#include "memory/memory_selector.h"
#include "peripherals/joystick.h"
#include "peripherals/keyboard.h"
#include "peripherals/ppi8255.h"
#include "peripherals/rtclock.h"
#include "sound/psg.h"

#include <benchmark/benchmark.h>

namespace {

// One frame's keyboard scan with a few keys held.
void BM_KeyboardScan(benchmark::State& state)
{
    THeldKeys keys;
    keys.Press(KeyCode::Shift);
    keys.Press('A');
    keys.Press(KeyCode::Space);
    TKeyboard keyboard(keys);
    for (auto _ : state) {
        keyboard.Scan();
        benchmark::DoNotOptimize(keyboard.GetMatrixRow(2));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_KeyboardScan);

// The BIOS keyboard poll: select a row through port C, read it through port B.
void BM_PPIRowRead(benchmark::State& state)
{
    THeldKeys keys;
    TKeyboard keyboard(keys);
    TMemorySelector selector;
    TPPI8255 ppi;
    ppi.SetMemorySelector(&selector);
    ppi.SetKeyboard(&keyboard);
    std::uint8_t row = 0;
    for (auto _ : state) {
        ppi.WritePort(0xAA, static_cast<std::uint8_t>(0x50 | row));
        benchmark::DoNotOptimize(ppi.ReadPort(0xA9));
        row = (row + 1) % 11;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PPIRowRead);

// The BIOS joystick read: select R14, read it, with a joystick attached.
void BM_PSGJoystickRead(benchmark::State& state)
{
    TNoJoystickService service;
    TJoystick joystick(service);
    TPSG psg;
    psg.SetDevice(1, &joystick);
    psg.WritePort(0xA0, 15);
    psg.WritePort(0xA1, 0x8F);
    for (auto _ : state) {
        psg.WritePort(0xA0, 14);
        benchmark::DoNotOptimize(psg.ReadPort(0xA2));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PSGJoystickRead);

void BM_PSGRegisterWrite(benchmark::State& state)
{
    TPSG psg;
    std::uint8_t value = 0;
    for (auto _ : state) {
        psg.WritePort(0xA0, value & 0x0F);
        psg.WritePort(0xA1, value);
        ++value;
    }
    benchmark::DoNotOptimize(psg.GetRegister(3));
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PSGRegisterWrite);

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
