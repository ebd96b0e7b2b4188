#include "debug/debugger.h"

#include <algorithm>
#include <cstdio>

#include "cpu/z80_text.h"

namespace {

using R = TZ80Registers;

std::string Hex2(unsigned value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02Xh", value & 0xFF);
    return text;
}

}  // namespace

TDebugger::~TDebugger() { Detach(); }

void TDebugger::Attach(TPCZ80& newProcessor) {
    Detach();
    processor = &newProcessor;
    profiler.Attach(newProcessor);
    Refresh();
}

void TDebugger::Detach() {
    if (processor) {
        processor->SetStepWatcher(nullptr);
        processor->SetPortWatcher(nullptr, 0);
        processor->GetMemorySelector()->SetWatcher(nullptr, nullptr, 0, 0);
    }
    profiler.Detach();
    processor = nullptr;
    run = {};
    stopPending = false;
    unstoppedStep.reset();
}

int TDebugger::AddBreakpoint(const TBreakpoint& breakpoint) {
    breakpoints.push_back(breakpoint);
    Refresh();
    return static_cast<int>(breakpoints.size()) - 1;
}

int TDebugger::AddWatchpoint(const TWatchpoint& watchpoint) {
    TWatchpoint added = watchpoint;
    const std::uint16_t top = added.space == TWatchpoint::Space::Port ? 0xFF : 0xFFFF;
    added.first = std::min(added.first, top);
    added.last = std::clamp(added.last, added.first, top);
    watchpoints.push_back(added);
    Refresh();
    return static_cast<int>(watchpoints.size()) - 1;
}

void TDebugger::RemoveBreakpoint(int index) {
    if (index < 0 || index >= static_cast<int>(breakpoints.size())) return;
    breakpoints.erase(breakpoints.begin() + index);
    Refresh();
}

void TDebugger::RemoveWatchpoint(int index) {
    if (index < 0 || index >= static_cast<int>(watchpoints.size())) return;
    watchpoints.erase(watchpoints.begin() + index);
    Refresh();
}

void TDebugger::EnableBreakpoint(int index, bool enabled) {
    if (index < 0 || index >= static_cast<int>(breakpoints.size())) return;
    breakpoints[index].enabled = enabled;
    Refresh();
}

void TDebugger::EnableWatchpoint(int index, bool enabled) {
    if (index < 0 || index >= static_cast<int>(watchpoints.size())) return;
    watchpoints[index].enabled = enabled;
    Refresh();
}

void TDebugger::Refresh() {
    breakMap.fill(0);
    memoryMap.fill(0);
    portMap.fill(0);
    flags = 0;
    std::uint8_t readPages = 0;
    std::uint8_t writePages = 0;
    for (const TBreakpoint& breakpoint : breakpoints) {
        if (breakpoint.enabled) breakMap[breakpoint.address] = 1;
    }
    for (const TWatchpoint& watchpoint : watchpoints) {
        if (!watchpoint.enabled) continue;
        const bool memory = watchpoint.space == TWatchpoint::Space::Memory;
        const std::uint8_t bits = static_cast<std::uint8_t>((watchpoint.onRead ? mapRead : 0) |
                                                            (watchpoint.onWrite ? mapWrite : 0));
        std::uint8_t* map = memory ? memoryMap.data() : portMap.data();
        for (unsigned address = watchpoint.first; address <= watchpoint.last; ++address) map[address] |= bits;
        if (memory) {
            // The pages the range touches.
            const auto pages = static_cast<std::uint8_t>((0x0F << (watchpoint.first >> 14)) & (0x0F >> (3 - (watchpoint.last >> 14))));
            if (watchpoint.onRead) readPages |= pages;
            if (watchpoint.onWrite) writePages |= pages;
        } else {
            if (watchpoint.onRead) flags |= TMSXZ80::WatchPortRead;
            if (watchpoint.onWrite) flags |= TMSXZ80::WatchPortWrite;
        }
    }
    const bool anyBreakpoint = std::any_of(breakpoints.begin(), breakpoints.end(),
                                           [](const TBreakpoint& breakpoint) { return breakpoint.enabled; });
    if (!processor) return;
    // With breakpoints alone the processor asks only at their addresses; a
    // prepared run or a pending stop is checked before every step.
    if (run.kind != RunKind::None || stopPending) {
        processor->SetStepWatcher(this);
    } else {
        processor->SetStepWatcher(anyBreakpoint ? this : nullptr, breakMap.data());
    }
    processor->SetPortWatcher(this, flags);
    processor->GetMemorySelector()->SetWatcher(this, memoryMap.data(), readPages, writePages);
}

bool TDebugger::PrepareStepOver() {
    if (!processor) return false;
    const std::uint16_t pc = processor->registers.Get(R::PC);
    // A DD or FD prefix leaves CALL a CALL.
    std::uint8_t opcode = Peek(pc);
    if (opcode == 0xDD || opcode == 0xFD) opcode = Peek(static_cast<std::uint16_t>(pc + 1));
    const bool call = opcode == 0xCD || (opcode & 0xC7) == 0xC4;
    const bool restart = (opcode & 0xC7) == 0xC7;
    if (!call && !restart && opcode != 0x10) return false;
    const int length = Z80InstructionLength(pc, [this](std::uint16_t address) { return Peek(address); });
    run = {RunKind::To, static_cast<std::uint16_t>(pc + length), processor->registers.Get(R::SP), true};
    Refresh();
    return true;
}

void TDebugger::PrepareStepOut() {
    if (!processor) return;
    run = {RunKind::Out, 0, processor->registers.Get(R::SP), true};
    lastWasReturn = false;
    Refresh();
}

void TDebugger::PrepareRunTo(std::uint16_t address) {
    run = {RunKind::To, address, 0, false};
    Refresh();
}

void TDebugger::CancelRun() {
    run = {};
    Refresh();
}

void TDebugger::Resume() {
    stopReason = {};
    stopPending = false;
    if (processor) unstoppedStep = processor->instructionCount;
    // Back from watching every step after a stop.
    Refresh();
}

void TDebugger::StepInto() {
    if (!processor) return;
    Resume();
    // As the debug window's single step: the step counts down and may take an interrupt.
    processor->running = true;
    processor->Step();
    processor->Stop();
}

std::string TDebugger::Describe(const TStopReason& reason) const {
    const std::string number = std::to_string(reason.index + 1);
    switch (reason.kind) {
    case TStopReason::Kind::Breakpoint: return "breakpoint " + number + " at " + symbols.AddressText(reason.address);
    case TStopReason::Kind::Watchpoint: {
        const bool port = watchpoints.size() > static_cast<std::size_t>(reason.index) &&
                          watchpoints[reason.index].space == TWatchpoint::Space::Port;
        const std::string where = port ? "port " + Hex2(reason.address) : symbols.AddressText(reason.address);
        return "watchpoint " + number + ": " + (reason.write ? "write of " : "read of ") + Hex2(reason.value) +
               (reason.write ? " to " : " from ") + where;
    }
    case TStopReason::Kind::Reached: return "reached " + symbols.AddressText(reason.address);
    case TStopReason::Kind::Returned: return "returned to " + symbols.AddressText(reason.address);
    case TStopReason::Kind::None: break;
    }
    return "stopped";
}

std::string TDebugger::Describe(const TBreakpoint& breakpoint) const {
    std::string text = "Break " + symbols.AddressText(breakpoint.address);
    if (!breakpoint.anySlot) text += " in slot " + std::to_string(breakpoint.primary) + "-" + std::to_string(breakpoint.secondary);
    return text;
}

std::string TDebugger::Describe(const TWatchpoint& watchpoint) const {
    const bool port = watchpoint.space == TWatchpoint::Space::Port;
    const auto where = [&](std::uint16_t address) { return port ? Hex2(address) : symbols.AddressText(address); };
    static constexpr const char* kinds[2][3] = {{"Write ", "Read ", "Read/write "},
                                                {"Port write ", "Port read ", "Port read/write "}};
    const int access = watchpoint.onRead ? (watchpoint.onWrite ? 2 : 1) : 0;
    std::string text = kinds[port ? 1 : 0][access];
    text.append(where(watchpoint.first));
    if (watchpoint.last != watchpoint.first) text.append("-").append(where(watchpoint.last));
    if (watchpoint.value) text.append(" = ").append(Hex2(*watchpoint.value));
    return text;
}

std::optional<TBreakpoint> ParseBreakpoint(std::string_view text, const TSymbolTable& symbols) {
    TBreakpoint breakpoint;
    const std::size_t at = text.find('@');
    const std::optional<std::uint16_t> address = symbols.ParseAddress(text.substr(0, at));
    if (!address) return std::nullopt;
    breakpoint.address = *address;
    if (at != std::string_view::npos) {
        const std::string_view slot = text.substr(at + 1);
        if (slot.size() != 3 || slot[0] < '0' || slot[0] > '3' || slot[1] != '-' || slot[2] < '0' || slot[2] > '3') {
            return std::nullopt;
        }
        breakpoint.anySlot = false;
        breakpoint.primary = slot[0] - '0';
        breakpoint.secondary = slot[2] - '0';
    }
    return breakpoint;
}

std::optional<TWatchpoint> ParseWatchpoint(std::string_view text, TWatchpoint::Space space,
                                           const TSymbolTable& symbols) {
    TWatchpoint watchpoint;
    watchpoint.space = space;
    const std::size_t equals = text.find('=');
    const std::string_view range = text.substr(0, equals);
    if (equals != std::string_view::npos) {
        const std::optional<std::uint16_t> value = symbols.ParseAddress(text.substr(equals + 1));
        if (!value || *value > 0xFF) return std::nullopt;
        watchpoint.value = static_cast<std::uint8_t>(*value);
    }
    const std::size_t dash = range.find('-');
    const std::optional<std::uint16_t> first = symbols.ParseAddress(range.substr(0, dash));
    const std::optional<std::uint16_t> last =
        dash == std::string_view::npos ? first : symbols.ParseAddress(range.substr(dash + 1));
    const unsigned top = space == TWatchpoint::Space::Port ? 0xFF : 0xFFFF;
    if (!first || !last || *last < *first || *last > top) return std::nullopt;
    watchpoint.first = *first;
    watchpoint.last = *last;
    return watchpoint;
}

std::uint8_t TDebugger::Peek(std::uint16_t address) const {
    return processor ? processor->GetMemorySelector()->Peek(address) : 0xFF;
}

void TDebugger::Poke(std::uint16_t address, std::uint8_t value) {
    if (processor) processor->GetMemorySelector()->Write(address, value);
}

void TDebugger::MemoryRead(std::uint16_t address, std::uint8_t value) {
    Access(TWatchpoint::Space::Memory, address, value, false);
}

void TDebugger::MemoryWritten(std::uint16_t address, std::uint8_t value) {
    Access(TWatchpoint::Space::Memory, address, value, true);
}

void TDebugger::PortRead(std::uint8_t port, std::uint8_t value) { Access(TWatchpoint::Space::Port, port, value, false); }

void TDebugger::PortWritten(std::uint8_t port, std::uint8_t value) { Access(TWatchpoint::Space::Port, port, value, true); }

void TDebugger::Access(TWatchpoint::Space space, std::uint16_t address, std::uint8_t value, bool write) {
    const std::uint8_t bit = write ? mapWrite : mapRead;
    const std::uint8_t covered = space == TWatchpoint::Space::Memory ? memoryMap[address] : portMap[address & 0xFF];
    // The first hit of an instruction is the one reported.
    if (!(covered & bit) || stopPending) return;
    for (std::size_t index = 0; index < watchpoints.size(); ++index) {
        const TWatchpoint& watchpoint = watchpoints[index];
        if (!watchpoint.enabled || watchpoint.space != space || address < watchpoint.first || address > watchpoint.last ||
            !(write ? watchpoint.onWrite : watchpoint.onRead) || (watchpoint.value && *watchpoint.value != value)) {
            continue;
        }
        StopWith({TStopReason::Kind::Watchpoint, static_cast<int>(index), address, value, write});
        return;
    }
}

bool TDebugger::BreakpointAt(std::uint16_t address) {
    const TMemorySelector& selector = *processor->GetMemorySelector();
    const int page = address >> 14;
    const int primary = selector.GetPagePrimary(page);
    const int secondary = selector.GetPageSecondary(primary, page);
    for (std::size_t index = 0; index < breakpoints.size(); ++index) {
        const TBreakpoint& breakpoint = breakpoints[index];
        if (!breakpoint.enabled || breakpoint.address != address) continue;
        if (!breakpoint.anySlot && (breakpoint.primary != primary || breakpoint.secondary != secondary)) continue;
        StopWith({TStopReason::Kind::Breakpoint, static_cast<int>(index), address, 0, false});
        return true;
    }
    return false;
}

bool TDebugger::IsReturn(std::uint16_t address) const {
    // A DD or FD prefix leaves RET a RET.
    if (Peek(address) == 0xDD || Peek(address) == 0xFD) ++address;
    const std::uint8_t opcode = Peek(address);
    return opcode == 0xC9 || (opcode & 0xC7) == 0xC0 ||
           (opcode == 0xED && (Peek(static_cast<std::uint16_t>(address + 1)) & 0xC7) == 0x45);
}

// Any stop ends a prepared run; the watching it needed ends with the next Refresh.
void TDebugger::StopWith(const TStopReason& reason) {
    stopReason = reason;
    stopPending = true;
    run = {};
    processor->Stop();
    // A hit by an interrupt's push comes after the step's own end: the next
    // step, whatever its address, stops before it runs.
    processor->SetStepWatcher(this);
}

bool TDebugger::StopBeforeStep() {
    const std::uint16_t pc = processor->registers.Get(R::PC);
    // The common case of a run with breakpoints: none here.
    if (run.kind == RunKind::None && !stopPending && !breakMap[pc]) [[likely]] return false;
    return CheckBeforeStep(pc);
}

bool TDebugger::CheckBeforeStep(std::uint16_t pc) {
    TPCZ80& cpu = *processor;
    const std::uint16_t sp = cpu.registers.Get(R::SP);
    const bool returned = lastWasReturn && lastStackPointer >= run.stackLimit &&
                          sp == static_cast<std::uint16_t>(lastStackPointer + 2);
    if (run.kind == RunKind::Out) {
        lastWasReturn = IsReturn(pc);
        lastStackPointer = sp;
    }
    if (unstoppedStep) {
        const bool unstopped = *unstoppedStep == cpu.instructionCount;
        unstoppedStep.reset();
        if (unstopped) return false;
    }
    if (stopPending) {
        // A watchpoint hit by the last step's interrupt: that step has ended.
    } else if (run.kind == RunKind::To && pc == run.target && (!run.checkStack || sp >= run.stackLimit)) {
        StopWith({TStopReason::Kind::Reached, -1, pc, 0, false});
    } else if (run.kind == RunKind::Out && returned) {
        // A RET taken from the routine's own frame or above it.
        StopWith({TStopReason::Kind::Returned, -1, pc, 0, false});
    } else if (!breakMap[pc] || !BreakpointAt(pc)) {
        return false;
    }
    stopPending = false;
    cpu.Stop();
    unstoppedStep = cpu.instructionCount;
    Refresh();
    return true;
}
