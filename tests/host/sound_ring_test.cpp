#include "host/sound_ring.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace {

std::vector<std::int16_t> Ramp(int from, int count) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(count));
    for (int index = 0; index < count; ++index) samples[index] = static_cast<std::int16_t>(from + index);
    return samples;
}

// Silence until the target has gathered, then the samples as pushed while the fill
// stays at the target; silence again once it runs dry, until it has gathered anew.
TEST(SoundRingTest, GathersItsTargetPlaysThePushedSamplesAndRunsDryIntoSilence) {
    TSoundRing ring(1024, 100);
    std::vector<std::int16_t> out(50);
    ring.Push(Ramp(1, 99));
    ring.Pull(out.data(), 50);
    EXPECT_EQ(out, std::vector<std::int16_t>(50, 0));
    ring.Push(Ramp(100, 1));
    ring.Pull(out.data(), 50);
    EXPECT_EQ(out, Ramp(1, 50));
    EXPECT_DOUBLE_EQ(ring.GetRateRatio(), 1.0);
    std::vector<std::int16_t> rest(200);
    ring.Pull(rest.data(), 200);  // a little slower now, below the target
    EXPECT_LT(ring.GetRateRatio(), 1.0);
    EXPECT_EQ(rest[0], 51);
    const auto sounding = std::find(rest.begin(), rest.end(), 0) - rest.begin();
    EXPECT_NEAR(double(sounding), 49, 1) << "dry: the last sample waits for its neighbour";
    EXPECT_EQ(std::count(rest.begin(), rest.end(), 0), 200 - sounding);
    EXPECT_EQ(ring.GetUnderruns(), 1u);
    ring.Push(Ramp(300, 50));
    ring.Pull(out.data(), 50);
    EXPECT_EQ(out, std::vector<std::int16_t>(50, 0));
    ring.Push(Ramp(2000, 2000));
    EXPECT_EQ(ring.Fill(), 1024u) << "what does not fit is dropped";
    ring.Pull(out.data(), 1);
    EXPECT_EQ(out[0], 2000 + 973 - 100) << "three times the target waiting: back to the last 100 of the 973 that fitted";
    EXPECT_EQ(ring.GetSkips(), 1u);
}

// Ten minutes of frames of 882 samples every 20 ms against a sound card 0.3 % fast
// or slow in blocks of 512: the rate follows, the fill stays near its target and
// the card never runs dry.
TEST(SoundRingTest, SteeringKeepsTheFillThroughTenMinutesOfDrift) {
    for (const double card : {1.003, 0.997}) {
        TSoundRing ring(8192, 2000);
        const std::vector<std::int16_t> frame(882, 1000);
        std::vector<std::int16_t> block(512);
        double cardTime = 0;
        std::size_t lowest = 8192, highest = 0;
        for (int frameNumber = 0; frameNumber < 30000; ++frameNumber) {
            ring.Push(frame);
            const double frameEnd = (frameNumber + 1) * 0.020;
            while (cardTime < frameEnd) {
                ring.Pull(block.data(), 512);
                cardTime += 512 / (44100 * card);
                if (frameNumber > 3000) {
                    lowest = std::min(lowest, ring.Fill());
                    highest = std::max(highest, ring.Fill());
                }
            }
        }
        EXPECT_EQ(ring.GetUnderruns(), 0u) << card;
        EXPECT_NEAR(ring.GetRateRatio(), 1 / card, 0.0005) << card;
        EXPECT_GT(lowest, 200u) << card;
        EXPECT_LT(highest, 4000u) << card;
    }
}

// The emulation thread pushes a ramp while the audio thread pulls it: every sample
// played is one pushed, in order (the interpolation of a ramp rises too).
TEST(SoundRingTest, ThreadsPushAndPullWithoutALock) {
    TSoundRing ring(4096, 512);
    constexpr int total = 30000;
    std::atomic<bool> pushed = false;
    std::thread producer([&] {
        for (int from = 1; from < total; from += 300) {
            while (ring.Fill() > 1200) std::this_thread::yield();
            ring.Push(Ramp(from, 300));
        }
        pushed = true;
    });
    std::vector<std::int16_t> played;
    std::vector<std::int16_t> block(256);
    // What is left below the target once everything is pushed stays unplayed.
    while (!pushed || ring.Fill() > 512) {
        ring.Pull(block.data(), 256);
        for (std::int16_t sample : block) {
            if (sample != 0) played.push_back(sample);
        }
        std::this_thread::yield();
    }
    producer.join();
    EXPECT_GT(played.size(), 25000u);
    for (std::size_t index = 1; index < played.size(); ++index) {
        ASSERT_GE(played[index], played[index - 1]) << index;
        ASSERT_LE(played[index] - played[index - 1], 2) << index;
    }
}

}  // namespace
