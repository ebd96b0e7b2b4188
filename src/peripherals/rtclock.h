#pragma once

#include <array>
#include <cstdint>

class TStateReader;
class TStateWriter;

// The local date and time as the clock chip needs it, on a 24-hour clock.
struct TLocalDateTime {
    int year = 1980;
    int month = 1;    // 1-12
    int day = 1;      // 1-31
    int hour = 0;     // 0-23
    int minute = 0;
    int second = 0;
    int weekday = 0;  // 0 Sunday to 6 Saturday
};

// Host service: the current local date and time. Injected so that a fixed
// clock gives exact, repeatable readings.
class TClock {
public:
    virtual ~TClock() = default;
    virtual TLocalDateTime Now() const = 0;
};

// The host's local date and time from the standard library.
class TSystemClock : public TClock {
public:
    TLocalDateTime Now() const override;
};

// A clock that always answers the date and time it was given.
class TFixedClock : public TClock {
public:
    explicit TFixedClock(const TLocalDateTime& moment) : moment(moment) {}
    TLocalDateTime Now() const override { return moment; }
    void Set(const TLocalDateTime& newMoment) { moment = newMoment; }

private:
    TLocalDateTime moment;
};

// Real-time clock behind ports B4h (register select) and B5h (data). Block 0
// is never kept: every read takes the clock's current date and time. Blocks
// 1-3 are plain storage.
class TRTClock {
public:
    TRTClock();  // reads the system clock
    explicit TRTClock(const TClock& clock);

    std::uint8_t ReadPort(std::uint8_t port);
    void WritePort(std::uint8_t port, std::uint8_t value);

    // Latch, block and the registers as written. The time is the clock's and
    // is not kept: the chip has no time of its own to restore.
    void SaveState(TStateWriter& record) const;
    bool LoadState(TStateReader& record);

private:
    static constexpr int registerCount = 13;
    static constexpr std::uint8_t modeRegister = 13;

    std::uint8_t TimeDigit(std::uint8_t index) const;

    const TClock& clock;
    std::uint8_t latch = 0;
    std::uint8_t block = 0;
    std::array<std::array<std::uint8_t, registerCount>, 4> memory{};
};
