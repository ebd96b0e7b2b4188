#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

class TStateReader;
class TStateWriter;
class TZ80;

// The TMS9918-class video display processor: 16 KB of VRAM, eight write-only
// registers, one status register and the two ports 98h (data) and 99h
// (control). It holds all video state, answers the ports and runs the picture
// line by line: each active line finds its sprites (setting the fifth-sprite
// and collision flags as the chip does), then a subclass draws the line
// through RenderLine.
class TV9918 {
public:
    static constexpr std::size_t vramSize = 0x4000;
    static constexpr std::uint32_t vramMask = 0x3FFF;
    static constexpr int registerCount = 8;

    // Status register bits.
    static constexpr std::uint8_t frameFlag = 0x80;
    static constexpr std::uint8_t fifthSpriteFlag = 0x40;
    static constexpr std::uint8_t collisionFlag = 0x20;
    static constexpr std::uint8_t fifthSpriteNumberMask = 0x1F;

    // Screen modes, numbered as the MSX BASIC screens.
    static constexpr std::uint8_t textMode = 0;
    static constexpr std::uint8_t graphic1Mode = 1;
    static constexpr std::uint8_t graphic2Mode = 2;
    static constexpr std::uint8_t multicolourMode = 3;

    // An attribute entry with this Y byte ends the sprite list.
    static constexpr std::uint8_t spriteListEnd = 208;
    static constexpr int maximumSprites = 32;
    static constexpr int spritesPerLine = 4;

    // The beam: a line takes 228 processor cycles; a frame has 192 active
    // lines and the borders and blanking around them, 262 lines on the
    // TMS9918A (60 Hz) and 313 on the TMS9929A (50 Hz). The picture holds the
    // active lines with this many border lines above and below.
    static constexpr int cyclesPerLine = 228;
    static constexpr int activeLines = 192;
    static constexpr int borderLines = 10;

    TV9918();
    virtual ~TV9918() = default;

    TV9918(const TV9918&) = delete;
    TV9918& operator=(const TV9918&) = delete;

    // The machine's clock and the interrupt line the chip drives; not owned.
    // The clock's cycle 0 is the start of the first active line.
    void SetZ80(TZ80* processor);
    // 50 or 60; any other value is taken as 60.
    void SetFrequency(int hertz);
    int GetFrequency() const { return linesPerFrame == linesAt50Hz ? 50 : 60; }
    std::uint64_t FrameCycles() const { return static_cast<std::uint64_t>(linesPerFrame) * cyclesPerLine; }
    // The frame flag rises as the beam leaves the last active line.
    std::uint64_t NextFrameFlagCycle() const { return nextFrameFlag; }
    // At that cycle: the lines up to there, the flag with its interrupt, and
    // the finished picture presented.
    void FrameFlagReached();

    virtual std::uint8_t ReadPort(std::uint8_t port);
    virtual void WritePort(std::uint8_t port, std::uint8_t value);
    virtual void WriteRegister(int index, std::uint8_t value);
    virtual void SetFrameFlag();
    virtual void UpdateScreenMode();
    // Called after an R7 write and after a change of screen mode.
    virtual void ScreenChanged();
    // Runs one line of the picture from the registers and VRAM as they are:
    // -borderLines to -1 are the top border, then the active lines, then the
    // bottom border. An active line finds its sprites first.
    void RunLine(int line);
    // Every line of the picture at once, as the registers and VRAM stand.
    void RenderFrame();
    // Hands the picture as it stands to wherever frames are shown.
    virtual void PresentFrame();

    // Registers, status, latch, addresses, VRAM and the screen mode with its
    // tables; a renderer adds what it carries from frame to frame.
    virtual void SaveState(TStateWriter& record) const;
    virtual bool LoadState(TStateReader& record);

    // Inspection without side effects (reading the status here clears nothing).
    bool GetLatchPending() const { return latchPending; }
    std::uint8_t GetLatchByte() const { return latchByte; }
    std::uint8_t GetStatus() const { return status; }
    std::uint8_t GetRegister(int index) const { return registers[index & 7]; }
    std::uint8_t GetTextColour() const { return textColour; }
    std::uint8_t GetBackdropColour() const { return backdropColour; }
    const std::array<std::uint8_t, vramSize>& GetVRAM() const { return vram; }
    std::uint32_t GetReadAddress() const { return readAddress; }
    std::uint32_t GetWriteAddress() const { return writeAddress; }
    std::uint8_t GetScreenMode() const { return screenMode; }
    std::uint32_t GetPatternGeneratorTable() const { return patternGeneratorTable; }
    std::uint32_t GetNameTable() const { return nameTable; }
    std::uint32_t GetColourTable() const { return colourTable; }
    std::uint32_t GetSpritePatternTable() const { return spritePatternTable; }
    std::uint32_t GetSpriteAttributeTable() const { return spriteAttributeTable; }
    std::uint32_t GetSpriteColourTable() const { return spriteColourTable; }
    bool GetLargeSprites() const { return largeSprites; }
    bool GetMagnifiedSprites() const { return magnifiedSprites; }

    // Table positions may lie past the 16 KB (the masks allow up to 1F800h),
    // so every table read wraps the final address into VRAM.
    std::uint8_t VramAt(std::uint32_t address) const { return vram[address & vramMask]; }

    // Number of attribute entries before the first end marker, at most 32.
    int CountActiveSprites() const;
    // One pattern row of a sprite: 8 x 8 rows in the low byte, 16 x 16 rows
    // with the left half in the high byte.
    std::uint16_t SpritePatternRow(int sprite, int row) const;
    // The row of a sprite with this Y that shows on an active line, or -1 when
    // the sprite is not on it. Rows count in screen lines, so a magnified
    // sprite has twice as many.
    int SpriteRowOnLine(std::uint8_t y, int line) const;
    // The sprites that the four-per-line limit hides on some active line,
    // one bit each, sprite 0 in bit 0.
    std::uint32_t SpritesHiddenByLimit() const;
    bool DisplayEnabled() const { return (registers[1] & 0x40) != 0; }

    // In graphic 2 the low bits of R4 and R3 are AND masks on the third and code
    // bits of the pattern and colour offsets: with R4 = 00h and R3 = 9Fh (as
    // C-BIOS sets for its logo) all three thirds share the first third's tables.
    std::uint32_t Graphic2PatternMask() const { return ((registers[4] & 0x03u) << 11) | 0x7FF; }
    std::uint32_t Graphic2ColourMask() const { return ((registers[3] & 0x7Fu) << 6) | 0x3F; }

    // The colour a colour byte's nibble shows: 0 shows the backdrop.
    std::uint8_t ShownColour(std::uint8_t colour) const { return colour == 0 ? backdropColour : colour; }

    // One line of a pattern in the colours the screen gives it: foreground where
    // a bit is set, background where it is clear. Patterns count in steps of 8
    // bytes from the pattern generator table: 768 in graphic 2 (256 per third,
    // each with its own colours), 256 in the other modes. A multicolour pattern
    // byte is two colour blocks, given as the left four pixels set.
    struct TPatternLine {
        std::uint8_t bits;
        std::uint8_t foreground;
        std::uint8_t background;
    };
    TPatternLine PatternLine(int pattern, int line) const;

protected:
    // A sprite found on the line being run: its left edge on the screen and its
    // pixels there, the leftmost in bit 31, already magnified and cut to the
    // active area.
    struct TLineSprite {
        int x;
        std::uint32_t pixels;
        std::uint8_t colour;
    };

    // Draws one line of the picture (numbered as for RunLine); an active line's
    // sprites are in lineSprites, the front one first.
    virtual void RenderLine(int line);

    std::array<TLineSprite, spritesPerLine> lineSprites{};
    int lineSpriteCount = 0;
    // Counts the writes to VRAM and the registers, so that a renderer can keep
    // what it read for one line while nothing has changed.
    std::uint32_t changes = 0;

    bool latchPending = false;
    std::uint8_t latchByte = 0;
    std::uint8_t status = 0x9F;
    std::array<std::uint8_t, registerCount> registers{};
    std::uint8_t textColour = 0;
    std::uint8_t backdropColour = 0;
    std::array<std::uint8_t, vramSize> vram{};
    std::uint32_t readAddress = 0;
    std::uint32_t writeAddress = 0;
    std::uint8_t screenMode = textMode;
    std::uint32_t patternGeneratorTable = 0;
    std::uint32_t nameTable = 0;
    std::uint32_t colourTable = 0;
    std::uint32_t spritePatternTable = 0;
    std::uint32_t spriteAttributeTable = 0;
    std::uint32_t spriteColourTable = 0;
    bool largeSprites = false;
    bool magnifiedSprites = false;

private:
    static constexpr int linesAt60Hz = 262;
    static constexpr int linesAt50Hz = 313;

    void RecomputeTable(int index);
    // Scans the attribute table for an active line as the chip does, keeps the
    // first four sprites on it and sets the status flags they raise.
    void FindLineSprites(int line);
    // Which sprites of the list cover each active line, recomputed only after
    // the attribute table, its position or the sprite size changed.
    void FindSpriteLines();
    // The interrupt line is asserted while the frame flag and R1's interrupt
    // enable are both set.
    void UpdateInterruptLine();
    // Runs every line the beam has begun since the last catch-up, so that a
    // change made now shows from the next line on.
    void CatchUp();
    // The line of the picture (numbered as for RunLine) that begins at this
    // cycle, a multiple of the line length.
    int BeamLine(std::uint64_t cycle) const;

    TZ80* processor = nullptr;
    int linesPerFrame = linesAt60Hz;
    std::uint64_t nextFrameFlag = static_cast<std::uint64_t>(activeLines) * cyclesPerLine;
    // The previous rise of the frame flag, where the bottom border begins; at
    // first there is none.
    std::uint64_t previousFrameFlag = nextFrameFlag;
    // The start of the next line the beam has still to run.
    std::uint64_t nextLineCycle = 0;
    std::array<std::uint32_t, activeLines> spriteLines{};
    int spriteListLength = 0;
    bool spriteLinesStale = true;
};
