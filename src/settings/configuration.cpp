#include "settings/configuration.h"

#include "settings/record.h"

#include <vector>

bool TConfiguration::Load(const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes;
    if (!ReadRecordFile(path, fileSize, bytes)) {
        return false;
    }
    SetRecord(bytes);
    fileName = path.string();
    return true;
}

void TConfiguration::SetRecord(std::span<const std::uint8_t> bytes) {
    TRecordReader reader(bytes);
    reader.Skip(magic.size());
    description = reader.ReadText();
    reader.ReadByte(msxType);
    reader.ReadByte(cpu);
    reader.ReadByte(vdp);
    reader.ReadByte(vram);
    for (auto& slot : expanded) {
        reader.ReadByte(slot);
    }
    for (auto& primary : pageType) {
        for (auto& secondary : primary) {
            for (auto& page : secondary) {
                reader.ReadByte(page);
            }
        }
    }
    for (auto& primary : mapperSize) {
        for (auto& secondary : primary) {
            reader.ReadByte(secondary);
        }
    }
    for (auto& primary : romFile) {
        for (auto& secondary : primary) {
            for (auto& page : secondary) {
                page = reader.ReadText();
            }
        }
    }
}

bool TConfiguration::Save(const std::filesystem::path& path) {
    // The editor's caption shows the new name even when writing fails.
    fileName = path.filename().string();
    return ReplaceFile(path, GetRecord());
}

std::vector<std::uint8_t> TConfiguration::GetRecord() const {
    TRecordWriter writer(fileSize);
    writer.WriteMagic(magic);
    writer.WriteText(description);
    writer.WriteByte(msxType);
    writer.WriteByte(cpu);
    writer.WriteByte(vdp);
    writer.WriteByte(vram);
    for (const auto slot : expanded) {
        writer.WriteByte(slot);
    }
    for (const auto& primary : pageType) {
        for (const auto& secondary : primary) {
            for (const auto page : secondary) {
                writer.WriteByte(page);
            }
        }
    }
    for (const auto& primary : mapperSize) {
        for (const auto secondary : primary) {
            writer.WriteByte(secondary);
        }
    }
    for (const auto& primary : romFile) {
        for (const auto& secondary : primary) {
            for (const auto& page : secondary) {
                writer.WriteText(page);
            }
        }
    }
    return writer.Bytes();
}

std::string TConfiguration::FindDamage(const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes;
    if (!ReadRecordFile(path, fileSize, bytes)) return {};
    TRecordCheck check(bytes, fileSize);
    check.Skip(magic.size());
    check.Text("the description");
    check.Byte("the MSX type", 3);
    check.Byte("the processor", 1);
    check.Byte("the video chip", 2);
    check.Byte("the VRAM size", 2);
    for (int primary = 0; primary < 4; ++primary) check.Byte("an expanded flag", 1);
    for (int page = 0; page < 64; ++page) check.Byte("a page type", pageCartridgeSlot);
    for (int slot = 0; slot < 16; ++slot) check.Byte("a mapper size", 6);
    for (int page = 0; page < 64; ++page) check.Text("a ROM file name");
    return check.Damage();
}
