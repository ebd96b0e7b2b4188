#include "memory/rom_file_check.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

TEST(ROMFileCheckTest, NamesTheFileAndWhatIsWrongWithIt) {
    const std::filesystem::path folder = std::filesystem::path(QUIB_TEST_OUTPUT_DIR) / "rom_file_check";
    std::filesystem::create_directories(folder);
    struct TCase {
        long size;  // -1: no file
        bool systemPage;
        std::string problem;
    };
    const TCase cases[] = {
        {-1, false, "does not exist."},
        {3, false, "is too short for a cartridge image (3 bytes, at least 8192)."},
        {8192, false, ""},
        {3 * 8192, false, ""},
        {8192 + 1, false, "is not a ROM image of any known size (8193 bytes; cartridges are whole 8 KB blocks up to 4 MB)."},
        {5 << 20, false, "is not a ROM image of any known size (5242880 bytes; cartridges are whole 8 KB blocks up to 4 MB)."},
        {8192, true, "is too short for a system ROM page (8192 bytes, 16384 needed)."},
        {16384, true, ""},
        {32768, true, ""},
    };
    for (const TCase& test : cases) {
        const std::filesystem::path file = folder / "image.rom";
        std::filesystem::remove(file);
        if (test.size >= 0) std::ofstream(file, std::ios::binary) << std::string(static_cast<std::size_t>(test.size), 'A');
        const std::string problem =
            test.systemPage ? TROMFileCheck::SystemPageProblem(file) : TROMFileCheck::CartridgeProblem(file);
        const std::string what = test.systemPage ? "The system ROM " : "The cartridge image ";
        EXPECT_EQ(problem, test.problem.empty() ? "" : what + file.string() + " " + test.problem) << test.size;
    }
}

}  // namespace
