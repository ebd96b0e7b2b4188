#include "machine/state_file.h"

#include <algorithm>
#include <fstream>
#include <system_error>

#include "compression/crc32.h"
#include "settings/record.h"
#include "settings/state_record.h"

namespace {

constexpr std::string_view endTag = "END ";

std::uint32_t Little32(const std::uint8_t* bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | std::uint32_t{bytes[3]} << 24;
}

}  // namespace

void TStateFile::Add(std::string_view tag, std::vector<std::uint8_t> data) {
    TStateRecord record{};
    std::copy_n(tag.begin(), std::min(tag.size(), record.tag.size()), record.tag.begin());
    record.data = std::move(data);
    records.push_back(std::move(record));
}

const TStateRecord* TStateFile::Find(std::string_view tag) const {
    const auto found = std::find_if(records.begin(), records.end(), [tag](const TStateRecord& r) { return r.Is(tag); });
    return found != records.end() ? &*found : nullptr;
}

std::vector<std::uint8_t> TStateFile::GetBytes() const {
    std::size_t size = headerSize + 2 * recordHeaderSize + 4;
    for (const TStateRecord& record : records) size += recordHeaderSize + record.data.size();
    TStateWriter file(size);
    file.Bytes({reinterpret_cast<const std::uint8_t*>(magic.data()), magic.size()});
    file.Word(version);
    const auto addRecord = [&file](std::span<const char> tag, std::span<const std::uint8_t> data) {
        file.Bytes({reinterpret_cast<const std::uint8_t*>(tag.data()), 4});
        file.Long(static_cast<std::uint32_t>(data.size()));
        file.Long(Crc32(data));
        file.Bytes(data);
    };
    for (const TStateRecord& record : records) addRecord(record.tag, record.data);
    TStateWriter end;
    end.Long(static_cast<std::uint32_t>(records.size()));
    addRecord(endTag, end.Data());
    return file.Take();
}

bool TStateFile::Write(const std::filesystem::path& path, std::string& error) const {
    if (!ReplaceFile(path, GetBytes())) {
        error = "the file cannot be written";
        return false;
    }
    return true;
}

bool TStateFile::Parse(std::span<const std::uint8_t> bytes, std::string& error) {
    records.clear();
    if (bytes.size() < magic.size() || !std::equal(magic.begin(), magic.end(), bytes.begin())) {
        error = "it is not a Quib state file";
        return false;
    }
    if (bytes.size() < headerSize) {
        error = "the file is cut short";
        return false;
    }
    const std::uint16_t fileVersion = static_cast<std::uint16_t>(bytes[9] | bytes[10] << 8);
    if (fileVersion < earliestVersion || fileVersion > version) {
        // Formats before 2 counted the machine's time in instructions: nothing
        // in them says where the beam and the clock stood; format 2 kept no
        // video processor's line state.
        error = std::string("it was saved by ") + (fileVersion > version ? "a newer" : "an earlier") +
                " version of Quib (state format " + std::to_string(fileVersion) + "; this version reads formats " +
                std::to_string(earliestVersion) + " to " + std::to_string(version) + ")";
        return false;
    }
    std::size_t position = headerSize;
    while (true) {
        if (bytes.size() - position < recordHeaderSize) {
            records.clear();
            error = "the file is cut short";
            return false;
        }
        const std::uint8_t* header = bytes.data() + position;
        const std::uint32_t size = Little32(header + 4);
        if (bytes.size() - position - recordHeaderSize < size) {
            records.clear();
            error = "the file is cut short";
            return false;
        }
        const std::span<const std::uint8_t> body = bytes.subspan(position + recordHeaderSize, size);
        const std::string_view tag(reinterpret_cast<const char*>(header), 4);
        if (Crc32(body) != Little32(header + 8)) {
            records.clear();
            error = "the file is damaged (record \"" + std::string(tag) + "\" fails its checksum)";
            return false;
        }
        position += recordHeaderSize + size;
        if (tag == endTag) {
            if (size < 4 || Little32(body.data()) != records.size() || position != bytes.size()) {
                records.clear();
                error = "the file is damaged (its records do not add up)";
                return false;
            }
            return true;
        }
        Add(tag, {body.begin(), body.end()});
    }
}

bool TStateFile::Read(const std::filesystem::path& path, std::string& error) {
    std::error_code fileError;
    const std::uintmax_t size = std::filesystem::file_size(path, fileError);
    if (fileError || std::filesystem::is_directory(path, fileError)) {
        error = "the file cannot be opened";
        return false;
    }
    if (size > maximumFileSize) {
        error = "it is not a Quib state file";
        return false;
    }
    std::vector<std::uint8_t> bytes;
    if (!ReadRecordFile(path, static_cast<std::size_t>(size), bytes)) {
        error = "the file cannot be opened";
        return false;
    }
    return Parse(bytes, error);
}
