#pragma once

#include <QImage>
#include <QObject>

#include "video/display_output.h"

class QWidget;

// Shows the emulated screen in a screen area of a window: the indexed frame is
// kept in an 8-bit image with the palette as its colour table and drawn inside
// the area's one-pixel frame at the largest whole scale that fits, centred on
// black, so that every emulated pixel is a square of host pixels. Every
// presented frame and every exposure repaints the area; Qt's double buffering
// keeps it free of tearing and flicker.
class TQtDisplayOutput : public QObject, public TDisplayOutput {
public:
    // The screen area is not owned and must outlive this object.
    explicit TQtDisplayOutput(QWidget& screenArea);

    void DrawBitmap(const TFrameBuffer& pixels, const TPalette& palette) override;
    void Present() override;

    // Where the picture goes: the largest whole multiple of 256 x 212 inside the
    // area's rectangle less one pixel on every side, centred. An area smaller
    // than 1:1 gets the picture shrunk to fit, its proportions kept.
    QRect PictureRectangle() const;
    static QRect PictureRectangle(QRect inside);
    const QImage& GetImage() const { return image; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget& screenArea;
    QImage image;
};
