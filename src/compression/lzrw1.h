#pragma once

#include <array>
#include <cstdint>
#include <exception>

class TStream;
class TMessagePump;

// Compression errors carry a fixed English text that reaches the user as is.
class ELzrw1Exception : public std::exception {
public:
    explicit ELzrw1Exception(const char* message) : message(message) {}
    const char* what() const noexcept override { return message; }

private:
    const char* message;
};

// The LZRW1-KH block coder: one chunk of at most chunkSize bytes per block.
class TLZR {
public:
    static constexpr int chunkSize = 32768;
    // A block is never longer than a stored chunk: the marker byte and the chunk.
    static constexpr int maximumBlockLength = chunkSize + 1;
    // Coding may run a few bytes past the chunk size before it falls back to a stored block.
    static constexpr int bufferSize = chunkSize + 16;

    // Codes source[0 .. sourceSize - 1] (sourceSize at most chunkSize) into destination,
    // which must hold bufferSize bytes; returns the length of the block data.
    int Compression(const std::uint8_t* source, std::uint8_t* destination, int sourceSize);
    // Decodes blockLength bytes of block data into destination (bufferSize bytes) and
    // returns the decoded length. A block that would write more than chunkSize bytes,
    // copy from before its start or end in the middle of an item raises ELzrw1Exception.
    int Decompression(const std::uint8_t* source, std::uint8_t* destination, int blockLength);

private:
    bool GetMatch(const std::uint8_t* source, int position, int sourceSize, int& matchPosition, int& matchLength);

    std::array<std::int16_t, 4096> hashTable{};
};

// Stream-to-stream compressor with the "WRZL" container: signature, uncompressed
// size and one block per 32 768-byte chunk. Only the LZRW1-KH method is built.
class Tlzrw1 {
public:
    // Neither stream is owned. The message pump, when set, is given the host's
    // pending messages after every container read and write.
    TStream* InputStream = nullptr;
    TStream* OutputStream = nullptr;
    TMessagePump* MessagePump = nullptr;

    // Codes InputStream from its position to its end; returns the bytes written.
    std::int64_t Compress();
    // Reads one container from InputStream; returns the bytes written to OutputStream.
    std::int64_t Decompress();

private:
    void ProcessMessages();
    void WriteBytes(const std::uint8_t* buffer, std::int64_t count);
    void ReadBytes(std::uint8_t* buffer, std::int64_t count);
    void CheckStreamPositions();

    TLZR coder;
};
