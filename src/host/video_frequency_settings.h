#pragma once

#include <filesystem>

#include "host/ini_settings.h"
#include "machine/msx.h"

// The video frequency chosen for each configuration, in quib.ini's group
// "VideoFrequency", one key per configuration file name: the .qcf keeps its bytes.
class TVideoFrequencySettings {
public:
    static constexpr const char* group = "VideoFrequency";

    // programFolder is the folder that holds quib.cfg and quib.ini.
    explicit TVideoFrequencySettings(const std::filesystem::path& programFolder);

    // Automatic when nothing, or nothing readable, was chosen.
    TVideoFrequency Read(const std::filesystem::path& configurationFile);
    // Automatic removes the choice.
    void Write(const std::filesystem::path& configurationFile, TVideoFrequency frequency);

private:
    static QString Key(const std::filesystem::path& configurationFile);

    TIniSettings settings;
};
