#include "host/qt_display_output.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>
#include <algorithm>
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

QRect TQtDisplayOutput::PictureRectangle() const { return PictureRectangle(screenArea.rect().adjusted(1, 1, -1, -1)); }

QRect TQtDisplayOutput::PictureRectangle(QRect inside) {
    const int scale = std::min(inside.width() / screenWidth, inside.height() / screenHeight);
    QSize size(screenWidth * scale, screenHeight * scale);
    if (scale == 0) size = QSize(screenWidth, screenHeight).scaled(inside.size(), Qt::KeepAspectRatio);
    return QRect(inside.topLeft() + QPoint((inside.width() - size.width()) / 2, (inside.height() - size.height()) / 2),
                 size);
}

bool TQtDisplayOutput::eventFilter(QObject* watched, QEvent* event) {
    // The picture is painted first, on black; the area's own paint then draws only its frame around it.
    if (watched == &screenArea && event->type() == QEvent::Paint) {
        QPainter painter(&screenArea);
        const QRect picture = PictureRectangle();
        const QRegion bars = QRegion(screenArea.rect()).subtracted(picture);
        for (const QRect& bar : bars) painter.fillRect(bar, Qt::black);
        painter.drawImage(picture, image);
    }
    return false;
}
