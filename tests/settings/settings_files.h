#pragma once

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

// A fresh, empty folder per test under the build's test output folder.
inline std::filesystem::path ScratchFolder() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const auto folder = std::filesystem::path(QUIB_TEST_OUTPUT_DIR) / "settings" /
                        (std::string(test->test_suite_name()) + "." + test->name());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

inline std::vector<std::uint8_t> ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

inline void WriteWholeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Places text into a zero-filled image as a 50-byte field would hold it.
inline void PutText(std::vector<std::uint8_t>& image, std::size_t offset, std::string_view text) {
    const auto kept = text.substr(0, 50);
    std::copy(kept.begin(), kept.end(), image.begin() + static_cast<std::ptrdiff_t>(offset));
}

// What a loader should make of the 50-byte field at offset when the file holds
// only the first length bytes of image.
inline std::string TextInCutImage(const std::vector<std::uint8_t>& image, std::size_t length, std::size_t offset) {
    std::string text;
    for (std::size_t index = offset; index < offset + 50 && index < length && image[index] != 0; ++index) {
        text.push_back(static_cast<char>(image[index]));
    }
    return text;
}

// True when files can be created in folder despite its permissions (as the
// superuser), which makes a read-only folder no obstacle.
inline bool FolderAcceptsFiles(const std::filesystem::path& folder) {
    const auto probe = folder / "probe";
    {
        std::ofstream file(probe);
        if (!file) {
            return false;
        }
    }
    std::filesystem::remove(probe);
    return true;
}
