#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "cpu/msx_z80.h"
#include "services/message_pump.h"

// The registers as the debug window shows them after a step.
struct TZ80RegisterSnapshot {
    std::uint16_t af, bc, de, hl, ix, iy, pc, sp;
    std::uint16_t alternateAF, alternateBC, alternateDE, alternateHL;
    std::uint16_t state;  // cpuState + 256 * I
    std::int64_t cyclesLeft;  // till the video processor's next frame flag
};

// What the processor's debug window offers the trace: the window shows the
// records on screen and appends them to the trace file.
class TZ80DebugForm {
public:
    virtual ~TZ80DebugForm() = default;
    virtual void Show() = 0;
    virtual bool IsVisible() const = 0;
    virtual bool TraceOnScreen() const = 0;
    virtual bool TraceToFile() const = 0;
    virtual void ShowRegisters(const TZ80RegisterSnapshot& registers) = 0;
    virtual void ShowInstruction(std::uint16_t address, const std::string& text) = 0;
};

// The processor the host machine runs: the host's run loop drives it one step
// at a time, and after each step it hands the trace to its debug window.
class TPCZ80 final : public TMSXZ80 {
public:
    explicit TPCZ80(TMessagePump& messagePump) : messagePump(messagePump) {}

    // Only sets running: the caller steps it.
    void Start() override { running = true; }
    // Cycles till the video processor's next frame flag and its interrupt.
    std::int64_t CyclesLeftInFrame() const;
    std::int32_t Step() override;
    // Without a trace, as the core runs; with one, a step at a time.
    std::int32_t RunToEvent() override;
    // Steps in batches of 1000 with message processing between them; returns PC.
    std::uint16_t Run() override;

    // The trace follows the window's check boxes: on screen only while it is shown.
    void ShowDebugWindow();
    void DebugWindowClosed();

    // Null on a host without windows.
    std::unique_ptr<TZ80DebugForm> form;
    // Messages are processed before every step while a debug window is shown.
    bool pumpEveryStep = false;
    bool windowShown = false;

private:
    void TraceStep();

    TMessagePump& messagePump;
};
