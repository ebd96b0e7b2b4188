// The video processor's ports, registers and sprite lines, the pictures its host subclass draws, and the
// picture drawn line by line as the beam goes.
#include "video/pc_v9918.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "cpu/z80_test_support.h"
#include "tools/headless.h"

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
        if (c.readStatus) {
            EXPECT_TRUE(vdp.ReadPort(0x99) & TV9918::frameFlag);
        }
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

// Graphic 1 with the sprites given (R1's size bits as given) and the status a
// frame leaves. Patterns: 0 solid, 1 left half, 2 right half, 3 empty; 16 x 16,
// 4 solid and 8 right half only.
int RunSpriteFrame(TV9918& vdp, std::uint8_t sizeBits, const std::vector<TSprite>& sprites, bool terminated = true) {
    for (const auto& [index, value] : {std::pair{0, 0x00}, {1, 0x40 | sizeBits}, {5, 0x36}, {6, 0x07}})
        WriteVdpRegister(vdp, index, std::uint8_t(value));
    for (const auto& [address, value, count] : {std::tuple{0x3800, 0xFF, 8}, {0x3808, 0xF0, 8}, {0x3810, 0x0F, 8},
                                                {0x3818, 0, 8}, {0x3820, 0xFF, 32}, {0x3840, 0, 16}, {0x3850, 0xFF, 16}})
        LoadVram(vdp, address, {std::uint8_t(value)}, count);
    for (std::size_t sprite = 0; sprite < sprites.size(); ++sprite) {
        const auto& [y, x, pattern, colour] = sprites[sprite];
        LoadVram(vdp, int(0x1B00 + sprite * 4), {y, x, pattern, colour});
    }
    if (terminated) LoadVram(vdp, int(0x1B00 + sprites.size() * 4), {208});
    vdp.RenderFrame();
    return vdp.GetStatus();
}

// Sprites side by side on one line, 40 pixels apart.
std::vector<TSprite> InARow(int count, std::uint8_t y, std::uint8_t colour = 1) {
    std::vector<TSprite> sprites;
    for (int sprite = 0; sprite < count; ++sprite) sprites.push_back({y, std::uint8_t(sprite * 40), 0, colour});
    return sprites;
}

TEST(V9918, StatusReadClearsTheFlagsAndKeepsTheNumber) {
    TV9918 vdp;
    EXPECT_EQ(vdp.ReadPort(0x99), 0x9F);
    EXPECT_EQ(vdp.ReadPort(0x99), 0x1F);
    std::vector<TSprite> sprites = InARow(5, 10);
    sprites[1][1] = 0;  // over sprite 0
    EXPECT_EQ(RunSpriteFrame(vdp, 0, sprites), 0x40 | 0x20 | 4);
    vdp.SetFrameFlag();
    EXPECT_EQ(vdp.ReadPort(0x99), 0x80 | 0x40 | 0x20 | 4);
    EXPECT_EQ(vdp.GetStatus(), 4);
    EXPECT_EQ(RunSpriteFrame(vdp, 0, {{10, 10, 0, 1}}), 1);  // no fifth sprite: the entry the scan ended at
}

TEST(V9918, SpriteLinesFindTheFifthSpriteAndCollisions) {
    std::vector<TSprite> twoLines = InARow(5, 100);  // fifth sprite 4 on lines 101-108
    for (const TSprite& sprite : InARow(5, 50)) twoLines.push_back(sprite);  // and sprite 9 on lines 51-58 first
    std::vector<TSprite> colourZeroFirst = InARow(5, 50, 0);
    colourZeroFirst[4][3] = 1;
    std::vector<TSprite> offScreen(32, TSprite{200, 0, 0, 1});  // on no active line
    const struct {
        std::string name;
        std::uint8_t sizeBits;
        std::vector<TSprite> sprites;
        int status;  // 20h for a collision, 40h for a fifth sprite, and the number bits
    } cases[] = {
        {"same spot", 0, {{50, 50, 0, 1}, {50, 50, 0, 2}}, 0x22},
        {"colour zero collides", 0, {{50, 50, 0, 0}, {50, 50, 0, 2}}, 0x22},
        {"touching horizontally", 0, {{50, 50, 0, 1}, {50, 58, 0, 1}}, 0x02},
        {"one pixel column shared", 0, {{50, 57, 0, 1}, {50, 50, 0, 1}}, 0x22},
        {"touching vertically", 0, {{50, 50, 0, 1}, {58, 50, 0, 1}}, 0x02},
        {"one line shared", 0, {{57, 50, 0, 1}, {50, 50, 0, 1}}, 0x22},
        {"halves apart", 0, {{50, 10, 1, 1}, {50, 14, 2, 1}}, 0x02},
        {"halves meet", 0, {{50, 10, 2, 1}, {50, 14, 1, 1}}, 0x22},
        {"wrapping from the top", 0, {{2, 50, 0, 1}, {252, 50, 0, 1}}, 0x22},
        {"no wrap at the right edge", 0, {{50, 2, 0, 1}, {50, 252, 0, 1}}, 0x02},
        {"early clock meets", 0, {{50, 50, 0, 0x81}, {50, 18, 0, 1}}, 0x22},
        {"left of the screen nothing meets", 0, {{50, 4, 0, 0x81}, {50, 2, 0, 0x81}}, 0x02},
        {"list end hides later sprites", 0, {{50, 50, 0, 1}, {208, 50, 0, 1}, {50, 50, 0, 1}}, 0x01},
        {"four on a line", 0, InARow(4, 50), 0x04},
        {"fifth on a line", 0, InARow(5, 50), 0x44},
        {"sixth not counted", 0, InARow(6, 50), 0x44},
        {"the first line's fifth is kept", 0, twoLines, 0x49},
        {"colour zero counts toward four", 0, colourZeroFirst, 0x44},
        {"32 without a terminator", 0, offScreen, 0x1F},
        {"large sprites overlap by their halves", 2, {{50, 0, 8, 1}, {50, 8, 4, 1}}, 0x22},
        {"large sprites apart", 2, {{50, 0, 8, 1}, {50, 16, 4, 1}}, 0x02},
        {"magnified half reaches", 1, {{50, 0, 1, 1}, {50, 7, 0, 1}}, 0x22},
        {"magnified half apart", 1, {{50, 0, 1, 1}, {50, 8, 0, 1}}, 0x02},
        {"magnified lines reach", 1, {{50, 0, 0, 1}, {65, 0, 0, 1}}, 0x22},
        {"magnified large", 3, {{50, 0, 8, 1}, {50, 31, 0, 1}}, 0x22},
        {"magnified large apart", 3, {{50, 0, 8, 1}, {50, 32, 0, 1}}, 0x02},
    };
    for (const auto& c : cases) {
        TV9918 vdp;
        vdp.ReadPort(0x99);
        EXPECT_EQ(RunSpriteFrame(vdp, c.sizeBits, c.sprites, c.name != "32 without a terminator"), c.status)
            << c.name;
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

TEST_F(PCV9918, SpritesAtTheEdgesAndMagnified) {
    const struct {
        std::string name;
        std::uint8_t sizeBits, y, x, attributes;
    } cases[] = {
        {"right edge", 0, 0, 248, 0x06},
        {"cut at the right edge", 0, 0, 250, 0x06},
        {"colour zero", 0, 0, 0, 0x00},
        {"early clock, one pixel left of the screen", 0, 0, 31, 0x86},
        {"early clock at column 0", 0, 0, 32, 0x86},
        {"early clock wholly left", 0, 0, 0, 0x86},
        {"Y 255 starts at the top", 0, 255, 10, 0x06},
        {"Y 248 shows its last row", 0, 248, 10, 0x06},
        {"Y 247 is hidden", 0, 247, 10, 0x06},
        {"Y 184 is cut at the bottom", 0, 184, 10, 0x06},
        {"large at the right edge", 2, 20, 240, 0x06},
        {"large wrapping at the top", 2, 250, 0, 0x06},
        {"magnified", 1, 20, 100, 0x06},
        {"magnified early clock", 1, 20, 40, 0x86},
        {"magnified large cut at the right", 3, 100, 230, 0x06},
        {"magnified large wrapping at the top", 3, 240, 8, 0x06},
    };
    for (const auto& c : cases) {
        LoadVram(vdp, 0, {0x00}, TV9918::vramSize);
        const bool large = (c.sizeBits & 2) != 0;
        const int magnification = (c.sizeBits & 1) + 1, size = large ? 16 : 8;
        for (int row = 0; row < size; ++row) {  // pattern 4: row r has pixel r and the rightmost pixel set
            const int bits = (1 << (size - 1 - row)) | 1;
            LoadVram(vdp, 0x3820 + row, {std::uint8_t(large ? bits >> 8 : bits)});
            if (large) LoadVram(vdp, 0x3830 + row, {std::uint8_t(bits)});
        }
        LoadVram(vdp, 0x1B00, {c.y, c.x, 4, c.attributes, 208});
        SelectMode(TV9918::graphic1Mode, {0x06, 0x80, 0x00, 0x36, 0x07, 0x01}, c.sizeBits);
        TFrameBuffer expected;
        expected.fill(1);
        const int left = c.x - (c.attributes & 0x80 ? 32 : 0);
        for (int line = 0; line < TPCV9918::activeLines && (c.attributes & 0x0F) != 0; ++line) {
            const int row = ((line - c.y - 1) & 0xFF) / magnification;
            for (int pixel = 0; row < size && pixel < size * magnification; ++pixel) {
                const int bit = pixel / magnification, x = left + pixel;
                if ((bit == row || bit == size - 1) && x >= 0 && x < screenWidth)
                    expected[(TPCV9918::borderLines + line) * screenWidth + x] = 6;
            }
        }
        EXPECT_TRUE(vdp.GetFrameBuffer() == expected) << c.name;
    }
}

// Rows of line 51 with sprites of the solid pattern 0, each 8 pixels wide.
TEST_F(PCV9918, FourSpritesALineAndTheLowerNumberInFront) {
    LoadVram(vdp, 0x3800, {0xFF}, 8);
    const struct {
        std::string name;
        std::vector<TSprite> sprites;
        TRow row;
    } cases[] = {
        {"the fifth is hidden", {{50, 0, 0, 2}, {50, 8, 0, 3}, {50, 16, 0, 4}, {50, 24, 0, 5}, {50, 32, 0, 6}},
         Runs({{8, 2}, {8, 3}, {8, 4}, {8, 5}, {224, 1}})},
        {"colour zero hides a fifth", {{50, 0, 0, 0}, {50, 8, 0, 0}, {50, 16, 0, 0}, {50, 24, 0, 0}, {50, 32, 0, 6}},
         TRow(256, 1)},
        {"lower number in front", {{50, 4, 0, 2}, {50, 0, 0, 3}, {50, 8, 0, 4}},
         Runs({{4, 3}, {8, 2}, {4, 4}, {240, 1}})},
        {"a transparent sprite in front shows the one behind", {{50, 0, 0, 0}, {50, 0, 0, 9}},
         Runs({{8, 9}, {248, 1}})},
    };
    for (const auto& c : cases) {
        for (std::size_t sprite = 0; sprite < c.sprites.size(); ++sprite) {
            const auto& [y, x, pattern, colour] = c.sprites[sprite];
            LoadVram(vdp, int(0x1B00 + sprite * 4), {y, x, pattern, colour});
        }
        LoadVram(vdp, int(0x1B00 + c.sprites.size() * 4), {208});
        SelectMode(TV9918::graphic1Mode, {0x06, 0x80, 0x00, 0x36, 0x07, 0x01});
        EXPECT_EQ(Row(51), c.row) << c.name;
        EXPECT_EQ(Row(59), TRow(256, 1)) << c.name;
    }
}

TEST_F(PCV9918, SpritesHiddenByTheLimitOnSomeLine) {
    std::vector<TSprite> sprites = InARow(6, 50);
    sprites.push_back({100, 0, 0, 1});
    sprites[5][0] = 51;  // shares line 52 on with sprites 0-3 only after sprite 4
    for (std::size_t sprite = 0; sprite < sprites.size(); ++sprite) {
        const auto& [y, x, pattern, colour] = sprites[sprite];
        LoadVram(vdp, int(0x1B00 + sprite * 4), {y, x, pattern, colour});
    }
    LoadVram(vdp, int(0x1B00 + sprites.size() * 4), {208});
    SelectMode(TV9918::graphic1Mode, {0x06, 0x80, 0x00, 0x36, 0x07, 0x01});
    EXPECT_EQ(vdp.SpritesHiddenByLimit(), 0b110000u);
}

// A picture drawn as the beam goes: a test processor serves as the
// clock only, and the frame flag's work is done at its cycle as the machine does.
struct BeamTest {
    explicit BeamTest(int hertz) {
        vdp.SetFrequency(hertz);
        vdp.SetZ80(&clock);
        LoadVram(vdp, 0, {0x00}, TV9918::vramSize);  // pattern 0 everywhere, in the colours of byte 2000h
        LoadVram(vdp, 0x1B00, {208});
        for (const auto& [index, value] : {std::pair{0, 0x00}, {1, 0xC0}, {2, 0x06}, {3, 0x80}, {4, 0x00},
                                           {5, 0x36}, {6, 0x07}, {7, 0x04}})
            WriteVdpRegister(vdp, index, std::uint8_t(value));
        RunTo(vdp.NextFrameFlagCycle());  // frame 0 ends; frame 1 starts at the next cycle divisible by FrameCycles
    }
    void RunTo(std::uint64_t cycle) {
        while (vdp.NextFrameFlagCycle() <= cycle) {
            clock.cycles = vdp.NextFrameFlagCycle();
            vdp.FrameFlagReached();
        }
        clock.cycles = cycle;
    }
    // The cycle of a line of frame 1 (its border lines above are -10 to -1) and
    // cycles into it.
    std::uint64_t At(int line, int cycles = 0) const {
        return vdp.FrameCycles() + std::int64_t(line) * TV9918::cyclesPerLine + cycles;
    }
    std::uint8_t Colour(int line, int x = 0) const {
        return vdp.GetFrameBuffer()[(TV9918::borderLines + line) * screenWidth + x];
    }
    // The lines from `first` on where the colour at x changes, with the colour.
    std::vector<std::pair<int, int>> Changes(int first, int last, int x = 0) const {
        std::vector<std::pair<int, int>> changes{{first, Colour(first, x)}};
        for (int line = first + 1; line <= last; ++line)
            if (Colour(line, x) != changes.back().second) changes.push_back({line, Colour(line, x)});
        return changes;
    }

    TTestZ80 clock;
    TPCV9918 vdp;
};

TEST(V9918Beam, ABackdropChangeShowsFromTheNextLineAt60And50Hz) {
    for (const int hertz : {60, 50}) {
        BeamTest beam(hertz);
        EXPECT_EQ(beam.vdp.FrameCycles(), (hertz == 60 ? 262u : 313u) * 228) << hertz;
        for (const auto& [line, cycles, colour] : {std::tuple{-5, 10, 2}, {100, 100, 8}, {150, 0, 9}, {191, 227, 3}}) {
            beam.RunTo(beam.At(line, cycles));
            WriteVdpRegister(beam.vdp, 7, std::uint8_t(colour));
        }
        beam.RunTo(beam.At(192));
        // Line 191 was begun before the last change; the bottom border's first line is of the flag's time,
        // the rest still of frame 0's.
        EXPECT_EQ(beam.Changes(-10, 192), (std::vector<std::pair<int, int>>{{-10, 4}, {-4, 2}, {101, 8}, {151, 9}, {192, 3}}))
            << hertz;
        EXPECT_EQ(beam.Colour(201), 4) << hertz;
        EXPECT_EQ(beam.vdp.GetStatus() & TV9918::frameFlag, TV9918::frameFlag);
    }
}

TEST(V9918Beam, DisplayDisabledForPartOfAFrame) {
    BeamTest beam(60);
    LoadVram(beam.vdp, 0x2000, {0x0A});  // the patterns' background where the display is on
    beam.RunTo(beam.At(50, 200));
    WriteVdpRegister(beam.vdp, 1, 0x80);
    beam.RunTo(beam.At(120, 3));
    WriteVdpRegister(beam.vdp, 1, 0xC0);
    beam.RunTo(beam.At(192));
    EXPECT_EQ(beam.Changes(-10, 191), (std::vector<std::pair<int, int>>{{-10, 4}, {0, 10}, {51, 4}, {121, 10}}));
}

// A program polling the status sees the fifth sprite at its line and switches
// the attribute table there: the lines below show the other table.
TEST(V9918Beam, TableSwitchedWhenTheFifthSpriteFlagRises) {
    BeamTest beam(50);
    LoadVram(beam.vdp, 0x3800, {0xFF}, 8);
    const std::vector<TSprite> tableA = InARow(5, 99), tableB = {{149, 100, 0, 15}, {99, 0, 0, 9}};
    for (std::size_t sprite = 0; sprite < tableA.size(); ++sprite)
        LoadVram(beam.vdp, int(0x1B00 + sprite * 4), {tableA[sprite][0], tableA[sprite][1], 0, std::uint8_t(2 + sprite)});
    LoadVram(beam.vdp, 0x1B00 + 20, {208});
    for (std::size_t sprite = 0; sprite < tableB.size(); ++sprite)
        LoadVram(beam.vdp, int(0x1B80 + sprite * 4), {tableB[sprite][0], tableB[sprite][1], 0, tableB[sprite][3]});
    LoadVram(beam.vdp, 0x1B80 + 8, {208});
    beam.vdp.ReadPort(0x99);
    std::uint64_t cycle = beam.At(0);
    while ((beam.vdp.ReadPort(0x99) & TV9918::fifthSpriteFlag) == 0) beam.RunTo(cycle += 40);
    EXPECT_EQ((cycle - beam.At(0)) / TV9918::cyclesPerLine, 100u) << "seen at the fifth sprite's line";
    beam.RunTo(cycle + 40);
    WriteVdpRegister(beam.vdp, 5, 0x37);
    beam.RunTo(beam.At(192));
    EXPECT_EQ(beam.Changes(99, 191, 0), (std::vector<std::pair<int, int>>{{99, 4}, {100, 2}, {101, 9}, {108, 4}}));
    EXPECT_EQ(beam.Changes(99, 191, 100), (std::vector<std::pair<int, int>>{{99, 4}, {150, 15}, {158, 4}}));
    EXPECT_EQ(beam.Colour(100, 160), 4) << "the fifth sprite is hidden";
    EXPECT_EQ(beam.Colour(100, 120), 5);
}

// The raster cartridge does the same on the machine, timed by the status alone.
TEST(V9918Beam, RasterCartridgeSplitsTheScreenWhereTheFifthSpriteFlagRises) {
    THeadlessOptions options;
    options.configuration = QUIB_DEFAULT_CONFIGURATION;
    options.cartridge1 = QUIB_RASTER_CARTRIDGE;
    options.frames = 250;
    std::ostringstream log;
    THeadlessRunner runner(options, log);
    runner.Run();
    const TFrameBuffer& frame = runner.GetDisplay().frame;
    auto row = [&](int line) {
        const auto begin = frame.begin() + (TV9918::borderLines + line) * screenWidth;
        return TRow(begin, begin + screenWidth);
    };
    EXPECT_EQ(row(-10), TRow(256, 4));
    EXPECT_EQ(row(99), TRow(256, 4));
    EXPECT_EQ(row(100), Runs({{8, 2}, {32, 4}, {8, 3}, {32, 4}, {8, 4}, {32, 4}, {8, 5}, {128, 4}}));
    EXPECT_EQ(row(101), TRow(256, 8));
    EXPECT_EQ(row(150), Runs({{100, 8}, {8, 15}, {148, 8}}));
    EXPECT_EQ(row(191), TRow(256, 8));
    EXPECT_EQ(row(192), TRow(256, 8)) << "the flag rises before the program sets blue again";
}

}  // namespace
