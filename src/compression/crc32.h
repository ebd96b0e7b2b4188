#pragma once

#include <cstdint>
#include <span>

// The CRC-32 of zip and PNG (reflected polynomial EDB88320h). A running value
// is continued by passing the previous result as the start.
std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t start = 0);
