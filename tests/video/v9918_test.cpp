// The video processor's ports, registers and sprite check, then the pictures its host subclass draws.
#include "video/pc_v9918.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <tuple>
#include <vector>

#include "cpu/z80_test_support.h"

namespace {

// The ports driven as a program would: a register write, and bytes from an
// address on, repeated count times.
void WriteVdpRegister(TV9918& vdp, int index, std::uint8_t value) {
    vdp.WritePort(0x99, value);
    vdp.WritePort(0x99, std::uint8_t(0x80 | index));
}
void LoadVram(TV9918& vdp, int address, std::initializer_list<std::uint8_t> bytes, int count = 1) {
    vdp.WritePort(0x99, std::uint8_t(address & 0xFF));
    vdp.WritePort(0x99, std::uint8_t(0x40 | ((address >> 8) & 0x3F)));
    for (int time = 0; time < count; ++time)
        for (const std::uint8_t value : bytes) vdp.WritePort(0x98, value);
}

// The interrupt line follows F and R1's interrupt enable; the flag rises every frame
// whatever R1 holds, and reading the status clears it and so releases the line.
TEST(V9918, FrameFlagAndInterruptLine) {
    const struct {
        const char* name;
        std::uint8_t r1;
        bool readStatus;
        bool line;
    } cases[] = {
        {"enabled", 0x20, false, true},
        {"enabled, status read", 0x20, true, false},
        {"disabled: the flag alone", 0x00, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TV9918 vdp;
        TTestZ80 processor;
        vdp.SetZ80(&processor);
        vdp.SetFrequency(50);
        vdp.ReadPort(0x99);  // the chip starts with the flag set
        WriteVdpRegister(vdp, 1, c.r1);
        EXPECT_FALSE(processor.GetInterruptLine());
        vdp.FrameFlagReached();
        EXPECT_EQ(vdp.NextFrameFlagCycle(), 192u * 228 + 313u * 228);
        EXPECT_TRUE(vdp.GetStatus() & TV9918::frameFlag);
        if (c.readStatus) EXPECT_TRUE(vdp.ReadPort(0x99) & TV9918::frameFlag);
        EXPECT_EQ(processor.GetInterruptLine(), c.line);
        // Enabling interrupts while the flag stands asserts the line at once.
        WriteVdpRegister(vdp, 1, 0x20);
        EXPECT_EQ(processor.GetInterruptLine(), !c.readStatus);
    }
}

TEST(V9918, ControlPortLatchSequences) {
    const struct {
        std::string name;
        std::vector<std::pair<int, int>> accesses;  // port and value; value -1 reads the port
        std::uint32_t readAddress, writeAddress;
        bool latchPending;
    } cases[] = {
        {"read address, 14 bits", {{0x99, 0xFF}, {0x99, 0x3F}}, 0x3FFF, 0, false},
        {"write address, 14 bits", {{0x99, 0xFF}, {0x99, 0x7F}}, 0, 0x3FFF, false},
        {"each address its own", {{0x99, 0x21}, {0x99, 0x03}, {0x99, 0x00}, {0x99, 0x40}}, 0x0321, 0, false},
        {"one byte waits", {{0x99, 0x21}}, 0, 0, true},
        {"a data write inside a sequence is lost", {{0x99, 0x10}, {0x98, 0x55}, {0x99, 0x41}}, 0, 0x0110, false},
        {"both top bits set do nothing", {{0x99, 0x10}, {0x99, 0xC1}}, 0, 0, false},
        {"a status read keeps the latch", {{0x99, 0x10}, {0x99, -1}}, 0, 0, true},
        {"other ports do nothing", {{0x9A, 0x10}, {0x9B, -1}, {0x97, 0x10}, {0x99, 0x10}}, 0, 0, true},
    };
    for (const auto& c : cases) {
        TV9918 vdp;
        for (const auto& [port, value] : c.accesses) {
            if (value >= 0) vdp.WritePort(std::uint8_t(port), std::uint8_t(value));
            else vdp.ReadPort(std::uint8_t(port));
        }
        EXPECT_EQ(std::tuple(vdp.GetReadAddress(), vdp.GetWriteAddress(), vdp.GetLatchPending()),
                  std::tuple(c.readAddress, c.writeAddress, c.latchPending)) << c.name;
        EXPECT_EQ(vdp.GetVRAM()[0x0110], 0xFF) << c.name;
        EXPECT_EQ(vdp.GetRegister(1), 0x10) << c.name;
    }
    TV9918 vdp;
    WriteVdpRegister(vdp, 0x0F, 0x12);  // the index keeps three bits
    EXPECT_EQ(vdp.GetTextColour() * 16 + vdp.GetBackdropColour(), 0x12);
    LoadVram(vdp, 0x3FFF, {0xAA, 0xBB});  // the address wraps
    EXPECT_EQ(vdp.GetVRAM()[0x0000], 0xBB);
}

// R2-R6 all hold FFh, written first, so that the table positions show each mode's masks; then
// multicolour, so that a mode left unchanged shows.
TEST(V9918, ScreenModeSelectionAndItsTableMasks) {
    // Colours, pattern generator and sprite attributes in text, graphic 1, graphic 2 and multicolour.
    const std::uint32_t tables[4][3] = {
        {0x0000, 0x1F800, 0x0000}, {0x3FC0, 0x1F800, 0x7F80}, {0x2000, 0x1E000, 0x7F80}, {0x0000, 0x1F800, 0x7F80}};
    const struct {
        std::uint8_t r0, r1, mode;
    } cases[] = {{0x00, 0x00, 1}, {0x02, 0x00, 2}, {0x00, 0x08, 3}, {0x00, 0x10, 0},
                 {0x00, 0x18, 3}, {0x04, 0x00, 3}, {0x02, 0x10, 3}, {0xF1, 0xE7, 1}};
    for (const auto& c : cases) {
        TV9918 vdp;
        for (int index = 2; index <= 6; ++index) WriteVdpRegister(vdp, index, 0xFF);
        for (const auto& [index, value] : {std::pair{0, 0x00}, {1, 0x08}, {0, c.r0}, {1, c.r1}})
            WriteVdpRegister(vdp, index, std::uint8_t(value));
        const std::uint32_t* masked = tables[c.mode];
        EXPECT_EQ(std::tuple(vdp.GetScreenMode(), vdp.GetNameTable(), vdp.GetColourTable(), vdp.GetPatternGeneratorTable(),
                             vdp.GetSpriteAttributeTable(), vdp.GetSpritePatternTable()),
                  std::tuple(c.mode, 0x3C00u, masked[0], masked[1], masked[2], 0x1F800u))
            << int(c.r0) << " " << int(c.r1);
    }
}

using TSprite = std::array<std::uint8_t, 4>;  // Y, X, pattern, early clock and colour

// Graphic 1 with the sprites given and the status the check leaves. Patterns:
// 0 solid, 1 left half, 2 right half, 3 empty; 16 x 16, 4 solid and 8 right half only.
int CheckSprites(TV9918& vdp, bool large, const std::vector<TSprite>& sprites) {
    for (const auto& [index, value] : {std::pair{0, 0x00}, {1, large ? 0x42 : 0x40}, {5, 0x36}, {6, 0x07}})
        WriteVdpRegister(vdp, index, std::uint8_t(value));
    for (const auto& [address, value, count] : {std::tuple{0x3800, 0xFF, 8}, {0x3808, 0xF0, 8}, {0x3810, 0x0F, 8},
                                                {0x3818, 0, 8}, {0x3820, 0xFF, 32}, {0x3840, 0, 16}, {0x3850, 0xFF, 16}})
        LoadVram(vdp, address, {std::uint8_t(value)}, count);
    for (std::size_t sprite = 0; sprite < sprites.size(); ++sprite) {
        const auto& [y, x, pattern, colour] = sprites[sprite];
        LoadVram(vdp, int(0x1B00 + sprite * 4), {y, x, pattern, colour});
    }
    LoadVram(vdp, int(0x1B00 + sprites.size() * 4), {208});
    vdp.CheckSprites();
    return vdp.GetStatus();
}

TEST(V9918, StatusReadClearsFrameAndCollisionOnlyAndEachCheckStartsAfresh) {
    TV9918 vdp;
    EXPECT_EQ(vdp.ReadPort(0x99), 0x9F);
    EXPECT_EQ(vdp.ReadPort(0x99), 0x1F);
    CheckSprites(vdp, false, {{10, 10, 0, 1}, {10, 10, 0, 1}});
    vdp.SetFrameFlag();
    EXPECT_EQ(vdp.ReadPort(0x99), 0x80 | 0x40 | 0x20 | 1);
    EXPECT_EQ(vdp.GetStatus(), 0x40 | 1);
    vdp.SetFrameFlag();
    EXPECT_EQ(CheckSprites(vdp, false, {}), 0x80 | 0x1F);  // the frame flag is not the check's business
}

TEST(V9918, SpriteCheckFindsCollisionsAndTheFifthSprite) {
    const struct {
        std::string name;
        bool large;
        std::vector<TSprite> sprites;
        int status;  // 20h for a collision, 40h plus the number of a fifth sprite, else 1Fh
    } cases[] = {
        {"same spot", false, {{50, 50, 0, 1}, {50, 50, 0, 2}}, 0x61},
        {"first colour zero", false, {{50, 50, 0, 0}, {50, 50, 0, 2}}, 0x1F},
        {"second colour zero", false, {{50, 50, 0, 1}, {50, 50, 0, 0x80}}, 0x1F},
        // Rows beside each other count for the fifth sprite even when apart.
        {"touching horizontally", false, {{50, 50, 0, 1}, {50, 58, 0, 1}}, 0x41},
        {"one pixel column shared", false, {{50, 57, 0, 1}, {50, 50, 0, 1}}, 0x61},
        {"touching vertically", false, {{50, 50, 0, 1}, {58, 50, 0, 1}}, 0x1F},
        {"one row shared", false, {{57, 50, 0, 1}, {50, 50, 0, 1}}, 0x3F},
        {"vertical wrap", false, {{2, 50, 0, 1}, {252, 50, 0, 1}}, 0x3F},
        {"horizontal wrap", false, {{50, 2, 0, 1}, {50, 252, 0, 1}}, 0x61},
        {"halves apart", false, {{50, 10, 1, 1}, {50, 14, 2, 1}}, 0x1F},
        {"halves meet", false, {{50, 10, 2, 1}, {50, 14, 1, 1}}, 0x3F},
        {"early clock ignored", false, {{50, 50, 0, 0x81}, {50, 50, 0, 1}}, 0x61},
        {"list end hides later sprites", false, {{50, 50, 0, 1}, {208, 50, 0, 1}, {50, 50, 0, 1}}, 0x1F},
        {"five shared rows", false, {{53, 50, 0, 1}, {50, 100, 0, 1}}, 0x1F},
        {"six shared rows", false, {{52, 50, 0, 1}, {50, 100, 0, 1}}, 0x41},
        {"rows counted over pairs", false, {{50, 0, 0, 1}, {45, 50, 0, 1}, {55, 100, 0, 1}, {100, 150, 0, 1}}, 0x42},
        {"first fifth sprite kept", false, {{50, 0, 0, 1}, {50, 100, 0, 1}, {50, 200, 0, 1}}, 0x41},
        {"large sprites overlap by their halves", true, {{50, 0, 8, 1}, {50, 8, 4, 1}}, 0x61},
        {"large sprites apart", true, {{50, 0, 8, 1}, {50, 16, 4, 1}}, 0x41},
        {"small size reads one byte per row", false, {{50, 0, 8, 1}, {50, 0, 8, 1}}, 0x1F},
    };
    for (const auto& c : cases) {
        TV9918 vdp;
        vdp.ReadPort(0x99);
        EXPECT_EQ(CheckSprites(vdp, c.large, c.sprites), c.status) << c.name;
    }
}

using TRow = std::vector<std::uint8_t>;

// A row of pixels described as runs of (count, colour).
TRow Runs(std::initializer_list<std::pair<int, std::uint8_t>> runs) {
    TRow row;
    for (const auto& [count, colour] : runs) row.insert(row.end(), count, colour);
    return row;
}

struct PCV9918 : ::testing::Test {
    PCV9918() { LoadVram(vdp, 0, {0x00}, TV9918::vramSize); }  // every sprite colour 0: none shows
    // The mode with the display on and more bits of R1, then R2 onwards as given.
    void SelectMode(std::uint8_t mode, std::initializer_list<std::uint8_t> tables, std::uint8_t moreR1 = 0) {
        static constexpr std::uint8_t r0[] = {0x00, 0x00, 0x02, 0x00}, r1[] = {0x10, 0x00, 0x00, 0x08};
        WriteVdpRegister(vdp, 0, r0[mode]);
        WriteVdpRegister(vdp, 1, std::uint8_t(r1[mode] | 0x40 | moreR1));
        int index = 2;
        for (const std::uint8_t value : tables) WriteVdpRegister(vdp, index++, value);
        vdp.RenderFrame();
    }
    // Active lines count from 0; the ten border lines above are -10 to -1.
    TRow Row(int line) const {
        const auto begin = vdp.GetFrameBuffer().begin() + (TPCV9918::borderLines + line) * screenWidth;
        return TRow(begin, begin + screenWidth);
    }

    TPCV9918 vdp;
};

TEST_F(PCV9918, TextModeDrawsFortyColumnsOfSixPixels) {
    LoadVram(vdp, 0x0000, {1, 2});  // names at 0000h, patterns at 0800h
    LoadVram(vdp, 39, {3, 3});      // the last column of row 0, the first of row 1
    LoadVram(vdp, 0x0808, {0xA8, 0x03});
    LoadVram(vdp, 0x0810, {0x84});
    LoadVram(vdp, 0x0818, {0xFF, 0, 0, 0, 0, 0, 0, 0x80});
    SelectMode(TV9918::textMode, {0x00, 0xFF, 0x01, 0xFF, 0xFF, 0xF4});
    // A8h gives 1,0,1,0,1,0; 84h gives 1,0,0,0,0,1; the last column's two unused
    // pixels must not show in the right border, nor bits 1 and 0 anywhere.
    EXPECT_EQ(Row(0), Runs({{8, 4}, {1, 15}, {1, 4}, {1, 15}, {1, 4}, {1, 15}, {1, 4},
                            {1, 15}, {4, 4}, {1, 15}, {222, 4}, {6, 15}, {8, 4}}));
    EXPECT_EQ(Row(1), TRow(256, 4));
    EXPECT_EQ(Row(7), Runs({{242, 4}, {1, 15}, {13, 4}}));
    WriteVdpRegister(vdp, 7, 0x04);  // colour 0 draws palette index 0, not the backdrop
    vdp.RenderFrame();
    EXPECT_EQ(Row(8), Runs({{8, 4}, {6, 0}, {242, 4}}));
}

TEST_F(PCV9918, Graphic1ModeSharesAColourBytePerEightCodes) {
    LoadVram(vdp, 0x1800 + 32 * 3, {0x09, 0x00, 0x10, 0x11});  // names at 1800h, patterns at 0000h
    for (const auto& [code, pattern] : {std::pair{0x09, 0xF0}, {0x00, 0xAA}, {0x10, 0x3C}, {0x11, 0x81}})
        LoadVram(vdp, code * 8 + 2, {std::uint8_t(pattern)});
    LoadVram(vdp, 0x2000, {0x00, 0x6A, 0x20});  // colour 0 shows the backdrop
    SelectMode(TV9918::graphic1Mode, {0x06, 0x80, 0x00, 0x36, 0x07, 0x07});
    EXPECT_EQ(Row(26), Runs({{4, 6}, {4, 10}, {10, 7}, {4, 2}, {2, 7}, {1, 2}, {6, 7}, {1, 2}, {224, 7}}));
    EXPECT_EQ(Row(27), Runs({{8, 10}, {248, 7}}));
}

TEST_F(PCV9918, Graphic2ModeUsesOneTablePartPerThirdAndAColourBytePerLine) {
    const std::uint8_t patterns[] = {0xFF, 0x0F, 0xC3}, colours[] = {0x20, 0x3C, 0x0E};
    for (int third = 0; third < 3; ++third) {
        LoadVram(vdp, 0x1800 + third * 256 + 1, {5});  // code 5 in column 1 of rows 0, 8 and 16
        LoadVram(vdp, third * 2048 + 5 * 8 + 2, {patterns[third]});
        LoadVram(vdp, 0x2000 + third * 2048 + 5 * 8 + 2, {colours[third]});
    }
    SelectMode(TV9918::graphic2Mode, {0x06, 0xFF, 0x03, 0x36, 0x07, 0x01});
    EXPECT_EQ(Row(2), Runs({{8, 1}, {8, 2}, {240, 1}}));
    EXPECT_EQ(Row(66), Runs({{8, 1}, {4, 12}, {4, 3}, {240, 1}}));
    EXPECT_EQ(Row(130), Runs({{8, 1}, {2, 1}, {4, 14}, {2, 1}, {240, 1}}));
    EXPECT_EQ(Row(67), TRow(256, 1));
    // The low bits of R3 and R4 mask the third: which third's patterns and
    // colours each third of the screen shows.
    const struct {
        std::uint8_t r3, r4;
        int patternThird[3], colourThird[3];
    } masks[] = {
        {0x9F, 0x00, {0, 0, 0}, {0, 0, 0}},
        {0xBF, 0x01, {0, 1, 0}, {0, 1, 0}},
        {0xDF, 0x03, {0, 1, 2}, {0, 0, 2}},
        {0xFF, 0x02, {0, 0, 2}, {0, 1, 2}},
    };
    for (const auto& c : masks) {
        SelectMode(TV9918::graphic2Mode, {0x06, c.r3, c.r4, 0x36, 0x07, 0x01});
        for (int third = 0; third < 3; ++third) {
            TRow expected(256, 1);
            const std::uint8_t pattern = patterns[c.patternThird[third]], colour = colours[c.colourThird[third]];
            for (int bit = 0; bit < 8; ++bit) {
                const std::uint8_t pixel = (pattern << bit) & 0x80 ? colour >> 4 : colour & 0x0F;
                expected[8 + bit] = pixel == 0 ? 1 : pixel;
            }
            EXPECT_EQ(Row(third * 64 + 2), expected) << int(c.r3) << " " << int(c.r4) << " third " << third;
        }
    }
    WriteVdpRegister(vdp, 1, 0x02);  // with the display off only the backdrop shows
    vdp.RenderFrame();
    const TFrameBuffer& frame = vdp.GetFrameBuffer();
    EXPECT_TRUE(std::all_of(frame.begin(), frame.end(), [](int pixel) { return pixel == 1; }));
}

TEST_F(PCV9918, MulticolourModeDrawsFourByFourBlocks) {
    LoadVram(vdp, 0x1800 + 5 * 32, {3, 3});  // code 3 in row 5: row AND 3 = 1 selects bytes 2 and 3
    LoadVram(vdp, 3 * 8 + 2, {0x50, 0x9F});
    SelectMode(TV9918::multicolourMode, {0x06, 0xFF, 0x00, 0x36, 0x07, 0x04});
    for (int line = 40; line < 48; ++line) {
        const std::uint8_t left = line < 44 ? 5 : 9, right = line < 44 ? 0 : 15;
        EXPECT_EQ(Row(line), Runs({{4, left}, {4, right}, {4, left}, {4, right}, {240, 0}})) << line;
    }
}

// What a debugger shows of a pattern must be what the screen shows: every
// character cell of a screen of varied bytes, against its pattern's lines.
TEST_F(PCV9918, PatternLinesAreWhatTheScreenShowsInEveryMode) {
    std::uint32_t seed = 12345;
    for (int address = 0; address < int(TV9918::vramSize); ++address) {
        seed = seed * 1103515245 + 12345;
        LoadVram(vdp, address, {std::uint8_t(seed >> 16)});
    }
    LoadVram(vdp, 0x1B00, {208});  // no sprites over the patterns
    // Graphic 2 twice: with all three thirds' tables, and with R3 and R4 masking them to the first.
    for (const auto& [mode, r3, r4] : {std::tuple{TV9918::textMode, 0xFF, 0x03}, {TV9918::graphic1Mode, 0xFF, 0x03},
                                       {TV9918::graphic2Mode, 0xFF, 0x03}, {TV9918::graphic2Mode, 0x9F, 0x00},
                                       {TV9918::multicolourMode, 0xFF, 0x03}}) {
        SelectMode(mode, {0x06, std::uint8_t(r3), std::uint8_t(r4), 0x36, 0x07, 0x54});  // colour 0 shows 4
        const int columns = mode == TV9918::textMode ? 40 : 32, width = mode == TV9918::textMode ? 6 : 8;
        const int left = mode == TV9918::textMode ? 8 : 0;
        for (int line = 0; line < TPCV9918::activeLines; ++line) {
            const int row = line / 8;
            for (int column = 0; column < columns; ++column) {
                const int code = vdp.VramAt(0x1800 + row * columns + column);
                int pattern = mode == TV9918::graphic2Mode ? row / 8 * 256 + code : code;
                int patternLine = line % 8;
                if (mode == TV9918::multicolourMode) patternLine = (row & 3) * 2 + (line & 7) / 4;
                const TV9918::TPatternLine shown = vdp.PatternLine(pattern, patternLine);
                for (int pixel = 0; pixel < width; ++pixel) {
                    const bool set = (shown.bits & (0x80 >> pixel)) != 0;
                    ASSERT_EQ(Row(line)[left + column * width + pixel], set ? shown.foreground : shown.background)
                        << "mode " << int(mode) << " line " << line << " column " << column;
                }
            }
        }
    }
}

TEST_F(PCV9918, SpritesAtTheEdges) {
    const struct {
        std::string name;
        bool large;
        std::uint8_t y, x, attributes;
        int firstLine, firstRow, rows, column;  // rows 0 when nothing shows
    } cases[] = {
        {"right edge", false, 0, 248, 0x06, 1, 0, 8, 248},
        {"past the right edge", false, 0, 249, 0x06, 0, 0, 0, 0},
        {"colour zero", false, 0, 0, 0x00, 0, 0, 0, 0},
        {"early clock, left of the screen", false, 0, 31, 0x86, 0, 0, 0, 0},
        {"early clock at column 0", false, 0, 32, 0x86, 1, 0, 8, 0},
        {"Y 255 starts at the top", false, 255, 10, 0x06, 0, 0, 8, 10},
        {"Y 248 shows its last row", false, 248, 10, 0x06, 0, 7, 1, 10},
        {"Y 247 is hidden", false, 247, 10, 0x06, 0, 0, 0, 0},
        {"Y 184 is cut at the bottom", false, 184, 10, 0x06, 185, 0, 7, 10},
        {"large at the right edge", true, 20, 240, 0x06, 21, 0, 16, 240},
        {"large past the right edge", true, 20, 241, 0x06, 0, 0, 0, 0},
        {"large wrapping at the top", true, 250, 0, 0x06, 0, 5, 11, 0},
    };
    for (const auto& c : cases) {
        LoadVram(vdp, 0, {0x00}, TV9918::vramSize);
        const int size = c.large ? 16 : 8;
        for (int row = 0; row < size; ++row) {  // pattern 4: row r has pixel r and the rightmost pixel set
            const int bits = (1 << (size - 1 - row)) | 1;
            LoadVram(vdp, 0x3820 + row, {std::uint8_t(c.large ? bits >> 8 : bits)});
            if (c.large) LoadVram(vdp, 0x3830 + row, {std::uint8_t(bits)});
        }
        LoadVram(vdp, 0x1B00, {c.y, c.x, 4, c.attributes, 208});
        SelectMode(TV9918::graphic1Mode, {0x06, 0x80, 0x00, 0x36, 0x07, 0x01}, c.large ? 0x02 : 0x00);
        TFrameBuffer expected;
        expected.fill(1);
        for (int row = 0; row < c.rows; ++row) {
            const int start = (TPCV9918::borderLines + c.firstLine + row) * screenWidth + c.column;
            expected[start + c.firstRow + row] = expected[start + size - 1] = 6;
        }
        EXPECT_TRUE(vdp.GetFrameBuffer() == expected) << c.name;
    }
}

}  // namespace
