#pragma once

#include <filesystem>

#include "settings/preferences.h"

// quib.cfg holds the first 50 bytes of each path; a longer path is kept whole
// in quib.ini (group "CartridgePaths") and taken back when quib.cfg still
// holds its first 50 bytes, so that a long path survives a restart and a
// quib.cfg edited elsewhere is not overridden.
class TLongPaths {
public:
    static constexpr const char* group = "CartridgePaths";

    // Replaces the cut paths of freshly loaded preferences by their whole ones.
    static void Restore(TPreferences& preferences, const std::filesystem::path& programFolder);
    // Keeps the paths longer than a field; forgets the others. Called with every save of quib.cfg.
    static void Store(const TPreferences& preferences, const std::filesystem::path& programFolder);
};
