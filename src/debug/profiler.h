#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "cpu/msx_z80.h"

class TSymbolTable;

// One line of a profile: a symbol's range, or a 256-byte block, in one slot.
struct TProfileRow {
    std::string symbol;    // the symbol's name, or the block's range as "4000-40FF"
    std::uint16_t address = 0;  // where the range starts
    int primary = 0;       // the slot of the page holding the range
    int secondary = 0;
    std::uint64_t cycles = 0;
    std::uint64_t instructions = 0;
    double share = 0;      // of all cycles charged, in percent
};

// The frame load over the frames measured: the part of each frame from the
// frame interrupt being taken to the start of the first HALT after it, in
// percent; a frame without HALT counts as full.
struct TFrameLoadSummary {
    std::int64_t frames = 0;
    double minimum = 0;
    double mean = 0;
    double maximum = 0;
};

// Where the processor's cycles go. While running, every instruction's cycles
// (wait cycles and an interrupt's acceptance included) are charged to its
// address in the slot of the page that holds it, so that the charged cycles
// add up to the cycles run. The rows gather them by symbol, each covering its
// address up to the next symbol's (the last one to the end of its 16 KB page),
// and outside the symbols by 256-byte block.
class TProfiler : private TZ80Profile {
public:
    // Loads kept for the graph of the last frames.
    static constexpr int framesKept = 300;

    TProfiler();
    ~TProfiler();
    TProfiler(const TProfiler&) = delete;
    TProfiler& operator=(const TProfiler&) = delete;

    // The machine's processor; Detach before it is deleted. A running profiler
    // goes on charging the new one.
    void Attach(TMSXZ80& processor);
    void Detach();

    void Start();
    void Stop();
    bool IsRunning() const { return running; }
    // Forgets every charge and frame load.
    void Reset();

    std::uint64_t TotalCycles() const;
    // Every symbol or block with cycles, the most cycles first.
    std::vector<TProfileRow> Rows(const TSymbolTable& symbols) const;
    // The last framesKept frames' loads, oldest first.
    std::vector<double> RecentFrameLoads() const;
    TFrameLoadSummary FrameLoad() const;

private:
    void AttachRunning();
    void InterruptTaken(std::uint64_t cycle) override;
    void HaltStarted() override;
    void StartFrame(std::uint64_t interruptCycle);
    void EndFrame(std::uint64_t nextInterruptCycle);
    void AddFrameLoad(double percent);

    TMSXZ80* processor = nullptr;
    bool running = false;

    bool frameStarted = false;
    std::uint64_t frameStart = 0;
    bool halted = false;
    std::uint64_t haltCycle = 0;
    std::array<double, framesKept> recentLoads{};
    std::int64_t frames = 0;
    double loadSum = 0;
    double loadMinimum = 0;
    double loadMaximum = 0;
};

// The rows as CSV: "symbol,address,slot,cycles,instructions,share", addresses in
// hexadecimal, slots as "1-0", shares in percent. Written beside and renamed
// over; false when the file cannot be written.
bool WriteProfileCSV(const std::vector<TProfileRow>& rows, const std::filesystem::path& path);
std::string ProfileCSV(const std::vector<TProfileRow>& rows);
