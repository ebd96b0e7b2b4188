#pragma once

#include <QStringList>
#include <filesystem>
#include <optional>

#include "machine/msx.h"
#include "memory/cartridge_analysis.h"

// How the application was started: quib [--run] [--frequency 50|60] [--cartridge-kind KIND] [ROM].
struct TStartOptions {
    // Holds quib.cfg and the Configurations folder: the executable's folder.
    std::filesystem::path folder;
    // A cartridge image for the first cartridge slot, this session only; empty for none.
    std::filesystem::path cartridge;
    // The kind of that image; beats a tag in its file name and a choice in quib.ini.
    TCartridgeKind cartridgeKind = TCartridgeKind::automatic;
    // Start the machine at once, as if Pause had been chosen.
    bool run = false;
    // The video frequency for this session; automatic leaves the configuration's choice.
    TVideoFrequency frequency = TVideoFrequency::automatic;
};

// The arguments after the program name; nothing when they ask for anything else, name no
// kind after --cartridge-kind, or give a kind without an image.
std::optional<TStartOptions> ParseCommandLine(const QStringList& arguments, const std::filesystem::path& folder);
