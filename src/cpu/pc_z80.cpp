#include "cpu/pc_z80.h"

#include "cpu/z80_executor.h"
#include "video/v9918.h"

// The core's step on this final class: memory and port accesses go straight
// to the slot selector and the I/O handler, without a virtual call.
std::int32_t TPCZ80::Step() {
    const std::int32_t result = TZ80Executor<TPCZ80>(*this).Step();
    // traceEnabled follows the window's boxes, and is the cheap test on every step.
    if (traceEnabled && form && ((form->IsVisible() && form->TraceOnScreen()) || form->TraceToFile())) TraceStep();
    return result;
}

std::int32_t TPCZ80::RunToEvent() {
    if (traceEnabled) return Step();
    return TZ80Executor<TPCZ80>::RunToEvent(*this);
}

void TPCZ80::TraceStep() {
    using Pair = TZ80Registers;
    const TZ80RegisterSnapshot snapshot{
        registers.Get(Pair::AF),  registers.Get(Pair::BC),  registers.Get(Pair::DE),
        registers.Get(Pair::HL),  registers.Get(Pair::IX),  registers.Get(Pair::IY),
        registers.Get(Pair::PC),  registers.Get(Pair::SP),  registers.Get(Pair::AF1),
        registers.Get(Pair::BC1), registers.Get(Pair::DE1), registers.Get(Pair::HL1),
        static_cast<std::uint16_t>(cpuState + 256 * I), CyclesLeftInFrame()};
    form->ShowRegisters(snapshot);
    form->ShowInstruction(instructionAddress, instructionText);
}

std::int64_t TPCZ80::CyclesLeftInFrame() const {
    const TV9918* vdp = GetIOHandler() ? GetIOHandler()->GetVDP() : nullptr;
    return vdp ? static_cast<std::int64_t>(vdp->NextFrameFlagCycle() - cycles) : 0;
}

void TPCZ80::ShowDebugWindow() {
    if (!form) return;
    windowShown = true;
    SetTraceEnabled(form->TraceToFile() || form->TraceOnScreen());
    form->Show();
}

void TPCZ80::DebugWindowClosed() {
    windowShown = false;
    SetTraceEnabled(form && form->TraceToFile());
}

std::uint16_t TPCZ80::Run() {
    running = true;
    bool done = false;
    while (!done) {
        for (int step = 0; step < 1000 && !done; ++step) {
            if (pumpEveryStep) messagePump.ProcessMessages();
            done = Step() != 0;
        }
        messagePump.ProcessMessages();
    }
    return registers.Get(TZ80Registers::PC);
}
