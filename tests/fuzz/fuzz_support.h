#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <unistd.h>

#include "compression/lzrw1.h"
#include "compression/stream.h"

using TBytes = std::vector<std::uint8_t>;

// A broken property stops the run like a crash, so libFuzzer keeps the input.
#define FUZZ_CHECK(condition)                                                                     \
    do {                                                                                          \
        if (!(condition)) {                                                                       \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                         \
        }                                                                                         \
    } while (false)

// The loaders read files: each input goes through a folder of this process's own
// (several fuzzing processes may share the machine), in memory where the host has
// /dev/shm. Removed when the process ends normally; after a crash it stays for a look.
inline std::filesystem::path FuzzFile(const std::string& name) {
    static const struct TFolder {
        std::filesystem::path path = std::filesystem::path(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") /
                                     ("quib_fuzz_" + std::to_string(getpid()));
        TFolder() { std::filesystem::create_directories(path); }
        ~TFolder() {
            std::error_code error;
            std::filesystem::remove_all(path, error);
        }
    } folder;
    return folder.path / name;
}

inline std::filesystem::path WriteFile(const std::string& name, const TBytes& bytes) {
    std::ofstream(FuzzFile(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return FuzzFile(name);
}

inline TBytes ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Bytes through the WRZL container's coder; false when the decoder refuses them.
inline bool Lzrw1Code(TBytes input, bool compress, TBytes& coded) {
    TMemoryStream source(std::move(input)), target;
    Tlzrw1 coder;
    coder.InputStream = &source;
    coder.OutputStream = &target;
    try {
        FUZZ_CHECK((compress ? coder.Compress() : coder.Decompress()) == target.GetSize());
    } catch (const ELzrw1Exception&) {
        return false;
    }
    coded = target.GetData();
    return true;
}

// A 50-byte text field as a load leaves it: the input's bytes up to its first zero, then zeros.
inline void ExpectText(const TBytes& input, std::size_t field, TBytes& expected) {
    bool ended = false;
    for (std::size_t index = field; index < field + 50; ++index) {
        ended = ended || index >= input.size() || input[index] == 0;
        expected[index] = ended ? 0 : input[index];
    }
}

template <class TSettings>
TBytes SavedImage(const TSettings& settings) {
    FUZZ_CHECK(TSettings(settings).Save(FuzzFile("saved")));
    return ReadFile(FuzzFile("saved"));
}

// Loads input over settings that hold a letter in every byte, so that a field a load
// wrongly keeps or replaces shows: the image saved then must be the one expected from
// the previous image. Read back into new settings it saves the same, and a load of a
// missing file changes nothing.
template <class TSettings, class TExpected>
void CheckSettingsLoad(const TBytes& input, std::size_t fileSize, const TExpected& expectedFrom) {
    static const TSettings previous = [fileSize] {
        TBytes letters(fileSize);
        for (std::size_t offset = 0; offset < fileSize; ++offset) letters[offset] = std::uint8_t('A' + offset % 26);
        TSettings settings;
        FUZZ_CHECK(settings.Load(WriteFile("letters", letters)));
        return settings;
    }();
    static const TBytes previousImage = SavedImage(previous);
    TSettings settings = previous, readBack;
    FUZZ_CHECK(settings.Load(WriteFile("input", input)));
    const TBytes image = SavedImage(settings);
    FUZZ_CHECK(image == expectedFrom(previousImage));
    FUZZ_CHECK(readBack.Load(FuzzFile("saved")) && SavedImage(readBack) == image);
    FUZZ_CHECK(!readBack.Load(FuzzFile("missing")) && SavedImage(readBack) == image);
}
