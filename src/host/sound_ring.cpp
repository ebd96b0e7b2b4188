#include "host/sound_ring.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <stdexcept>

namespace {

// How fast the average fill follows the fill, by blocks: the fill swings by a
// frame as frames arrive, the average hardly.
constexpr double averaging = 0.02;
// The correction for a fill a whole target away from it; clamped to the largest.
constexpr double steering = 0.01;

}  // namespace

TSoundRing::TSoundRing(std::size_t capacity, std::size_t target)
    : samples(std::bit_ceil(std::max<std::size_t>(capacity, 1))), mask(samples.size() - 1), target(target) {
    if (target == 0 || target >= capacity) throw std::invalid_argument("The sound ring's target must lie within it");
    averageFill = static_cast<double>(target);
}

void TSoundRing::Push(std::span<const std::int16_t> pushed) {
    const std::uint64_t end = written.load(std::memory_order_relaxed);
    const std::size_t room = samples.size() - static_cast<std::size_t>(end - read.load(std::memory_order_acquire));
    const std::size_t count = std::min(room, pushed.size());
    for (std::size_t index = 0; index < count; ++index) samples[(end + index) & mask] = pushed[index];
    written.store(end + count, std::memory_order_release);
}

// Linear interpolation between neighbouring samples at the corrected rate.
void TSoundRing::Pull(std::int16_t* out, int frames) {
    std::uint64_t position = read.load(std::memory_order_relaxed);
    const std::uint64_t end = written.load(std::memory_order_acquire);
    if (end - position > 3 * target) {
        position = end - target;
        phase = 0;
        averageFill = static_cast<double>(target);
        skips.fetch_add(1, std::memory_order_relaxed);
    }
    const double fill = static_cast<double>(end - position);
    if (!playing && fill >= static_cast<double>(target)) {
        playing = true;
        phase = 0;
        averageFill = fill;
    }
    averageFill += averaging * (fill - averageFill);
    const double error = (averageFill - static_cast<double>(target)) / static_cast<double>(target);
    const double ratio = 1 + std::clamp(steering * error, -largestCorrection, largestCorrection);
    rateRatio.store(ratio, std::memory_order_relaxed);
    int frame = 0;
    for (; playing && frame < frames; ++frame) {
        if (end - position < 2) {
            playing = false;
            underruns.fetch_add(1, std::memory_order_relaxed);
            break;
        }
        const double first = At(position);
        out[frame] = static_cast<std::int16_t>(std::lround(first + (At(position + 1) - first) * phase));
        phase += ratio;
        const double whole = std::floor(phase);
        position += static_cast<std::uint64_t>(whole);
        phase -= whole;
    }
    std::fill(out + frame, out + frames, std::int16_t{0});
    read.store(position, std::memory_order_release);
}
