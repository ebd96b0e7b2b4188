#pragma once

#include <filesystem>
#include <string>

// Whether a ROM image file the user named can be used, and if not, what is
// wrong with it, for a warning or the log.
class TROMFileCheck {
public:
    // "the file does not exist", "the file cannot be read", or empty when it can be read.
    static std::string AccessProblem(const std::filesystem::path& file);
    // A sentence naming a cartridge image and what keeps it from being one; empty
    // when it can be inserted.
    static std::string CartridgeProblem(const std::filesystem::path& file);
    // A sentence naming a system ROM page that is missing, unreadable or shorter
    // than 16 KB; empty when it can be loaded (a longer file gives its first 16 KB).
    static std::string SystemPageProblem(const std::filesystem::path& file);
};
