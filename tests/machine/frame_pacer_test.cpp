#include "machine/frame_pacer.h"

#include <gtest/gtest.h>

using namespace std::chrono;

namespace {

struct TManualClock : TSteadyClock {
    nanoseconds Now() const override { return now; }
    nanoseconds now = seconds(1000);
};

constexpr nanoseconds frameTime = nanoseconds(1'000'000'000 / 60);

}  // namespace

TEST(FramePacer, WaitsEachFrameUntilItsTime) {
    TManualClock clock;
    TFramePacer pacer(clock);
    // A frame emulated in 4 ms waits out the rest of its sixtieth.
    clock.now += milliseconds(4);
    EXPECT_EQ(pacer.FrameDone(), frameTime - milliseconds(4));
    // A frame that took longer than its time is not waited for.
    clock.now += frameTime - milliseconds(4) + milliseconds(20);
    EXPECT_EQ(pacer.FrameDone(), nanoseconds(0));
    // ...and the next one makes up for it within the late limit: frame 3 is due at 50 ms.
    EXPECT_EQ(clock.now - seconds(1000), nanoseconds(36'666'666));
    EXPECT_EQ(pacer.FrameDone(), nanoseconds(50'000'000 - 36'666'666));
}

TEST(FramePacer, HourOfFramesDoesNotDrift) {
    TManualClock clock;
    const nanoseconds start = clock.now;
    TFramePacer pacer(clock);
    constexpr long frames = 60L * 60 * 60;
    for (long frame = 0; frame < frames; ++frame) {
        clock.now += microseconds(1000);  // the emulation's own work
        clock.now += pacer.FrameDone();
    }
    EXPECT_EQ(clock.now - start, hours(1));
}

TEST(FramePacer, AfterAStallResumesAtNormalSpeed) {
    TManualClock clock;
    TFramePacer pacer(clock);
    clock.now += pacer.FrameDone() + seconds(5);  // a modal dialog held the thread
    EXPECT_EQ(pacer.FrameDone(), nanoseconds(0));
    // The lost five seconds are given up: the following frames wait their full time.
    for (int frame = 0; frame < 3; ++frame) {
        const nanoseconds wait = pacer.FrameDone();
        EXPECT_GT(wait, frameTime - nanoseconds(2));
        clock.now += wait;
    }
}

TEST(FramePacer, FullSpeedNeverWaitsAndLeavingItDoesNotRace) {
    TManualClock clock;
    TFramePacer pacer(clock);
    pacer.SetFullSpeed(true);
    for (int frame = 0; frame < 1000; ++frame) EXPECT_EQ(pacer.FrameDone(), nanoseconds(0));
    clock.now += seconds(1);
    pacer.SetFullSpeed(false);
    EXPECT_EQ(pacer.FrameDone(), frameTime);
}
