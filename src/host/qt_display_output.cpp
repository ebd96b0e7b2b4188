#include "host/qt_display_output.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>
#include <cstring>

TQtDisplayOutput::TQtDisplayOutput(QWidget& screenArea)
    : screenArea(screenArea), image(screenWidth, screenHeight, QImage::Format_Indexed8) {
    image.setColorCount(paletteSize);
    image.fill(0);
    screenArea.installEventFilter(this);
}

void TQtDisplayOutput::DrawBitmap(const TFrameBuffer& pixels, const TPalette& palette) {
    for (int index = 0; index < paletteSize; ++index) {
        const QRgb colour = qRgb(palette[index].red, palette[index].green, palette[index].blue);
        if (image.color(index) != colour) image.setColor(index, colour);
    }
    for (int line = 0; line < screenHeight; ++line) {
        std::memcpy(image.scanLine(line), pixels.data() + line * screenWidth, screenWidth);
    }
}

void TQtDisplayOutput::Present() { screenArea.update(PictureRectangle()); }

QRect TQtDisplayOutput::PictureRectangle() const { return screenArea.rect().adjusted(1, 1, -1, -1); }

bool TQtDisplayOutput::eventFilter(QObject* watched, QEvent* event) {
    // The picture is painted first; the area's own paint then draws only its frame around it.
    if (watched == &screenArea && event->type() == QEvent::Paint) {
        QPainter painter(&screenArea);
        painter.drawImage(PictureRectangle(), image);
    }
    return false;
}
