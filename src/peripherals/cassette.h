#pragma once

#include <cstdint>

#include "compression/stream.h"

// A byte stream over the tape's buffer, which it neither owns, grows nor frees:
// the compressor reads the tape through it and the decompressor fills it.
class TCassetteStream : public TStream {
public:
    TCassetteStream(std::uint8_t* buffer, std::int64_t size);

    std::int64_t Read(std::uint8_t* destination, std::int64_t count) override;
    std::int64_t Write(const std::uint8_t* source, std::int64_t count) override;
    std::int64_t GetPosition() override;
    std::int64_t GetSize() override;

private:
    std::uint8_t* buffer;
    std::int64_t size;
    std::int64_t position = 0;
};
