#pragma once

#include <cstdint>

// The PSG's envelope generator, stepped by output samples: a level of 0-15
// that moves one step every 16 x period cycles of the 1789772.5 Hz PSG clock,
// down from 15 or up from 0 for sixteen steps, then holds, repeats or turns back
// as the shape says. Time is counted exactly in whole units, so the steps stay
// where the chip has them however long it runs.
class TPSGEnvelope {
public:
    // Shape bits.
    static constexpr std::uint8_t holdBit = 0x01;
    static constexpr std::uint8_t alternateBit = 0x02;
    static constexpr std::uint8_t attackBit = 0x04;
    static constexpr std::uint8_t continueBit = 0x08;

    // Period 1 and shape 0, at its first step; throws std::invalid_argument
    // unless the rate is positive. The default is the rate desktops usually give.
    explicit TPSGEnvelope(int outputRate = 44100);

    // A period of 0 acts as 1. The step under way keeps the time it has run,
    // and ends at once if that is already past the new period.
    void SetPeriod(std::uint16_t period);
    // Restarts at the first step of the shape's low four bits.
    void Start(std::uint8_t shape);

    // How many output samples, 1 or more, keep the present level.
    std::uint64_t FramesToNextStep() const { return (unitsPerStep - elapsed + unitsPerSample - 1) / unitsPerSample; }
    // So many output samples later.
    void Advance(std::uint64_t frames) {
        elapsed += frames * unitsPerSample;
        if (elapsed >= unitsPerStep) StepOn();
    }
    int GetLevel() const { return level; }

private:
    // A unit is 1/(3579545 x output rate) s, twice the PSG clock times the rate:
    // one output sample is 3579545 units, one step 32 x period x output rate.
    static constexpr std::uint64_t unitsPerSample = 3579545;
    static constexpr int rampSteps = 16;

    void StepOn();
    int LevelAt(std::uint32_t at) const;

    std::uint64_t outputRate;
    std::uint64_t unitsPerStep;
    std::uint64_t elapsed = 0;
    std::uint8_t shape = 0;
    // Steps since the start; a repeating shape wraps it within its second and
    // third ramps, a holding one stops it at the end of the first.
    std::uint32_t step = 0;
    int level = 15;
};
