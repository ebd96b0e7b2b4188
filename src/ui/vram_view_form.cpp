#include "ui/vram_view_form.h"

#include <algorithm>

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "ui/hex_text.h"
#include "video/pc_v9918.h"

namespace {

const char* const modeNames[] = {"Screen 0 (text)", "Screen 1 (graphic 1)", "Screen 2 (graphic 2)",
                                 "Screen 3 (multicolour)"};

// "3Ch (60)": hexadecimal for the program's source, decimal for its BASIC.
QString ByteText(unsigned value) {
    return HexText(value, 2) + "h (" + QString::number(value) + ")";
}

// Patterns in graphic 2 fill three tables of 256, one per third of the screen.
int PatternCount(const TV9918& vdp) {
    return vdp.GetScreenMode() == TV9918::graphic2Mode ? 768 : 256;
}

}  // namespace

TVRAMViewForm::TVRAMViewForm(TPCMSX& machine, QWidget* owner) : QWidget(owner, Qt::Window), machine(machine) {
    setWindowTitle("VRAM View");
    QFont fixedPitch("Monospace");
    fixedPitch.setStyleHint(QFont::TypeWriter);

    lblMode = new QLabel(this);
    lblTables = new QLabel(this);
    lblTables->setFont(fixedPitch);
    btnRefresh = new QPushButton("Refresh", this);
    connect(btnRefresh, &QPushButton::clicked, this, &TVRAMViewForm::ShowVRAM);

    imagePatterns = new QLabel;
    imagePatterns->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    imagePatterns->setMouseTracking(true);
    imagePatterns->installEventFilter(this);
    auto* scrollPatterns = new QScrollArea;
    scrollPatterns->setWidget(imagePatterns);
    scrollPatterns->setWidgetResizable(true);
    lblTile = new QLabel("Point at a tile for its pattern number and addresses.");
    lblTile->setFont(fixedPitch);
    auto* pagePatterns = new QWidget;
    auto* patternsLayout = new QVBoxLayout(pagePatterns);
    patternsLayout->addWidget(scrollPatterns, 1);
    patternsLayout->addWidget(lblTile);

    memoNames = new QPlainTextEdit;
    memoNames->setReadOnly(true);
    memoNames->setLineWrapMode(QPlainTextEdit::NoWrap);
    memoNames->setFont(fixedPitch);

    lblSprites = new QLabel;
    gridSprites = new QTableWidget(TV9918::maximumSprites, spriteColumns);
    gridSprites->setHorizontalHeaderLabels(
        {"Sprite", "Y", "X", "Pattern", "Colour", "Early clock", "State", "Pattern picture"});
    gridSprites->verticalHeader()->hide();
    gridSprites->setEditTriggers(QAbstractItemView::NoEditTriggers);
    gridSprites->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (int sprite = 0; sprite < TV9918::maximumSprites; ++sprite) {
        for (int column = 0; column < columnPicture; ++column) {
            gridSprites->setItem(sprite, column, new QTableWidgetItem);
        }
        auto* picture = new QLabel;
        picture->setAlignment(Qt::AlignCenter);
        gridSprites->setCellWidget(sprite, columnPicture, picture);
    }
    auto* pageSprites = new QWidget;
    auto* spritesLayout = new QVBoxLayout(pageSprites);
    spritesLayout->addWidget(lblSprites);
    spritesLayout->addWidget(gridSprites, 1);

    tabs = new QTabWidget(this);
    tabs->addTab(pagePatterns, "&Patterns");
    tabs->addTab(memoNames, "&Names");
    tabs->addTab(pageSprites, "&Sprites");

    auto* top = new QHBoxLayout;
    top->addWidget(lblMode, 1);
    top->addWidget(btnRefresh);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lblTables);
    layout->addWidget(tabs, 1);
    // Room for graphic 2's 24 rows of tiles and for 32 names a row; text mode's 40 scroll.
    const int namesWidth = memoNames->fontMetrics().horizontalAdvance(QString(6 + 32 * 3, '0'));
    resize(std::max(tilesPerRow * tilePitch, namesWidth) + 80, 24 * tilePitch + 190);
}

QRgb TVRAMViewForm::Colour(int index) const {
    const TPaletteEntry& entry = TPCV9918::palette[index & 0x0F];
    return qRgb(entry.red, entry.green, entry.blue);
}

void TVRAMViewForm::ShowVRAM() {
    const TV9918* vdp = machine.GetVDP();
    if (!vdp) return;
    const std::uint8_t mode = vdp->GetScreenMode();
    const bool displayOn = (vdp->GetRegister(1) & 0x40) != 0;
    lblMode->setText(QString(modeNames[mode & 3]) + (displayOn ? "" : ", display off") +
                     QString(", backdrop colour %1").arg(vdp->GetBackdropColour()));
    QString registers;
    for (int index = 0; index < TV9918::registerCount; ++index) registers += " " + HexText(vdp->GetRegister(index), 2);
    // Tables a mode does not read are left out.
    QString tables = "Names " + HexText(vdp->GetNameTable(), 4) + "h  Patterns " +
                     HexText(vdp->GetPatternGeneratorTable(), 4) + "h";
    if (mode == TV9918::graphic1Mode || mode == TV9918::graphic2Mode) {
        tables += "  Colours " + HexText(vdp->GetColourTable(), 4) + "h";
    }
    if (mode != TV9918::textMode) {
        tables += "  Sprite attributes " + HexText(vdp->GetSpriteAttributeTable(), 4) + "h  Sprite patterns " +
                  HexText(vdp->GetSpritePatternTable(), 4) + "h";
    }
    lblTables->setText(tables + "\nR0-R7:" + registers + "   Status " + HexText(vdp->GetStatus(), 2) + "h");
    ShowPatterns(*vdp);
    ShowNames(*vdp);
    ShowSprites(*vdp);
}

void TVRAMViewForm::ShowPatterns(const TV9918& vdp) {
    const int count = PatternCount(vdp);
    patternImage = QImage(tilesPerRow * 8, count / tilesPerRow * 8, QImage::Format_Indexed8);
    patternImage.setColorCount(paletteSize);
    for (int index = 0; index < paletteSize; ++index) patternImage.setColor(index, Colour(index));
    for (int pattern = 0; pattern < count; ++pattern) {
        const int left = pattern % tilesPerRow * 8;
        const int top = pattern / tilesPerRow * 8;
        for (int line = 0; line < 8; ++line) {
            const TV9918::TPatternLine shown = vdp.PatternLine(pattern, line);
            uchar* pixels = patternImage.scanLine(top + line) + left;
            for (int pixel = 0; pixel < 8; ++pixel) {
                pixels[pixel] = (shown.bits & (0x80 >> pixel)) != 0 ? shown.foreground : shown.background;
            }
        }
    }
    // Each tile enlarged, with a line of grey between tiles.
    QImage drawn(tilesPerRow * tilePitch + 1, count / tilesPerRow * tilePitch + 1, QImage::Format_RGB32);
    drawn.fill(QColor(96, 96, 96));
    QPainter painter(&drawn);
    for (int pattern = 0; pattern < count; ++pattern) {
        const int column = pattern % tilesPerRow;
        const int row = pattern / tilesPerRow;
        painter.drawImage(QRect(column * tilePitch + 1, row * tilePitch + 1, 8 * zoom, 8 * zoom), patternImage,
                          QRect(column * 8, row * 8, 8, 8));
    }
    painter.end();
    imagePatterns->setPixmap(QPixmap::fromImage(drawn));
}

QString TVRAMViewForm::DescribeTileAt(QPoint point) const {
    const TV9918* vdp = machine.GetVDP();
    if (!vdp || point.x() < 1 || point.y() < 1) return {};
    const int column = (point.x() - 1) / tilePitch;
    const int pattern = (point.y() - 1) / tilePitch * tilesPerRow + column;
    if (column >= tilesPerRow || pattern >= PatternCount(*vdp)) return {};
    const bool graphic2 = vdp->GetScreenMode() == TV9918::graphic2Mode;
    const std::uint32_t offset = graphic2 ? pattern * 8 & vdp->Graphic2PatternMask() : pattern * 8;
    const std::uint32_t bytes = (vdp->GetPatternGeneratorTable() + offset) & TV9918::vramMask;
    QString text = "Pattern " + HexText(pattern & 0xFF, 2) + "h at " + HexText(bytes, 4) + "h";
    switch (vdp->GetScreenMode()) {
    case TV9918::graphic1Mode: {
        const std::uint32_t colour = (vdp->GetColourTable() + (pattern >> 3)) & TV9918::vramMask;
        text += ", colours " + HexText(vdp->VramAt(colour), 2) + "h at " + HexText(colour, 4) + "h";
        break;
    }
    case TV9918::graphic2Mode:
        text += QString(", third %1, colours at ").arg(pattern / 256) +
                HexText((vdp->GetColourTable() + (pattern * 8 & vdp->Graphic2ColourMask())) & TV9918::vramMask, 4) +
                "h";
        break;
    case TV9918::multicolourMode: text += ", a colour byte a line"; break;
    default: break;
    }
    return text;
}

bool TVRAMViewForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == imagePatterns && event->type() == QEvent::MouseMove) {
        const QString text = DescribeTileAt(static_cast<QMouseEvent*>(event)->position().toPoint());
        if (!text.isEmpty()) lblTile->setText(text);
    }
    return QWidget::eventFilter(watched, event);
}

void TVRAMViewForm::ShowNames(const TV9918& vdp) {
    const int columns = vdp.GetScreenMode() == TV9918::textMode ? 40 : 32;
    QString text = "      ";
    for (int column = 0; column < columns; ++column) text += HexText(column, 2) + " ";
    for (int row = 0; row < 24; ++row) {
        const std::uint32_t start = vdp.GetNameTable() + row * columns;
        text += "\n" + HexText(start & TV9918::vramMask, 4) + "  ";
        for (int column = 0; column < columns; ++column) text += HexText(vdp.VramAt(start + column), 2) + " ";
    }
    memoNames->setPlainText(text);
}

void TVRAMViewForm::ShowSprites(const TV9918& vdp) {
    const bool large = vdp.GetLargeSprites();
    const bool magnified = vdp.GetMagnifiedSprites();
    const int size = large ? 16 : 8;
    const int shownSize = size * (magnified ? 2 : 1);
    lblSprites->setText(QString("Sprites %1 x %1%2").arg(size).arg(magnified ? ", magnified" : "") +
                        (vdp.GetScreenMode() == TV9918::textMode ? "; text mode shows none" : ""));
    const int active = vdp.CountActiveSprites();
    const std::uint32_t hidden = vdp.SpritesHiddenByLimit();
    for (int sprite = 0; sprite < TV9918::maximumSprites; ++sprite) {
        const std::uint32_t entry = vdp.GetSpriteAttributeTable() + sprite * 4;
        const std::uint8_t y = vdp.VramAt(entry);
        const std::uint8_t attributes = vdp.VramAt(entry + 3);
        const std::uint8_t colour = attributes & 0x0F;
        QString state = sprite < active ? "active" : sprite == active ? "end marker" : "after end marker";
        if ((hidden >> sprite) & 1) state += ", hidden on some line (fifth or later)";
        const QString texts[] = {QString::number(sprite), ByteText(y), ByteText(vdp.VramAt(entry + 1)),
                                 ByteText(vdp.VramAt(entry + 2)), QString::number(colour),
                                 (attributes & 0x80) != 0 ? "yes" : "no", state};
        for (int column = 0; column < columnPicture; ++column) {
            QTableWidgetItem* item = gridSprites->item(sprite, column);
            item->setText(texts[column]);
            item->setForeground(sprite < active ? palette().text() : QBrush(Qt::gray));
        }
        gridSprites->item(sprite, columnColour)->setData(Qt::DecorationRole, QColor(Colour(colour)));

        // Set bits in the sprite's colour on grey, as large as the screen shows them.
        QImage picture(size, size, QImage::Format_RGB32);
        picture.fill(QColor(96, 96, 96));
        for (int row = 0; row < size; ++row) {
            const std::uint16_t bits = vdp.SpritePatternRow(sprite, row);
            for (int pixel = 0; pixel < size; ++pixel) {
                if ((bits >> (size - 1 - pixel)) & 1) picture.setPixel(pixel, row, Colour(colour));
            }
        }
        auto* label = static_cast<QLabel*>(gridSprites->cellWidget(sprite, columnPicture));
        label->setPixmap(QPixmap::fromImage(picture.scaled(shownSize * zoom, shownSize * zoom)));
        gridSprites->setRowHeight(sprite, shownSize * zoom + 4);
    }
    gridSprites->resizeColumnsToContents();
}
