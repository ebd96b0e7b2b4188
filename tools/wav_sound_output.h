#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <span>

#include "machine/host_services.h"

// The machine's sound as a WAV file: 16-bit mono PCM at 44100 samples a second,
// written to a temporary file beside the named one and renamed over it by Close.
class TWavSoundOutput : public TSoundOutput {
public:
    static constexpr int rate = 44100;

    // Throws std::runtime_error, with a message for the user, when the file
    // cannot be written.
    explicit TWavSoundOutput(const std::filesystem::path& file);
    // Removes the temporary file unless Close has renamed it.
    ~TWavSoundOutput() override;

    TWavSoundOutput(const TWavSoundOutput&) = delete;
    TWavSoundOutput& operator=(const TWavSoundOutput&) = delete;

    int GetRate() const override { return rate; }
    void Play(std::span<const std::int16_t> samples) override;
    // A file records everything it is handed.
    void SetMuted(bool) override {}

    // Completes the header and puts the file in place; throws std::runtime_error
    // when that fails.
    void Close();
    std::uint64_t GetSampleCount() const { return sampleCount; }

private:
    void WriteHeader();

    std::filesystem::path file;
    std::filesystem::path temporary;
    std::ofstream stream;
    std::uint64_t sampleCount = 0;
    bool closed = false;
};
