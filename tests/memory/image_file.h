#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace memory_test {

inline std::filesystem::path OutputFolder()
{
    const std::filesystem::path folder = std::filesystem::path(QUIB_TEST_OUTPUT_DIR) / "memory";
    std::filesystem::create_directories(folder);
    return folder;
}

inline std::filesystem::path WriteImage(const std::string& name, const std::vector<std::uint8_t>& bytes)
{
    const std::filesystem::path path = OutputFolder() / name;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
}

inline std::filesystem::path MissingFile(const std::string& name)
{
    const std::filesystem::path path = OutputFolder() / name;
    std::filesystem::remove(path);
    return path;
}

// Every byte of an image tells its block and offset apart: the first byte of each 8 KB
// block is its block number, the rest a pattern.
inline std::vector<std::uint8_t> Pattern(std::size_t size)
{
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    }
    return bytes;
}

} // namespace memory_test
