#include "settings/record.h"

#include <algorithm>
#include <fstream>
#include <system_error>

TRecordReader::TRecordReader(std::span<const std::uint8_t> bytes) : bytes(bytes) {}

void TRecordReader::Skip(std::size_t count) {
    position += count;
}

bool TRecordReader::ReadByte(std::uint8_t& value) {
    const std::size_t offset = position;
    position += 1;
    if (offset >= bytes.size()) {
        return false;
    }
    value = bytes[offset];
    return true;
}

std::string TRecordReader::ReadText() {
    const std::size_t offset = position;
    position += textFieldSize;
    if (offset >= bytes.size()) {
        return {};
    }
    const auto field = bytes.subspan(offset, std::min(textFieldSize, bytes.size() - offset));
    const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
    return std::string(field.begin(), end);
}

TRecordWriter::TRecordWriter(std::size_t size) {
    bytes.reserve(size);
}

void TRecordWriter::WriteMagic(std::string_view magic) {
    bytes.insert(bytes.end(), magic.begin(), magic.end());
}

void TRecordWriter::WriteByte(std::uint8_t value) {
    bytes.push_back(value);
}

void TRecordWriter::WriteText(std::string_view text) {
    const std::string_view kept = text.substr(0, textFieldSize);
    bytes.insert(bytes.end(), kept.begin(), kept.end());
    bytes.insert(bytes.end(), textFieldSize - kept.size(), std::uint8_t{0});
}

bool ReadRecordFile(const std::filesystem::path& path, std::size_t maximumSize,
                    std::vector<std::uint8_t>& bytes) {
    std::error_code error;
    // A folder opens as a stream on some hosts but is never a settings file.
    if (std::filesystem::is_directory(path, error)) {
        return false;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    bytes.assign(maximumSize, 0);
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(maximumSize));
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    return !file.bad();
}

bool ReplaceFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    std::error_code error;
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file) {
            return false;
        }
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (!file) {
            std::filesystem::remove(temporary, error);
            return false;
        }
    }
    std::filesystem::rename(temporary, path, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

TRecordCheck::TRecordCheck(std::span<const std::uint8_t> bytes, std::size_t recordSize) : bytes(bytes) {
    if (bytes.size() < recordSize) {
        damage = "it is too short (" + std::to_string(bytes.size()) + " of " + std::to_string(recordSize) + " bytes)";
    }
}

void TRecordCheck::Byte(std::string_view field, std::uint8_t largest) {
    if (damage.empty() && position < bytes.size() && bytes[position] > largest) {
        damage = std::string(field) + " is " + std::to_string(bytes[position]) + ", beyond " + std::to_string(largest);
    }
    ++position;
}

void TRecordCheck::ByteOr(std::string_view field, std::uint8_t largest, std::uint8_t marker) {
    if (position < bytes.size() && bytes[position] == marker) {
        ++position;
        return;
    }
    Byte(field, largest);
}

void TRecordCheck::Text(std::string_view field) {
    bool ended = false;
    for (std::size_t index = position; damage.empty() && index < position + textFieldSize && index < bytes.size(); ++index) {
        if (bytes[index] == 0) ended = true;
        else if (ended) damage = std::string(field) + " has bytes after the end of its text";
    }
    position += textFieldSize;
}

std::filesystem::path KeepDamagedFile(const std::filesystem::path& path) {
    std::filesystem::path aside = path;
    aside += ".damaged";
    std::error_code error;
    std::filesystem::rename(path, aside, error);
    return error ? std::filesystem::path() : aside;
}
