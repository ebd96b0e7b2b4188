#include "peripherals/rtclock.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::uint8_t ReadRegister(TRTClock& rtc, std::uint8_t index)
{
    rtc.WritePort(0xB4, index);
    return rtc.ReadPort(0xB5);
}

void WriteRegister(TRTClock& rtc, std::uint8_t index, std::uint8_t value)
{
    rtc.WritePort(0xB4, index);
    rtc.WritePort(0xB5, value);
}

std::vector<std::uint8_t> ReadTimeBlock(TRTClock& rtc)
{
    std::vector<std::uint8_t> values;
    for (std::uint8_t index = 0; index < 13; ++index) {
        values.push_back(ReadRegister(rtc, index));
    }
    return values;
}

TEST(RTClockTest, TimeBlockDigitsForFixedMoments)
{
    struct Case {
        TLocalDateTime moment;
        std::vector<std::uint8_t> digits;
    };
    const Case cases[] = {
        // Saturday 5 December 2026, 08:07:09.
        {{2026, 12, 5, 8, 7, 9, 6}, {9, 0, 7, 0, 8, 0, 7, 5, 0, 2, 1, 6, 4}},
        // Afternoon hours stay on the 24-hour clock whatever block 1 holds.
        {{1999, 7, 31, 23, 59, 58, 6}, {8, 5, 9, 5, 3, 2, 7, 1, 3, 7, 0, 9, 1}},
        // Leap day, Sunday: the day digits come straight from the date.
        {{2032, 2, 29, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0, 1, 9, 2, 2, 0, 2, 5}},
        // First year of the clock's range and the wrap after a hundred years.
        {{1980, 1, 1, 12, 30, 0, 2}, {0, 0, 0, 3, 2, 1, 3, 1, 0, 1, 0, 0, 0}},
        {{2080, 10, 10, 10, 10, 10, 4}, {0, 1, 0, 1, 0, 1, 5, 0, 1, 0, 1, 0, 0}},
        // A host clock before 1980 still reads as digits.
        {{1979, 6, 15, 1, 2, 3, 5}, {3, 0, 2, 0, 1, 0, 6, 5, 1, 6, 0, 9, 9}},
    };
    for (const Case& testCase : cases) {
        TFixedClock clock(testCase.moment);
        TRTClock rtc(clock);
        WriteRegister(rtc, 13, 0x01);  // the 12/24-hour and leap-year registers live in block 1
        WriteRegister(rtc, 10, 0x00);
        WriteRegister(rtc, 11, 0x03);
        WriteRegister(rtc, 13, 0x00);
        std::vector<std::uint8_t> expected;
        for (std::uint8_t digit : testCase.digits) {
            expected.push_back(digit | 0xF0);
        }
        EXPECT_EQ(ReadTimeBlock(rtc), expected) << testCase.moment.year;
    }
}

TEST(RTClockTest, TimeBlockFollowsTheClockAndIgnoresWrites)
{
    TFixedClock clock({2026, 12, 5, 8, 7, 9, 6});
    TRTClock rtc(clock);
    WriteRegister(rtc, 0, 0x03);
    EXPECT_EQ(ReadRegister(rtc, 0), 0xF9);
    clock.Set({2026, 12, 5, 8, 7, 14, 6});
    EXPECT_EQ(ReadRegister(rtc, 0), 0xF4);
    EXPECT_EQ(ReadRegister(rtc, 1), 0xF1);
}

TEST(RTClockTest, MemoryBlocksAreZeroedAndKeepWhatIsWritten)
{
    TFixedClock clock({});
    TRTClock rtc(clock);
    for (std::uint8_t block = 1; block < 4; ++block) {
        WriteRegister(rtc, 13, block);
        for (std::uint8_t index = 0; index < 13; ++index) {
            EXPECT_EQ(ReadRegister(rtc, index), 0xF0);
        }
    }
    WriteRegister(rtc, 13, 0x02);
    WriteRegister(rtc, 3, 0x05);
    EXPECT_EQ(ReadRegister(rtc, 3), 0xF5);
    WriteRegister(rtc, 13, 0x03);
    EXPECT_EQ(ReadRegister(rtc, 3), 0xF0);
    WriteRegister(rtc, 3, 0xA7);  // stored whole, read with the high bits set
    EXPECT_EQ(ReadRegister(rtc, 3), 0xF7);
    WriteRegister(rtc, 13, 0x02);
    EXPECT_EQ(ReadRegister(rtc, 3), 0xF5);
}

TEST(RTClockTest, ModeAndTestRegisters)
{
    TFixedClock clock({});
    TRTClock rtc(clock);
    EXPECT_EQ(ReadRegister(rtc, 13), 0xF0);
    WriteRegister(rtc, 13, 0x0E);  // timer enable bit dropped, block 2 kept
    EXPECT_EQ(ReadRegister(rtc, 13), 0xF2);
    WriteRegister(rtc, 14, 0x0F);
    WriteRegister(rtc, 15, 0x0F);
    EXPECT_EQ(ReadRegister(rtc, 14), 0xFF);
    EXPECT_EQ(ReadRegister(rtc, 15), 0xFF);
    EXPECT_EQ(ReadRegister(rtc, 13), 0xF2);
    rtc.WritePort(0xB4, 0x13);  // only the low four bits select
    EXPECT_EQ(rtc.ReadPort(0xB5), 0xF0);
    EXPECT_EQ(rtc.ReadPort(0xB4), 0xFF);
    rtc.WritePort(0xB6, 0x00);
    EXPECT_EQ(rtc.ReadPort(0xB6), 0xFF);
}

}  // namespace
