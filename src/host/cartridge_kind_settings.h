#pragma once

#include <filesystem>

#include "host/ini_settings.h"
#include "memory/cartridge_analysis.h"
#include "settings/preferences.h"

// The cartridge kinds chosen by hand, in quib.ini's group "CartridgeKinds": one key per
// cartridge slot and image file name (without its folder), so that a choice follows its
// image and a new image starts on Automatic.
class TCartridgeKindSettings {
public:
    static constexpr const char* group = "CartridgeKinds";

    // programFolder is the folder that holds quib.cfg and quib.ini.
    explicit TCartridgeKindSettings(const std::filesystem::path& programFolder);

    // Automatic when nothing, or nothing readable, was chosen.
    TCartridgeKind Read(TCartridgeSlot slot, const std::filesystem::path& image);
    // Automatic removes the choice.
    void Write(TCartridgeSlot slot, const std::filesystem::path& image, TCartridgeKind kind);

    // The key of an image in a slot: "1/Game.rom", "3-2/Game.rom".
    static QString Key(TCartridgeSlot slot, const std::filesystem::path& image);

private:
    TIniSettings settings;
};
