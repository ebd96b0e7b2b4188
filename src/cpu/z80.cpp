#include "cpu/z80.h"

TZ80::TZ80() { Reset(); }

TZ80::~TZ80() = default;

void TZ80::Start() { Run(); }

void TZ80::Stop() { running = false; }

std::int32_t TZ80::Step() {
    instructionAddress = registers.Get(TZ80Registers::PC);
    instructionText.clear();
    ++instructionCount;
    FetchByte();
    if (!running) return -1;
    return 0;
}

std::uint16_t TZ80::Run() {
    running = true;
    instructionsLeft = interruptPeriod;
    interruptRequest = false;
    while (Step() == 0) {
    }
    return registers.Get(TZ80Registers::PC);
}

void TZ80::Reset() {
    registers = TZ80Registers{};
    registers.Set(TZ80Registers::SP, 0xF000);
    cpuState = 0;
    I = 0;
    instructionsLeft = interruptPeriod;
    interruptRequest = false;
    instructionCount = 0;
}

void TZ80::SetTraceEnabled(bool enabled) { traceEnabled = enabled; }

std::uint8_t TZ80::FetchByte() {
    std::uint16_t pc = registers.Get(TZ80Registers::PC);
    registers.Set(TZ80Registers::PC, static_cast<std::uint16_t>(pc + 1));
    return ReadMemory(pc);
}

std::uint16_t TZ80::FetchWord() {
    std::uint8_t low = FetchByte();
    return static_cast<std::uint16_t>(low | (FetchByte() << 8));
}

void TZ80::TakeInterrupt() {}
