#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// One device's record: a four-character tag and its body.
struct TStateRecord {
    std::array<char, 4> tag;
    std::vector<std::uint8_t> data;

    bool Is(std::string_view name) const { return std::string_view(tag.data(), tag.size()) == name; }
};

// A .qst state file: the magic "QUIBSTATE", a 16-bit format version, then
// records, each a tag, a 32-bit size, the CRC-32 of its body and the body,
// and last an "END " record holding the number of records before it. All
// numbers are little-endian. A reader skips tags it does not know.
class TStateFile {
public:
    static constexpr std::string_view magic = "QUIBSTATE";
    static constexpr std::uint16_t version = 4;
    // Format 3 lacks the sound chips' generators, which then start afresh.
    static constexpr std::uint16_t earliestVersion = 3;
    static constexpr std::size_t headerSize = 11;
    static constexpr std::size_t recordHeaderSize = 12;
    // Far beyond any machine (4 MB of mapper, 4 MB per cartridge slot): a size
    // field above it is damage, not a request for memory.
    static constexpr std::uintmax_t maximumFileSize = std::uintmax_t{1} << 30;

    void Add(std::string_view tag, std::vector<std::uint8_t> data);
    const std::vector<TStateRecord>& GetRecords() const { return records; }
    // The first record with the tag, or null.
    const TStateRecord* Find(std::string_view tag) const;

    // The whole file, END record included.
    std::vector<std::uint8_t> GetBytes() const;
    // Written beside the target and renamed over it when complete; false with
    // the reason when the file cannot be written.
    bool Write(const std::filesystem::path& path, std::string& error) const;

    // Checks the magic, the version, every record's size and checksum and the
    // END record before anything is used; false with the reason otherwise.
    bool Parse(std::span<const std::uint8_t> bytes, std::string& error);
    bool Read(const std::filesystem::path& path, std::string& error);

private:
    std::vector<TStateRecord> records;
};
