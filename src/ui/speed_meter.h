#pragma once

#include <QElapsedTimer>
#include <QString>
#include <cstdint>

#include "video/display_output.h"

// Passes the frames on to the display and counts them, so that the window can
// say how fast the machine runs: frames per second and the share of the real
// machine's frame rate.
class TSpeedMeter : public TDisplayOutput {
public:
    void SetOutput(TDisplayOutput* next) { output = next; }

    void DrawBitmap(const TFrameBuffer& pixels, const TPalette& palette) override {
        if (output) output->DrawBitmap(pixels, palette);
    }
    void Present() override {
        ++frames;
        if (output) output->Present();
    }

    // Starts a new measurement from now.
    void Restart();
    // The speed since the last measurement, as "60.0 fps (100%)" for a machine of
    // that many frames a second, and starts the next.
    QString Measure(double realFramesPerSecond);

private:
    TDisplayOutput* output = nullptr;
    std::int64_t frames = 0;
    std::int64_t framesAtStart = 0;
    QElapsedTimer clock;
};
