#pragma once

#include <filesystem>
#include <string>

// Whether a ROM image file the user named can be used, and if not, a sentence
// that names the file and says what is wrong with it, for a warning or the log.
class TROMFileCheck {
public:
    // A cartridge image: a whole number of 8 KB blocks, at most 4 MB.
    static std::string CartridgeProblem(const std::filesystem::path& file);
    // A system ROM page: at least 16 KB, of which the first 16 KB are used.
    static std::string SystemPageProblem(const std::filesystem::path& file);
};
