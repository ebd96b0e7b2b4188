#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

// A broken property stops the run like a crash, so libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                              \
    do {                                                                                   \
        if (!(condition)) {                                                                \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                  \
        }                                                                                  \
    } while (false)

// The loaders read files, so each input goes through a file of this process's
// own (several fuzzing processes may share the folder). Memory-backed when the
// host has such a folder, to keep the disk out of the loop.
inline std::filesystem::path FuzzFolder() {
    std::error_code error;
    const std::filesystem::path shared = "/dev/shm";
    const auto base = std::filesystem::is_directory(shared, error) ? shared : std::filesystem::temp_directory_path();
    const auto folder = base / ("quib_fuzz_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    return folder;
}

// Removed when the process ends normally; after a crash it stays for a look.
class TFuzzFolder {
public:
    TFuzzFolder() : path(FuzzFolder()) {}
    ~TFuzzFolder() {
        std::error_code error;
        std::filesystem::remove_all(path, error);
    }
    const std::filesystem::path path;
};

inline std::filesystem::path FuzzFile(std::string_view name) {
    static const TFuzzFolder folder;
    return folder.path / std::string(name);
}

inline void WriteBytes(const std::filesystem::path& path, const std::uint8_t* data, std::size_t size) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    FUZZ_CHECK(file.good());
}

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A 50-byte text field as a loader should leave it after writing it back: the
// bytes present up to the first zero, padded with zeros.
inline void NormaliseTextField(const std::uint8_t* data, std::size_t size, std::size_t offset,
                               std::vector<std::uint8_t>& image) {
    constexpr std::size_t fieldSize = 50;
    for (std::size_t index = offset; index < offset + fieldSize; ++index) {
        image[index] = 0;
    }
    for (std::size_t index = offset; index < offset + fieldSize && index < size && data[index] != 0; ++index) {
        image[index] = data[index];
    }
}
