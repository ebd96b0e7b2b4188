#include "host/sdl_sound_output.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace {

// The end-to-end tests play through the disk driver; here only the failure is checked.
TEST(SDLSoundOutputTest, AMissingDriverIsAClearError) {
    const char* oldDriver = std::getenv("SDL_AUDIODRIVER");
    const std::string restored = oldDriver ? oldDriver : "dummy";
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    std::string message;
    try {
        TSDLSoundOutput output;
    } catch (const std::runtime_error& error) {
        message = error.what();
    }
    setenv("SDL_AUDIODRIVER", restored.c_str(), 1);
    const std::string fixedText = "Failed to open the sound device: ";
    EXPECT_EQ(message.substr(0, fixedText.size()), fixedText);
    EXPECT_GT(message.size(), fixedText.size());  // SDL's reason follows
    TSDLSoundOutput output;
    EXPECT_GT(output.GetMixer().GetOutputRate(), 0);
}

}  // namespace
