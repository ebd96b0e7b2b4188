#include "tools/wav_sound_output.h"

#include <algorithm>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace {

constexpr std::uint32_t headerBytes = 44;
// The size fields are 32 bits: a longer run keeps its first four gigabytes.
constexpr std::uint64_t sampleLimit = (0xFFFFFFFFull - headerBytes) / 2;

void Little(std::vector<char>& bytes, std::uint32_t value, int size) {
    for (int index = 0; index < size; ++index) bytes.push_back(static_cast<char>((value >> (8 * index)) & 0xFF));
}

std::runtime_error WriteFailure(const std::filesystem::path& file) {
    return std::runtime_error("cannot write sound file " + file.string());
}

}  // namespace

TWavSoundOutput::TWavSoundOutput(const std::filesystem::path& file) : file(file), temporary(file) {
    temporary += ".tmp";
    stream.open(temporary, std::ios::binary | std::ios::trunc);
    if (!stream) throw WriteFailure(file);
    WriteHeader();
    if (!stream) throw WriteFailure(file);
}

TWavSoundOutput::~TWavSoundOutput() {
    if (closed) return;
    stream.close();
    std::error_code error;
    std::filesystem::remove(temporary, error);
}

void TWavSoundOutput::WriteHeader() {
    const auto dataBytes = static_cast<std::uint32_t>(2 * sampleCount);
    std::vector<char> header;
    header.insert(header.end(), {'R', 'I', 'F', 'F'});
    Little(header, headerBytes - 8 + dataBytes, 4);
    header.insert(header.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Little(header, 16, 4);        // the format chunk's size
    Little(header, 1, 2);         // PCM
    Little(header, 1, 2);         // mono
    Little(header, rate, 4);
    Little(header, 2 * rate, 4);  // bytes a second
    Little(header, 2, 2);         // bytes a sample
    Little(header, 16, 2);        // bits a sample
    header.insert(header.end(), {'d', 'a', 't', 'a'});
    Little(header, dataBytes, 4);
    stream.write(header.data(), static_cast<std::streamsize>(header.size()));
}

void TWavSoundOutput::Play(std::span<const std::int16_t> samples) {
    if (closed) return;
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(samples.size(), sampleLimit - sampleCount));
    std::vector<char> bytes(2 * count);
    for (std::size_t index = 0; index < count; ++index) {
        const auto sample = static_cast<std::uint16_t>(samples[index]);
        bytes[2 * index] = static_cast<char>(sample & 0xFF);
        bytes[2 * index + 1] = static_cast<char>(sample >> 8);
    }
    stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    sampleCount += count;
}

void TWavSoundOutput::Close() {
    if (closed) return;
    stream.seekp(0);
    WriteHeader();
    stream.close();
    if (stream.fail()) throw WriteFailure(file);
    std::error_code error;
    std::filesystem::rename(temporary, file, error);
    if (error) throw WriteFailure(file);
    closed = true;
}
