#pragma once

#include <QImage>
#include <QWidget>

#include "machine/pc_msx.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;
class QTabWidget;

// "VRAM View": the video processor's tables as a developer reads them: the
// pattern table drawn as tiles in their current colours, the name table in
// hexadecimal, and the 32 sprite attribute entries with their patterns. It
// reads VRAM only when asked or when the machine stops.
class TVRAMViewForm : public QWidget {
    Q_OBJECT

public:
    // Screen pixels per drawn pixel, so that a tile can be made out.
    static constexpr int zoom = 2;
    static constexpr int tilesPerRow = 32;
    // A drawn tile and the line between it and the next.
    static constexpr int tilePitch = 8 * zoom + 1;
    enum TSpriteColumn { columnSprite, columnY, columnX, columnPattern, columnColour, columnEarlyClock, columnState,
                         columnPicture, spriteColumns };

    TVRAMViewForm(TPCMSX& machine, QWidget* owner);

    // Every view from VRAM and the registers as they stand now.
    void ShowVRAM();
    // What the pattern tiles readout says of the tile at a point of the drawn tiles.
    QString DescribeTileAt(QPoint point) const;

    QLabel* lblMode;
    QLabel* lblTables;
    QPushButton* btnRefresh;
    QTabWidget* tabs;
    QLabel* imagePatterns;
    QLabel* lblTile;
    QPlainTextEdit* memoNames;
    QLabel* lblSprites;
    QTableWidget* gridSprites;
    // The pattern table, one pixel per screen pixel, as palette indices: 32 tiles a row.
    QImage patternImage;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ShowPatterns(const TV9918& vdp);
    void ShowNames(const TV9918& vdp);
    void ShowSprites(const TV9918& vdp);
    QRgb Colour(int index) const;

    TPCMSX& machine;
};
