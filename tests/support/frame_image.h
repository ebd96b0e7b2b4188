#pragma once

#include <filesystem>
#include <string>

#include "video/display_output.h"

// Writes a frame as a binary PPM picture named `name`.ppm into the test
// output folder, so that a failing rendering test leaves something to look
// at. Returns the path written, or an empty path when writing failed.
std::filesystem::path WriteFrameImage(const TFrameBuffer& pixels, const TPalette& palette, const std::string& name);
