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

// Keeps emulated frames in step with host time, 60 a second. Frame n is due
// n sixtieths of a second after the origin, computed from the count rather
// than added up, so no rounding error builds up. A machine that falls far
// behind (a modal dialog, a slow host) starts counting again from the present
// instead of racing to catch up.
class TFramePacer {
public:
    static constexpr std::int64_t framesPerSecond = 60;
    // Behind by more than this, the pacer gives up the lost time.
    static constexpr std::chrono::nanoseconds lateLimit = std::chrono::milliseconds(100);

    explicit TFramePacer(const TSteadyClock& clock) : clock(clock) { Restart(); }

    // The next frame is due one frame time from now.
    void Restart();
    // A frame has been emulated: answers how long to wait before the next one,
    // zero when it is due already or when running at full speed.
    std::chrono::nanoseconds FrameDone();

    void SetFullSpeed(bool on);
    bool IsFullSpeed() const { return fullSpeed; }

private:
    const TSteadyClock& clock;
    std::chrono::nanoseconds origin{};
    std::int64_t frameCount = 0;
    bool fullSpeed = false;
};
