#include "ui/screenshots.h"

#include <QSaveFile>
#include <QString>
#include <cstdio>
#include <cstring>
#include <system_error>

QImage TScreenshots::Image(const TFrameBuffer& pixels, const TPalette& palette) {
    QImage image(screenWidth, screenHeight, QImage::Format_Indexed8);
    image.setColorCount(paletteSize);
    for (int index = 0; index < paletteSize; ++index) {
        image.setColor(index, qRgb(palette[index].red, palette[index].green, palette[index].blue));
    }
    for (int line = 0; line < screenHeight; ++line) {
        std::memcpy(image.scanLine(line), pixels.data() + line * screenWidth, screenWidth);
    }
    return image;
}

std::filesystem::path TScreenshots::Save(const TFrameBuffer& pixels, const TPalette& palette) const {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) return {};
    for (int number = 1; number <= 9999; ++number) {
        char name[16];
        std::snprintf(name, sizeof name, "quib-%04d.png", number);
        const std::filesystem::path file = folder / name;
        if (std::filesystem::exists(file, error)) continue;
        QSaveFile output(QString::fromStdString(file.string()));
        if (!output.open(QIODevice::WriteOnly) || !Image(pixels, palette).save(&output, "PNG") || !output.commit()) {
            return {};
        }
        return file;
    }
    return {};
}
