#pragma once

#include "cpu/z80.h"

// A processor that never runs: tests move its instruction count by hand, which
// is all the cassette's sample clock reads.
class TIdleZ80 : public TZ80 {
public:
    void WriteMemory(std::uint16_t, std::uint8_t) override {}
    std::uint8_t ReadMemory(std::uint16_t) override { return 0; }
    std::uint8_t ReadPort(std::uint8_t) override { return 0xFF; }
    void WritePort(std::uint8_t, std::uint8_t) override {}
    void Trap(std::uint8_t*) override {}
    std::uint16_t AcknowledgeInterrupt() override { return NoInterrupt; }
};
