#include "video/v9918.h"

#include <algorithm>
#include <bit>

#include "cpu/z80.h"
#include "settings/state_record.h"

namespace {

constexpr std::uint8_t dataPort = 0x98;
constexpr std::uint8_t controlPort = 0x99;

// Masks applied to R2-R5 before they are scaled into table positions.
struct TTableMasks {
    std::uint8_t name;
    std::uint8_t colour;
    std::uint8_t patternGenerator;
    std::uint8_t spriteAttribute;
};

// The width of the active area.
constexpr int screenPixels = 256;

// Each bit of a byte twice, for magnified sprites: bit 7 to bits 15 and 14.
constexpr std::array<std::uint16_t, 256> MakeDoubledBits()
{
    std::array<std::uint16_t, 256> table{};
    for (int bits = 0; bits < 256; ++bits) {
        for (int bit = 0; bit < 8; ++bit) {
            if ((bits >> bit) & 1)
                table[bits] |= static_cast<std::uint16_t>(3 << (bit * 2));
        }
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> doubledBits = MakeDoubledBits();

constexpr TTableMasks tableMasks[4] = {
    {0x0F, 0x00, 0x3F, 0x00}, // text
    {0x0F, 0xFF, 0x3F, 0xFF}, // graphic 1
    {0x0F, 0x80, 0x3C, 0xFF}, // graphic 2
    {0x0F, 0x00, 0x3F, 0xFF}, // multicolour
};

} // namespace

TV9918::TV9918()
{
    registers.fill(0xFF);
    registers[1] = 0x10;
    vram.fill(0xFF);
}

void TV9918::SaveState(TStateWriter& record) const
{
    record.Bool(latchPending);
    record.Byte(latchByte);
    record.Byte(status);
    record.Bytes(registers);
    record.Byte(textColour);
    record.Byte(backdropColour);
    record.Bytes(vram);
    record.Word(static_cast<std::uint16_t>(readAddress));
    record.Word(static_cast<std::uint16_t>(writeAddress));
    // The mode is state of its own: a register pair that selects no mode keeps it.
    record.Byte(screenMode);
    for (const std::uint32_t table : {patternGeneratorTable, nameTable, colourTable, spritePatternTable,
                                      spriteAttributeTable, spriteColourTable}) {
        record.Long(table);
    }
    record.Bool(largeSprites);
    record.Bool(magnifiedSprites);
    record.Byte(static_cast<std::uint8_t>(GetFrequency()));
    record.Quad(nextFrameFlag);
    record.Quad(previousFrameFlag);
    record.Quad(nextLineCycle);
}

bool TV9918::LoadState(TStateReader& record)
{
    latchPending = record.Bool();
    latchByte = record.Byte();
    status = record.Byte();
    record.Bytes(registers);
    textColour = record.Byte() & 0x0F;
    backdropColour = record.Byte() & 0x0F;
    record.Bytes(vram);
    readAddress = record.Word() & vramMask;
    writeAddress = record.Word() & vramMask;
    screenMode = record.Byte() & 3;
    for (std::uint32_t* table : {&patternGeneratorTable, &nameTable, &colourTable, &spritePatternTable,
                                 &spriteAttributeTable, &spriteColourTable}) {
        *table = record.Long() & 0x1FFFF;
    }
    largeSprites = record.Bool();
    magnifiedSprites = record.Bool();
    SetFrequency(record.Byte());
    nextFrameFlag = record.Quad();
    previousFrameFlag = record.Quad();
    nextLineCycle = record.Quad();
    spriteLinesStale = true;
    ++changes;
    UpdateInterruptLine();
    const bool beamInStep = nextLineCycle % cyclesPerLine == 0 && previousFrameFlag <= nextFrameFlag &&
                            nextFrameFlag - previousFrameFlag <= linesAt50Hz * cyclesPerLine;
    return !record.Failed() && beamInStep;
}

void TV9918::SetZ80(TZ80* newProcessor)
{
    processor = newProcessor;
    UpdateInterruptLine();
}

void TV9918::SetFrequency(int hertz)
{
    // The frame in progress keeps its length; the next ones take the new one.
    linesPerFrame = hertz == 50 ? linesAt50Hz : linesAt60Hz;
}

void TV9918::FrameFlagReached()
{
    CatchUp();
    SetFrameFlag();
    PresentFrame();
    previousFrameFlag = nextFrameFlag;
    nextFrameFlag += FrameCycles();
}

void TV9918::CatchUp()
{
    if (processor == nullptr)
        return;
    const std::uint64_t now = processor->cycles;
    // No line waits longer than a frame, even after a state whose beam lags far behind.
    constexpr std::uint64_t longestFrame = linesAt50Hz * cyclesPerLine;
    if (nextLineCycle + longestFrame < now)
        nextLineCycle = now - now % cyclesPerLine - longestFrame;
    for (; nextLineCycle <= now; nextLineCycle += cyclesPerLine) {
        const int line = BeamLine(nextLineCycle);
        if (line >= -borderLines && line < activeLines + borderLines)
            RunLine(line);
    }
}

int TV9918::BeamLine(std::uint64_t cycle) const
{
    // The frame flag rises at the start of the line after the active area.
    if (cycle >= nextFrameFlag)
        return activeLines + static_cast<int>((cycle - nextFrameFlag) / cyclesPerLine);
    if (cycle >= previousFrameFlag && cycle - previousFrameFlag < borderLines * cyclesPerLine)
        return activeLines + static_cast<int>((cycle - previousFrameFlag) / cyclesPerLine);
    return activeLines - static_cast<int>((nextFrameFlag - cycle) / cyclesPerLine);
}

void TV9918::UpdateInterruptLine()
{
    if (processor)
        processor->SetInterruptLine((status & frameFlag) != 0 && (registers[1] & 0x20) != 0);
}

std::uint8_t TV9918::ReadPort(std::uint8_t port)
{
    switch (port) {
    case dataPort: {
        const std::uint8_t value = vram[readAddress];
        readAddress = (readAddress + 1) & vramMask;
        return value;
    }
    case controlPort: {
        CatchUp();
        const std::uint8_t value = status;
        // The number bits stay for the next read.
        status &= fifthSpriteNumberMask;
        UpdateInterruptLine();
        return value;
    }
    default:
        return 0xFF;
    }
}

void TV9918::WritePort(std::uint8_t port, std::uint8_t value)
{
    switch (port) {
    case dataPort:
        // A data byte between the two control bytes is lost; the sequence goes on.
        if (latchPending)
            return;
        CatchUp();
        ++changes;
        vram[writeAddress] = value;
        if ((writeAddress & ~0x7Fu) == (spriteAttributeTable & vramMask))
            spriteLinesStale = true;
        writeAddress = (writeAddress + 1) & vramMask;
        return;
    case controlPort:
        if (!latchPending) {
            latchByte = value;
            latchPending = true;
            return;
        }
        latchPending = false;
        switch (value >> 6) {
        case 0:
            readAddress = (static_cast<std::uint32_t>(value) << 8 | latchByte) & vramMask;
            break;
        case 1:
            writeAddress = static_cast<std::uint32_t>(value & 0x3F) << 8 | latchByte;
            break;
        case 2:
            WriteRegister(value & 7, latchByte);
            break;
        default:
            break;
        }
        return;
    default:
        return;
    }
}

void TV9918::WriteRegister(int index, std::uint8_t value)
{
    index &= 7;
    CatchUp();
    ++changes;
    registers[index] = value;
    switch (index) {
    case 0:
        UpdateScreenMode();
        break;
    case 1:
        UpdateScreenMode();
        largeSprites = (value & 0x02) != 0;
        magnifiedSprites = (value & 0x01) != 0;
        spriteLinesStale = true;
        UpdateInterruptLine();
        break;
    case 7:
        textColour = value >> 4;
        backdropColour = value & 0x0F;
        ScreenChanged();
        break;
    default:
        RecomputeTable(index);
        break;
    }
}

void TV9918::SetFrameFlag()
{
    status |= frameFlag;
    UpdateInterruptLine();
}

void TV9918::UpdateScreenMode()
{
    // M3 lands at bit 0, M4 and M5 at bits 1-2, M2 at bit 3 and M1 at bit 4.
    const int modeBits = ((registers[0] & 0x0E) >> 1) | (registers[1] & 0x18);
    std::uint8_t mode = screenMode;
    switch (modeBits) {
    case 0x00: mode = graphic1Mode; break;
    case 0x01: mode = graphic2Mode; break;
    case 0x08: mode = multicolourMode; break;
    case 0x10: mode = textMode; break;
    default: break;
    }
    const bool changed = mode != screenMode;
    screenMode = mode;
    if (!changed)
        return;
    RecomputeTable(2);
    RecomputeTable(4);
    RecomputeTable(3);
    RecomputeTable(5);
    RecomputeTable(6);
    ScreenChanged();
}

void TV9918::RecomputeTable(int index)
{
    const TTableMasks& masks = tableMasks[screenMode];
    const std::uint32_t value = registers[index];
    switch (index) {
    case 2: nameTable = (value & masks.name) * 0x400; break;
    case 3: colourTable = (value & masks.colour) * 0x40; break;
    case 4: patternGeneratorTable = (value & masks.patternGenerator) * 0x800; break;
    case 5:
        spriteAttributeTable = (value & masks.spriteAttribute) * 0x80;
        spriteLinesStale = true;
        break;
    case 6: spritePatternTable = (value & 0x3F) * 0x800; break;
    default: break;
    }
}

int TV9918::CountActiveSprites() const
{
    int count = 0;
    while (count < maximumSprites && VramAt(spriteAttributeTable + count * 4) != spriteListEnd)
        ++count;
    return count;
}

std::uint16_t TV9918::SpritePatternRow(int sprite, int row) const
{
    const std::uint32_t pattern = VramAt(spriteAttributeTable + sprite * 4 + 2);
    if (!largeSprites)
        return VramAt(spritePatternTable + pattern * 8 + row);
    const std::uint32_t start = spritePatternTable + (pattern & 0xFC) * 8 + row;
    return static_cast<std::uint16_t>(VramAt(start) << 8 | VramAt(start + 16));
}

TV9918::TPatternLine TV9918::PatternLine(int pattern, int line) const
{
    const std::uint32_t offset = pattern * 8 + line;
    std::uint8_t bits = VramAt(patternGeneratorTable + offset);
    std::uint8_t colours = 0;
    switch (screenMode) {
    case textMode: return {bits, textColour, backdropColour};
    case multicolourMode: return {0xF0, static_cast<std::uint8_t>(bits >> 4), static_cast<std::uint8_t>(bits & 0x0F)};
    case graphic1Mode: colours = VramAt(colourTable + ((pattern & 0xFF) >> 3)); break;
    default:
        bits = VramAt(patternGeneratorTable + (offset & Graphic2PatternMask()));
        colours = VramAt(colourTable + (offset & Graphic2ColourMask()));
        break;
    }
    return {bits, ShownColour(colours >> 4), ShownColour(colours & 0x0F)};
}

void TV9918::ScreenChanged()
{
}

int TV9918::SpriteRowOnLine(std::uint8_t y, int line) const
{
    // Y is the line above the sprite, counted modulo 256, so a Y near 255
    // starts the sprite above the screen.
    const int row = (line - y - 1) & 0xFF;
    const int height = (largeSprites ? 16 : 8) << (magnifiedSprites ? 1 : 0);
    return row < height ? row : -1;
}

std::uint32_t TV9918::SpritesHiddenByLimit() const
{
    std::uint32_t hidden = 0;
    for (int line = 0; line < activeLines; ++line) {
        int found = 0;
        for (int sprite = 0; sprite < maximumSprites; ++sprite) {
            const std::uint8_t y = VramAt(spriteAttributeTable + sprite * 4);
            if (y == spriteListEnd)
                break;
            if (SpriteRowOnLine(y, line) >= 0 && ++found > spritesPerLine)
                hidden |= 1u << sprite;
        }
    }
    return hidden;
}

void TV9918::FindSpriteLines()
{
    spriteLines.fill(0);
    spriteListLength = 0;
    const int height = (largeSprites ? 16 : 8) << (magnifiedSprites ? 1 : 0);
    for (; spriteListLength < maximumSprites; ++spriteListLength) {
        const std::uint8_t y = VramAt(spriteAttributeTable + spriteListLength * 4);
        if (y == spriteListEnd)
            break;
        for (int row = 0; row < height; ++row) {
            const int line = (y + 1 + row) & 0xFF;
            if (line < activeLines)
                spriteLines[line] |= 1u << spriteListLength;
        }
    }
    spriteLinesStale = false;
}

void TV9918::FindLineSprites(int line)
{
    if (spriteLinesStale)
        FindSpriteLines();
    lineSpriteCount = 0;
    // The scan ends at the list's end, or at a fifth sprite on the line.
    int scanEnd = std::min(spriteListLength, maximumSprites - 1);
    for (std::uint32_t onLine = spriteLines[line]; onLine != 0; onLine &= onLine - 1) {
        const int sprite = std::countr_zero(onLine);
        if (lineSpriteCount == spritesPerLine) {
            if ((status & fifthSpriteFlag) == 0)
                status = static_cast<std::uint8_t>((status & 0xE0) | fifthSpriteFlag | sprite);
            scanEnd = sprite;
            break;
        }
        // The sprite is on the line: its pattern row follows from Y alone.
        const std::uint32_t entry = spriteAttributeTable + sprite * 4;
        const int row = ((line - VramAt(entry) - 1) & 0xFF) >> (magnifiedSprites ? 1 : 0);
        const std::uint8_t attributes = VramAt(entry + 3);
        const int x = VramAt(entry + 1) - ((attributes & 0x80) != 0 ? 32 : 0);
        std::uint32_t pixels = SpritePatternRow(sprite, row);
        if (!largeSprites)
            pixels <<= 8;
        pixels = magnifiedSprites ? static_cast<std::uint32_t>(doubledBits[pixels >> 8]) << 16 | doubledBits[pixels & 0xFF]
                                  : pixels << 16;
        // Only the pixels on the screen are drawn or collide.
        if (x < 0)
            pixels = x <= -32 ? 0 : pixels & (0xFFFFFFFFu >> -x);
        else if (x > screenPixels - 32)
            pixels &= ~(0xFFFFFFFFu >> (screenPixels - x));
        lineSprites[lineSpriteCount++] = {x, pixels, static_cast<std::uint8_t>(attributes & 0x0F)};
    }
    // Without a fifth sprite the number bits follow the scan: the entry it stopped at.
    if ((status & fifthSpriteFlag) == 0)
        status = static_cast<std::uint8_t>((status & 0xE0) | scanEnd);

    if ((status & collisionFlag) != 0)
        return;
    for (int first = 0; first < lineSpriteCount; ++first) {
        for (int second = first + 1; second < lineSpriteCount; ++second) {
            // Shifting the left one's pixels by the distance lines them up with the right one's.
            const TLineSprite& a = lineSprites[first];
            const TLineSprite& b = lineSprites[second];
            const int distance = b.x - a.x;
            const bool meet = distance >= 0 ? distance < 32 && ((a.pixels << distance) & b.pixels) != 0
                                            : distance > -32 && ((b.pixels << -distance) & a.pixels) != 0;
            if (meet) {
                status |= collisionFlag;
                return;
            }
        }
    }
}

void TV9918::RunLine(int line)
{
    const bool active = line >= 0 && line < activeLines;
    lineSpriteCount = 0;
    // A blanked screen and text mode fetch no sprites.
    if (active && DisplayEnabled() && screenMode != textMode)
        FindLineSprites(line);
    RenderLine(line);
}

void TV9918::RenderFrame()
{
    for (int line = -borderLines; line < activeLines + borderLines; ++line)
        RunLine(line);
}

void TV9918::RenderLine(int)
{
}

void TV9918::PresentFrame()
{
}
