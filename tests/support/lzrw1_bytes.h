#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "compression/lzrw1.h"
#include "compression/stream.h"
#include "services/message_pump.h"

// Byte buffers through the LZRW1-KH container, for tests that need a stream
// made by the real coder.
inline std::vector<std::uint8_t> CompressBytes(const std::vector<std::uint8_t>& input, TMessagePump* pump = nullptr) {
    TMemoryStream source(input), target;
    Tlzrw1 coder;
    coder.InputStream = &source;
    coder.OutputStream = &target;
    coder.MessagePump = pump;
    const std::int64_t written = coder.Compress();
    EXPECT_EQ(written, target.GetSize());
    return target.GetData();
}

inline std::vector<std::uint8_t> DecompressBytes(const std::vector<std::uint8_t>& input) {
    TMemoryStream source(input), target;
    Tlzrw1 coder;
    coder.InputStream = &source;
    coder.OutputStream = &target;
    coder.Decompress();
    return target.GetData();
}
