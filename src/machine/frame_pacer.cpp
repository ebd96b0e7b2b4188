#include "machine/frame_pacer.h"

void TFramePacer::Restart() {
    origin = clock.Now();
    frameCount = 0;
}

std::chrono::nanoseconds TFramePacer::FrameDone() {
    ++frameCount;
    const std::chrono::nanoseconds now = clock.Now();
    if (fullSpeed) {
        origin = now;
        frameCount = 0;
        return {};
    }
    // Whole seconds and the rest apart, so that the product cannot overflow.
    const std::uint64_t cycles = frameCount * frameCycles;
    const auto nanoseconds = cycles / clockRate * 1'000'000'000 + cycles % clockRate * 1'000'000'000 / clockRate;
    const std::chrono::nanoseconds due = origin + std::chrono::nanoseconds(nanoseconds);
    if (now - due > lateLimit) {
        Restart();
        return {};
    }
    return now < due ? due - now : std::chrono::nanoseconds{};
}

void TFramePacer::SetFrameCycles(std::uint64_t cycles) {
    if (cycles == frameCycles || cycles == 0) return;
    frameCycles = cycles;
    Restart();
}

void TFramePacer::SetFullSpeed(bool on) {
    fullSpeed = on;
    Restart();
}
