// Processor states that fuzzing found mishandled.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "cpu/z80_test_support.h"

namespace {

using R = TZ80Registers;

// A redundant prefix makes up for the count of its step; a stopped step does
// not count, so it must not be made up for either: the countdown grew by one
// with every stopped redundant prefix.
TEST(Z80Regression, RedundantPrefixesLeaveTheCountdownWhetherRunningOrStopped) {
    const std::vector<std::vector<std::uint8_t>> prefixes = {{0xDD, 0xDD}, {0xFD, 0xDD}, {0xDD, 0xFD}, {0xED, 0xED}};
    for (const auto& prefix : prefixes) {
        for (const bool running : {false, true}) {
            SCOPED_TRACE(testing::Message() << std::hex << int(prefix[0]) << " " << int(prefix[1])
                                            << (running ? " running" : " stopped"));
            TTestZ80 cpu;
            cpu.Load(0, {prefix[0], prefix[1], 0x00});
            cpu.running = running;
            EXPECT_EQ(cpu.Step(), running ? 0 : -1);
            EXPECT_EQ(cpu.instructionsLeft, 10000);
            EXPECT_EQ(cpu.Get(R::PC), 1);
            EXPECT_EQ(cpu.instructionCount, 1u);
        }
    }
}

}  // namespace
