#pragma once

#include <atomic>
#include <cstdint>
#include <span>
#include <vector>

// The samples between the emulation and the sound card: the emulation thread
// pushes each frame's samples, the audio thread plays them. One producer and
// one consumer, without a lock. The player keeps about `target` samples waiting
// by playing a little faster or slower (0.5 % at most) as the fill stands above
// or below it, so that the machine's frames and the sound card's clock never
// drift apart; when it runs dry it plays silence until `target` has gathered again,
// and when a sound card far slower than the machine lets three times `target`
// gather, it skips back to `target`.
class TSoundRing {
public:
    static constexpr double largestCorrection = 0.005;

    // Throws std::invalid_argument unless 0 < target < capacity.
    TSoundRing(std::size_t capacity, std::size_t target);

    // Emulation thread: what does not fit is dropped.
    void Push(std::span<const std::int16_t> samples);
    // Audio thread: fills out with frames samples; allocates nothing, never waits.
    void Pull(std::int16_t* out, int frames);

    // Samples waiting, as either thread sees them.
    std::size_t Fill() const { return written.load(std::memory_order_acquire) - read.load(std::memory_order_acquire); }
    // The playing rate as a share of the nominal one, from the last Pull.
    double GetRateRatio() const { return rateRatio.load(std::memory_order_relaxed); }
    // Times the player ran dry while playing, and skipped ahead.
    std::uint64_t GetUnderruns() const { return underruns.load(std::memory_order_relaxed); }
    std::uint64_t GetSkips() const { return skips.load(std::memory_order_relaxed); }

private:
    std::int16_t At(std::uint64_t index) const { return samples[index & mask]; }

    std::vector<std::int16_t> samples;
    const std::uint64_t mask;
    const std::size_t target;
    std::atomic<std::uint64_t> written = 0;
    std::atomic<std::uint64_t> read = 0;

    // The audio thread's own.
    bool playing = false;
    double phase = 0;          // between the sample at read and the next
    double averageFill = 0;
    std::atomic<double> rateRatio = 1;
    std::atomic<std::uint64_t> underruns = 0;
    std::atomic<std::uint64_t> skips = 0;
};
