#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The body of one device's record in a state file: fixed-size little-endian
// values in the order the device writes them. Texts (file names) carry a
// 16-bit length before their bytes.
class TStateWriter {
public:
    TStateWriter() = default;
    explicit TStateWriter(std::size_t capacity) { bytes.reserve(capacity); }

    void Byte(std::uint8_t value) { bytes.push_back(value); }
    void Bool(bool value) { Byte(value ? 1 : 0); }
    void Word(std::uint16_t value);
    void Long(std::uint32_t value);
    void Quad(std::uint64_t value);
    void Bytes(std::span<const std::uint8_t> values);
    void Text(std::string_view text);

    const std::vector<std::uint8_t>& Data() const { return bytes; }
    std::vector<std::uint8_t> Take() { return std::move(bytes); }

private:
    std::vector<std::uint8_t> bytes;
};

// Reads a record body back. A read beyond the end gives zeros and marks the
// record as failed, so a device reads all its fields and asks once at the end.
// Bytes after the last field a device knows are left alone: a later version
// may append fields to a record.
class TStateReader {
public:
    explicit TStateReader(std::span<const std::uint8_t> bytes) : bytes(bytes) {}

    std::uint8_t Byte();
    bool Bool() { return Byte() != 0; }
    std::uint16_t Word();
    std::uint32_t Long();
    std::uint64_t Quad();
    void Bytes(std::span<std::uint8_t> values);
    std::string Text();

    bool Failed() const { return failed; }
    // Whether every byte has been read: a record of an earlier version ends
    // before the fields a later one appended.
    bool AtEnd() const { return position >= bytes.size(); }

private:
    std::uint64_t Little(int size);

    std::span<const std::uint8_t> bytes;
    std::size_t position = 0;
    bool failed = false;
};
