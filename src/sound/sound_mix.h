#pragma once

#include <cstdint>
#include <span>
#include <vector>

// The sound of the machine's chips at the host's sample rate. Output sample n
// covers machine cycles n x clock / rate up to (n + 1) x clock / rate; each chip
// adds its share of every sample through a TSoundMixInput, and the machine takes
// the samples a cycle has completed once every chip has rendered up to it.
class TSoundMix {
public:
    static constexpr std::uint64_t machineClock = 3579545;

    // Throws std::invalid_argument unless the rate is positive.
    explicit TSoundMix(int rate);

    int GetRate() const { return rate; }

    // Adds to sample index (counted from the machine's cycle 0); samples already
    // taken are left alone.
    void Add(std::uint64_t index, float value);
    // Adds the value to count samples from first on.
    void AddRun(std::uint64_t first, std::uint64_t count, float value);
    // The raw mix of the samples that end at or before the cycle, taken once:
    // valid until the next Take.
    std::span<const float> Take(std::uint64_t cycle);
    // The same as 16-bit samples, the chips' constant levels filtered away (a
    // first-order high pass at 20 Hz) so that the sound swings around silence.
    std::span<const std::int16_t> TakeOutput(std::uint64_t cycle);
    // Samples before the first index are never taken: the mix of a machine
    // whose sound starts at a later cycle begins there.
    void StartAt(std::uint64_t cycle);

    // The first sample that has not been taken.
    std::uint64_t GetNextSample() const { return nextSample; }

private:
    const int rate;
    std::uint64_t nextSample = 0;
    std::vector<float> pending;  // pending[0] is sample nextSample
    std::vector<float> taken;
    std::vector<std::int16_t> output;
    float filterCoefficient;
    float lastInput = 0;
    float lastOutput = 0;
};

// One chip's way into the mix: it hands over its output as values held for a
// number of machine cycles, and each output sample receives the average over
// its time. So a square wave far above half the sample rate comes out as its
// average instead of a whistle.
class TSoundMixInput {
public:
    // Starts adding at the sample under way at the cycle; a null mix takes nothing.
    void Start(TSoundMix* newMix, std::uint64_t cycle);
    bool IsStarted() const { return mix != nullptr; }

    void Hold(float value, std::uint64_t cycles);

private:
    TSoundMix* mix = nullptr;
    std::uint64_t sample = 0;
    // Time within the sample under way, in units of 1 / (clock x rate) seconds:
    // a machine cycle is rate units and a sample machineClock units.
    std::uint64_t filled = 0;
    double sum = 0;
    std::uint64_t unitsPerCycle = 0;
};
