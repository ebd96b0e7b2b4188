#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The labels of a program, read from the symbol files assemblers write, so that
// addresses show with their names and names are accepted for addresses.
//
// Accepted lines, one symbol each (anything else is skipped and counted):
//   NAME EQU value      pasmo's symbol file (NAME<tab><tab>EQU 04000H)
//   NAME: EQU value     sjasm and others (a colon after the name, any case of EQU)
//   NAME = value
// A value is hexadecimal with an H suffix (04000H), a 0x, $ or # prefix, or
// decimal without either. Text after a semicolon is a comment.
class TSymbolTable {
public:
    // What a load found.
    struct TLoadResult {
        bool opened = false;
        int symbols = 0;
        int skippedLines = 0;   // not blank, not a comment, and not a symbol
        int firstSkippedLine = 0;  // its line number, 0 when none
    };

    // Adds the symbols of the file to those already held; a name loaded again
    // takes the new value.
    TLoadResult Load(const std::filesystem::path& path);
    // Adds the symbols of one text, as Load does with a file's contents.
    TLoadResult Parse(std::string_view text);
    void Add(const std::string& name, std::uint16_t value);
    void Clear();

    // The value of a name: exactly as written, or else ignoring case.
    std::optional<std::uint16_t> Find(std::string_view name) const;
    // The first name loaded for an address; null when it has none.
    const std::string* NameAt(std::uint16_t address) const;
    // An address as a user writes it: a name, or a hexadecimal number with or
    // without an H suffix or a 0x, $ or # prefix (4010, 4010h, 0x4010, $4010).
    std::optional<std::uint16_t> ParseAddress(std::string_view text) const;
    // "4010h", followed by " (NAME)" when the address has a name.
    std::string AddressText(std::uint16_t address) const;

    // Every address with a name, and its first name, in address order.
    const std::map<std::uint16_t, std::string>& Names() const { return names; }

    std::size_t Size() const { return values.size(); }
    bool Empty() const { return values.empty(); }

private:
    std::map<std::string, std::uint16_t, std::less<>> values;
    std::map<std::uint16_t, std::string> names;
};

// A number as assembler listings write it: 04000H, 4000h, 0x4000, $4000, #4000
// or decimal 16384; nothing when the text is none of them or above FFFFh.
std::optional<std::uint16_t> ParseAssemblerNumber(std::string_view text);
