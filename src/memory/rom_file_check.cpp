#include "memory/rom_file_check.h"

#include <cstdint>
#include <fstream>
#include <system_error>

#include "memory/rom_cartridge.h"

namespace {

constexpr std::uintmax_t cartridgeBlock = 8192;
constexpr std::uintmax_t systemPageSize = 16384;

// Empty with the file's size when it exists and can be read; else what is wrong.
std::string Access(const std::filesystem::path& file, std::uintmax_t& size) {
    std::error_code error;
    if (!std::filesystem::exists(file, error)) return "does not exist";
    if (!std::filesystem::is_regular_file(file, error)) return "is not a file";
    size = std::filesystem::file_size(file, error);
    if (error || !std::ifstream(file, std::ios::binary)) return "cannot be read";
    return {};
}

std::string Bytes(std::uintmax_t size) { return std::to_string(size) + (size == 1 ? " byte" : " bytes"); }

}  // namespace

std::string TROMFileCheck::CartridgeProblem(const std::filesystem::path& file) {
    std::uintmax_t size = 0;
    std::string problem = Access(file, size);
    if (problem.empty() && size < cartridgeBlock) {
        problem = "is too short for a cartridge image (" + Bytes(size) + ", at least 8192)";
    } else if (problem.empty() && (size % cartridgeBlock != 0 || size > TROMCartridge::maximumImageSize)) {
        problem = "is not a ROM image of any known size (" + Bytes(size) +
                  "; cartridges are whole 8 KB blocks up to 4 MB)";
    }
    return problem.empty() ? problem : "The cartridge image " + file.string() + " " + problem + ".";
}

std::string TROMFileCheck::SystemPageProblem(const std::filesystem::path& file) {
    std::uintmax_t size = 0;
    std::string problem = Access(file, size);
    if (problem.empty() && size < systemPageSize) {
        problem = "is too short for a system ROM page (" + Bytes(size) + ", 16384 needed)";
    }
    return problem.empty() ? problem : "The system ROM " + file.string() + " " + problem + ".";
}
