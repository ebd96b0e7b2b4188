#include "host/sdl_sound_output.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "sound/pc_psg.h"

namespace {

// Sets an environment variable for the test's lifetime, then puts the old value back.
class TScopedVariable {
public:
    TScopedVariable(const char* name, const std::string& value) : name(name) {
        if (const char* old = std::getenv(name)) oldValue = old;
        setenv(name, value.c_str(), 1);
    }
    ~TScopedVariable() {
        if (oldValue) setenv(name, oldValue->c_str(), 1);
        else unsetenv(name);
    }

private:
    const char* name;
    std::optional<std::string> oldValue;
};

TEST(SDLSoundOutputTest, AMissingDriverIsAClearError) {
    const TScopedVariable driver("SDL_AUDIODRIVER", "no-such-driver");
    try {
        TSDLSoundOutput output;
        FAIL() << "opened a device without a driver";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()).rfind("Failed to open the sound device: ", 0), 0u) << error.what();
        EXPECT_GT(std::string(error.what()).size(), 33u);
    }
}

// The disk driver writes what the device plays into a file: a PSG tone must
// arrive as 16-bit samples at the obtained rate.
TEST(SDLSoundOutputTest, TheDeviceCallsTheMixer) {
    const std::filesystem::path file = std::filesystem::path(QUIB_TEST_OUTPUT_DIR) / "sdl_sound_output.raw";
    std::filesystem::create_directories(file.parent_path());
    std::filesystem::remove(file);
    const TScopedVariable driver("SDL_AUDIODRIVER", "disk");
    const TScopedVariable diskFile("SDL_DISKAUDIOFILE", file.string());
    const std::uintmax_t minimumBytes = 2 * 11025;  // a quarter of a second, played in real time
    {
        TSDLSoundOutput output;
        ASSERT_EQ(output.GetMixer().GetOutputRate(), TSDLSoundOutput::preferredRate);
        TPCPSG psg{output.GetMixer()};
        const std::uint8_t writes[][2] = {{0, 0xFE}, {1, 0x00}, {8, 0x0F}, {7, 0xBE}};
        for (const auto& write : writes) {
            psg.WritePort(0xA0, write[0]);
            psg.WritePort(0xA1, write[1]);
        }
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::filesystem::file_size(file) < minimumBytes && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        psg.StopSound();
    }
    ASSERT_GE(std::filesystem::file_size(file), minimumBytes);
    std::vector<std::int16_t> samples(std::filesystem::file_size(file) / 2);
    std::ifstream input(file, std::ios::binary);
    input.read(reinterpret_cast<char*>(samples.data()), static_cast<std::streamsize>(2 * samples.size()));
    int highs = 0;
    int lows = 0;
    for (std::int16_t sample : samples) {
        highs += sample == 16 * 128;
        lows += sample == -16 * 128;
    }
    EXPECT_GT(highs, 1000);
    EXPECT_GT(lows, 1000);
}

}  // namespace
