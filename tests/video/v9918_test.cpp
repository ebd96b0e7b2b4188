#include "video/v9918.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/vdp_ports.h"

namespace {

// Counts the notifications the chip sends to its host side.
class TCountingV9918 : public TV9918 {
public:
    void ScreenChanged() override { ++screenChanges; }
    int screenChanges = 0;
};

using TPortWrites = std::vector<std::pair<std::uint8_t, std::uint8_t>>;

TEST(V9918, StartsWithDocumentedState)
{
    TV9918 vdp;
    EXPECT_EQ(vdp.GetStatus(), 0x9F);
    EXPECT_EQ(vdp.GetRegister(0), 0xFF);
    EXPECT_EQ(vdp.GetRegister(1), 0x10);
    for (int index = 2; index < 8; ++index)
        EXPECT_EQ(vdp.GetRegister(index), 0xFF) << index;
    EXPECT_EQ(vdp.GetScreenMode(), TV9918::textMode);
    EXPECT_EQ(vdp.GetNameTable(), 0u);
    EXPECT_EQ(vdp.GetPatternGeneratorTable(), 0u);
    EXPECT_EQ(vdp.GetSpritePatternTable(), 0u);
    EXPECT_EQ(vdp.GetVRAM()[0], 0xFF);
    EXPECT_EQ(vdp.GetVRAM()[0x3FFF], 0xFF);
    EXPECT_FALSE(vdp.GetLatchPending());
}

TEST(V9918, ControlLatchSequences)
{
    struct TCase {
        std::string name;
        TPortWrites writes;
        std::uint32_t readAddress;
        std::uint32_t writeAddress;
        bool latchPending;
    };
    const std::vector<TCase> cases = {
        {"read address", {{0x99, 0x34}, {0x99, 0x12}}, 0x1234, 0, false},
        {"read address keeps 14 bits", {{0x99, 0xFF}, {0x99, 0x3F}}, 0x3FFF, 0, false},
        {"write address", {{0x99, 0x34}, {0x99, 0x52}}, 0, 0x1234, false},
        {"write address drops the top bits", {{0x99, 0xFF}, {0x99, 0x7F}}, 0, 0x3FFF, false},
        {"write address leaves read address", {{0x99, 0x21}, {0x99, 0x03}, {0x99, 0x00}, {0x99, 0x40}}, 0x0321, 0,
         false},
        {"one byte waits", {{0x99, 0x21}}, 0, 0, true},
        {"data write inside a sequence is lost", {{0x99, 0x10}, {0x98, 0x55}, {0x99, 0x41}}, 0, 0x0110, false},
        {"both top bits set does nothing", {{0x99, 0x10}, {0x99, 0xC1}}, 0, 0, false},
        {"status read keeps the latch", {{0x99, 0x10}}, 0, 0, true},
    };
    for (const TCase& test : cases) {
        TV9918 vdp;
        for (const auto& [port, value] : test.writes)
            vdp.WritePort(port, value);
        if (test.name == "status read keeps the latch")
            vdp.ReadPort(0x99);
        EXPECT_EQ(vdp.GetReadAddress(), test.readAddress) << test.name;
        EXPECT_EQ(vdp.GetWriteAddress(), test.writeAddress) << test.name;
        EXPECT_EQ(vdp.GetLatchPending(), test.latchPending) << test.name;
        EXPECT_EQ(vdp.GetVRAM()[0x0110], 0xFF) << test.name;
    }
}

TEST(V9918, RegisterWritesThroughTheControlPort)
{
    TV9918 vdp;
    vdp.WritePort(0x99, 0x12);
    vdp.WritePort(0x99, 0x8F); // index 0Fh addresses R7
    EXPECT_EQ(vdp.GetRegister(7), 0x12);
    EXPECT_EQ(vdp.GetTextColour(), 0x1);
    EXPECT_EQ(vdp.GetBackdropColour(), 0x2);

    WriteVdpRegister(vdp, 1, 0x43);
    EXPECT_EQ(vdp.GetRegister(1), 0x43);
    EXPECT_TRUE(vdp.GetLargeSprites());
    EXPECT_TRUE(vdp.GetMagnifiedSprites());
    WriteVdpRegister(vdp, 1, 0x40);
    EXPECT_FALSE(vdp.GetLargeSprites());
    EXPECT_FALSE(vdp.GetMagnifiedSprites());
}

TEST(V9918, ReadAndWriteAddressesCountSeparately)
{
    TV9918 vdp;
    LoadVram(vdp, 0x0100, {0x11, 0x22, 0x33});
    SetVdpReadAddress(vdp, 0x0101);
    // A new write address must not move the read address.
    SetVdpWriteAddress(vdp, 0x0000);
    EXPECT_EQ(vdp.ReadPort(0x98), 0x22);
    EXPECT_EQ(vdp.ReadPort(0x98), 0x33);
    EXPECT_EQ(vdp.GetReadAddress(), 0x0103u);
    EXPECT_EQ(vdp.GetWriteAddress(), 0x0000u);

    LoadVram(vdp, 0x3FFF, {0xAA, 0xBB});
    EXPECT_EQ(vdp.GetVRAM()[0x3FFF], 0xAA);
    EXPECT_EQ(vdp.GetVRAM()[0x0000], 0xBB);
    EXPECT_EQ(vdp.GetWriteAddress(), 0x0001u);
    SetVdpReadAddress(vdp, 0x3FFF);
    EXPECT_EQ(vdp.ReadPort(0x98), 0xAA);
    EXPECT_EQ(vdp.ReadPort(0x98), 0xBB);
    EXPECT_EQ(vdp.GetReadAddress(), 0x0001u);
}

TEST(V9918, UnansweredPorts)
{
    TV9918 vdp;
    for (const std::uint8_t port : {0x9A, 0x9B, 0x00, 0x97, 0x9C}) {
        EXPECT_EQ(vdp.ReadPort(port), 0xFF) << int(port);
        vdp.WritePort(port, 0x00);
    }
    EXPECT_FALSE(vdp.GetLatchPending());
    EXPECT_EQ(vdp.GetWriteAddress(), 0u);
    EXPECT_EQ(vdp.GetVRAM()[0], 0xFF);
}

TEST(V9918, ScreenModeSelection)
{
    struct TCase {
        std::uint8_t r0;
        std::uint8_t r1;
        std::uint8_t expectedMode;
    };
    // Each case starts from multicolour so that "unchanged" is visible.
    const std::vector<TCase> cases = {
        {0x00, 0x00, TV9918::graphic1Mode},   {0x02, 0x00, TV9918::graphic2Mode},
        {0x00, 0x08, TV9918::multicolourMode}, {0x00, 0x10, TV9918::textMode},
        {0x00, 0x18, TV9918::multicolourMode}, {0x04, 0x00, TV9918::multicolourMode},
        {0x02, 0x10, TV9918::multicolourMode}, {0xF1, 0xE7, TV9918::graphic1Mode},
        {0x02, 0x40, TV9918::graphic2Mode},
    };
    for (const TCase& test : cases) {
        TV9918 vdp;
        WriteVdpRegister(vdp, 0, 0x00);
        WriteVdpRegister(vdp, 1, 0x08);
        ASSERT_EQ(vdp.GetScreenMode(), TV9918::multicolourMode);
        WriteVdpRegister(vdp, 0, test.r0);
        WriteVdpRegister(vdp, 1, test.r1);
        EXPECT_EQ(vdp.GetScreenMode(), test.expectedMode) << int(test.r0) << " " << int(test.r1);
    }
}

TEST(V9918, TablePositionsUseTheModeMasks)
{
    struct TCase {
        std::uint8_t r0;
        std::uint8_t r1;
        std::uint32_t name;
        std::uint32_t colour;
        std::uint32_t patternGenerator;
        std::uint32_t spriteAttribute;
    };
    // R2-R6 all hold FFh; the positions show each mode's masks.
    const std::vector<TCase> cases = {
        {0x00, 0x50, 0x3C00, 0x0000, 0x1F800, 0x0000}, // text
        {0x00, 0x40, 0x3C00, 0x3FC0, 0x1F800, 0x7F80}, // graphic 1
        {0x02, 0x40, 0x3C00, 0x2000, 0x1E000, 0x7F80}, // graphic 2
        {0x00, 0x48, 0x3C00, 0x0000, 0x1F800, 0x7F80}, // multicolour
    };
    for (const TCase& test : cases) {
        TV9918 vdp;
        WriteVdpRegister(vdp, 0, test.r0);
        WriteVdpRegister(vdp, 1, test.r1);
        for (int index = 2; index <= 6; ++index)
            WriteVdpRegister(vdp, index, 0xFF);
        EXPECT_EQ(vdp.GetNameTable(), test.name) << int(test.r1);
        EXPECT_EQ(vdp.GetColourTable(), test.colour) << int(test.r1);
        EXPECT_EQ(vdp.GetPatternGeneratorTable(), test.patternGenerator) << int(test.r1);
        EXPECT_EQ(vdp.GetSpriteAttributeTable(), test.spriteAttribute) << int(test.r1);
        EXPECT_EQ(vdp.GetSpritePatternTable(), 0x1F800u) << int(test.r1);
        EXPECT_EQ(vdp.GetSpriteColourTable(), 0u);
    }
}

TEST(V9918, ModeChangeRecomputesTablesAndNotifies)
{
    TCountingV9918 vdp;
    WriteVdpRegister(vdp, 0, 0x00);
    WriteVdpRegister(vdp, 3, 0xFF);
    WriteVdpRegister(vdp, 5, 0xFF);
    // Text mode masks the colour and sprite attribute tables away.
    EXPECT_EQ(vdp.GetColourTable(), 0u);
    EXPECT_EQ(vdp.GetSpriteAttributeTable(), 0u);
    EXPECT_EQ(vdp.screenChanges, 0);

    WriteVdpRegister(vdp, 1, 0x00); // graphic 1
    EXPECT_EQ(vdp.screenChanges, 1);
    EXPECT_EQ(vdp.GetColourTable(), 0x3FC0u);
    EXPECT_EQ(vdp.GetSpriteAttributeTable(), 0x7F80u);

    WriteVdpRegister(vdp, 1, 0x40); // still graphic 1
    WriteVdpRegister(vdp, 1, 0x18); // no valid mode
    EXPECT_EQ(vdp.screenChanges, 1);
    EXPECT_EQ(vdp.GetScreenMode(), TV9918::graphic1Mode);

    WriteVdpRegister(vdp, 7, 0x4D);
    EXPECT_EQ(vdp.screenChanges, 2);
}

// One attribute entry: Y, X, pattern number, early clock and colour.
struct TSprite {
    std::uint8_t y;
    std::uint8_t x;
    std::uint8_t pattern;
    std::uint8_t colour;
};

struct TSpriteCheckCase {
    std::string name;
    bool large;
    std::vector<TSprite> sprites;
    bool collision;
    int fifthSprite; // -1 for none
};

// Patterns for the sprite check: 0 solid, 1 left half, 2 right half, 3 empty.
// For 16 x 16 sprites: 4 solid, 8 right half only.
void LoadCheckPatterns(TV9918& vdp)
{
    FillVram(vdp, 0x3800, 8, 0xFF);
    FillVram(vdp, 0x3808, 8, 0xF0);
    FillVram(vdp, 0x3810, 8, 0x0F);
    FillVram(vdp, 0x3818, 8, 0x00);
    FillVram(vdp, 0x3820, 32, 0xFF);
    FillVram(vdp, 0x3840, 16, 0x00);
    FillVram(vdp, 0x3850, 16, 0xFF);
}

TEST(V9918, StatusReadClearsFrameAndCollisionOnly)
{
    TV9918 vdp;
    EXPECT_EQ(vdp.ReadPort(0x99), 0x9F);
    EXPECT_EQ(vdp.GetStatus(), 0x1F);
    EXPECT_EQ(vdp.ReadPort(0x99), 0x1F);

    vdp.SetFrameFlag();
    EXPECT_EQ(vdp.GetStatus(), 0x9F);

    // Collision and fifth sprite both set by two solid sprites on one spot.
    WriteVdpRegister(vdp, 0, 0x00);
    WriteVdpRegister(vdp, 1, 0x40);
    WriteVdpRegister(vdp, 5, 0x36);
    WriteVdpRegister(vdp, 6, 0x07);
    LoadCheckPatterns(vdp);
    LoadVram(vdp, 0x1B00, {10, 10, 0, 1, 10, 10, 0, 1, 208});
    vdp.CheckSprites();
    vdp.SetFrameFlag();
    EXPECT_EQ(vdp.ReadPort(0x99), 0x80 | 0x40 | 0x20 | 1);
    EXPECT_EQ(vdp.GetStatus(), 0x40 | 1);
}

TEST(V9918, SpriteCheck)
{
    const std::vector<TSpriteCheckCase> cases = {
        {"no sprites", false, {}, false, -1},
        {"same spot", false, {{50, 50, 0, 1}, {50, 50, 0, 2}}, true, 1},
        {"first colour zero", false, {{50, 50, 0, 0}, {50, 50, 0, 2}}, false, -1},
        {"second colour zero", false, {{50, 50, 0, 1}, {50, 50, 0, 0x80}}, false, -1},
        // Rows beside each other count for the fifth sprite even when apart.
        {"touching horizontally", false, {{50, 50, 0, 1}, {50, 58, 0, 1}}, false, 1},
        {"one pixel column shared", false, {{50, 57, 0, 1}, {50, 50, 0, 1}}, true, 1},
        {"one pixel column shared, swapped", false, {{50, 50, 0, 1}, {50, 57, 0, 1}}, true, 1},
        {"touching vertically", false, {{50, 50, 0, 1}, {58, 50, 0, 1}}, false, -1},
        {"one row shared", false, {{57, 50, 0, 1}, {50, 50, 0, 1}}, true, -1},
        {"vertical wrap", false, {{2, 50, 0, 1}, {252, 50, 0, 1}}, true, -1},
        {"horizontal wrap", false, {{50, 2, 0, 1}, {50, 252, 0, 1}}, true, 1},
        {"halves apart", false, {{50, 10, 1, 1}, {50, 14, 2, 1}}, false, -1},
        {"halves meet", false, {{50, 10, 2, 1}, {50, 14, 1, 1}}, true, -1},
        {"empty pattern", false, {{50, 50, 3, 1}, {50, 50, 0, 1}}, false, -1},
        {"early clock ignored", false, {{50, 50, 0, 0x81}, {50, 50, 0, 1}}, true, 1},
        {"list end hides later sprites", false, {{50, 50, 0, 1}, {208, 50, 0, 1}, {50, 50, 0, 1}}, false, -1},
        {"five shared rows", false, {{53, 50, 0, 1}, {50, 100, 0, 1}}, false, -1},
        {"six shared rows", false, {{52, 50, 0, 1}, {50, 100, 0, 1}}, false, 1},
        {"rows counted over several pairs",
         false,
         {{50, 0, 0, 1}, {45, 50, 0, 1}, {55, 100, 0, 1}, {100, 150, 0, 1}},
         false,
         2},
        {"first fifth sprite kept", false, {{50, 0, 0, 1}, {50, 100, 0, 1}, {50, 200, 0, 1}}, false, 1},
        {"large sprites overlap by their halves", true, {{50, 0, 8, 1}, {50, 8, 4, 1}}, true, 1},
        {"large sprites apart", true, {{50, 0, 8, 1}, {50, 16, 4, 1}}, false, 1},
        {"small size reads one byte per row", false, {{50, 0, 8, 1}, {50, 0, 8, 1}}, false, -1},
    };
    for (const TSpriteCheckCase& test : cases) {
        TV9918 vdp;
        WriteVdpRegister(vdp, 0, 0x00);
        WriteVdpRegister(vdp, 1, test.large ? 0x42 : 0x40);
        WriteVdpRegister(vdp, 5, 0x36); // attributes at 1B00h
        WriteVdpRegister(vdp, 6, 0x07); // patterns at 3800h
        LoadCheckPatterns(vdp);
        SetVdpWriteAddress(vdp, 0x1B00);
        for (const TSprite& sprite : test.sprites)
            for (const std::uint8_t value : {sprite.y, sprite.x, sprite.pattern, sprite.colour})
                vdp.WritePort(0x98, value);
        vdp.WritePort(0x98, 208);
        vdp.ReadPort(0x99);

        vdp.CheckSprites();
        const std::uint8_t status = vdp.GetStatus();
        EXPECT_EQ((status & 0x20) != 0, test.collision) << test.name;
        EXPECT_EQ((status & 0x40) != 0, test.fifthSprite >= 0) << test.name;
        EXPECT_EQ(status & 0x1F, test.fifthSprite >= 0 ? test.fifthSprite : 31) << test.name;
        EXPECT_EQ(status & 0x80, 0) << test.name;
    }
}

TEST(V9918, SpriteCheckClearsTheLastResult)
{
    TV9918 vdp;
    WriteVdpRegister(vdp, 0, 0x00);
    WriteVdpRegister(vdp, 1, 0x40);
    WriteVdpRegister(vdp, 5, 0x36);
    WriteVdpRegister(vdp, 6, 0x07);
    LoadCheckPatterns(vdp);
    LoadVram(vdp, 0x1B00, {50, 50, 0, 1, 50, 50, 0, 1, 208});
    vdp.CheckSprites();
    ASSERT_EQ(vdp.GetStatus(), 0x80 | 0x40 | 0x20 | 1);

    LoadVram(vdp, 0x1B00, {208});
    vdp.CheckSprites();
    // The frame flag is not the sprite check's business.
    EXPECT_EQ(vdp.GetStatus(), 0x80 | 0x1F);
}

TEST(V9918, SpriteCheckWithTablesAtTheEndOfVram)
{
    // R5 = FFh places the attributes at 7F80h and R6 = 3Fh the patterns at
    // 1F800h; both wrap into the last part of VRAM. With every VRAM byte
    // FFh all 32 sprites are active, solid and on one spot.
    TV9918 vdp;
    WriteVdpRegister(vdp, 0, 0x00);
    WriteVdpRegister(vdp, 1, 0x42);
    WriteVdpRegister(vdp, 5, 0xFF);
    WriteVdpRegister(vdp, 6, 0x3F);
    EXPECT_EQ(vdp.GetSpriteAttributeTable(), 0x7F80u);
    vdp.CheckSprites();
    EXPECT_EQ(vdp.GetStatus(), 0x80 | 0x40 | 0x20 | 1);

    // Emptying the wrapped pattern position removes the collision.
    FillVram(vdp, 0x3800 + 0xFC * 8, 32, 0x00);
    vdp.CheckSprites();
    EXPECT_EQ(vdp.GetStatus(), 0x80 | 0x1F);
}

} // namespace
