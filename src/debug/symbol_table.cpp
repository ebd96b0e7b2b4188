#include "debug/symbol_table.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

std::string_view Trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

bool EqualIgnoringCase(std::string_view left, std::string_view right) {
    return left.size() == right.size() &&
           std::equal(left.begin(), left.end(), right.begin(), [](char a, char b) {
               return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b));
           });
}

// Digits of one base, all of them; nothing above FFFFh.
std::optional<std::uint16_t> Digits(std::string_view text, int base) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    std::uint32_t value = 0;
    for (char c : text) {
        const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                          : std::isxdigit(static_cast<unsigned char>(c))
                              ? std::toupper(static_cast<unsigned char>(c)) - 'A' + 10
                              : base;
        if (digit >= base) return std::nullopt;
        value = value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(digit);
        if (value > 0xFFFF) return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

// A number with its base marked by an H suffix or a 0x, $ or # prefix; plainBase otherwise.
std::optional<std::uint16_t> Number(std::string_view text, int plainBase) {
    if (text.size() > 1 && (text.back() == 'h' || text.back() == 'H')) return Digits(text.substr(0, text.size() - 1), 16);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) return Digits(text.substr(2), 16);
    if (text.size() > 1 && (text[0] == '$' || text[0] == '#')) return Digits(text.substr(1), 16);
    return Digits(text, plainBase);
}

bool ValidName(std::string_view name) {
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name.front()))) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '@' || c == '?';
    });
}

}  // namespace

std::optional<std::uint16_t> ParseAssemblerNumber(std::string_view text) { return Number(Trim(text), 10); }

TSymbolTable::TLoadResult TSymbolTable::Load(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return {};
    std::ostringstream text;
    text << file.rdbuf();
    return Parse(text.str());
}

TSymbolTable::TLoadResult TSymbolTable::Parse(std::string_view text) {
    TLoadResult result;
    result.opened = true;
    int lineNumber = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        line = Trim(line.substr(0, line.find(';')));
        if (line.empty()) continue;

        // NAME[:] EQU value, or NAME[:] = value.
        std::size_t nameEnd = line.find_first_of(" \t:=");
        const std::string_view name = line.substr(0, nameEnd);
        std::string_view rest = nameEnd == std::string_view::npos ? std::string_view{} : line.substr(nameEnd);
        if (!rest.empty() && rest.front() == ':') rest.remove_prefix(1);
        rest = Trim(rest);
        std::optional<std::uint16_t> value;
        if (!rest.empty() && rest.front() == '=') {
            value = ParseAssemblerNumber(rest.substr(1));
        } else if (rest.size() > 3 && EqualIgnoringCase(rest.substr(0, 3), "EQU") && (rest[3] == ' ' || rest[3] == '\t')) {
            value = ParseAssemblerNumber(rest.substr(4));
        }
        if (!value || !ValidName(name)) {
            if (result.skippedLines++ == 0) result.firstSkippedLine = lineNumber;
            continue;
        }
        Add(std::string(name), *value);
        ++result.symbols;
    }
    return result;
}

void TSymbolTable::Add(const std::string& name, std::uint16_t value) {
    if (const auto old = values.find(name); old != values.end()) {
        if (const auto named = names.find(old->second); named != names.end() && named->second == name) {
            names.erase(named);
        }
    }
    values[name] = value;
    names.emplace(value, name);
}

void TSymbolTable::Clear() {
    values.clear();
    names.clear();
}

std::optional<std::uint16_t> TSymbolTable::Find(std::string_view name) const {
    if (const auto exact = values.find(name); exact != values.end()) return exact->second;
    for (const auto& [known, value] : values) {
        if (EqualIgnoringCase(known, name)) return value;
    }
    return std::nullopt;
}

const std::string* TSymbolTable::NameAt(std::uint16_t address) const {
    const auto named = names.find(address);
    return named == names.end() ? nullptr : &named->second;
}

std::optional<std::uint16_t> TSymbolTable::ParseAddress(std::string_view text) const {
    text = Trim(text);
    if (const std::optional<std::uint16_t> value = Find(text)) return value;
    return Number(text, 16);
}

std::string TSymbolTable::AddressText(std::uint16_t address) const {
    char text[8];
    std::snprintf(text, sizeof text, "%04Xh", static_cast<unsigned>(address));
    const std::string* name = NameAt(address);
    return name ? std::string(text) + " (" + *name + ")" : std::string(text);
}
