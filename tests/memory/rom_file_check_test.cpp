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
        {-1, false, "the file does not exist"},
        {3, false, "the image is shorter than a cartridge header (3 bytes)"},
        {8192, false, ""},
        {(4 << 20) + 1, false, "the image is larger than 4 MB"},
        {-1, true, "the file does not exist"},
        {8192, true, "the file is too short for a system ROM page (8192 bytes, 16384 needed)"},
        {16384, true, ""},
        {32768, true, ""},
    };
    for (const TCase& test : cases) {
        const std::filesystem::path file = folder / "image.rom";
        std::filesystem::remove(file);
        if (test.size >= 0) std::ofstream(file, std::ios::binary) << "AB" << std::string(static_cast<std::size_t>(test.size - 2), 'A');
        const std::string problem =
            test.systemPage ? TROMFileCheck::SystemPageProblem(file) : TROMFileCheck::CartridgeProblem(file);
        const std::string what = test.systemPage ? "The system ROM " : "The cartridge image ";
        EXPECT_EQ(problem, test.problem.empty() ? "" : what + file.string() + " cannot be used: " + test.problem + ".")
            << test.size;
    }
}

}  // namespace
