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
    const std::chrono::nanoseconds due = origin + std::chrono::nanoseconds(frameCount * 1'000'000'000 / framesPerSecond);
    if (now - due > lateLimit) {
        Restart();
        return {};
    }
    return now < due ? due - now : std::chrono::nanoseconds{};
}

void TFramePacer::SetFullSpeed(bool on) {
    fullSpeed = on;
    Restart();
}
