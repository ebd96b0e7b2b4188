#include "compression/crc32.h"

#include <array>

namespace {

// Eight tables, so that eight bytes are folded in per step: the checksum of a
// large cartridge or tape is taken on every state save and load.
using TTables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr TTables MakeTables() {
    TTables tables{};
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
        std::uint32_t value = byte;
        for (int bit = 0; bit < 8; ++bit) value = (value >> 1) ^ (0xEDB88320u & (0u - (value & 1)));
        tables[0][byte] = value;
    }
    for (std::uint32_t byte = 0; byte < 256; ++byte) {
        for (int table = 1; table < 8; ++table) {
            const std::uint32_t previous = tables[table - 1][byte];
            tables[table][byte] = (previous >> 8) ^ tables[0][previous & 0xFF];
        }
    }
    return tables;
}

constexpr TTables tables = MakeTables();

}  // namespace

std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t start) {
    std::uint32_t crc = ~start;
    const std::uint8_t* data = bytes.data();
    std::size_t left = bytes.size();
    for (; left >= 8; left -= 8, data += 8) {
        const std::uint32_t low = crc ^ (data[0] | data[1] << 8 | data[2] << 16 | std::uint32_t(data[3]) << 24);
        crc = tables[7][low & 0xFF] ^ tables[6][(low >> 8) & 0xFF] ^ tables[5][(low >> 16) & 0xFF] ^
              tables[4][low >> 24] ^ tables[3][data[4]] ^ tables[2][data[5]] ^ tables[1][data[6]] ^
              tables[0][data[7]];
    }
    for (; left > 0; --left, ++data) crc = (crc >> 8) ^ tables[0][(crc ^ *data) & 0xFF];
    return ~crc;
}
