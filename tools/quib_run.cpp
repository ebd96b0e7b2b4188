// quib-run: runs an MSX without a window for a number of frames, optionally
// typing text, and writes the last frame as a PNG.

#include <QImage>

#include <chrono>
#include <fstream>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "cpu/z80_text.h"
#include "tools/headless.h"

namespace {

const char* const usage =
    "usage: quib-run [--config FILE] [--cartridge1 ROM] [--cartridge1-kind KIND] [--cartridge2 ROM]\n"
    "                [--cartridge2-kind KIND] [--tape QCS] [--frequency 50|60] [--frames N] [--type TEXT]\n"
    "                [--clock \"YYYY-MM-DD HH:MM:SS\"] [--screenshot OUT.png] [--full-stats]\n"
    "                [--symbols FILE] [--break ADDR[@P-S]] [--watch-write ADDR[-END][=VALUE]]\n"
    "                [--watch-port PORT[-END][=VALUE]] [--dump-memory START:LENGTH:FILE]\n"
    "                [--load-state FILE.qst] [--save-state FRAME:FILE.qst]... [--wav FILE.wav]\n"
    "                [--profile FILE.csv]\n"
    "KIND is Automatic, Plain, Konami, KonamiSCC, ASCII8 or ASCII16.\n"
    "--frequency sets the video frequency; without it the system ROM's own is used.\n"
    "Typing ends 30 frames before the last frame; each character is held 3 frames, then released 3.\n"
    "The run ends at a breakpoint (before its instruction), after a watched write, or when the frames\n"
    "run out. Numbers are hexadecimal (4010, 4010h, 0x4010, $4010); an address may be a label of a\n"
    "--symbols file. Exit status: 0 when a stop condition was met (or none was given and the frames\n"
    "ran out), 1 when the frames ran out first, 2 for bad arguments or files.\n"
    "A loaded state goes on from its own frame: --frames is the frame to stop at.\n"
    "--wav writes the run's sound as 16-bit mono at 44100 Hz; without it no sound is made.\n"
    "--profile writes the cycles of each symbol (or 256-byte block) and slot, the most first, and\n"
    "prints the frame load (the part of each frame before its first HALT) to standard error.\n";

// A memory range written to a file when the run ends.
struct TMemoryDump {
    std::string start;
    std::string length;
    std::filesystem::path file;
};

struct TCommandLine {
    THeadlessOptions options;
    std::filesystem::path screenshot;
    bool fullStatistics = false;
    // Kept as written: addresses may name labels of symbol files given later.
    std::vector<std::filesystem::path> symbolFiles;
    std::vector<std::string> breaks;
    std::vector<std::string> memoryWatches;
    std::vector<std::string> portWatches;
    std::vector<TMemoryDump> dumps;
    std::filesystem::path profile;
};

int Fail(const std::string& message) {
    std::cerr << "quib-run: " << message << "\n";
    return 2;
}

TCartridgeKind KindOption(const std::string& option, const std::string& value) {
    const std::optional<TCartridgeKind> kind = ParseCartridgeKind(value);
    if (!kind) throw EHeadlessError(option + " takes a cartridge kind, not " + value + "\n" + usage);
    return *kind;
}

// Throws EHeadlessError for a bad option.
TCommandLine ParseCommandLine(int argc, char** argv) {
    TCommandLine line;
    for (int index = 1; index < argc; ++index) {
        const std::string option = argv[index];
        if (option == "--full-stats") {
            line.fullStatistics = true;
            continue;
        }
        if (option == "--help") throw EHeadlessError(usage);
        if (index + 1 >= argc) throw EHeadlessError("option " + option + " needs a value");
        const std::string value = argv[++index];
        if (option == "--config") line.options.configuration = value;
        else if (option == "--cartridge1") line.options.cartridge1 = value;
        else if (option == "--cartridge2") line.options.cartridge2 = value;
        else if (option == "--cartridge1-kind") line.options.cartridge1Kind = KindOption(option, value);
        else if (option == "--cartridge2-kind") line.options.cartridge2Kind = KindOption(option, value);
        else if (option == "--tape") line.options.tape = value;
        else if (option == "--frequency") {
            const std::optional<TVideoFrequency> frequency = ParseVideoFrequency(value);
            if (!frequency) throw EHeadlessError("--frequency takes 50 or 60, not " + value + "\n" + usage);
            line.options.frequency = *frequency;
        }
        else if (option == "--type") line.options.text = value;
        else if (option == "--screenshot") line.screenshot = value;
        else if (option == "--load-state") line.options.loadState = value;
        else if (option == "--wav") line.options.wav = value;
        else if (option == "--save-state") {
            const std::size_t colon = value.find(':');
            std::size_t used = 0;
            long long frame = -1;
            try {
                frame = std::stoll(value.substr(0, colon), &used);
            } catch (const std::exception&) {
            }
            if (colon == std::string::npos || used != colon || frame < 0 || colon + 1 == value.size()) {
                throw EHeadlessError("--save-state takes FRAME:FILE, not " + value);
            }
            line.options.saveStates.push_back({frame, value.substr(colon + 1)});
        } else if (option == "--symbols") line.symbolFiles.push_back(value);
        else if (option == "--profile") line.profile = value;
        else if (option == "--break") line.breaks.push_back(value);
        else if (option == "--watch-write") line.memoryWatches.push_back(value);
        else if (option == "--watch-port") line.portWatches.push_back(value);
        else if (option == "--dump-memory") {
            const std::size_t first = value.find(':');
            const std::size_t second = first == std::string::npos ? first : value.find(':', first + 1);
            if (second == std::string::npos || second + 1 == value.size()) {
                throw EHeadlessError("--dump-memory takes START:LENGTH:FILE, not " + value);
            }
            line.dumps.push_back({value.substr(0, first), value.substr(first + 1, second - first - 1),
                                  value.substr(second + 1)});
        } else if (option == "--frames") {
            std::size_t used = 0;
            int frames = -1;
            try {
                frames = std::stoi(value, &used);
            } catch (const std::exception&) {
            }
            if (used != value.size() || frames < 0) throw EHeadlessError("--frames takes a whole number, not " + value);
            line.options.frames = frames;
        } else if (option == "--clock") {
            line.options.clock = ParseClock(value);
            if (!line.options.clock) throw EHeadlessError("--clock takes \"YYYY-MM-DD HH:MM:SS\", not " + value);
        } else {
            throw EHeadlessError("unknown option " + option);
        }
    }
    const THeadlessOptions& options = line.options;
    if ((options.cartridge1Kind != TCartridgeKind::automatic && options.cartridge1.empty()) ||
        (options.cartridge2Kind != TCartridgeKind::automatic && options.cartridge2.empty())) {
        throw EHeadlessError("a cartridge kind needs its cartridge\n" + std::string(usage));
    }
    return line;
}

std::uint16_t Address(const TSymbolTable& symbols, const std::string& text, const std::string& option) {
    const std::optional<std::uint16_t> address = symbols.ParseAddress(text);
    if (!address) throw EHeadlessError(option + " takes an address or a label, not " + text);
    return *address;
}

// Symbols, breakpoints and watchpoints into the machine's debugger; throws EHeadlessError.
void PrepareDebugger(const TCommandLine& line, TDebugger& debugger) {
    for (const std::filesystem::path& file : line.symbolFiles) {
        const TSymbolTable::TLoadResult loaded = debugger.symbols.Load(file);
        if (!loaded.opened) throw EHeadlessError("cannot open symbol file " + file.string());
        if (loaded.skippedLines > 0) {
            std::cerr << "quib-run: " << file.string() << ": skipped " << loaded.skippedLines
                      << " lines that are no symbol, the first at line " << loaded.firstSkippedLine << "\n";
        }
    }
    for (const std::string& text : line.breaks) {
        const std::optional<TBreakpoint> breakpoint = ParseBreakpoint(text, debugger.symbols);
        if (!breakpoint) throw EHeadlessError("--break takes an address or a label, optionally @P-S, not " + text);
        debugger.AddBreakpoint(*breakpoint);
    }
    const auto watch = [&](const std::vector<std::string>& texts, TWatchpoint::Space space, const char* option) {
        for (const std::string& text : texts) {
            const std::optional<TWatchpoint> watchpoint = ParseWatchpoint(text, space, debugger.symbols);
            if (!watchpoint) {
                throw EHeadlessError(std::string(option) + " takes " +
                                     (space == TWatchpoint::Space::Port ? "PORT[-END] within 00-FF" : "ADDR[-END]") +
                                     " and optionally =VALUE, a byte, not " + text);
            }
            debugger.AddWatchpoint(*watchpoint);
        }
    };
    watch(line.memoryWatches, TWatchpoint::Space::Memory, "--watch-write");
    watch(line.portWatches, TWatchpoint::Space::Port, "--watch-port");
    for (const TMemoryDump& dump : line.dumps) {
        Address(debugger.symbols, dump.start, "--dump-memory");
        const std::uint16_t length = Address(debugger.symbols, dump.length, "--dump-memory length");
        if (length == 0) throw EHeadlessError("--dump-memory takes a length above 0");
    }
}

void PrintRegisters(const TPCZ80& processor) {
    using R = TZ80Registers;
    const TZ80Registers& r = processor.registers;
    std::printf("registers AF %04X BC %04X DE %04X HL %04X IX %04X IY %04X PC %04X SP %04X"
                " AF' %04X BC' %04X DE' %04X HL' %04X I %02X IFF %02X flags %s\n",
                r.Get(R::AF), r.Get(R::BC), r.Get(R::DE), r.Get(R::HL), r.Get(R::IX), r.Get(R::IY), r.Get(R::PC),
                r.Get(R::SP), r.Get(R::AF1), r.Get(R::BC1), r.Get(R::DE1), r.Get(R::HL1), processor.I,
                processor.cpuState, Z80FlagString(r[R::F]).c_str());
}

// Memory as the processor sees it at the end of the run; the length wraps past FFFFh.
bool WriteDump(TDebugger& debugger, const TMemoryDump& dump) {
    const std::uint16_t start = *debugger.symbols.ParseAddress(dump.start);
    const std::uint16_t length = *debugger.symbols.ParseAddress(dump.length);
    std::string bytes(length, '\0');
    for (std::uint16_t offset = 0; offset < length; ++offset) {
        bytes[offset] = static_cast<char>(debugger.Peek(static_cast<std::uint16_t>(start + offset)));
    }
    std::filesystem::path temporary = dump.file;
    temporary += ".tmp";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file.write(bytes.data(), static_cast<std::streamsize>(bytes.size())).flush()) return false;
    }
    std::error_code error;
    std::filesystem::rename(temporary, dump.file, error);
    if (error) std::filesystem::remove(temporary, error);
    return !error;
}

// Whether a file can be made at the path, tried before the run rather than after it.
bool Writable(const std::filesystem::path& path) {
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    const bool opened = std::ofstream(temporary, std::ios::binary | std::ios::trunc).is_open();
    std::error_code ignored;
    if (opened) std::filesystem::remove(temporary, ignored);
    return opened;
}

// The profile's CSV, and the frame load on standard error.
bool WriteProfile(TDebugger& debugger, const std::filesystem::path& path) {
    debugger.profiler.Stop();
    const TFrameLoadSummary load = debugger.profiler.FrameLoad();
    std::fprintf(stderr, "frame load over %lld frames: minimum %.1f %%, mean %.1f %%, maximum %.1f %%\n",
                 static_cast<long long>(load.frames), load.minimum, load.mean, load.maximum);
    return WriteProfileCSV(debugger.profiler.Rows(debugger.symbols), path);
}

bool WriteScreenshot(const THeadlessDisplay& display, const std::filesystem::path& path) {
    QImage image(display.frame.data(), screenWidth, screenHeight, screenWidth, QImage::Format_Indexed8);
    QList<QRgb> colours;
    for (const TPaletteEntry& entry : display.palette) colours.append(qRgb(entry.red, entry.green, entry.blue));
    image.setColorTable(colours);
    return image.save(QString::fromStdString(path.string()), "PNG");
}

}  // namespace

int main(int argc, char** argv) {
    TCommandLine line;
    try {
        line = ParseCommandLine(argc, argv);
    } catch (const EHeadlessError& error) {
        return Fail(error.what());
    }
    try {
        THeadlessRunner runner(line.options, std::cerr);
        TDebugger& debugger = runner.GetMachine().GetDebugger();
        PrepareDebugger(line, debugger);
        const bool stopConditions = !line.breaks.empty() || !line.memoryWatches.empty() || !line.portWatches.empty();
        if (!line.profile.empty()) {
            if (!Writable(line.profile)) return Fail("cannot write profile " + line.profile.string());
            debugger.profiler.Start();
        }
        const auto start = std::chrono::steady_clock::now();
        runner.Run();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

        if (!line.screenshot.empty()) {
            if (!WriteScreenshot(runner.GetDisplay(), line.screenshot)) {
                return Fail("cannot write screenshot " + line.screenshot.string());
            }
            std::cout << "screenshot: " << std::filesystem::absolute(line.screenshot).string() << "\n";
        }
        for (const TMemoryDump& dump : line.dumps) {
            if (!WriteDump(debugger, dump)) return Fail("cannot write memory dump " + dump.file.string());
        }
        if (!line.profile.empty() && !WriteProfile(debugger, line.profile)) {
            return Fail("cannot write profile " + line.profile.string());
        }
        const double frames = static_cast<double>(runner.GetFrameCount());
        const double instructions = static_cast<double>(runner.GetInstructionCount());
        const double safeSeconds = seconds > 0 ? seconds : 1e-9;
        const double realFramesPerSecond = static_cast<double>(TZ80::clockRate) /
                                           static_cast<double>(runner.GetMachine().GetVDP()->FrameCycles());
        std::printf("frames %lld, instructions %lld, seconds %.3f, instructions/s %.0f, frames/s %.1f, %.1f times real time\n",
                    static_cast<long long>(runner.GetFrameCount()), static_cast<long long>(runner.GetInstructionCount()),
                    seconds, instructions / safeSeconds, frames / safeSeconds, frames / safeSeconds / realFramesPerSecond);
        if (line.fullStatistics) {
            std::printf("frames presented %lld, processor PC %04X, instruction count %u\n",
                        static_cast<long long>(runner.GetDisplay().presentedFrames),
                        runner.GetMachine().GetPCZ80()->registers.Get(TZ80Registers::PC),
                        runner.GetMachine().GetPCZ80()->instructionCount);
        }
        if (!stopConditions) return 0;
        if (runner.StoppedByDebugger()) {
            std::printf("stopped in frame %lld: %s\n", static_cast<long long>(runner.GetFrameCount()) + 1,
                        debugger.Describe(debugger.GetStopReason()).c_str());
        } else {
            std::printf("frames ran out after %lld frames: no stop condition was met\n",
                        static_cast<long long>(runner.GetFrameCount()));
        }
        PrintRegisters(*runner.GetMachine().GetPCZ80());
        return runner.StoppedByDebugger() ? 0 : 1;
    } catch (const EHeadlessError& error) {
        return Fail(error.what());
    }
}
