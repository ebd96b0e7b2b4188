#include "debug/profiler.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <system_error>

#include "debug/symbol_table.h"
#include "video/v9918.h"

TProfiler::TProfiler() = default;

TProfiler::~TProfiler() { Detach(); }

void TProfiler::Attach(TMSXZ80& newProcessor) {
    Detach();
    processor = &newProcessor;
    AttachRunning();
}

void TProfiler::Detach() {
    if (processor) processor->SetProfile(nullptr);
    processor = nullptr;
    pendingKey = noStep;
}

void TProfiler::Start() {
    if (charges.empty()) charges.assign(keys + 1, {});
    running = true;
    AttachRunning();
}

void TProfiler::Stop() {
    if (processor && running) {
        // The last step has run: it is charged now, as the next step would.
        ChargeStep(noStep, processor->cycles);
    }
    running = false;
    AttachRunning();
}

void TProfiler::AttachRunning() {
    pendingKey = noStep;
    frameStarted = false;
    if (!processor) return;
    pendingCycle = processor->cycles;
    processor->SetProfile(running ? this : nullptr);
}

void TProfiler::Reset() {
    std::fill(charges.begin(), charges.end(), TCharge{});
    pendingKey = noStep;
    frameStarted = false;
    recentLoads.fill(0);
    frames = 0;
    loadSum = loadMinimum = loadMaximum = 0;
}

void TProfiler::InterruptTaken(std::uint64_t cycle) {
    if (frameStarted) EndFrame(cycle);
    StartFrame(cycle);
}

// Only the first HALT of a frame ends its load.
void TProfiler::HaltStarted() {
    if (halted) return;
    halted = true;
    haltCycle = pendingCycle;
}

void TProfiler::StartFrame(std::uint64_t interruptCycle) {
    frameStarted = true;
    frameStart = interruptCycle;
    halted = false;
}

// The span between two frame interrupts is one frame, or more when interrupts
// were held off: each frame of it gets its part of the cycles used before the HALT.
void TProfiler::EndFrame(std::uint64_t nextInterruptCycle) {
    const TV9918* vdp = processor->GetIOHandler()->GetVDP();
    if (!vdp) return;
    const std::uint64_t length = vdp->FrameCycles();
    const std::uint64_t span = nextInterruptCycle - frameStart;
    const std::uint64_t spanFrames = std::max<std::uint64_t>(1, (span + length / 2) / length);
    const std::uint64_t used = halted ? haltCycle - frameStart : spanFrames * length;
    for (std::uint64_t frame = 0; frame < spanFrames; ++frame) {
        const std::uint64_t before = frame * length;
        const std::uint64_t part = used > before ? std::min(used - before, length) : 0;
        AddFrameLoad(100.0 * static_cast<double>(part) / static_cast<double>(length));
    }
}

void TProfiler::AddFrameLoad(double percent) {
    recentLoads[static_cast<std::size_t>(frames % framesKept)] = percent;
    loadMinimum = frames == 0 ? percent : std::min(loadMinimum, percent);
    loadMaximum = frames == 0 ? percent : std::max(loadMaximum, percent);
    loadSum += percent;
    ++frames;
}

std::uint64_t TProfiler::TotalCycles() const {
    std::uint64_t total = 0;
    for (std::size_t key = 0; key < std::min(keys, charges.size()); ++key) total += charges[key].cycles;
    return total;
}

std::vector<TProfileRow> TProfiler::Rows(const TSymbolTable& symbols) const {
    if (charges.empty()) return {};
    // The symbol whose range holds each address: its start, or -1 for none.
    std::vector<std::int32_t> owner(0x10000, -1);
    const std::map<std::uint16_t, std::string>& names = symbols.Names();
    for (auto entry = names.begin(); entry != names.end(); ++entry) {
        const auto next = std::next(entry);
        const unsigned end = next != names.end() ? next->first : (entry->first | 0x3FFFu) + 1;
        for (unsigned address = entry->first; address < end; ++address) owner[address] = entry->first;
    }
    std::vector<TProfileRow> rows;
    std::uint64_t total = 0;
    for (std::size_t slot = 0; slot < 16; ++slot) {
        // Keyed by the range's start: a symbol's address, or a block's.
        std::map<std::uint16_t, TProfileRow> ranges;
        for (unsigned address = 0; address < 0x10000; ++address) {
            const std::size_t key = slot << 16 | address;
            const TCharge& charge = charges[key];
            if (charge.instructions == 0) continue;
            const bool named = owner[address] >= 0;
            const auto start = static_cast<std::uint16_t>(named ? owner[address] : address & 0xFF00);
            TProfileRow& row = ranges[start];
            if (row.cycles == 0 && row.instructions == 0) {
                char block[16];
                std::snprintf(block, sizeof block, "%04X-%04X", start, start + 0xFF);
                row.symbol = named ? names.at(start) : block;
                row.address = start;
                row.primary = static_cast<int>(slot / 4);
                row.secondary = static_cast<int>(slot % 4);
            }
            row.cycles += charge.cycles;
            row.instructions += charge.instructions;
            total += charge.cycles;
        }
        for (auto& [start, row] : ranges) rows.push_back(std::move(row));
    }
    for (TProfileRow& row : rows) {
        row.share = total ? 100.0 * static_cast<double>(row.cycles) / static_cast<double>(total) : 0;
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const TProfileRow& left, const TProfileRow& right) { return left.cycles > right.cycles; });
    return rows;
}

std::vector<double> TProfiler::RecentFrameLoads() const {
    const std::int64_t kept = std::min<std::int64_t>(frames, framesKept);
    std::vector<double> loads;
    loads.reserve(static_cast<std::size_t>(kept));
    for (std::int64_t frame = frames - kept; frame < frames; ++frame) {
        loads.push_back(recentLoads[static_cast<std::size_t>(frame % framesKept)]);
    }
    return loads;
}

TFrameLoadSummary TProfiler::FrameLoad() const {
    if (frames == 0) return {};
    return {frames, loadMinimum, loadSum / static_cast<double>(frames), loadMaximum};
}

std::string ProfileCSV(const std::vector<TProfileRow>& rows) {
    std::string text = "symbol,address,slot,cycles,instructions,share\n";
    for (const TProfileRow& row : rows) {
        char line[160];
        std::snprintf(line, sizeof line, ",%04X,%d-%d,%llu,%llu,%.2f\n", row.address, row.primary, row.secondary,
                      static_cast<unsigned long long>(row.cycles), static_cast<unsigned long long>(row.instructions),
                      row.share);
        text.append(row.symbol).append(line);
    }
    return text;
}

bool WriteProfileCSV(const std::vector<TProfileRow>& rows, const std::filesystem::path& path) {
    const std::string text = ProfileCSV(rows);
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file.write(text.data(), static_cast<std::streamsize>(text.size())).flush()) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, path, error);
    if (error) std::filesystem::remove(temporary, error);
    return !error;
}
