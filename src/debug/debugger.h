#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cpu/pc_z80.h"
#include "debug/profiler.h"
#include "debug/symbol_table.h"

// A stop on an execution address, optionally only while a given slot is
// selected in the page of that address.
struct TBreakpoint {
    std::uint16_t address = 0;
    bool anySlot = true;
    int primary = 0;    // the slot, when not anySlot
    int secondary = 0;
    bool enabled = true;
};

// A stop after a memory or port access in a range, optionally only for one value.
struct TWatchpoint {
    enum class Space : std::uint8_t { Memory, Port };
    Space space = Space::Memory;
    bool onRead = false;
    bool onWrite = true;
    std::uint16_t first = 0;  // the range, both ends included; ports 0-FFh
    std::uint16_t last = 0;
    std::optional<std::uint8_t> value;
    bool enabled = true;
};

// Why the processor stopped.
struct TStopReason {
    enum class Kind : std::uint8_t { None, Breakpoint, Watchpoint, Reached, Returned };
    Kind kind = Kind::None;
    int index = -1;             // of the breakpoint or watchpoint
    std::uint16_t address = 0;  // the instruction's, the memory address or the port
    std::uint8_t value = 0;     // the value read or written
    bool write = false;
};

// Breakpoints, watchpoints and the stepping a developer stops a program with.
// It watches the processor it is attached to only while something is set, so
// a machine with nothing set runs as without it. A breakpoint stops before the
// instruction at its address, a watchpoint after the instruction that made the
// access. The first step after a stop or a Resume is never stopped before, so
// a run goes on from a breakpoint.
class TDebugger final : public TZ80StepWatcher, public TZ80PortWatcher, public TMemoryWatcher {
public:
    TDebugger() = default;
    ~TDebugger() override;
    TDebugger(const TDebugger&) = delete;
    TDebugger& operator=(const TDebugger&) = delete;

    // The machine's processor and slot selector; Detach before they are deleted.
    void Attach(TPCZ80& processor);
    void Detach();
    TPCZ80* GetProcessor() const { return processor; }

    // The lists; an index is a position in them, 0 first.
    const std::vector<TBreakpoint>& GetBreakpoints() const { return breakpoints; }
    const std::vector<TWatchpoint>& GetWatchpoints() const { return watchpoints; }
    int AddBreakpoint(const TBreakpoint& breakpoint);
    int AddWatchpoint(const TWatchpoint& watchpoint);
    void RemoveBreakpoint(int index);
    void RemoveWatchpoint(int index);
    void EnableBreakpoint(int index, bool enabled);
    void EnableWatchpoint(int index, bool enabled);

    // Prepare the run that the caller then starts: it ends where asked, or at
    // any breakpoint or watchpoint on the way.
    // Step Over: a CALL, RST or DJNZ runs until the instruction after it;
    // returns false when the instruction at PC is none of them and the caller
    // single steps instead (a repeating block instruction is one step already).
    bool PrepareStepOver();
    // Step Out: runs until the current routine returns to its caller.
    void PrepareStepOut();
    void PrepareRunTo(std::uint16_t address);
    // Forgets a prepared run that has not ended.
    void CancelRun();

    // Called as a run starts: forgets the last stop and lets the first
    // instruction run whatever stands at its address.
    void Resume();
    // One instruction while the machine stands, as the debug windows' single step.
    void StepInto();

    // The last stop; None after a run that was stopped by hand.
    const TStopReason& GetStopReason() const { return stopReason; }
    void ClearStopReason() { stopReason = {}; }
    // "breakpoint 1 at 4010h (START)", "watchpoint 2: write of 41h to C000h".
    std::string Describe(const TStopReason& reason) const;
    // As the list shows them: "Break 4010h (START) in slot 1-0", "Write C000h-C3FFh = A5h".
    std::string Describe(const TBreakpoint& breakpoint) const;
    std::string Describe(const TWatchpoint& watchpoint) const;

    // Memory as the processor sees it now, without watching or side effects of the access.
    std::uint8_t Peek(std::uint16_t address) const;
    void Poke(std::uint16_t address, std::uint8_t value);

    TSymbolTable symbols;
    // Follows the processor the debugger is attached to; its rows take the symbols above.
    TProfiler profiler;

    // The watcher interfaces.
    bool StopBeforeStep() override;
    void MemoryRead(std::uint16_t address, std::uint8_t value) override;
    void MemoryWritten(std::uint16_t address, std::uint8_t value) override;
    void PortRead(std::uint8_t port, std::uint8_t value) override;
    void PortWritten(std::uint8_t port, std::uint8_t value) override;

private:
    // Bits of the maps: which accesses some enabled watchpoint covers.
    static constexpr std::uint8_t mapRead = TMemoryWatcher::MapRead;
    static constexpr std::uint8_t mapWrite = TMemoryWatcher::MapWrite;

    // The maps and the processor's flags from the lists and the prepared run.
    void Refresh();
    void Access(TWatchpoint::Space space, std::uint16_t address, std::uint8_t value, bool write);
    bool BreakpointAt(std::uint16_t address);
    bool IsReturn(std::uint16_t address) const;
    // The checks before a step that may stop it, out of the common path.
    [[gnu::noinline]] bool CheckBeforeStep(std::uint16_t pc);
    void StopWith(const TStopReason& reason);

    enum class RunKind : std::uint8_t { None, To, Out };
    struct TPreparedRun {
        RunKind kind = RunKind::None;
        std::uint16_t target = 0;     // To: the address
        std::uint16_t stackLimit = 0;  // To: reached only with SP at or above; Out: SP at the start
        bool checkStack = false;
    };

    TPCZ80* processor = nullptr;
    std::vector<TBreakpoint> breakpoints;
    std::vector<TWatchpoint> watchpoints;
    // Per address: enabled breakpoints there; per address and port: mapRead / mapWrite.
    std::array<std::uint8_t, 0x10000> breakMap{};
    std::array<std::uint8_t, 0x10000> memoryMap{};
    std::array<std::uint8_t, 0x100> portMap{};
    std::uint8_t flags = 0;
    TPreparedRun run;
    // Step Out: the step before was a return, with this SP before it.
    bool lastWasReturn = false;
    std::uint16_t lastStackPointer = 0;
    TStopReason stopReason;
    // A watchpoint hit that has not yet ended a step.
    bool stopPending = false;
    // The instruction count of the step not to stop before; none when unset.
    std::optional<std::uint32_t> unstoppedStep;
};

// "ADDR[@P-S]": an address or label, optionally with the slot (0-3 each) it
// must be selected in; nothing when the text is none.
std::optional<TBreakpoint> ParseBreakpoint(std::string_view text, const TSymbolTable& symbols);
// "ADDR[-END][=VALUE]": a range of addresses or labels (ports 00-FFh),
// optionally one byte value; written to. Nothing when the text is none.
std::optional<TWatchpoint> ParseWatchpoint(std::string_view text, TWatchpoint::Space space,
                                           const TSymbolTable& symbols);
