#pragma once

#include <chrono>
#include <cstdint>

// Host service: a steady clock that never jumps, counted from any fixed origin.
class TSteadyClock {
public:
    virtual ~TSteadyClock() = default;
    virtual std::chrono::nanoseconds Now() const = 0;
};

// The host's own steady clock.
class THostSteadyClock : public TSteadyClock {
public:
    std::chrono::nanoseconds Now() const override {
        return std::chrono::steady_clock::now().time_since_epoch();
    }
};

// Keeps emulated frames in step with host time, at the machine's frame rate:
// a frame lasts its processor cycles at 3 579 545 cycles a second. Frame n is
// due n frame times after the origin, computed from the count rather than
// added up, so no rounding error builds up. A machine that falls far
// behind (a modal dialog, a slow host) starts counting again from the present
// instead of racing to catch up.
class TFramePacer {
public:
    static constexpr std::uint64_t clockRate = 3579545;
    // The TMS9918A's frame: 262 lines of 228 cycles.
    static constexpr std::uint64_t defaultFrameCycles = 262 * 228;
    // Behind by more than this, the pacer gives up the lost time.
    static constexpr std::chrono::nanoseconds lateLimit = std::chrono::milliseconds(100);

    explicit TFramePacer(const TSteadyClock& clock) : clock(clock) { Restart(); }

    // The next frame is due one frame time from now.
    void Restart();
    // A frame has been emulated: answers how long to wait before the next one,
    // zero when it is due already or when running at full speed.
    std::chrono::nanoseconds FrameDone();

    // A new frame length counts from now.
    void SetFrameCycles(std::uint64_t cycles);
    std::uint64_t GetFrameCycles() const { return frameCycles; }

    void SetFullSpeed(bool on);
    bool IsFullSpeed() const { return fullSpeed; }

private:
    const TSteadyClock& clock;
    std::chrono::nanoseconds origin{};
    std::uint64_t frameCount = 0;
    std::uint64_t frameCycles = defaultFrameCycles;
    bool fullSpeed = false;
};
