#include "settings/preferences.h"

#include "settings/record.h"

#include <vector>

namespace {

void ReadNumber(TRecordReader& reader, std::int32_t& field) {
    std::uint8_t value = 0;
    if (reader.ReadByte(value)) {
        field = value;
    }
}

void ReadFlag(TRecordReader& reader, bool& field) {
    std::uint8_t value = 0;
    if (reader.ReadByte(value)) {
        field = value != 0;
    }
}

void WriteNumber(TRecordWriter& writer, std::int32_t field) {
    writer.WriteByte(static_cast<std::uint8_t>(field & 0xFF));
}

}  // namespace

bool TPreferences::Load(const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes;
    if (!ReadRecordFile(path, fileSize, bytes)) {
        return false;
    }
    TRecordReader reader(bytes);
    reader.Skip(magic.size());
    defaultConfiguration = reader.ReadText();
    for (auto& slot : cartridgeSlots) {
        reader.ReadByte(slot.primary);
        reader.ReadByte(slot.secondary);
    }
    for (auto& file : cartridgeFiles) {
        file = reader.ReadText();
    }
    ReadNumber(reader, joystick1Device);
    ReadNumber(reader, joystick2Device);
    ReadNumber(reader, joystick1Id);
    ReadNumber(reader, joystick2Id);
    ReadNumber(reader, printerOutput);
    ReadNumber(reader, printerPort);
    ReadNumber(reader, hostPrinter);
    printerFile = reader.ReadText();
    ReadNumber(reader, cassetteLength);
    ReadNumber(reader, cassetteAccuracy);
    cassetteFile = reader.ReadText();
    ReadFlag(reader, psgDisabled);
    ReadNumber(reader, psgVolume);
    ReadFlag(reader, sccDisabled);
    ReadNumber(reader, sccVolume);
    return true;
}

bool TPreferences::Save(const std::filesystem::path& path) const {
    TRecordWriter writer(fileSize);
    writer.WriteMagic(magic);
    writer.WriteText(defaultConfiguration);
    for (const auto& slot : cartridgeSlots) {
        writer.WriteByte(slot.primary);
        writer.WriteByte(slot.secondary);
    }
    for (const auto& file : cartridgeFiles) {
        writer.WriteText(file);
    }
    WriteNumber(writer, joystick1Device);
    WriteNumber(writer, joystick2Device);
    WriteNumber(writer, joystick1Id);
    WriteNumber(writer, joystick2Id);
    WriteNumber(writer, printerOutput);
    WriteNumber(writer, printerPort);
    WriteNumber(writer, hostPrinter);
    writer.WriteText(printerFile);
    WriteNumber(writer, cassetteLength);
    WriteNumber(writer, cassetteAccuracy);
    writer.WriteText(cassetteFile);
    writer.WriteByte(psgDisabled ? 1 : 0);
    WriteNumber(writer, psgVolume);
    writer.WriteByte(sccDisabled ? 1 : 0);
    WriteNumber(writer, sccVolume);
    return ReplaceFile(path, writer.Bytes());
}

std::string TPreferences::FindDamage(const std::filesystem::path& path) {
    std::vector<std::uint8_t> bytes;
    if (!ReadRecordFile(path, fileSize, bytes)) return {};
    constexpr std::uint8_t unused = 255;
    TRecordCheck check(bytes, fileSize);
    check.Skip(magic.size());
    check.Text("the default configuration");
    for (int entry = 0; entry < cartridgeEntryCount; ++entry) {
        check.ByteOr("a cartridge slot's primary slot", 3, unused);
        check.ByteOr("a cartridge slot's secondary slot", 3, unused);
    }
    for (int entry = 0; entry < cartridgeEntryCount; ++entry) check.Text("a cartridge file");
    check.Byte("the joystick 1 device", 2);
    check.Byte("the joystick 2 device", 2);
    check.Skip(2);
    check.Byte("the printer output", 3);
    check.Skip(2);
    check.Text("the printer file");
    check.Byte("the cassette length", 3);
    check.Byte("the cassette accuracy", 2);
    check.Text("the cassette file");
    check.Byte("the PSG switch", 1);
    check.Byte("the PSG volume", 20);
    check.Byte("the SCC switch", 1);
    check.Byte("the SCC volume", 20);
    return check.Damage();
}
