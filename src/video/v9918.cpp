#include "video/v9918.h"

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
    UpdateInterruptLine();
    return !record.Failed();
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
    CheckSprites();
    SetFrameFlag();
    RenderFrame();
    nextFrameFlag += FrameCycles();
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
        const std::uint8_t value = status;
        status &= static_cast<std::uint8_t>(~(frameFlag | collisionFlag));
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
        vram[writeAddress] = value;
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
    registers[index] = value;
    switch (index) {
    case 0:
        UpdateScreenMode();
        break;
    case 1:
        UpdateScreenMode();
        largeSprites = (value & 0x02) != 0;
        magnifiedSprites = (value & 0x01) != 0;
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
    case 5: spriteAttributeTable = (value & masks.spriteAttribute) * 0x80; break;
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

void TV9918::CheckSprites()
{
    status = (status & 0x9F) | fifthSpriteNumberMask;
    const int active = CountActiveSprites();
    const int size = largeSprites ? 16 : 8;
    bool collision = false;
    int fifthSprite = -1;

    // Every pair compares pattern rows: read each active sprite's rows once.
    std::array<std::array<std::uint16_t, 16>, maximumSprites> rows;
    for (int sprite = 0; sprite < active; ++sprite) {
        for (int row = 0; row < size; ++row) rows[sprite][row] = SpritePatternRow(sprite, row);
    }

    for (int i = 0; i < active && !(collision && fifthSprite >= 0); ++i) {
        const std::uint32_t entryI = spriteAttributeTable + i * 4;
        if ((VramAt(entryI + 3) & 0x0F) == 0)
            continue;
        int sharedRows = 0;
        for (int j = i + 1; j < active; ++j) {
            const std::uint32_t entryJ = spriteAttributeTable + j * 4;
            if ((VramAt(entryJ + 3) & 0x0F) == 0)
                continue;

            // Row k of the lower sprite lies beside row k + offset of the upper one.
            const int dy = (VramAt(entryI) - VramAt(entryJ)) & 0xFF;
            int lower = i;
            int upper = j;
            int offset = dy;
            if (dy >= size) {
                if (dy <= 256 - size)
                    continue;
                lower = j;
                upper = i;
                offset = 256 - dy;
            }

            int dx = (VramAt(entryI + 1) - VramAt(entryJ + 1)) & 0xFF;
            bool close = false;
            bool iIsRight = true;
            if (dx < size) {
                close = true;
            } else if (dx > 256 - size) {
                close = true;
                iIsRight = false;
                dx = 256 - dx;
            }

            for (int k = 0; k < size - offset; ++k) {
                const std::uint16_t lowerRow = rows[lower][k];
                const std::uint16_t upperRow = rows[upper][k + offset];
                const bool lowerIsI = lower == i;
                const std::uint16_t rowI = lowerIsI ? lowerRow : upperRow;
                const std::uint16_t rowJ = lowerIsI ? upperRow : lowerRow;
                const std::uint16_t right = iIsRight ? rowI : rowJ;
                const std::uint16_t left = iIsRight ? rowJ : rowI;
                if ((right & left) != 0) {
                    ++sharedRows;
                    if (sharedRows == 6 && fifthSprite < 0)
                        fifthSprite = j;
                }
                if (close && ((right >> dx) & left) != 0)
                    collision = true;
            }
        }
    }

    if (collision)
        status |= collisionFlag;
    if (fifthSprite >= 0)
        status = static_cast<std::uint8_t>(((status | fifthSpriteFlag) & 0xE0) | fifthSprite);
}

void TV9918::ScreenChanged()
{
}

void TV9918::RenderFrame()
{
}
