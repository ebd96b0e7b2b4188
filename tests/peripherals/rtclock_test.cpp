#include "peripherals/rtclock.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::uint8_t Read(TRTClock& rtc, std::uint8_t index) {
    rtc.WritePort(0xB4, index);
    return rtc.ReadPort(0xB5);
}

void Write(TRTClock& rtc, std::uint8_t index, std::uint8_t value) {
    rtc.WritePort(0xB4, index);
    rtc.WritePort(0xB5, value);
}

TEST(RTClockTest, TimeBlockDigitsForFixedMoments) {
    // Seconds, minutes, hours, weekday (Sunday is 1), day, month, years since 1980, units first.
    const std::pair<TLocalDateTime, std::vector<std::uint8_t>> cases[] = {
        {{2026, 12, 5, 8, 7, 9, 6}, {9, 0, 7, 0, 8, 0, 7, 5, 0, 2, 1, 6, 4}},
        {{1999, 7, 31, 23, 59, 58, 6}, {8, 5, 9, 5, 3, 2, 7, 1, 3, 7, 0, 9, 1}},
        {{2032, 2, 29, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 1, 9, 2, 2, 0, 2, 5}},
        {{2080, 10, 10, 10, 10, 10, 4}, {0, 1, 0, 1, 0, 1, 5, 0, 1, 0, 1, 0, 0}},  // a hundred years wrap
        {{1979, 6, 15, 1, 2, 3, 5}, {3, 0, 2, 0, 1, 0, 6, 5, 1, 6, 0, 9, 9}},
    };
    for (const auto& [moment, digits] : cases) {
        TFixedClock clock(moment);
        TRTClock rtc(clock);
        std::vector<std::uint8_t> read;
        for (std::uint8_t index = 0; index < 13; ++index) read.push_back(Read(rtc, index) ^ 0xF0);
        EXPECT_EQ(read, digits) << moment.year;
    }
}

TEST(RTClockTest, MemoryBlocksAndModeRegister) {
    TFixedClock clock({});
    TRTClock rtc(clock);
    Write(rtc, 13, 0x02);
    Write(rtc, 3, 0xA5);
    Write(rtc, 13, 0x03);
    EXPECT_EQ(Read(rtc, 3), 0xF0);
    Write(rtc, 13, 0x0E);  // the timer enable bit is dropped, block 2 kept
    Write(rtc, 14, 0x0F);  // test and reset registers read FFh and leave the block
    EXPECT_EQ(Read(rtc, 14), 0xFF);
    EXPECT_EQ(Read(rtc, 13), 0xF2);
    rtc.WritePort(0xB4, 0x13);  // only the low four bits select; read with the high bits set
    EXPECT_EQ(rtc.ReadPort(0xB5), 0xF5);
}

}  // namespace
