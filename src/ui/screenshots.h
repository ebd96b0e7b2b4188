#pragma once

#include <QImage>
#include <filesystem>

#include "video/display_output.h"

// The screenshots of a session: PNG files with the frame's own 16-colour
// palette, 256 x 212 pixels, numbered quib-0001.png, quib-0002.png, ... in the
// Screenshots folder beside quib.cfg.
class TScreenshots {
public:
    static constexpr const char* folderName = "Screenshots";

    // programFolder is the folder that holds quib.cfg.
    explicit TScreenshots(const std::filesystem::path& programFolder) : folder(programFolder / folderName) {}

    // The frame as an indexed image whose colour table is the palette.
    static QImage Image(const TFrameBuffer& pixels, const TPalette& palette);
    // Writes the frame under the first free number, through a temporary file;
    // answers the file written, or an empty path when it cannot be written.
    std::filesystem::path Save(const TFrameBuffer& pixels, const TPalette& palette) const;

private:
    std::filesystem::path folder;
};
