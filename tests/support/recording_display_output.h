#pragma once

#include <vector>

#include "video/display_output.h"

// A display output that keeps every frame it is given and counts presents.
class TRecordingDisplayOutput : public TDisplayOutput {
public:
    void DrawBitmap(const TFrameBuffer& pixels, const TPalette& palette) override
    {
        frames.push_back(pixels);
        lastPalette = palette;
    }
    void Present() override { ++presents; }

    std::vector<TFrameBuffer> frames;
    TPalette lastPalette{};
    int presents = 0;
};
