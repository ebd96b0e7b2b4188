#pragma once

#include <memory>

#include "video/display_output.h"
#include "video/v9918.h"

// What the video debug window offers its VDP: a page of register texts that
// the VDP refreshes after every port access while the window is visible.
class TVideoDebugForm {
public:
    virtual ~TVideoDebugForm() = default;
    virtual void Show() = 0;
    virtual bool IsVisible() const = 0;
    virtual void Refresh() = 0;
};

// The video display processor with its renderer: it draws each line of the
// screen from VRAM and registers into an indexed frame buffer and hands that,
// with the palette, to the display output once a frame.
class TPCV9918 : public TV9918 {
public:
    static constexpr TPalette palette = {{
        {0, 0, 0},
        {0, 0, 0},
        {32, 192, 32},
        {96, 224, 96},
        {32, 32, 224},
        {64, 96, 224},
        {160, 32, 32},
        {64, 192, 224},
        {224, 32, 32},
        {224, 96, 96},
        {192, 192, 32},
        {192, 192, 128},
        {32, 128, 32},
        {192, 64, 160},
        {160, 160, 160},
        {224, 224, 224},
    }};

    // The display output is not owned; without one, frames are still drawn
    // into the frame buffer and nothing is presented.
    explicit TPCV9918(TDisplayOutput* displayOutput = nullptr);

    void SetDisplayOutput(TDisplayOutput* output) { displayOutput = output; }

    std::uint8_t ReadPort(std::uint8_t port) override;
    void WritePort(std::uint8_t port, std::uint8_t value) override;
    // Hands the frame buffer as it stands to the display output.
    void PresentFrame() override;

    // The last frame drawn is kept too, so a restored machine shows it at once.
    void SaveState(TStateWriter& record) const override;
    bool LoadState(TStateReader& record) override;

    void ShowDebugWindow();
    void DebugWindowClosed() { windowShown = false; }

    // Null on a host without windows.
    std::unique_ptr<TVideoDebugForm> form;
    bool windowShown = false;

    // A colour byte's two colours, backdrop for 0, spread over eight pixels: the
    // background, and what turns it into the foreground where the pattern is set.
    struct TColourWords {
        std::uint64_t background;
        std::uint64_t difference;
    };

    const TFrameBuffer& GetFrameBuffer() const { return frameBuffer; }
    const TPalette& GetPalette() const { return palette; }

protected:
    void RenderLine(int line) override;
    void ScreenChanged() override;

private:
    void SpreadColourBytes();
    void DrawTextLine(std::uint8_t* target, int line);
    void DrawGraphic1Line(std::uint8_t* target, int line);
    void DrawGraphic2Line(std::uint8_t* target, int line);
    void DrawMulticolourLine(std::uint8_t* target, int line);
    // Reads the row's names into rowCharacters unless they are there already.
    bool RowCharactersKept(int row);
    void DrawLineSprites(std::uint8_t* target);
    void RefreshDebugWindow() {
        if (form && form->IsVisible()) form->Refresh();
    }

    TDisplayOutput* displayOutput;
    TFrameBuffer frameBuffer{};
    // The character row last drawn in graphic 1 or 2, its names read into the
    // addresses of their pattern bytes (and in graphic 2 of their colour bytes)
    // for the row's first line: its eight lines share them while VRAM and
    // registers stay. Graphic 1 keeps the colour byte itself.
    struct TCharacter {
        std::uint32_t patterns;
        std::uint32_t colours;
    };
    std::array<TCharacter, 32> rowCharacters{};
    int charactersRow = -1;
    std::uint32_t charactersChanges = 0;
    // Recomputed when the backdrop changes, which colour 0 shows.
    std::array<TColourWords, 256> colourWords{};
    std::uint8_t spreadBackdrop = 0xFF;
};
