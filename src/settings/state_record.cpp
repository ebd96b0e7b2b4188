#include "settings/state_record.h"

#include <algorithm>

void TStateWriter::Word(std::uint16_t value) {
    for (int shift = 0; shift < 16; shift += 8) Byte(static_cast<std::uint8_t>(value >> shift));
}

void TStateWriter::Long(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) Byte(static_cast<std::uint8_t>(value >> shift));
}

void TStateWriter::Quad(std::uint64_t value) {
    for (int shift = 0; shift < 64; shift += 8) Byte(static_cast<std::uint8_t>(value >> shift));
}

void TStateWriter::Bytes(std::span<const std::uint8_t> values) {
    bytes.insert(bytes.end(), values.begin(), values.end());
}

void TStateWriter::Text(std::string_view text) {
    const std::string_view kept = text.substr(0, 0xFFFF);
    Word(static_cast<std::uint16_t>(kept.size()));
    bytes.insert(bytes.end(), kept.begin(), kept.end());
}

std::uint64_t TStateReader::Little(int size) {
    if (bytes.size() - position < static_cast<std::size_t>(size)) {
        failed = true;
        position = bytes.size();
        return 0;
    }
    std::uint64_t value = 0;
    for (int index = 0; index < size; ++index) value |= std::uint64_t{bytes[position + index]} << (8 * index);
    position += static_cast<std::size_t>(size);
    return value;
}

std::uint8_t TStateReader::Byte() { return static_cast<std::uint8_t>(Little(1)); }

std::uint16_t TStateReader::Word() { return static_cast<std::uint16_t>(Little(2)); }

std::uint32_t TStateReader::Long() { return static_cast<std::uint32_t>(Little(4)); }

std::uint64_t TStateReader::Quad() { return Little(8); }

void TStateReader::Bytes(std::span<std::uint8_t> values) {
    if (bytes.size() - position < values.size()) {
        failed = true;
        position = bytes.size();
        std::fill(values.begin(), values.end(), std::uint8_t{0});
        return;
    }
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(position), values.size(), values.begin());
    position += values.size();
}

std::string TStateReader::Text() {
    const std::size_t size = Word();
    if (bytes.size() - position < size) {
        failed = true;
        position = bytes.size();
        return {};
    }
    std::string text(bytes.begin() + static_cast<std::ptrdiff_t>(position),
                     bytes.begin() + static_cast<std::ptrdiff_t>(position + size));
    position += size;
    return text;
}
