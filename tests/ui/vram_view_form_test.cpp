#include "ui/vram_view_form.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTextBlock>
#include <sstream>

#include "support/test_host.h"
#include "tools/headless.h"

namespace {

// A RAM machine whose video processor is set up through its ports, as a program would.
struct VRAMViewFormTest : ::testing::Test {
    VRAMViewFormTest() {
        FillSlot(configuration, 0, 0, TConfiguration::pageRAM);
        machine.Build(configuration);
    }
    void WriteRegister(int index, std::uint8_t value) {
        machine.GetVDP()->WritePort(0x99, value);
        machine.GetVDP()->WritePort(0x99, std::uint8_t(0x80 | index));
    }
    void WriteRegisters(std::initializer_list<std::uint8_t> values) {
        int index = 0;
        for (const std::uint8_t value : values) WriteRegister(index++, value);
    }
    void LoadVram(int address, std::initializer_list<std::uint8_t> bytes) {
        machine.GetVDP()->WritePort(0x99, std::uint8_t(address & 0xFF));
        machine.GetVDP()->WritePort(0x99, std::uint8_t(0x40 | (address >> 8)));
        for (const std::uint8_t value : bytes) machine.GetVDP()->WritePort(0x98, value);
    }
    QString Cell(int sprite, int column) { return form.gridSprites->item(sprite, column)->text(); }
    QImage Picture(int sprite) {
        return static_cast<QLabel*>(form.gridSprites->cellWidget(sprite, TVRAMViewForm::columnPicture))
            ->pixmap()
            .toImage();
    }

    TTestHost host;
    TPCMSX machine{host.Services()};
    TConfiguration configuration;
    TVRAMViewForm form{machine, nullptr};
};

TEST_F(VRAMViewFormTest, Graphic2TilesNamesAndSprites) {
    // Pattern 41h of the middle third: line 2 is 0Fh in colours 6 (set) on A (clear);
    // line 3 is F0h in colour 0, which shows the backdrop, on 2.
    LoadVram(0x0800 + 0x41 * 8 + 2, {0x0F, 0xF0});
    LoadVram(0x2800 + 0x41 * 8 + 2, {0x6A, 0x02});
    LoadVram(0x1800 + 32 * 9 + 5, {0x41});
    LoadVram(0x1B00, {0x5F, 0x80, 0x09, 0x8B, 0x10, 0x20, 0x04, 0x02, 0xC0, 0x00, 0x00, 0x00, 0xD0, 0x30});
    LoadVram(0x3800 + 8 * 8, {0x80});        // sprite 0's pattern 8 (09h as 16 x 16): top left pixel set
    LoadVram(0x3800 + 8 * 8 + 16, {0x01});   // and the top right one
    // Graphic 2 with the usual tables: names 1800h, patterns 0000h, colours 2000h,
    // sprite attributes 1B00h, sprite patterns 3800h; backdrop 4.
    WriteRegisters({0x02, 0xE2, 0x06, 0xFF, 0x03, 0x36, 0x07, 0x04});
    form.ShowVRAM();

    EXPECT_EQ(form.lblMode->text(), "Screen 2 (graphic 2), backdrop colour 4");
    EXPECT_EQ(form.lblTables->text(), "Names 1800h  Patterns 0000h  Colours 2000h  Sprite attributes 1B00h  "
                                      "Sprite patterns 3800h\nR0-R7: 02 E2 06 FF 03 36 07 04   Status 9Fh");
    // 768 tiles; tile 256 + 41h lies in row 10, column 1.
    ASSERT_EQ(form.patternImage.size(), QSize(256, 192));
    const int left = 1 * 8, top = 10 * 8;
    const int line2[] = {10, 10, 10, 10, 6, 6, 6, 6}, line3[] = {4, 4, 4, 4, 2, 2, 2, 2};
    for (int pixel = 0; pixel < 8; ++pixel) {
        EXPECT_EQ(form.patternImage.pixelIndex(left + pixel, top + 2), line2[pixel]) << pixel;
        EXPECT_EQ(form.patternImage.pixelIndex(left + pixel, top + 3), line3[pixel]) << pixel;
    }
    constexpr int pitch = TVRAMViewForm::tilePitch;
    EXPECT_EQ(form.imagePatterns->pixmap().size(), QSize(32 * pitch + 1, 24 * pitch + 1));
    EXPECT_EQ(form.DescribeTileAt(QPoint(1 * pitch + 3, 10 * pitch + 3)),
              "Pattern 41h at 0A08h, third 1, colours at 2A08h");

    const QStringList names = form.memoNames->toPlainText().split('\n');
    ASSERT_EQ(names.size(), 25);
    EXPECT_TRUE(names[0].startsWith("      00 01 02 03 04 05 06"));
    EXPECT_TRUE(names[10].startsWith("1920  FF FF FF FF FF 41 FF")) << names[10].toStdString();

    EXPECT_EQ(form.lblSprites->text(), "Sprites 16 x 16");
    const QString sprite0[] = {"0", "5Fh (95)", "80h (128)", "09h (9)", "11", "yes", "active"};
    for (int column = 0; column < TVRAMViewForm::columnPicture; ++column) EXPECT_EQ(Cell(0, column), sprite0[column]);
    EXPECT_EQ(form.gridSprites->item(0, TVRAMViewForm::columnColour)->data(Qt::DecorationRole).value<QColor>(),
              QColor(192, 192, 128));
    EXPECT_EQ(Cell(1, TVRAMViewForm::columnColour), "2");
    EXPECT_EQ(Cell(1, TVRAMViewForm::columnEarlyClock), "no");
    EXPECT_EQ(Cell(3, TVRAMViewForm::columnState), "end marker");
    EXPECT_EQ(Cell(4, TVRAMViewForm::columnState), "after end marker");
    EXPECT_EQ(Cell(31, TVRAMViewForm::columnState), "after end marker");
    // 16 x 16 at twice the size; the set corners in the sprite's colour, the rest grey.
    const QImage picture = Picture(0);
    ASSERT_EQ(picture.size(), QSize(32, 32));
    EXPECT_EQ(QColor(picture.pixel(0, 0)), QColor(192, 192, 128));
    EXPECT_EQ(QColor(picture.pixel(31, 1)), QColor(192, 192, 128));
    EXPECT_EQ(QColor(picture.pixel(2, 0)), QColor(96, 96, 96));

    // 8 x 8, magnified: twice as large again.
    WriteRegister(1, 0xE1);
    form.ShowVRAM();
    EXPECT_EQ(form.lblSprites->text(), "Sprites 8 x 8, magnified");
    EXPECT_EQ(Picture(0).size(), QSize(32, 32));
}

TEST_F(VRAMViewFormTest, MarksTheSpritesThatTheFourALineLimitHides) {
    WriteRegisters({0x02, 0xE2, 0x06, 0xFF, 0x03, 0x36, 0x07, 0x04});
    // Five sprites from line 40, a sixth on line 100 alone, then the end.
    LoadVram(0x1B00, {39, 0, 0, 1, 39, 20, 0, 1, 39, 40, 0, 1, 39, 60, 0, 1, 50, 80, 0, 1, 99, 0, 0, 1, 0xD0});
    form.ShowVRAM();
    for (int sprite = 0; sprite < 6; ++sprite)
        EXPECT_EQ(Cell(sprite, TVRAMViewForm::columnState),
                  sprite == 4 ? "active, hidden on some line (fifth or later)" : "active") << sprite;
}

TEST_F(VRAMViewFormTest, TextModeShowsFortyNamesARowAndNoColourOrSpriteTables) {
    WriteRegisters({0x00, 0xF0, 0x00, 0x00, 0x01, 0x00, 0x00, 0xF4});
    LoadVram(0x0000 + 40 + 39, {0x41});
    form.ShowVRAM();
    EXPECT_EQ(form.lblMode->text(), "Screen 0 (text), backdrop colour 4");
    EXPECT_TRUE(form.lblTables->text().startsWith("Names 0000h  Patterns 0800h\n"));
    EXPECT_EQ(form.patternImage.size(), QSize(256, 64));
    const QStringList names = form.memoNames->toPlainText().split('\n');
    EXPECT_TRUE(names[2].startsWith("0028  FF")) << names[2].toStdString();
    EXPECT_TRUE(names[2].endsWith(" 41 ")) << names[2].toStdString();
}

// The MegaROM game screen: its tiles and sprite patterns come from banks switched in
// one after the other, and its 32 sprites move every frame.
TEST(VRAMViewFormGame, ShowsTheGameScreensTilesAndSprites) {
    THeadlessOptions options;
    options.configuration = QUIB_DEFAULT_CONFIGURATION;
    options.cartridge1 = QUIB_SPRITE_GAME;
    options.frames = 300;
    std::ostringstream log;
    THeadlessRunner runner(options, log);
    runner.Run();
    TVRAMViewForm form(runner.GetMachine(), nullptr);
    form.ShowVRAM();

    EXPECT_EQ(form.lblMode->text(), "Screen 2 (graphic 2), backdrop colour 1");
    // The brick's second line, ...#...., in grey on light red, in each third.
    for (const int third : {0, 1, 2}) {
        const int top = third * 64 + 1;
        QString pixels;
        for (int pixel = 0; pixel < 8; ++pixel) {
            pixels += QString::number(form.patternImage.pixelIndex(6 * 8 + pixel, top), 16);
        }
        EXPECT_EQ(pixels, "888e8888") << third;
    }
    // Every entry is a sprite; the last one with the early clock, in colour 11.
    for (int sprite = 0; sprite < TV9918::maximumSprites; ++sprite) {
        EXPECT_TRUE(form.gridSprites->item(sprite, TVRAMViewForm::columnState)->text().startsWith("active")) << sprite;
    }
    EXPECT_EQ(form.gridSprites->item(31, TVRAMViewForm::columnEarlyClock)->text(), "yes");
    EXPECT_EQ(form.gridSprites->item(31, TVRAMViewForm::columnColour)->text(), "11");
}

}  // namespace
