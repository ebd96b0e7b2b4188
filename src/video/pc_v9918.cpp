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

void TPCV9918::RenderFrame()
{
    const bool displayEnabled = (registers[1] & 0x40) != 0;
    if (!displayEnabled) {
        frameBuffer.fill(backdropColour);
    } else {
        std::fill_n(frameBuffer.begin(), borderLines * screenWidth, backdropColour);
        std::fill_n(frameBuffer.begin() + (borderLines + activeLines) * screenWidth, borderLines * screenWidth,
                    backdropColour);
        switch (screenMode) {
        case textMode: DrawTextMode(); break;
        case graphic1Mode:
            SpreadColourBytes();
            DrawGraphic1Mode();
            break;
        case graphic2Mode:
            SpreadColourBytes();
            DrawGraphic2Mode();
            break;
        default: DrawMulticolourMode(); break;
        }
        if (screenMode != textMode)
            DrawSprites();
    }
    PresentFrame();
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
    record.Bytes(frameBuffer);
    for (std::uint8_t& pixel : frameBuffer) {
        pixel &= 0x0F;
    }
    return loaded && !record.Failed();
}

void TPCV9918::DrawTextMode()
{
    constexpr int leftColumns = 8;
    constexpr int columns = 40;
    constexpr int characterWidth = 6;
    for (int line = 0; line < activeLines; ++line) {
        std::uint8_t* target = ActiveLine(line);
        const std::uint32_t names = nameTable + (line >> 3) * columns;
        const std::uint32_t patterns = patternGeneratorTable + (line & 7);
        // Each character stores eight pixels; the two extra ones are covered
        // by the next character, and after the last one by the right border.
        for (int column = 0; column < columns; ++column) {
            const std::uint32_t code = VramAt(names + column);
            PutEightPixels(target + leftColumns + column * characterWidth, VramAt(patterns + code * 8), textColour,
                           backdropColour);
        }
        std::fill_n(target, leftColumns, backdropColour);
        std::fill_n(target + leftColumns + columns * characterWidth, leftColumns, backdropColour);
    }
}

void TPCV9918::SpreadColourBytes()
{
    for (unsigned colours = 0; colours < 256; ++colours) {
        const std::uint64_t foreground = ShownColour(colours >> 4) * everyByte;
        const std::uint64_t background = ShownColour(colours & 0x0F) * everyByte;
        colourWords[colours] = {background, foreground ^ background};
    }
}

void TPCV9918::DrawGraphic1Mode()
{
    // A row of characters shares its names and colours; only the pattern line changes.
    for (int row = 0; row < activeLines / 8; ++row) {
        std::uint8_t* target = ActiveLine(row * 8);
        for (int column = 0; column < 32; ++column, target += 8) {
            const std::uint32_t code = VramAt(nameTable + row * 32 + column);
            const TColourWords& colours = colourWords[VramAt(colourTable + (code >> 3))];
            const std::uint32_t patterns = patternGeneratorTable + code * 8;
            for (int line = 0; line < 8; ++line) {
                PutEightPixels(target + line * screenWidth, VramAt(patterns + line), colours);
            }
        }
    }
}

void TPCV9918::DrawGraphic2Mode()
{
    const std::uint32_t patternMask = Graphic2PatternMask();
    const std::uint32_t colourMask = Graphic2ColourMask();
    for (int row = 0; row < activeLines / 8; ++row) {
        std::uint8_t* target = ActiveLine(row * 8);
        // Each third of the screen has its own 2 KB of patterns and of colours.
        const std::uint32_t third = (row >> 3) * 2048;
        for (int column = 0; column < 32; ++column, target += 8) {
            const std::uint32_t offset = third + VramAt(nameTable + row * 32 + column) * 8;
            for (int line = 0; line < 8; ++line) {
                PutEightPixels(target + line * screenWidth,
                               VramAt(patternGeneratorTable + ((offset + line) & patternMask)),
                               colourWords[VramAt(colourTable + ((offset + line) & colourMask))]);
            }
        }
    }
}

void TPCV9918::DrawMulticolourMode()
{
    for (int line = 0; line < activeLines; ++line) {
        std::uint8_t* target = ActiveLine(line);
        const int row = line >> 3;
        const std::uint32_t names = nameTable + row * 32;
        const std::uint32_t block = patternGeneratorTable + (row & 3) * 2 + ((line & 7) >> 2);
        for (int column = 0; column < 32; ++column) {
            const std::uint32_t code = VramAt(names + column);
            const std::uint8_t colours = VramAt(block + code * 8);
            PutEightPixels(target + column * 8, 0xF0, colours >> 4, colours & 0x0F);
        }
    }
}

void TPCV9918::DrawSprites()
{
    const int size = largeSprites ? 16 : 8;
    const int topBit = size - 1;
    // Drawn from the last one down, so a lower-numbered sprite ends up on top.
    for (int sprite = CountActiveSprites() - 1; sprite >= 0; --sprite) {
        const std::uint32_t entry = spriteAttributeTable + sprite * 4;
        const std::uint8_t attributes = VramAt(entry + 3);
        const std::uint8_t colour = attributes & 0x0F;
        const int x = VramAt(entry + 1) - ((attributes & 0x80) != 0 ? 32 : 0);
        if (colour == 0 || x < 0 || x > screenWidth - size)
            continue;

        // Y holds the line above the sprite; lines past 192 wrap to the top.
        const int y = (VramAt(entry) + 1) & 0xFF;
        int firstRow = 0;
        int firstLine = y;
        int rows = std::min(size, activeLines - y);
        if (y >= activeLines) {
            if (y <= 256 - size)
                continue;
            firstRow = 256 - y;
            firstLine = 0;
            rows = y + size - 256;
        }

        for (int row = 0; row < rows; ++row) {
            const std::uint16_t bits = SpritePatternRow(sprite, firstRow + row);
            if (bits == 0)
                continue;
            std::uint8_t* target = ActiveLine(firstLine + row) + x;
            for (int pixel = 0; pixel < size; ++pixel) {
                if ((bits >> (topBit - pixel)) & 1)
                    target[pixel] = colour;
            }
        }
    }
}
