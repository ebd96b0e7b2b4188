#include "video/pc_v9918.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/frame_image.h"
#include "support/recording_display_output.h"
#include "support/vdp_ports.h"

namespace {

constexpr int firstActiveLine = 10;

using TRow = std::vector<std::uint8_t>;

// A row of pixels described as runs of (count, colour).
TRow Runs(std::initializer_list<std::pair<int, std::uint8_t>> runs)
{
    TRow row;
    for (const auto& [count, colour] : runs)
        row.insert(row.end(), count, colour);
    return row;
}

class PCV9918 : public ::testing::Test {
protected:
    void SetUp() override { FillVram(vdp, 0x0000, TV9918::vramSize, 0x00); }

    // A failing test leaves its last frame as a picture.
    void TearDown() override
    {
        if (!HasFailure())
            return;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::filesystem::path written =
            WriteFrameImage(vdp.GetFrameBuffer(), vdp.GetPalette(), std::string("PCV9918_") + info->name());
        std::cerr << "last frame: " << written << "\n";
    }

    void SelectMode(std::uint8_t mode, std::uint8_t extraR1 = 0)
    {
        static constexpr std::uint8_t r0[] = {0x00, 0x00, 0x02, 0x00};
        static constexpr std::uint8_t r1[] = {0x10, 0x00, 0x00, 0x08};
        WriteVdpRegister(vdp, 0, r0[mode]);
        WriteVdpRegister(vdp, 1, static_cast<std::uint8_t>(r1[mode] | 0x40 | extraR1));
        ASSERT_EQ(vdp.GetScreenMode(), mode);
    }

    TRow FrameRow(int line) const
    {
        const auto begin = vdp.GetFrameBuffer().begin() + line * screenWidth;
        return TRow(begin, begin + screenWidth);
    }

    TRow ActiveRow(int line) const { return FrameRow(firstActiveLine + line); }

    TRecordingDisplayOutput output;
    TPCV9918 vdp{&output};
};

TEST_F(PCV9918, RenderFrameHandsTheFrameToTheOutput)
{
    WriteVdpRegister(vdp, 7, 0x07);
    vdp.RenderFrame();
    vdp.RenderFrame();
    ASSERT_EQ(output.frames.size(), 2u);
    EXPECT_EQ(output.presents, 2);
    EXPECT_EQ(output.frames.back(), vdp.GetFrameBuffer());
    EXPECT_EQ(output.lastPalette[15].red, 224);
    EXPECT_EQ(output.lastPalette[2].green, 192);

    // Without an output the frame is still drawn.
    TPCV9918 alone;
    WriteVdpRegister(alone, 7, 0x0B);
    alone.RenderFrame();
    for (const std::uint8_t pixel : alone.GetFrameBuffer())
        ASSERT_EQ(pixel, 0x0B);
    vdp.SetDisplayOutput(nullptr);
    vdp.RenderFrame();
    EXPECT_EQ(output.presents, 2);
}

TEST_F(PCV9918, DisabledDisplayShowsOnlyTheBackdrop)
{
    FillVram(vdp, 0x0000, TV9918::vramSize, 0xFF);
    WriteVdpRegister(vdp, 7, 0xF5);
    for (std::uint8_t mode = 0; mode < 4; ++mode) {
        SelectMode(mode);
        WriteVdpRegister(vdp, 1, static_cast<std::uint8_t>(vdp.GetRegister(1) & ~0x40));
        vdp.RenderFrame();
        for (std::size_t pixel = 0; pixel < vdp.GetFrameBuffer().size(); ++pixel)
            ASSERT_EQ(vdp.GetFrameBuffer()[pixel], 5) << "mode " << int(mode) << " pixel " << pixel;
    }
}

TEST_F(PCV9918, BorderLinesHoldTheBackdrop)
{
    FillVram(vdp, 0x0000, TV9918::vramSize, 0xFF);
    WriteVdpRegister(vdp, 7, 0x3D);
    for (std::uint8_t mode = 0; mode < 4; ++mode) {
        SelectMode(mode);
        // A sprite on the last active line must not reach into the border.
        WriteVdpRegister(vdp, 5, 0x36);
        LoadVram(vdp, 0x1B00, {190, 0, 0, 0x07, 208});
        vdp.RenderFrame();
        for (const int line : {0, 9, 202, 211})
            EXPECT_EQ(FrameRow(line), TRow(screenWidth, 13)) << "mode " << int(mode) << " line " << line;
        EXPECT_NE(ActiveRow(0), TRow(screenWidth, 13)) << "mode " << int(mode);
        EXPECT_NE(ActiveRow(191), TRow(screenWidth, 13)) << "mode " << int(mode);
    }
}

TEST_F(PCV9918, TextMode)
{
    SelectMode(TV9918::textMode);
    WriteVdpRegister(vdp, 2, 0x00); // names at 0000h
    WriteVdpRegister(vdp, 4, 0x01); // patterns at 0800h
    WriteVdpRegister(vdp, 7, 0xF4);
    LoadVram(vdp, 0x0000, {1, 2});
    LoadVram(vdp, 39, {3});
    LoadVram(vdp, 40, {3}); // row 1, column 0
    LoadVram(vdp, 0x0808, {0xA8, 0x03, 0xFC});
    LoadVram(vdp, 0x0810, {0x84});
    LoadVram(vdp, 0x0818, {0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80});
    vdp.RenderFrame();

    // Line 0: A8h gives 1,0,1,0,1,0; 84h gives 1,0,0,0,0,1; the last column
    // is solid and its two unused pixels must not show in the right border.
    EXPECT_EQ(ActiveRow(0), Runs({{8, 4}, {1, 15}, {1, 4}, {1, 15}, {1, 4}, {1, 15}, {1, 4},
                                  {1, 15}, {4, 4}, {1, 15}, {222, 4}, {6, 15}, {8, 4}}));
    // Line 1: bits 1 and 0 are not part of a character.
    EXPECT_EQ(ActiveRow(1), TRow(screenWidth, 4));
    EXPECT_EQ(ActiveRow(7), Runs({{242, 4}, {1, 15}, {13, 4}}));
    EXPECT_EQ(ActiveRow(8), Runs({{8, 4}, {6, 15}, {242, 4}}));

    // Colour 0 draws palette index 0, not the backdrop.
    WriteVdpRegister(vdp, 7, 0x04);
    vdp.RenderFrame();
    EXPECT_EQ(ActiveRow(8), Runs({{8, 4}, {6, 0}, {242, 4}}));
}

TEST_F(PCV9918, TextModeAfterGraphic1LeavesClearSides)
{
    FillVram(vdp, 0x0000, TV9918::vramSize, 0xFF);
    WriteVdpRegister(vdp, 7, 0xF4);
    SelectMode(TV9918::graphic1Mode);
    vdp.RenderFrame();
    ASSERT_EQ(ActiveRow(0), TRow(screenWidth, 15));

    SelectMode(TV9918::textMode);
    vdp.RenderFrame();
    for (int line = 0; line < TPCV9918::activeLines; ++line)
        ASSERT_EQ(ActiveRow(line), Runs({{8, 4}, {240, 15}, {8, 4}})) << line;
}

TEST_F(PCV9918, Graphic1Mode)
{
    SelectMode(TV9918::graphic1Mode);
    WriteVdpRegister(vdp, 2, 0x06); // names at 1800h
    WriteVdpRegister(vdp, 3, 0x80); // colours at 2000h
    WriteVdpRegister(vdp, 4, 0x00); // patterns at 0000h
    WriteVdpRegister(vdp, 5, 0x36);
    WriteVdpRegister(vdp, 7, 0x07);
    LoadVram(vdp, 0x1B00, {208});
    LoadVram(vdp, 0x1800 + 32 * 3, {0x09, 0x00, 0x10, 0x11});
    LoadVram(vdp, 0x0000 + 0x09 * 8 + 2, {0xF0});
    LoadVram(vdp, 0x0000 + 0x00 * 8 + 2, {0xAA});
    LoadVram(vdp, 0x0000 + 0x10 * 8 + 2, {0x3C});
    LoadVram(vdp, 0x0000 + 0x11 * 8 + 2, {0x81});
    // Codes 08h-0Fh share colour byte 1, codes 10h-17h colour byte 2.
    LoadVram(vdp, 0x2000, {0x00, 0x6A, 0x20});
    vdp.RenderFrame();

    EXPECT_EQ(ActiveRow(3 * 8 + 2), Runs({{4, 6}, {4, 10}, {8, 7}, {2, 7}, {4, 2}, {2, 7},
                                          {1, 2}, {6, 7}, {1, 2}, {224, 7}}));
    EXPECT_EQ(ActiveRow(3 * 8 + 3), Runs({{4, 10}, {4, 10}, {8, 7}, {16, 7}, {224, 7}}));
}

TEST_F(PCV9918, Graphic2ModeUsesOneTablePartPerThird)
{
    SelectMode(TV9918::graphic2Mode);
    WriteVdpRegister(vdp, 2, 0x06); // names at 1800h
    WriteVdpRegister(vdp, 3, 0xFF); // colours at 2000h
    WriteVdpRegister(vdp, 4, 0x03); // patterns at 0000h
    WriteVdpRegister(vdp, 5, 0x36);
    WriteVdpRegister(vdp, 7, 0x01);
    LoadVram(vdp, 0x1B00, {208});
    // Character code 5 in column 1 of rows 0, 8 and 16.
    for (const int row : {0, 8, 16})
        LoadVram(vdp, static_cast<std::uint16_t>(0x1800 + row * 32 + 1), {5});
    const std::uint8_t patterns[] = {0xFF, 0x0F, 0xC3};
    const std::uint8_t colours[] = {0x20, 0x3C, 0x0E};
    for (int third = 0; third < 3; ++third) {
        const auto at = static_cast<std::uint16_t>(third * 2048 + 5 * 8 + 2);
        LoadVram(vdp, at, {patterns[third]});
        LoadVram(vdp, static_cast<std::uint16_t>(0x2000 + at), {colours[third]});
    }
    vdp.RenderFrame();

    EXPECT_EQ(ActiveRow(2), Runs({{8, 1}, {8, 2}, {240, 1}}));
    EXPECT_EQ(ActiveRow(64 + 2), Runs({{8, 1}, {4, 12}, {4, 3}, {240, 1}}));
    EXPECT_EQ(ActiveRow(128 + 2), Runs({{8, 1}, {2, 1}, {4, 14}, {2, 1}, {240, 1}}));
    // Each pixel line has its own colour byte.
    EXPECT_EQ(ActiveRow(64 + 3), TRow(screenWidth, 1));
}

TEST_F(PCV9918, MulticolourMode)
{
    SelectMode(TV9918::multicolourMode);
    WriteVdpRegister(vdp, 2, 0x06); // names at 1800h
    WriteVdpRegister(vdp, 4, 0x00); // colour blocks at 0000h
    WriteVdpRegister(vdp, 5, 0x36);
    WriteVdpRegister(vdp, 7, 0x04);
    LoadVram(vdp, 0x1B00, {208});
    // Code 3 in columns 0 and 1 of row 5: row AND 3 = 1 selects bytes 2 and 3.
    LoadVram(vdp, 0x1800 + 5 * 32, {3, 3});
    LoadVram(vdp, 3 * 8 + 2, {0x50, 0x9F});
    vdp.RenderFrame();

    for (int line = 40; line < 44; ++line)
        EXPECT_EQ(ActiveRow(line), Runs({{4, 5}, {4, 0}, {4, 5}, {4, 0}, {240, 0}})) << line;
    for (int line = 44; line < 48; ++line)
        EXPECT_EQ(ActiveRow(line), Runs({{4, 9}, {4, 15}, {4, 9}, {4, 15}, {240, 0}})) << line;
}

// A sprite placement case: where the pattern rows must land, if anywhere.
struct TSpritePlacement {
    std::string name;
    bool large;
    std::uint8_t y;
    std::uint8_t x;
    std::uint8_t attributes;
    bool drawn;
    int firstLine;
    int firstRow;
    int rows;
    int column;
};

TEST_F(PCV9918, SpritePlacementAtTheEdges)
{
    const std::vector<TSpritePlacement> cases = {
        {"top left", false, 0, 0, 0x06, true, 1, 0, 8, 0},
        {"right edge", false, 0, 248, 0x06, true, 1, 0, 8, 248},
        {"past the right edge", false, 0, 249, 0x06, false, 0, 0, 0, 0},
        {"colour zero", false, 0, 0, 0x00, false, 0, 0, 0, 0},
        {"early clock, left of the screen", false, 0, 31, 0x86, false, 0, 0, 0, 0},
        {"early clock at column 0", false, 0, 32, 0x86, true, 1, 0, 8, 0},
        {"early clock near the right", false, 0, 255, 0x86, true, 1, 0, 8, 223},
        {"Y 255 starts at the top", false, 255, 10, 0x06, true, 0, 0, 8, 10},
        {"Y 248 shows its last row", false, 248, 10, 0x06, true, 0, 7, 1, 10},
        {"Y 247 is hidden", false, 247, 10, 0x06, false, 0, 0, 0, 0},
        {"Y 191 is hidden", false, 191, 10, 0x06, false, 0, 0, 0, 0},
        {"Y 184 is cut at the bottom", false, 184, 10, 0x06, true, 185, 0, 7, 10},
        {"large at the right edge", true, 20, 240, 0x06, true, 21, 0, 16, 240},
        {"large past the right edge", true, 20, 241, 0x06, false, 0, 0, 0, 0},
        {"large wrapping at the top", true, 250, 0, 0x06, true, 0, 5, 11, 0},
        {"large cut at the bottom", true, 180, 0, 0x06, true, 181, 0, 11, 0},
    };
    for (const TSpritePlacement& test : cases) {
        SetUp();
        SelectMode(TV9918::graphic1Mode, test.large ? 0x02 : 0x00);
        WriteVdpRegister(vdp, 5, 0x36); // attributes at 1B00h
        WriteVdpRegister(vdp, 6, 0x07); // patterns at 3800h
        WriteVdpRegister(vdp, 7, 0x01);
        // Pattern 4: row r has pixel r and the rightmost pixel set, so each
        // drawn row shows which pattern row it is.
        const int size = test.large ? 16 : 8;
        for (int row = 0; row < size; ++row) {
            const int bits = (1 << (size - 1 - row)) | 1;
            if (test.large) {
                LoadVram(vdp, static_cast<std::uint16_t>(0x3820 + row), {static_cast<std::uint8_t>(bits >> 8)});
                LoadVram(vdp, static_cast<std::uint16_t>(0x3830 + row), {static_cast<std::uint8_t>(bits)});
            } else {
                LoadVram(vdp, static_cast<std::uint16_t>(0x3820 + row), {static_cast<std::uint8_t>(bits)});
            }
        }
        LoadVram(vdp, 0x1B00, {test.y, test.x, 4, test.attributes, 208});
        vdp.RenderFrame();

        TFrameBuffer expected;
        expected.fill(1);
        if (test.drawn) {
            for (int row = 0; row < test.rows; ++row) {
                const int line = firstActiveLine + test.firstLine + row;
                expected[line * screenWidth + test.column + test.firstRow + row] = 6;
                expected[line * screenWidth + test.column + size - 1] = 6;
            }
        }
        EXPECT_TRUE(vdp.GetFrameBuffer() == expected) << test.name;
        if (vdp.GetFrameBuffer() != expected)
            WriteFrameImage(vdp.GetFrameBuffer(), vdp.GetPalette(), "PCV9918_sprite_" + std::to_string(test.x) + "_" +
                                                                        std::to_string(test.y));
    }
}

TEST_F(PCV9918, SpritePriorityAndListEnd)
{
    SelectMode(TV9918::multicolourMode);
    WriteVdpRegister(vdp, 4, 0x01); // colour blocks at 0800h, all colour 0
    WriteVdpRegister(vdp, 5, 0x36);
    WriteVdpRegister(vdp, 6, 0x07);
    WriteVdpRegister(vdp, 7, 0x04);
    LoadVram(vdp, 0x3800, {0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0, 0xF0}); // pattern 0: left half
    FillVram(vdp, 0x3808, 8, 0xFF);                                          // pattern 1: solid
    // Sprites 0 and 1 on one spot; ten more on one line, no per-line limit;
    // after the list end nothing is drawn.
    SetVdpWriteAddress(vdp, 0x1B00);
    for (const std::uint8_t value : {99, 100, 0, 0x02, 99, 100, 1, 0x08})
        vdp.WritePort(0x98, value);
    for (int sprite = 0; sprite < 10; ++sprite)
        for (const std::uint8_t value : {std::uint8_t(19), std::uint8_t(sprite * 16), std::uint8_t(1), std::uint8_t(0x0A)})
            vdp.WritePort(0x98, value);
    for (const std::uint8_t value : {208, 0, 1, 0x0F, 59, 0, 1, 0x0F})
        vdp.WritePort(0x98, value);
    vdp.RenderFrame();

    EXPECT_EQ(ActiveRow(100), Runs({{100, 0}, {4, 2}, {4, 8}, {148, 0}}));
    TRow tenSprites;
    for (int sprite = 0; sprite < 10; ++sprite)
        tenSprites.insert(tenSprites.end(), {10, 10, 10, 10, 10, 10, 10, 10, 0, 0, 0, 0, 0, 0, 0, 0});
    tenSprites.resize(screenWidth, 0);
    EXPECT_EQ(ActiveRow(20), tenSprites);
    EXPECT_EQ(ActiveRow(60), TRow(screenWidth, 0));
}

TEST_F(PCV9918, NoSpritesInTextMode)
{
    SelectMode(TV9918::textMode);
    WriteVdpRegister(vdp, 4, 0x01); // empty patterns at 0800h
    WriteVdpRegister(vdp, 5, 0x36);
    WriteVdpRegister(vdp, 6, 0x07);
    WriteVdpRegister(vdp, 7, 0xF4);
    FillVram(vdp, 0x3800, 8, 0xFF);
    // Text mode keeps the sprite attribute table at 0000h; this entry would
    // be a solid sprite on line 51 in any other mode.
    LoadVram(vdp, 0x0000, {50, 50, 0, 0x0F, 208});
    vdp.RenderFrame();
    for (int line = 0; line < TPCV9918::activeLines; ++line)
        ASSERT_EQ(ActiveRow(line), TRow(screenWidth, 4)) << line;
}

TEST_F(PCV9918, TablesAtTheEndOfVram)
{
    SelectMode(TV9918::graphic1Mode, 0x02);
    WriteVdpRegister(vdp, 2, 0x00); // names at 0000h
    WriteVdpRegister(vdp, 3, 0xFF); // colours at 3FC0h
    WriteVdpRegister(vdp, 4, 0x3F); // patterns at 1F800h, inside VRAM at 3800h
    WriteVdpRegister(vdp, 5, 0x7E); // attributes at 3F00h
    WriteVdpRegister(vdp, 6, 0x3F); // sprite patterns at 1F800h, likewise at 3800h
    WriteVdpRegister(vdp, 7, 0x01);
    EXPECT_EQ(vdp.GetPatternGeneratorTable(), 0x1F800u);
    EXPECT_EQ(vdp.GetSpritePatternTable(), 0x1F800u);
    FillVram(vdp, 0x0000, 768, 0xFF);
    // Character 255 and sprite pattern FCh both end at 3FFFh.
    FillVram(vdp, 0x3FE0, 32, 0xFF);
    LoadVram(vdp, 0x3FDF, {0x50});
    LoadVram(vdp, 0x3F00, {99, 100, 0xFE, 0x09, 208});
    vdp.RenderFrame();

    for (int line = 0; line < TPCV9918::activeLines; ++line) {
        const bool sprite = line >= 100 && line < 116;
        ASSERT_EQ(ActiveRow(line), sprite ? Runs({{100, 5}, {16, 9}, {140, 5}}) : TRow(screenWidth, 5)) << line;
    }

    // Graphic 2 masks R4 to 3Ch: 1E000h lands at 2000h.
    SelectMode(TV9918::graphic2Mode, 0x02);
    WriteVdpRegister(vdp, 3, 0x00); // colours at 0000h
    // Third 2, code 255, line 7: its colour byte, then its pattern byte.
    LoadVram(vdp, 0x0000 + 4096 + 255 * 8 + 7, {0xE0});
    LoadVram(vdp, 0x2000 + 4096 + 255 * 8 + 7, {0xAA});
    vdp.RenderFrame();
    EXPECT_EQ(vdp.GetPatternGeneratorTable(), 0x1E000u);
    TRow expected;
    for (int column = 0; column < 32; ++column)
        expected.insert(expected.end(), {14, 1, 14, 1, 14, 1, 14, 1});
    EXPECT_EQ(ActiveRow(191), expected);
}

} // namespace
