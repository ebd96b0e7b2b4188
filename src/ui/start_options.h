#pragma once

#include <QStringList>
#include <filesystem>
#include <optional>

// How the application was started: quib [--run] [ROM].
struct TStartOptions {
    // Holds quib.cfg and the Configurations folder: the executable's folder.
    std::filesystem::path folder;
    // A cartridge image for the first cartridge slot, this session only; empty for none.
    std::filesystem::path cartridge;
    // Start the machine at once, as if Pause had been chosen.
    bool run = false;
};

// The arguments after the program name; nothing when they ask for anything else.
std::optional<TStartOptions> ParseCommandLine(const QStringList& arguments, const std::filesystem::path& folder);
