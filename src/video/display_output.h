#pragma once

#include <array>
#include <cstdint>

// The emulated screen: 10 border lines, 192 active lines and 10 border lines
// of 256 pixels, each pixel an index into the 16-entry palette.
inline constexpr int screenWidth = 256;
inline constexpr int screenHeight = 212;
inline constexpr int paletteSize = 16;

struct TPaletteEntry {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

using TFrameBuffer = std::array<std::uint8_t, screenWidth * screenHeight>;
using TPalette = std::array<TPaletteEntry, paletteSize>;

// Where finished frames go: the desktop window, or a headless keeper of the
// last frame. The renderer draws the frame line by line as the beam passes,
// then presents it once a frame.
class TDisplayOutput {
public:
    virtual ~TDisplayOutput() = default;

    // Takes the frame (top row first) into the output's off-screen picture,
    // converting the indices through the palette.
    virtual void DrawBitmap(const TFrameBuffer& pixels, const TPalette& palette) = 0;
    // Shows the off-screen picture.
    virtual void Present() = 0;
};
