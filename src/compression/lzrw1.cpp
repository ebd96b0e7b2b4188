#include "compression/lzrw1.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "services/message_pump.h"
#include "compression/stream.h"

namespace {

constexpr std::uint8_t storedBlock = 0x80;
constexpr std::uint8_t codedBlock = 0x40;
constexpr int maximumOffset = 4095;
constexpr int minimumMatch = 3;
constexpr int maximumMatch = 18;
constexpr int minimumRun = 16;
constexpr int maximumRun = 4095;

constexpr std::uint8_t fastSignature[4] = {'W', 'R', 'Z', 'L'};
constexpr std::uint8_t lzhSignature[4] = {'!', 'H', 'Z', 'L'};

const char* const noMemoryText = "Lzrw1 (de)compression : Failed to get memory for I/O buffers !";
const char* const noInputSizeText = "Lzrw1 compression : Failed to obtain the size of the input stream !";
const char* const inputStreamText = "Lzrw1 (de)compression : Failed to initialize input stream !";
const char* const outputStreamText = "Lzrw1 (de)compression : Failed to initialize output stream !";
const char* const writeText = "Lzrw1 : Error writing to output stream !";
const char* const readText = "Lzrw1 : Error reading from input stream !";
const char* const readDataText = "Lzrw1 : Error reading from input stream ! (LZRW1/KH)";
const char* const headerText = "Lzrw1 decompression : input stream contains no valid header !";
const char* const sizeMismatchText = "Lzrw1 (decompression LZRW1/KH) : Original and compressed sizes do not match !";
const char* const damagedText = "Lzrw1 (decompression LZRW1/KH) : input stream is damaged !";
const char* const lzhText = "Lzrw1 decompression : LZH streams are not supported !";

void StoreLittleEndian32(std::uint8_t* destination, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        destination[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

std::uint32_t LoadLittleEndian32(const std::uint8_t* source)
{
    return source[0] | (source[1] << 8) | (source[2] << 16) | (static_cast<std::uint32_t>(source[3]) << 24);
}

// The number of equal leading bytes that an XOR of two eight-byte words shows, 8 when all are.
int EqualLeadingBytes(std::uint64_t difference)
{
    // The first byte in memory is the low byte on a little-endian host.
    const int bits = std::endian::native == std::endian::little ? std::countr_zero(difference)
                                                                : std::countl_zero(difference);
    return bits / 8;
}

// The eight bytes at a XOR those at b: zero where they agree.
std::uint64_t Difference(const std::uint8_t* a, const std::uint8_t* b)
{
    std::uint64_t first;
    std::uint64_t second;
    std::memcpy(&first, a, sizeof first);
    std::memcpy(&second, b, sizeof second);
    return first ^ second;
}

// How many leading bytes of a and b agree, at most limit, a word at a time.
// Tapes are mostly long runs: past the first word they go 32 bytes a step. The
// two may overlap.
int CommonLength(const std::uint8_t* a, const std::uint8_t* b, int limit)
{
    int length = 0;
    if (limit >= 8 && Difference(a, b) == 0) {
        length = 8;
        while (length + 32 <= limit
               && (Difference(a + length, b + length) | Difference(a + length + 8, b + length + 8)
                   | Difference(a + length + 16, b + length + 16) | Difference(a + length + 24, b + length + 24))
                      == 0) {
            length += 32;
        }
    }
    for (; length + 8 <= limit; length += 8) {
        if (const std::uint64_t difference = Difference(a + length, b + length); difference != 0) {
            return length + EqualLeadingBytes(difference);
        }
    }
    while (length < limit && a[length] == b[length]) {
        ++length;
    }
    return length;
}

// CommonLength with the limit maximumMatch, both sides holding that many bytes.
// Match lengths on a tape signal follow no pattern a processor could guess, so
// the length is put together with masks rather than branches.
int FullMatchLength(const std::uint8_t* a, const std::uint8_t* b)
{
    static_assert(maximumMatch == 18, "two words and two bytes");
    // With the last byte's top bit set the count stays within the word: 7 when all eight agree.
    constexpr std::uint64_t stop = std::endian::native == std::endian::little ? 1ULL << 63 : 1;
    const std::uint64_t first = Difference(a, b);
    const std::uint64_t second = Difference(a + 8, b + 8);
    // All ones when the word agrees in full, so that the next part counts on.
    const unsigned firstAgrees = 0U - static_cast<unsigned>(first == 0);
    const unsigned secondAgrees = 0U - static_cast<unsigned>(second == 0);
    const bool sixteenth = a[16] == b[16];
    const unsigned third = static_cast<unsigned>(sixteenth) + static_cast<unsigned>(sixteenth & (a[17] == b[17]));
    const unsigned rest = static_cast<unsigned>(EqualLeadingBytes(second | stop)) + (secondAgrees & (1 + third));
    return EqualLeadingBytes(first | stop) + static_cast<int>(firstAgrees & (1 + rest));
}

} // namespace

bool TLZR::GetMatch(const std::uint8_t* source, int position, int sourceSize, int& matchPosition, int& matchLength)
{
    // Past the chunk's end the hash takes zeros: those bytes only choose a slot.
    const std::uint32_t second = position + 1 < sourceSize ? source[position + 1] : 0;
    const std::uint32_t third = position + 2 < sourceSize ? source[position + 2] : 0;
    const std::uint32_t key = (static_cast<std::uint32_t>(source[position]) << 8) ^ (second << 4) ^ third;
    const std::uint32_t slot = ((40543u * key) >> 4) & 0x0FFF;

    const int candidate = hashTable[slot];
    hashTable[slot] = static_cast<std::int16_t>(position);
    // Most candidates in data that does not repeat fail on the first byte.
    if (candidate == -1 || position - candidate > maximumOffset || source[candidate] != source[position]) {
        return false;
    }
    const int length = sourceSize - position >= maximumMatch
                           ? FullMatchLength(source + position, source + candidate)
                           : CommonLength(source + position, source + candidate, sourceSize - position);
    if (length < minimumMatch) {
        return false;
    }
    matchPosition = candidate;
    matchLength = length;
    return true;
}

int TLZR::Compression(const std::uint8_t* source, std::uint8_t* destination, int sourceSize)
{
    hashTable.fill(-1);
    destination[0] = codedBlock;
    int x = 0;
    int y = 3;
    int controlPlace = 1;
    int bits = 0;
    std::uint16_t control = 0;

    while (x < sourceSize && y <= sourceSize) {
        if (bits > 15) {
            destination[controlPlace] = static_cast<std::uint8_t>(control >> 8);
            destination[controlPlace + 1] = static_cast<std::uint8_t>(control);
            controlPlace = y;
            y += 2;
            bits = 0;
        }
        // Each byte equal to its successor extends the run of source[x].
        const int run = 1 + CommonLength(source + x, source + x + 1, std::min(maximumRun, sourceSize - x) - 1);
        int matchPosition = 0;
        int matchLength = 0;
        if (run >= minimumRun) {
            const int stored = run - minimumRun;
            destination[y] = 0;
            destination[y + 1] = static_cast<std::uint8_t>(stored >> 8);
            destination[y + 2] = static_cast<std::uint8_t>(stored);
            destination[y + 3] = source[x];
            y += 4;
            x += run;
            control = static_cast<std::uint16_t>((control << 1) | 1);
        } else if (GetMatch(source, x, sourceSize, matchPosition, matchLength)) {
            const int key = (x - matchPosition) * 16 + (matchLength - minimumMatch);
            destination[y] = static_cast<std::uint8_t>(key >> 8);
            destination[y + 1] = static_cast<std::uint8_t>(key);
            y += 2;
            x += matchLength;
            control = static_cast<std::uint16_t>((control << 1) | 1);
        } else {
            destination[y] = source[x];
            ++y;
            ++x;
            control = static_cast<std::uint16_t>(control << 1);
        }
        ++bits;
    }
    control = bits == 0 ? 0 : static_cast<std::uint16_t>(control << (16 - bits));
    destination[controlPlace] = static_cast<std::uint8_t>(control >> 8);
    destination[controlPlace + 1] = static_cast<std::uint8_t>(control);

    if (y > sourceSize) {
        destination[0] = storedBlock;
        std::memcpy(destination + 1, source, static_cast<std::size_t>(sourceSize));
        return sourceSize + 1;
    }
    return y;
}

int TLZR::Decompression(const std::uint8_t* source, std::uint8_t* destination, int blockLength)
{
    if (blockLength <= 1) {
        return 0;
    }
    if (blockLength > maximumBlockLength) {
        throw ELzrw1Exception(damagedText);
    }
    if (source[0] == storedBlock) {
        std::memcpy(destination, source + 1, static_cast<std::size_t>(blockLength - 1));
        return blockLength - 1;
    }
    if (blockLength < 3) {
        throw ELzrw1Exception(damagedText);
    }

    int y = 3;
    std::uint16_t control = static_cast<std::uint16_t>((source[1] << 8) | source[2]);
    int bits = 16;
    int out = 0;
    while (y < blockLength) {
        if (bits == 0) {
            if (y + 1 >= blockLength) {
                throw ELzrw1Exception(damagedText);
            }
            control = static_cast<std::uint16_t>((source[y] << 8) | source[y + 1]);
            bits = 16;
            y += 2;
            // A control word must be followed by at least one item.
            if (y >= blockLength) {
                throw ELzrw1Exception(damagedText);
            }
        }
        if ((control & 0x8000) == 0) {
            if (out >= chunkSize) {
                throw ELzrw1Exception(damagedText);
            }
            destination[out++] = source[y++];
        } else {
            if (y + 1 >= blockLength) {
                throw ELzrw1Exception(damagedText);
            }
            const int offset = source[y] * 16 + (source[y + 1] >> 4);
            if (offset == 0) {
                if (y + 3 >= blockLength) {
                    throw ELzrw1Exception(damagedText);
                }
                const int count = source[y + 1] * 256 + source[y + 2] + minimumRun;
                if (count > chunkSize - out) {
                    throw ELzrw1Exception(damagedText);
                }
                std::memset(destination + out, source[y + 3], static_cast<std::size_t>(count));
                out += count;
                y += 4;
            } else {
                const int count = (source[y + 1] & 0x0F) + minimumMatch;
                if (offset > out || count > chunkSize - out) {
                    throw ELzrw1Exception(damagedText);
                }
                const std::uint8_t* from = destination + out - offset;
                if (offset >= count) {
                    std::memcpy(destination + out, from, static_cast<std::size_t>(count));
                } else {
                    // Overlapping copy: each byte may repeat one just written.
                    for (int i = 0; i < count; ++i) {
                        destination[out + i] = from[i];
                    }
                }
                out += count;
                y += 2;
            }
        }
        control = static_cast<std::uint16_t>(control << 1);
        --bits;
    }
    return out;
}

void Tlzrw1::ProcessMessages()
{
    if (MessagePump != nullptr) {
        MessagePump->ProcessMessages();
    }
}

void Tlzrw1::WriteBytes(const std::uint8_t* buffer, std::int64_t count)
{
    if (OutputStream->Write(buffer, count) != count) {
        throw ELzrw1Exception(writeText);
    }
    ProcessMessages();
}

void Tlzrw1::ReadBytes(std::uint8_t* buffer, std::int64_t count)
{
    if (InputStream->Read(buffer, count) != count) {
        throw ELzrw1Exception(readText);
    }
    ProcessMessages();
}

void Tlzrw1::CheckStreamPositions()
{
    if (InputStream == nullptr || InputStream->GetPosition() < 0) {
        throw ELzrw1Exception(inputStreamText);
    }
    if (OutputStream == nullptr || OutputStream->GetPosition() < 0) {
        throw ELzrw1Exception(outputStreamText);
    }
}

namespace {

struct TBuffers {
    TBuffers()
    {
        try {
            input.resize(TLZR::bufferSize);
            output.resize(TLZR::bufferSize);
        } catch (const std::bad_alloc&) {
            throw ELzrw1Exception(noMemoryText);
        }
    }
    std::vector<std::uint8_t> input;
    std::vector<std::uint8_t> output;
};

} // namespace

std::int64_t Tlzrw1::Compress()
{
    TBuffers buffers;
    const std::int64_t inputSize = InputStream == nullptr ? -1 : InputStream->GetSize();
    if (inputSize < 0 || inputSize > std::numeric_limits<std::int32_t>::max()) {
        throw ELzrw1Exception(noInputSizeText);
    }
    CheckStreamPositions();

    std::uint8_t header[8];
    std::memcpy(header, fastSignature, 4);
    StoreLittleEndian32(header + 4, static_cast<std::uint32_t>(inputSize));
    WriteBytes(header, sizeof header);
    std::int64_t written = sizeof header;

    while (true) {
        const std::int64_t got = InputStream->Read(buffers.input.data(), TLZR::chunkSize);
        if (got < 0) {
            throw ELzrw1Exception(readDataText);
        }
        ProcessMessages();
        const int blockLength = coder.Compression(buffers.input.data(), buffers.output.data(), static_cast<int>(got));
        const std::uint8_t lengthBytes[2] = {static_cast<std::uint8_t>(blockLength),
                                             static_cast<std::uint8_t>(blockLength >> 8)};
        WriteBytes(lengthBytes, 2);
        WriteBytes(buffers.output.data(), blockLength);
        written += 2 + blockLength;
        if (got < TLZR::chunkSize) {
            break;
        }
    }
    return written;
}

std::int64_t Tlzrw1::Decompress()
{
    TBuffers buffers;
    CheckStreamPositions();

    std::uint8_t header[4];
    ReadBytes(header, 4);
    if (std::memcmp(header, lzhSignature, 4) == 0) {
        throw ELzrw1Exception(lzhText);
    }
    if (std::memcmp(header, fastSignature, 4) != 0) {
        throw ELzrw1Exception(headerText);
    }
    ReadBytes(header, 4);
    const std::int64_t expectedSize = static_cast<std::int32_t>(LoadLittleEndian32(header));

    std::int64_t total = 0;
    while (true) {
        std::uint8_t lengthBytes[2];
        ReadBytes(lengthBytes, 2);
        const int blockLength = lengthBytes[0] | (lengthBytes[1] << 8);
        if (blockLength > TLZR::maximumBlockLength) {
            throw ELzrw1Exception(damagedText);
        }
        ReadBytes(buffers.input.data(), blockLength);
        const int decoded = coder.Decompression(buffers.input.data(), buffers.output.data(), blockLength);
        total += decoded;
        // More data than the header announced: stop before it reaches the output.
        if (total > expectedSize) {
            throw ELzrw1Exception(sizeMismatchText);
        }
        WriteBytes(buffers.output.data(), decoded);
        if (decoded < TLZR::chunkSize) {
            break;
        }
    }
    if (total != expectedSize) {
        throw ELzrw1Exception(sizeMismatchText);
    }
    return total;
}
