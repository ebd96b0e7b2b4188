#include "sound/sound_mix.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <stdexcept>

TSoundMix::TSoundMix(int rate) : rate(rate) {
    if (rate <= 0) throw std::invalid_argument("The sound output rate must be positive");
    filterCoefficient = static_cast<float>(1.0 - 2.0 * std::numbers::pi * 20.0 / rate);
}

void TSoundMix::StartAt(std::uint64_t cycle) {
    nextSample = cycle * static_cast<std::uint64_t>(rate) / machineClock;
    pending.clear();
}

void TSoundMix::Add(std::uint64_t index, float value) {
    if (index < nextSample) return;
    const std::size_t at = static_cast<std::size_t>(index - nextSample);
    if (at >= pending.size()) pending.resize(at + 1, 0.0f);
    pending[at] += value;
}

void TSoundMix::AddRun(std::uint64_t first, std::uint64_t count, float value) {
    if (count == 0) return;
    const std::uint64_t from = std::max(first, nextSample);
    if (from >= first + count) return;
    const std::size_t at = static_cast<std::size_t>(from - nextSample);
    const std::size_t end = static_cast<std::size_t>(first + count - nextSample);
    if (end > pending.size()) pending.resize(end, 0.0f);
    if (value == 0) return;
    for (std::size_t index = at; index < end; ++index) pending[index] += value;
}

std::span<const float> TSoundMix::Take(std::uint64_t cycle) {
    const std::uint64_t end = cycle * static_cast<std::uint64_t>(rate) / machineClock;
    const std::size_t count = end > nextSample ? static_cast<std::size_t>(end - nextSample) : 0;
    // A chip that was silent all along added nothing: its samples are 0.
    if (pending.size() < count) pending.resize(count, 0.0f);
    taken.assign(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(count));
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(count));
    nextSample += count;
    return taken;
}

std::span<const std::int16_t> TSoundMix::TakeOutput(std::uint64_t cycle) {
    const std::span<const float> raw = Take(cycle);
    output.resize(raw.size());
    for (std::size_t index = 0; index < raw.size(); ++index) {
        lastOutput = raw[index] - lastInput + filterCoefficient * lastOutput;
        lastInput = raw[index];
        output[index] = static_cast<std::int16_t>(std::lrint(std::clamp(lastOutput, -32768.0f, 32767.0f)));
    }
    return output;
}

void TSoundMixInput::Start(TSoundMix* newMix, std::uint64_t cycle) {
    mix = newMix;
    sum = 0;
    if (!mix) return;
    unitsPerCycle = static_cast<std::uint64_t>(mix->GetRate());
    const std::uint64_t units = cycle * unitsPerCycle;
    sample = units / TSoundMix::machineClock;
    filled = units % TSoundMix::machineClock;
}

void TSoundMixInput::Hold(float value, std::uint64_t cycles) {
    if (!mix) return;
    std::uint64_t units = cycles * unitsPerCycle;
    if (filled + units < TSoundMix::machineClock) {
        sum += static_cast<double>(value) * static_cast<double>(units);
        filled += units;
        return;
    }
    const std::uint64_t part = TSoundMix::machineClock - filled;
    sum += static_cast<double>(value) * static_cast<double>(part);
    mix->Add(sample++, static_cast<float>(sum / TSoundMix::machineClock));
    units -= part;
    // Samples the value fills whole are the value itself; mostly there are none.
    if (units >= TSoundMix::machineClock) {
        const std::uint64_t whole = units / TSoundMix::machineClock;
        mix->AddRun(sample, whole, value);
        sample += whole;
        units %= TSoundMix::machineClock;
    }
    filled = units;
    sum = static_cast<double>(value) * static_cast<double>(filled);
}
