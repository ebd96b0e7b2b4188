#include "compression/lzrw1.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "services/message_pump.h"
#include "compression/stream.h"
#include "support/lzrw1_bytes.h"

namespace {

using Bytes = std::vector<std::uint8_t>;



std::string DecompressError(const Bytes& input)
{
    try {
        DecompressBytes(input);
    } catch (const ELzrw1Exception& error) {
        return error.what();
    }
    return "";
}

Bytes RandomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    Bytes bytes(size);
    for (auto& byte : bytes) {
        byte = static_cast<std::uint8_t>(generator());
    }
    return bytes;
}

// Square waves of two periods, as a recorded tape holds them, between blank stretches.
Bytes TapeLikeBytes(std::size_t size)
{
    Bytes bytes(size, 0);
    std::mt19937 generator(7);
    std::size_t bit = 0;
    const std::size_t bits = size * 8;
    while (bit < bits) {
        const int halfWave = (generator() & 1) ? 25 : 50;
        for (int level = 1; level >= 0; --level) {
            for (int i = 0; i < halfWave && bit < bits; ++i, ++bit) {
                if (level) {
                    bytes[bit / 8] |= static_cast<std::uint8_t>(1 << (bit % 8));
                }
            }
        }
        if (generator() % 64 == 0) {
            bit += 8 * 5000;
        }
    }
    return bytes;
}

Bytes Container(std::uint32_t size, const Bytes& blocks)
{
    Bytes stream(8 + blocks.size());
    const std::uint8_t header[8] = {'W', 'R', 'Z', 'L', static_cast<std::uint8_t>(size),
                                    static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size >> 16),
                                    static_cast<std::uint8_t>(size >> 24)};
    std::copy(std::begin(header), std::end(header), stream.begin());
    std::copy(blocks.begin(), blocks.end(), stream.begin() + 8);
    return stream;
}

TEST(Lzrw1Test, WritesTheExactBytesOfKnownInputs)
{
    struct Case {
        const char* name;
        Bytes input;
        Bytes expected;
    };
    Bytes zeroBlock = {38, 0, 0x40, 0xFF, 0x40};
    for (int i = 0; i < 8; ++i) {
        zeroBlock.insert(zeroBlock.end(), {0x00, 0x0F, 0xEF, 0x00});
    }
    zeroBlock.insert(zeroBlock.end(), {0x00, 0x00, 0x14, 0x01, 0x00, 0x80});

    const Case cases[] = {
        {"empty", {}, Container(0, {0x01, 0x00, 0x80})},
        {"100 zeros", Bytes(100, 0), Container(100, {7, 0, 0x40, 0x80, 0x00, 0x00, 0x00, 0x54, 0x00})},
        {"ABCABCABC", Bytes{'A', 'B', 'C', 'A', 'B', 'C', 'A', 'B', 'C'},
         Container(9, {8, 0, 0x40, 0x10, 0x00, 'A', 'B', 'C', 0x00, 0x33})},
        {"32768 zeros", Bytes(32768, 0), Container(32768, zeroBlock)},
        {"one byte", Bytes{0x5A}, Container(1, {2, 0, 0x80, 0x5A})},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(CompressBytes(test.input), test.expected) << test.name;
    }
    EXPECT_EQ(Container(32768, zeroBlock).size(), 51u);
}

TEST(Lzrw1Test, StoresIncompressibleChunksWithAnEmptyBlockAfterAFullLastChunk)
{
    const Bytes input = RandomBytes(32768, 1);
    const Bytes output = CompressBytes(input);
    ASSERT_EQ(output.size(), 8u + 2 + 32769 + 2 + 1);
    EXPECT_EQ(output[8], 0x01);
    EXPECT_EQ(output[9], 0x80);
    EXPECT_EQ(output[10], 0x80);
    EXPECT_TRUE(std::equal(input.begin(), input.end(), output.begin() + 11));
    EXPECT_EQ(output[output.size() - 3], 0x01);
    EXPECT_EQ(output[output.size() - 2], 0x00);
    EXPECT_EQ(output[output.size() - 1], 0x80);
}

TEST(Lzrw1Test, RoundTripsEveryKindOfBuffer)
{
    struct Case {
        const char* name;
        Bytes input;
    };
    Bytes pattern(100000);
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        pattern[i] = static_cast<std::uint8_t>("square waves"[i % 12]);
    }
    const Case cases[] = {
        {"empty", {}},
        {"one byte", {0xC3}},
        {"32767 random", RandomBytes(32767, 2)},
        {"32768 random", RandomBytes(32768, 3)},
        {"32769 random", RandomBytes(32769, 4)},
        {"200000 random", RandomBytes(200000, 5)},
        {"all zero", Bytes(300000, 0)},
        {"all ones", Bytes(70000, 0xFF)},
        {"tape-like", TapeLikeBytes(400000)},
        {"pattern", pattern},
    };
    for (const Case& test : cases) {
        const Bytes compressed = CompressBytes(test.input);
        EXPECT_EQ(DecompressBytes(compressed), test.input) << test.name;
    }
}

// The block coder as the format describes it, a byte at a time: the coder's
// word-wide searches must make exactly the same choices.
Bytes ReferenceBlock(const Bytes& source)
{
    const int size = static_cast<int>(source.size());
    const auto at = [&](int position) { return position < size ? source[position] : 0; };
    std::vector<int> table(4096, -1);
    Bytes block(static_cast<std::size_t>(size) + 20, 0);
    block[0] = 0x40;
    int x = 0, y = 3, controlPlace = 1, bits = 0;
    unsigned control = 0;
    while (x < size && y <= size) {
        if (bits > 15) {
            block[controlPlace] = static_cast<std::uint8_t>(control >> 8);
            block[controlPlace + 1] = static_cast<std::uint8_t>(control);
            controlPlace = y;
            y += 2;
            bits = 0;
        }
        int run = 1;
        while (run < 4095 && x + run < size && source[x + run] == source[x]) ++run;
        const unsigned slot = ((40543u * ((at(x) << 8) ^ (at(x + 1) << 4) ^ at(x + 2))) >> 4) & 0x0FFF;
        int length = 0;
        const int candidate = table[slot];
        if (run < 16) {
            table[slot] = x;
            if (candidate != -1 && x - candidate < 4096) {
                while (length < 18 && x + length < size && source[x + length] == source[candidate + length]) ++length;
            }
        }
        if (run >= 16) {
            const Bytes item = {0, static_cast<std::uint8_t>((run - 16) >> 8), static_cast<std::uint8_t>(run - 16), source[x]};
            std::copy(item.begin(), item.end(), block.begin() + y);
            y += 4;
            x += run;
            control = control * 2 + 1;
        } else if (length >= 3) {
            const int key = (x - candidate) * 16 + length - 3;
            block[y] = static_cast<std::uint8_t>(key >> 8);
            block[y + 1] = static_cast<std::uint8_t>(key);
            y += 2;
            x += length;
            control = control * 2 + 1;
        } else {
            block[y++] = source[x++];
            control = control * 2;
        }
        ++bits;
    }
    control = (control << (16 - bits)) & 0xFFFF;
    block[controlPlace] = static_cast<std::uint8_t>(control >> 8);
    block[controlPlace + 1] = static_cast<std::uint8_t>(control);
    if (y > size) {
        block.assign(1, 0x80);
        block.insert(block.end(), source.begin(), source.end());
        return block;
    }
    block.resize(static_cast<std::size_t>(y));
    return block;
}

TEST(Lzrw1Test, CodesChunksAsTheByteWiseCoderDoes)
{
    std::vector<Bytes> chunks;
    // Runs ending on every side of the word and step sizes, and at the chunk's end.
    for (int length : {7, 8, 9, 15, 16, 17, 39, 40, 41, 4094, 4095, 4096, 8200}) {
        Bytes chunk(static_cast<std::size_t>(length), 0x55);
        chunk.push_back(0x56);
        chunk.insert(chunk.end(), static_cast<std::size_t>(length), 0xAA);
        chunks.push_back(chunk);
    }
    // Repeats of every length up to and past the longest copy, near the end too.
    for (int period = 2; period < 24; ++period) {
        Bytes chunk = RandomBytes(static_cast<std::size_t>(period), static_cast<unsigned>(period));
        for (int i = 0; i < 3 * period + 5; ++i) chunk.push_back(chunk[static_cast<std::size_t>(i)]);
        chunk.push_back(0x00);
        chunks.push_back(chunk);
    }
    chunks.push_back(TapeLikeBytes(TLZR::chunkSize));
    chunks.push_back(RandomBytes(TLZR::chunkSize, 9));
    const Bytes tape = TapeLikeBytes(TLZR::chunkSize * 4);
    chunks.emplace_back(tape.end() - TLZR::chunkSize, tape.end());

    TLZR coder;
    Bytes source(TLZR::bufferSize);
    Bytes block(TLZR::bufferSize);
    for (const Bytes& chunk : chunks) {
        for (std::size_t size = chunk.size() > 40 ? chunk.size() - 20 : 0; size <= chunk.size(); ++size) {
            std::fill(source.begin(), source.end(), 0xE7);
            std::copy(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(size), source.begin());
            const int length = coder.Compression(source.data(), block.data(), static_cast<int>(size));
            const Bytes expected = ReferenceBlock(Bytes(chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(size)));
            ASSERT_EQ(Bytes(block.begin(), block.begin() + length), expected) << chunk.size() << " cut to " << size;
        }
    }
}

TEST(Lzrw1Test, CompressesTapeLikeDataWell)
{
    const Bytes input = TapeLikeBytes(1000000);
    EXPECT_LT(CompressBytes(input).size(), input.size() / 4);
}

TEST(Lzrw1Test, OverlappingCopyRepeatsThePattern)
{
    // Literal 'x', then a copy with offset 1 and count 10.
    const Bytes stream = Container(11, {6, 0, 0x40, 0x40, 0x00, 'x', 0x00, 0x17});
    EXPECT_EQ(DecompressBytes(stream), Bytes(11, 'x'));
}

TEST(Lzrw1Test, RefusesForeignAndDamagedStreams)
{
    struct Case {
        const char* name;
        Bytes stream;
        const char* error;
    };
    const char* const damaged = "Lzrw1 (decompression LZRW1/KH) : input stream is damaged !";
    const char* const mismatch = "Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !";
    // Nine runs of 4111 bytes each overflow one 32 768-byte chunk.
    Bytes nineLongRuns = {39, 0, 0x40, 0xFF, 0x80};
    for (int i = 0; i < 9; ++i) {
        nineLongRuns.insert(nineLongRuns.end(), {0x00, 0x0F, 0xFF, 0x00});
    }
    const Case cases[] = {
        {"wrong signature", {'W', 'R', 'Z', 'X', 0, 0, 0, 0, 1, 0, 0x80},
         "Lzrw1 decompression : input stream contains no valid header !"},
        {"LZH signature", {'!', 'H', 'Z', 'L', 0, 0, 0, 0, 1, 0, 0x80},
         "Lzrw1 decompression : LZH streams are not supported !"},
        {"short signature", {'W', 'R'}, "Lzrw1 : Error reading from input stream !"},
        {"missing block", Container(0, {}), "Lzrw1 : Error reading from input stream !"},
        {"short block", Container(3, {4, 0, 0x80, 1}), "Lzrw1 : Error reading from input stream !"},
        {"copy before the start", Container(3, {5, 0, 0x40, 0x80, 0x00, 0x00, 0x10}), damaged},
        {"run past the chunk", Container(40000, nineLongRuns), damaged},
        {"item cut short", Container(3, {4, 0, 0x40, 0x80, 0x00, 0x00}), damaged},
        {"block too long", Container(3, {0x02, 0x81}), damaged},
        {"size too small", Container(2, {4, 0, 0x80, 1, 2, 3}), mismatch},
        {"size too large", Container(9, {4, 0, 0x80, 1, 2, 3}), mismatch},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(DecompressError(test.stream), test.error) << test.name;
    }
}

TEST(Lzrw1Test, SurvivesEveryCorruptionAndTruncationOfASmallStream)
{
    Bytes input = TapeLikeBytes(3000);
    input.insert(input.end(), {'A', 'B', 'C', 'A', 'B', 'C', 'A', 'B', 'C'});
    const Bytes valid = CompressBytes(input);
    ASSERT_EQ(DecompressBytes(valid), input);
    ASSERT_LT(valid.size(), 400u);

    for (std::size_t length = 0; length < valid.size(); ++length) {
        const Bytes truncated(valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_NE(DecompressError(truncated), "") << "truncated to " << length;
    }
    for (std::size_t index = 0; index < valid.size(); ++index) {
        for (int value = 0; value < 256; ++value) {
            if (value == valid[index]) {
                continue;
            }
            Bytes corrupted = valid;
            corrupted[index] = static_cast<std::uint8_t>(value);
            try {
                // An undetectable change still yields exactly the announced size.
                const Bytes output = DecompressBytes(corrupted);
                EXPECT_EQ(output.size(), input.size()) << "byte " << index;
            } catch (const ELzrw1Exception&) {
            }
        }
    }
}

class TCountingPump : public TMessagePump {
public:
    void ProcessMessages() override { ++calls; }
    int calls = 0;
};

TEST(Lzrw1Test, ProcessesMessagesWhileCompressing)
{
    TCountingPump pump;
    CompressBytes(Bytes(100000, 0), &pump);
    // Header, then for each of the four chunks: the read, the length and the data.
    EXPECT_EQ(pump.calls, 1 + 4 * 3);
}

class TFailingStream : public TMemoryStream {
public:
    std::int64_t position = 0;
    std::int64_t writeLimit = 1 << 30;
    bool readFails = false;
    std::int64_t Read(std::uint8_t* buffer, std::int64_t count) override
    {
        return readFails ? -1 : TMemoryStream::Read(buffer, count);
    }
    std::int64_t Write(const std::uint8_t* buffer, std::int64_t count) override
    {
        const std::int64_t taken = std::min(count, writeLimit);
        writeLimit -= taken;
        return TMemoryStream::Write(buffer, taken);
    }
    std::int64_t GetPosition() override { return position; }
};

TEST(Lzrw1Test, ReportsStreamFailures)
{
    struct Case {
        const char* name;
        bool failInput;
        std::int64_t inputPosition;
        std::int64_t outputPosition;
        std::int64_t writeLimit;
        bool readFails;
        const char* error;
    };
    const Case cases[] = {
        {"no input", true, 0, 0, 1 << 30, false, "Lzrw1 compression : Failed to obtain the size of the input stream !"},
        {"input position", false, -1, 0, 1 << 30, false, "Lzrw1 (de)compression : Failed to initialize input stream !"},
        {"output position", false, 0, -1, 1 << 30, false, "Lzrw1 (de)compression : Failed to initialize output stream !"},
        {"short write", false, 0, 0, 9, false, "Lzrw1 : Error writing to output stream !"},
        {"failed read", false, 0, 0, 1 << 30, true, "Lzrw1 : Error reading from input stream ! (LZRW1/KH)"},
    };
    for (const Case& test : cases) {
        TFailingStream source;
        const Bytes data(1000, 1);
        source.Write(data.data(), static_cast<std::int64_t>(data.size()));
        source.SetPosition(0);
        source.position = test.inputPosition;
        source.readFails = test.readFails;
        TFailingStream target;
        target.position = test.outputPosition;
        target.writeLimit = test.writeLimit;
        Tlzrw1 compressor;
        compressor.InputStream = test.failInput ? nullptr : &source;
        compressor.OutputStream = &target;
        std::string error;
        try {
            compressor.Compress();
        } catch (const ELzrw1Exception& exception) {
            error = exception.what();
        }
        EXPECT_EQ(error, test.error) << test.name;
    }
}

} // namespace
