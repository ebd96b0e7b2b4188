#include "memory/rom_file_check.h"

#include <cstdint>
#include <fstream>
#include <system_error>

#include "memory/cartridge_analysis.h"

std::string TROMFileCheck::AccessProblem(const std::filesystem::path& file) {
    std::error_code error;
    if (!std::filesystem::exists(file, error)) return "the file does not exist";
    if (!std::filesystem::is_regular_file(file, error) || !std::ifstream(file, std::ios::binary)) {
        return "the file cannot be read";
    }
    return {};
}

std::string TROMFileCheck::CartridgeProblem(const std::filesystem::path& file) {
    std::string problem = AccessProblem(file);
    TROMAnalysis analysis;
    if (problem.empty() && TCartridgeAnalysis::AnalyseROM(file, analysis, TCartridgeKind::automatic, &problem) == 0) {
        return {};
    }
    return "The cartridge image " + file.string() + " cannot be used: " + problem + ".";
}

std::string TROMFileCheck::SystemPageProblem(const std::filesystem::path& file) {
    constexpr std::uintmax_t pageSize = 16384;
    std::string problem = AccessProblem(file);
    std::error_code error;
    const std::uintmax_t size = problem.empty() ? std::filesystem::file_size(file, error) : 0;
    if (problem.empty() && size < pageSize) {
        problem = "the file is too short for a system ROM page (" + std::to_string(size) + " bytes, 16384 needed)";
    }
    return problem.empty() ? problem : "The system ROM " + file.string() + " cannot be used: " + problem + ".";
}
