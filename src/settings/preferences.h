#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

// One entry of the cartridge slot list: primary 255 marks an unused entry,
// secondary 255 a primary slot that is not expanded.
struct TCartridgeSlot {
    std::uint8_t primary = 255;
    std::uint8_t secondary = 255;
};

// The user's settings outside a machine configuration, kept in quib.cfg beside
// the executable. Every number is stored as its low byte. Fields are read and
// written directly by the machine and the preferences editor.
class TPreferences {
public:
    static constexpr std::string_view magic = "QUIBPREF00";
    static constexpr std::string_view preferencesFileName = "quib.cfg";
    static constexpr std::size_t fileSize = 901;
    static constexpr int cartridgeEntryCount = 14;

    // False, with nothing changed, when the file cannot be opened. The magic is
    // not compared. In a short file the number fields beyond its end keep their
    // values and the text fields become empty. Numbers take the stored byte.
    // cartridgeSlotCount is not stored; the machine's build sets it.
    bool Load(const std::filesystem::path& path);
    // False when the file cannot be written; an old file then stays as it was.
    bool Save(const std::filesystem::path& path) const;
    // What makes the file unusable (too short, a slot number or setting beyond
    // its range, a text field not padded with zero bytes); empty when it can be
    // loaded or cannot be opened at all.
    static std::string FindDamage(const std::filesystem::path& path);

    std::string defaultConfiguration = "MSX1.qcf";
    std::int32_t cartridgeSlotCount = 0;
    TCartridgeSlot cartridgeSlots[cartridgeEntryCount];
    std::string cartridgeFiles[cartridgeEntryCount];
    std::int32_t joystick1Device = 0;  // 0 not connected, 1 host joystick, 2 mouse
    std::int32_t joystick2Device = 0;
    std::int32_t joystick1Id = 0;      // among the host joysticks found, from 0
    std::int32_t joystick2Id = 0;
    std::int32_t printerOutput = 0;    // 0 not connected, 1 port, 2 file, 3 host printer
    std::int32_t printerPort = 0;
    std::int32_t hostPrinter = 0;
    std::string printerFile;
    std::int32_t cassetteLength = 0;   // 0 10 minutes, 1 15, 2 30, 3 45
    std::int32_t cassetteAccuracy = 0; // 0 Normal, 1 High, 2 Very High
    std::string cassetteFile;
    // A fresh installation plays both chips at full loudness: volumes are
    // attenuations in decibels, 0 to 20.
    bool psgDisabled = false;
    std::int32_t psgVolume = 0;
    bool sccDisabled = false;
    std::int32_t sccVolume = 0;
};
