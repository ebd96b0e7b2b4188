#pragma once

#include <utility>
#include <vector>

#include "sound/scc.h"

// Records what the chip tells its sound subclass.
class TRecordingSCC : public TSCC {
public:
    void RegisterWritten(int index, std::uint8_t value) override { registerWrites.push_back({index, value}); }
    void WaveWritten(int offset, std::uint8_t value) override { waveWrites.push_back({offset, value}); }
    void ResetSound() override { ++resets; }

    std::vector<std::pair<int, int>> registerWrites, waveWrites;
    int resets = 0;
};
