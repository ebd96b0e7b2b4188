#include "cpu/z80.h"

#include <utility>

#include "cpu/z80_executor.h"
#include "cpu/z80_text.h"
#include "settings/state_record.h"

namespace {

using R = TZ80Registers;

}  // namespace

TZ80::TZ80() { Reset(); }

TZ80::~TZ80() = default;

void TZ80::Start() { Run(); }

void TZ80::Stop() {
    running = false;
    eventCycle = 0;
}

std::uint16_t TZ80::Run() {
    running = true;
    while (RunToEvent() == 0) {
    }
    return registers.Get(R::PC);
}

void TZ80::Reset() {
    registers = TZ80Registers{};
    registers.Set(R::SP, 0xF000);
    cpuState = 0;
    I = 0;
    interruptDelay = false;
    resetCycles = cycles;
    instructionCount = 0;
    RefreshEventCycle();
}

void TZ80::SetTraceEnabled(bool enabled) {
    traceEnabled = enabled;
    RefreshStepExtras();
}

void TZ80::SetStepWatcher(TZ80StepWatcher* watcher, const std::uint8_t* addressMap) {
    stepWatcher = watcher;
    watchedAddresses = watcher ? addressMap : nullptr;
    RefreshStepExtras();
}

void TZ80::SetProfile(TZ80Profile* newProfile) {
    profile = newProfile;
    RefreshStepExtras();
}

const std::array<std::uint8_t, 0x10000> TZ80::noAddress{};
const std::array<std::uint8_t, 0x10000> TZ80::everyAddress = [] {
    std::array<std::uint8_t, 0x10000> map;
    map.fill(1);
    return map;
}();

void TZ80::RefreshStepExtras() {
    const bool everyStep = (stepWatcher && !watchedAddresses) || traceEnabled || !instructionText.empty();
    stepExtras = static_cast<std::uint8_t>((everyStep ? ExtraEveryStep : 0) |
                                           (stepWatcher && watchedAddresses ? ExtraWatchMarked : 0) |
                                           (profile ? ExtraProfile : 0));
    stepMap = stepExtras == 0                  ? noAddress.data()
              : stepExtras == ExtraWatchMarked ? watchedAddresses
                                               : everyAddress.data();
    // A run chooses its kind of step once: this one ends it at the next step.
    eventCycle = 0;
}

bool TZ80::BeforeStep() {
    if ((stepExtras & ExtraEveryStep) || ((stepExtras & ExtraWatchMarked) && watchedAddresses[instructionAddress])) {
        if (stepWatcher && stepWatcher->StopBeforeStep()) return true;
        if (traceEnabled || !instructionText.empty()) PrepareInstructionText();
    }
    return false;
}

void TZ80::SaveState(TStateWriter& record) const {
    record.Bytes(registers.bytes);
    record.Byte(cpuState);
    record.Byte(I);
    record.Quad(cycles);
    record.Quad(resetCycles);
    record.Bool(interruptLine);
    record.Bool(interruptDelay);
    record.Long(instructionCount);
    record.Word(instructionAddress);
}

bool TZ80::LoadState(TStateReader& record) {
    record.Bytes(registers.bytes);
    cpuState = record.Byte() & (StateIFF1 | StateMode1 | StateMode2 | StateIFF2 | StateHalted);
    I = record.Byte();
    cycles = record.Quad();
    resetCycles = record.Quad();
    interruptLine = record.Bool();
    interruptDelay = record.Bool();
    instructionCount = record.Long();
    instructionAddress = record.Word();
    instructionText.clear();
    RefreshEventCycle();
    return !record.Failed() && resetCycles <= cycles;
}

// The core's own memory and port operations are virtual: a subclass answers them.
std::int32_t TZ80::Step() { return TZ80Executor<TZ80>(*this).Step(); }

std::int32_t TZ80::RunToEvent() { return TZ80Executor<TZ80>::RunToEvent(*this); }

void TZ80::PrepareInstructionText() {
    instructionText.clear();
    if (traceEnabled) {
        // Built from the same bytes the instruction is about to read.
        instructionText = Z80InstructionText(
            instructionAddress, [this](std::uint16_t address) { return PeekMemory(address); });
    }
    RefreshStepExtras();
}

void TZ80::ReachEvent() {
    if (cycles >= nextEventCycle) MachineEvent();
    const bool delayed = std::exchange(interruptDelay, false);
    if (interruptLine && (cpuState & StateIFF1) && !delayed) {
        const std::uint16_t vector = AcknowledgeInterrupt();
        const std::uint64_t acknowledgeCycle = cycles;
        // The acknowledge may have changed the registers: the interrupt starts from the block.
        if (vector != NoInterrupt) TZ80Executor<TZ80>(*this).Interrupt(vector);
        if (profile && vector != NoInterrupt && vector != NonMaskableInterrupt) profile->InterruptTaken(acknowledgeCycle);
    }
    RefreshEventCycle();
}
