#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The settings files are fixed records of single bytes and 50-byte text fields.
// A text field holds the text's first 50 bytes padded with zero bytes; a full
// field has no terminator.
inline constexpr std::size_t textFieldSize = 50;

// Walks a record that may be cut short: fields beyond the end are reported as
// absent so that callers keep their previous values.
class TRecordReader {
public:
    explicit TRecordReader(std::span<const std::uint8_t> bytes);

    void Skip(std::size_t count);
    // False, leaving value untouched, when the byte lies beyond the end.
    bool ReadByte(std::uint8_t& value);
    // The text up to the first zero byte; the part present when the field is
    // cut by the end, empty when it lies wholly beyond it.
    std::string ReadText();

private:
    std::span<const std::uint8_t> bytes;
    std::size_t position = 0;
};

class TRecordWriter {
public:
    explicit TRecordWriter(std::size_t size);

    void WriteMagic(std::string_view magic);
    void WriteByte(std::uint8_t value);
    void WriteText(std::string_view text);
    const std::vector<std::uint8_t>& Bytes() const { return bytes; }

private:
    std::vector<std::uint8_t> bytes;
};

// Reads at most maximumSize bytes; anything after them is ignored. False when
// the file cannot be opened for reading.
bool ReadRecordFile(const std::filesystem::path& path, std::size_t maximumSize,
                    std::vector<std::uint8_t>& bytes);

// Writes a temporary file beside the target and renames it over the target
// only when complete, so a failed write leaves the old file as it was.
bool ReplaceFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Finds what makes a settings record unusable: a file shorter than its record,
// a byte field beyond its range, a text field whose bytes after its text are
// not all zero. Walks the fields in file order and keeps the first fault.
class TRecordCheck {
public:
    TRecordCheck(std::span<const std::uint8_t> bytes, std::size_t recordSize);
    void Skip(std::size_t count) { position += count; }
    void Byte(std::string_view field, std::uint8_t largest);
    // A byte that is either at most largest or the marker value.
    void ByteOr(std::string_view field, std::uint8_t largest, std::uint8_t marker);
    void Text(std::string_view field);
    // Empty when the record can be used.
    const std::string& Damage() const { return damage; }

private:
    std::span<const std::uint8_t> bytes;
    std::size_t position = 0;
    std::string damage;
};

// Moves a damaged settings file aside as NAME.damaged, replacing an older one,
// so that defaults take its place and nothing of it is lost. Returns the new
// path, or an empty one when the file could not be moved.
std::filesystem::path KeepDamagedFile(const std::filesystem::path& path);
