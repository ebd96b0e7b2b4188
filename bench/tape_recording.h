#pragma once

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

namespace bench {

// A full 45-minute Very High tape: 120 000 samples per second of emulated time.
constexpr std::size_t tapeBytes = 40500000;
constexpr std::size_t samplesPerSecond = 120000;

class TTapeWriter {
public:
    explicit TTapeWriter(std::vector<std::uint8_t>& tape) : tape(tape) {}

    void Level(bool high, std::size_t samples)
    {
        for (std::size_t i = 0; i < samples && bit < tape.size() * 8; ++i, ++bit) {
            if (high) {
                tape[bit / 8] |= static_cast<std::uint8_t>(1 << (bit % 8));
            }
        }
    }
    // One wave of the given half period; the emulated timing loop jitters by a sample now and then.
    void Wave(std::size_t halfPeriod)
    {
        Level(true, halfPeriod + Jitter());
        Level(false, halfPeriod + Jitter());
    }
    // 1200 baud FSK: a 0 is one 1200 Hz wave, a 1 two 2400 Hz waves.
    void Byte(std::uint8_t value)
    {
        Wave(50);
        for (int i = 0; i < 8; ++i) {
            DataBit((value >> i) & 1);
        }
        DataBit(true);
        DataBit(true);
    }
    void DataBit(bool one)
    {
        if (one) {
            Wave(25);
            Wave(25);
        } else {
            Wave(50);
        }
    }
    void Blank(std::size_t seconds) { bit += seconds * samplesPerSecond; }
    std::size_t Seconds() const { return bit / samplesPerSecond; }

private:
    int Jitter() { return generator() % 8 == 0 ? static_cast<int>(generator() % 2) : 0; }

    std::vector<std::uint8_t>& tape;
    std::size_t bit = 0;
    std::mt19937 generator{1};
};

// Several minutes of recorded files (header tone, then program bytes), the rest blank.
inline const std::vector<std::uint8_t>& RealisticTape()
{
    static const std::vector<std::uint8_t> tape = [] {
        std::vector<std::uint8_t> bytes(tapeBytes, 0);
        TTapeWriter writer(bytes);
        std::mt19937 generator(2);
        const char* const text = "10 PRINT \"HELLO\":GOTO 10\r\n20 FOR I=1 TO 100:NEXT I\r\n";
        const std::size_t textLength = std::strlen(text);
        std::size_t textPosition = 0;
        writer.Blank(2);
        while (writer.Seconds() < 6 * 60) {
            for (int i = 0; i < 8000; ++i) {
                writer.Wave(25);
            }
            for (int i = 0; i < 4000; ++i) {
                // Program text with the odd binary byte between the lines.
                const std::uint8_t value = generator() % 4 == 0 ? static_cast<std::uint8_t>(generator())
                                                                 : static_cast<std::uint8_t>(text[textPosition]);
                textPosition = (textPosition + 1) % textLength;
                writer.Byte(value);
            }
            writer.Blank(3);
        }
        return bytes;
    }();
    return tape;
}

} // namespace bench
