#include "video/pc_v9918.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "settings/state_record.h"

namespace {

constexpr std::uint64_t everyByte = 0x0101010101010101;

// For each pattern byte, eight bytes that are FFh where the pattern has a set
// bit, leftmost pixel (bit 7) first in memory. Eight pixels then cost one
// select and one store.
constexpr std::array<std::uint64_t, 256> MakeExpandedBits()
{
    std::array<std::uint64_t, 256> table{};
    for (int pattern = 0; pattern < 256; ++pattern) {
        std::array<std::uint8_t, 8> bytes{};
        for (int pixel = 0; pixel < 8; ++pixel)
            bytes[pixel] = (pattern & (0x80 >> pixel)) != 0 ? 0xFF : 0x00;
        table[pattern] = std::bit_cast<std::uint64_t>(bytes);
    }
    return table;
}

constexpr std::array<std::uint64_t, 256> expandedBits = MakeExpandedBits();

void PutEightPixels(std::uint8_t* target, std::uint8_t pattern, std::uint8_t foreground, std::uint8_t background)
{
    const std::uint64_t mask = expandedBits[pattern];
    const std::uint64_t pixels = (mask & (foreground * everyByte)) | (~mask & (background * everyByte));
    std::memcpy(target, &pixels, sizeof pixels);
}

// The same for a colour byte whose two colours were spread over eight bytes ahead.
void PutEightPixels(std::uint8_t* target, std::uint8_t pattern, const TPCV9918::TColourWords& colours)
{
    const std::uint64_t pixels = colours.background ^ (expandedBits[pattern] & colours.difference);
    std::memcpy(target, &pixels, sizeof pixels);
}

} // namespace

TPCV9918::TPCV9918(TDisplayOutput* displayOutput)
    : displayOutput(displayOutput)
{
    SpreadColourBytes();
}

std::uint8_t TPCV9918::ReadPort(std::uint8_t port)
{
    const std::uint8_t value = TV9918::ReadPort(port);
    RefreshDebugWindow();
    return value;
}

void TPCV9918::WritePort(std::uint8_t port, std::uint8_t value)
{
    TV9918::WritePort(port, value);
    RefreshDebugWindow();
}

void TPCV9918::ShowDebugWindow()
{
    if (!form) {
        return;
    }
    windowShown = true;
    form->Show();
    form->Refresh();
}

void TPCV9918::ScreenChanged()
{
    if (backdropColour != spreadBackdrop)
        SpreadColourBytes();
}

void TPCV9918::RenderLine(int line)
{
    std::uint8_t* target = frameBuffer.data() + (borderLines + line) * screenWidth;
    if (line < 0 || line >= activeLines || !DisplayEnabled()) {
        std::fill_n(target, screenWidth, backdropColour);
        return;
    }
    switch (screenMode) {
    case textMode: DrawTextLine(target, line); break;
    case graphic1Mode: DrawGraphic1Line(target, line); break;
    case graphic2Mode: DrawGraphic2Line(target, line); break;
    default: DrawMulticolourLine(target, line); break;
    }
    DrawLineSprites(target);
}

void TPCV9918::PresentFrame()
{
    if (displayOutput != nullptr) {
        displayOutput->DrawBitmap(frameBuffer, palette);
        displayOutput->Present();
    }
}

void TPCV9918::SaveState(TStateWriter& record) const
{
    TV9918::SaveState(record);
    record.Bytes(frameBuffer);
}

bool TPCV9918::LoadState(TStateReader& record)
{
    const bool loaded = TV9918::LoadState(record);
    SpreadColourBytes();
    record.Bytes(frameBuffer);
    for (std::uint8_t& pixel : frameBuffer) {
        pixel &= 0x0F;
    }
    return loaded && !record.Failed();
}

void TPCV9918::DrawTextLine(std::uint8_t* target, int line)
{
    constexpr int leftColumns = 8;
    constexpr int columns = 40;
    constexpr int characterWidth = 6;
    const std::uint32_t names = nameTable + (line >> 3) * columns;
    const std::uint32_t patterns = patternGeneratorTable + (line & 7);
    // Each character stores eight pixels; the two extra ones are covered by
    // the next character, and after the last one by the right border.
    for (int column = 0; column < columns; ++column) {
        const std::uint32_t code = VramAt(names + column);
        PutEightPixels(target + leftColumns + column * characterWidth, VramAt(patterns + code * 8), textColour,
                       backdropColour);
    }
    std::fill_n(target, leftColumns, backdropColour);
    std::fill_n(target + leftColumns + columns * characterWidth, leftColumns, backdropColour);
}

void TPCV9918::SpreadColourBytes()
{
    for (unsigned colours = 0; colours < 256; ++colours) {
        const std::uint64_t foreground = ShownColour(colours >> 4) * everyByte;
        const std::uint64_t background = ShownColour(colours & 0x0F) * everyByte;
        colourWords[colours] = {background, foreground ^ background};
    }
    spreadBackdrop = backdropColour;
}

bool TPCV9918::RowCharactersKept(int row)
{
    if (row == charactersRow && changes == charactersChanges)
        return true;
    charactersRow = row;
    charactersChanges = changes;
    return false;
}

void TPCV9918::DrawGraphic1Line(std::uint8_t* target, int line)
{
    const int row = line >> 3;
    if (!RowCharactersKept(row)) {
        const std::uint32_t names = nameTable + row * 32;
        for (int column = 0; column < 32; ++column) {
            const std::uint32_t code = VramAt(names + column);
            rowCharacters[column] = {patternGeneratorTable + code * 8, VramAt(colourTable + (code >> 3))};
        }
    }
    for (const TCharacter& character : rowCharacters) {
        PutEightPixels(target, VramAt(character.patterns + (line & 7)), colourWords[character.colours]);
        target += 8;
    }
}

void TPCV9918::DrawGraphic2Line(std::uint8_t* target, int line)
{
    const int row = line >> 3;
    if (!RowCharactersKept(row)) {
        // Each third of the screen has its own 2 KB of patterns and of colours;
        // the masks leave the line bits alone, so the line adds on after them.
        const std::uint32_t names = nameTable + row * 32;
        const std::uint32_t third = (row >> 3) * 2048;
        const std::uint32_t patternMask = Graphic2PatternMask();
        const std::uint32_t colourMask = Graphic2ColourMask();
        for (int column = 0; column < 32; ++column) {
            const std::uint32_t offset = third + VramAt(names + column) * 8;
            rowCharacters[column] = {patternGeneratorTable + (offset & patternMask), colourTable + (offset & colourMask)};
        }
    }
    for (const TCharacter& character : rowCharacters) {
        PutEightPixels(target, VramAt(character.patterns + (line & 7)),
                       colourWords[VramAt(character.colours + (line & 7))]);
        target += 8;
    }
}

void TPCV9918::DrawMulticolourLine(std::uint8_t* target, int line)
{
    const int row = line >> 3;
    const std::uint32_t names = nameTable + row * 32;
    const std::uint32_t block = patternGeneratorTable + (row & 3) * 2 + ((line & 7) >> 2);
    for (int column = 0; column < 32; ++column) {
        const std::uint32_t code = VramAt(names + column);
        const std::uint8_t colours = VramAt(block + code * 8);
        PutEightPixels(target + column * 8, 0xF0, colours >> 4, colours & 0x0F);
    }
}

void TPCV9918::DrawLineSprites(std::uint8_t* target)
{
    // Drawn from the back one forward, so the lower-numbered sprite ends up on
    // top; eight pixels at a time. A sprite cut at an edge may touch the bytes
    // beside the line, which its clear pixels leave as they are: the border
    // lines around the active area keep that inside the frame buffer.
    for (int index = lineSpriteCount - 1; index >= 0; --index) {
        const TLineSprite& sprite = lineSprites[index];
        if (sprite.colour == 0)
            continue;
        const std::uint64_t colour = sprite.colour * everyByte;
        for (int part = 0; part < 4; ++part) {
            const std::uint8_t bits = static_cast<std::uint8_t>(sprite.pixels >> (24 - part * 8));
            if (bits == 0)
                continue;
            std::uint8_t* eight = target + sprite.x + part * 8;
            std::uint64_t pixels;
            std::memcpy(&pixels, eight, sizeof pixels);
            pixels ^= (pixels ^ colour) & expandedBits[bits];
            std::memcpy(eight, &pixels, sizeof pixels);
        }
    }
}
