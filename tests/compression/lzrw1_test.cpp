#include "compression/lzrw1.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "compression/stream.h"
#include "support/lzrw1_bytes.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string DecompressError(const Bytes& input) {
    try {
        DecompressBytes(input);
    } catch (const ELzrw1Exception& error) {
        return error.what();
    }
    return "";
}

Bytes RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    Bytes bytes(size);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(generator());
    return bytes;
}

// Square waves of two periods, as a recorded tape holds them, between blank stretches.
Bytes TapeLikeBytes(std::size_t size) {
    std::mt19937 generator(7);
    Bytes bytes(size, 0);
    for (std::size_t bit = 0; bit < size * 8;) {
        const std::size_t halfWave = (generator() & 1) ? 25 : 50;
        for (std::size_t i = 0; i < halfWave && bit < size * 8; ++i, ++bit) bytes[bit / 8] |= 1 << bit % 8;
        bit += halfWave + (generator() % 64 == 0 ? 8 * 5000 : 0);
    }
    return bytes;
}

// The container: "WRZL", the size low byte first, then the blocks (a length, low byte first, and the data).
Bytes Container(std::uint32_t size, const Bytes& blocks) {
    Bytes stream(8 + blocks.size());
    const std::uint8_t header[] = {'W', 'R', 'Z', 'L', std::uint8_t(size), std::uint8_t(size >> 8),
                                   std::uint8_t(size >> 16), std::uint8_t(size >> 24)};
    std::copy(std::begin(header), std::end(header), stream.begin());
    std::copy(blocks.begin(), blocks.end(), stream.begin() + 8);
    return stream;
}

// A coded block is 40h, then 16 control bits (1 for a copy or run) before every 16 items. A copy is
// offset * 16 + length - 3, a run of 16 or more bytes is 00, length - 16 in 12 bits, the byte.
TEST(Lzrw1Test, WritesTheExactBytesOfKnownInputs) {
    Bytes zeroBlock = {38, 0, 0x40, 0xFF, 0x40};
    for (int i = 0; i < 8; ++i) zeroBlock.insert(zeroBlock.end(), {0x00, 0x0F, 0xEF, 0x00});
    zeroBlock.insert(zeroBlock.end(), {0x00, 0x00, 0x14, 0x01, 0x00, 0x80});
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    // 16 literals, 10 literals and copies of 18 and 8 bytes from 26 back.
    const std::string alphabetBlock = std::string("\x23\x00\x40\x00\x00", 5) + alphabet.substr(0, 16) +
                                      std::string("\x00\x30", 2) + alphabet.substr(16) + "\x01\xAF\x01\xA5";
    const struct {
        const char* name;
        Bytes input, expected;
    } cases[] = {
        {"empty", {}, Container(0, {0x01, 0x00, 0x80})},
        {"one byte, stored", Bytes{0x5A}, Container(1, {2, 0, 0x80, 0x5A})},
        {"100 zeros", Bytes(100, 0), Container(100, {7, 0, 0x40, 0x80, 0x00, 0x00, 0x00, 0x54, 0x00})},
        {"ABCABCABC", Bytes{'A', 'B', 'C', 'A', 'B', 'C', 'A', 'B', 'C'},
         Container(9, {8, 0, 0x40, 0x10, 0x00, 'A', 'B', 'C', 0x00, 0x33})},
        {"15 equal bytes: a copy", Bytes(15, 0x55), Container(15, {6, 0, 0x40, 0x40, 0x00, 0x55, 0x00, 0x1B})},
        {"16 equal bytes: a run", [] { Bytes b(16, 0x55); b.push_back('x'); return b; }(),
         Container(17, {8, 0, 0x40, 0x80, 0x00, 0x00, 0x00, 0x00, 0x55, 'x'})},
        {"alphabet twice", [&] { const std::string two = alphabet + alphabet; return Bytes(two.begin(), two.end()); }(),
         Container(52, Bytes(alphabetBlock.begin(), alphabetBlock.end()))},
        {"32768 zeros", Bytes(32768, 0), Container(32768, zeroBlock)},
    };
    for (const auto& test : cases) EXPECT_EQ(CompressBytes(test.input), test.expected) << test.name;
}

TEST(Lzrw1Test, RoundTripsEveryKindOfBuffer) {
    Bytes pattern(100000);
    for (std::size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<std::uint8_t>("square waves"[i % 12]);
    for (const Bytes& input : {RandomBytes(32767, 2), RandomBytes(32769, 4), RandomBytes(200000, 5), Bytes(300000, 0),
                               TapeLikeBytes(400000), pattern}) {
        EXPECT_EQ(DecompressBytes(CompressBytes(input)), input) << input.size() << " bytes";
    }
}

TEST(Lzrw1Test, DecodesOverlappingCopiesAndRefusesForeignAndDamagedStreams) {
    EXPECT_EQ(DecompressBytes(Container(11, {6, 0, 0x40, 0x40, 0x00, 'x', 0x00, 0x17})), Bytes(11, 'x'))
        << "a copy from 1 back repeats the byte";
    const char* const damaged = "Lzrw1 (decompression LZRW1/KH) : input stream is damaged !";
    const char* const mismatch = "Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !";
    const char* const unreadable = "Lzrw1 : Error reading from input stream !";
    Bytes nineLongRuns = {39, 0, 0x40, 0xFF, 0x80};  // 9 * 4111 bytes overflow a 32768-byte chunk
    for (int i = 0; i < 9; ++i) nineLongRuns.insert(nineLongRuns.end(), {0x00, 0x0F, 0xFF, 0x00});
    const struct {
        const char* name;
        Bytes stream;
        const char* error;
    } cases[] = {
        {"wrong signature", {'W', 'R', 'Z', 'X', 0, 0, 0, 0, 1, 0, 0x80},
         "Lzrw1 decompression : input stream contains no valid header !"},
        {"LZH signature", {'!', 'H', 'Z', 'L', 0, 0, 0, 0, 1, 0, 0x80},
         "Lzrw1 decompression : LZH streams are not supported !"},
        {"short signature", {'W', 'R'}, unreadable},
        {"missing block", Container(0, {}), unreadable},
        {"short block", Container(3, {4, 0, 0x80, 1}), unreadable},
        {"copy before the start", Container(3, {5, 0, 0x40, 0x80, 0x00, 0x00, 0x10}), damaged},
        {"run past the chunk", Container(40000, nineLongRuns), damaged},
        {"item cut short", Container(3, {4, 0, 0x40, 0x80, 0x00, 0x00}), damaged},
        {"block too long", Container(3, {0x02, 0x81}), damaged},
        {"size too small", Container(2, {4, 0, 0x80, 1, 2, 3}), mismatch},
        {"size too large", Container(9, {4, 0, 0x80, 1, 2, 3}), mismatch},
    };
    for (const auto& test : cases) EXPECT_EQ(DecompressError(test.stream), test.error) << test.name;
}

TEST(Lzrw1Test, SurvivesEveryCorruptionAndTruncationOfASmallStream) {
    Bytes input = TapeLikeBytes(3000);
    input.insert(input.end(), {'A', 'B', 'C', 'A', 'B', 'C', 'A', 'B', 'C'});
    const Bytes valid = CompressBytes(input);
    ASSERT_EQ(DecompressBytes(valid), input);
    for (std::size_t length = 0; length < valid.size(); ++length) {
        EXPECT_NE(DecompressError(Bytes(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(length))), "")
            << "truncated to " << length;
    }
    for (std::size_t index = 0; index < valid.size(); ++index) {
        for (int value = 0; value < 256; ++value) {
            Bytes corrupted = valid;
            corrupted[index] = static_cast<std::uint8_t>(value);
            try {
                // An undetectable change still yields exactly the announced size.
                EXPECT_EQ(DecompressBytes(corrupted).size(), input.size()) << "byte " << index;
            } catch (const ELzrw1Exception&) {
            }
        }
    }
}

}  // namespace
