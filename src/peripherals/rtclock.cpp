#include "peripherals/rtclock.h"

#include <ctime>

#include "settings/state_record.h"

namespace {

const TSystemClock systemClock;

// Years are counted from 1980 in two decimal digits; a host clock set before
// 1980 still gives digits 0-9 instead of negative values.
int YearsSince1980(int year)
{
    return ((year - 1980) % 100 + 100) % 100;
}

}  // namespace

TLocalDateTime TSystemClock::Now() const
{
    const std::time_t now = std::time(nullptr);
    const std::tm* local = std::localtime(&now);
    TLocalDateTime result;
    if (local == nullptr) {
        return result;
    }
    result.year = local->tm_year + 1900;
    result.month = local->tm_mon + 1;
    result.day = local->tm_mday;
    result.hour = local->tm_hour;
    result.minute = local->tm_min;
    result.second = local->tm_sec;
    result.weekday = local->tm_wday;
    return result;
}

TRTClock::TRTClock() : clock(systemClock) {}

TRTClock::TRTClock(const TClock& clock) : clock(clock) {}

std::uint8_t TRTClock::ReadPort(std::uint8_t port)
{
    if (port != 0xB5) {
        return 0xFF;
    }
    if (latch == modeRegister) {
        return block | 0xF0;
    }
    if (latch > modeRegister) {
        return 0xFF;
    }
    if (block == 0) {
        return TimeDigit(latch) | 0xF0;
    }
    return memory[block][latch] | 0xF0;
}

void TRTClock::WritePort(std::uint8_t port, std::uint8_t value)
{
    if (port == 0xB4) {
        latch = value & 0x0F;
    } else if (port == 0xB5) {
        if (latch < registerCount) {
            memory[block][latch] = value;
        } else if (latch == modeRegister) {
            block = value & 0x03;
        }
    }
}

void TRTClock::SaveState(TStateWriter& record) const
{
    record.Byte(latch);
    record.Byte(block);
    for (const auto& registers : memory) {
        record.Bytes(registers);
    }
}

bool TRTClock::LoadState(TStateReader& record)
{
    latch = record.Byte() & 0x0F;
    block = record.Byte() & 0x03;
    for (auto& registers : memory) {
        record.Bytes(registers);
    }
    return !record.Failed();
}

std::uint8_t TRTClock::TimeDigit(std::uint8_t index) const
{
    const TLocalDateTime now = clock.Now();
    const int years = YearsSince1980(now.year);
    int digit = 0;
    switch (index) {
    case 0: digit = now.second % 10; break;
    case 1: digit = now.second / 10; break;
    case 2: digit = now.minute % 10; break;
    case 3: digit = now.minute / 10; break;
    case 4: digit = now.hour % 10; break;
    case 5: digit = now.hour / 10; break;
    case 6: digit = now.weekday + 1; break;
    case 7: digit = now.day % 10; break;
    case 8: digit = now.day / 10; break;
    case 9: digit = now.month % 10; break;
    case 10: digit = now.month / 10; break;
    case 11: digit = years % 10; break;
    case 12: digit = years / 10; break;
    default: break;
    }
    return static_cast<std::uint8_t>(digit & 0x0F);
}
