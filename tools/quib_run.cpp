// quib-run: runs an MSX without a window for a number of frames, optionally
// typing text, and writes the last frame as a PNG.

#include <QImage>

#include <chrono>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#include "tools/headless.h"

namespace {

const char* const usage =
    "usage: quib-run [--config FILE] [--cartridge1 ROM] [--cartridge1-kind KIND] [--cartridge2 ROM]\n"
    "                [--cartridge2-kind KIND] [--tape QCS] [--frames N] [--type TEXT]\n"
    "                [--clock \"YYYY-MM-DD HH:MM:SS\"] [--screenshot OUT.png] [--full-stats]\n"
    "                [--load-state FILE.qst] [--save-state FRAME:FILE.qst]...\n"
    "KIND is Automatic, Plain, Konami, KonamiSCC, ASCII8 or ASCII16.\n"
    "Typing ends 30 frames before the last frame; each character is held 3 frames, then released 3.\n"
    "A loaded state goes on from its own frame: --frames is the frame to stop at.\n";

struct TCommandLine {
    THeadlessOptions options;
    std::filesystem::path screenshot;
    bool fullStatistics = false;
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
        else if (option == "--type") line.options.text = value;
        else if (option == "--screenshot") line.screenshot = value;
        else if (option == "--load-state") line.options.loadState = value;
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
        }
        else if (option == "--frames") {
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
        const auto start = std::chrono::steady_clock::now();
        runner.Run();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

        if (!line.screenshot.empty()) {
            if (!WriteScreenshot(runner.GetDisplay(), line.screenshot)) {
                return Fail("cannot write screenshot " + line.screenshot.string());
            }
            std::cout << "screenshot: " << std::filesystem::absolute(line.screenshot).string() << "\n";
        }
        const double frames = static_cast<double>(runner.GetFrameCount());
        const double instructions = static_cast<double>(runner.GetInstructionCount());
        const double safeSeconds = seconds > 0 ? seconds : 1e-9;
        std::printf("frames %lld, instructions %lld, seconds %.3f, instructions/s %.0f, frames/s %.1f, %.1f times real time\n",
                    static_cast<long long>(runner.GetFrameCount()), static_cast<long long>(runner.GetInstructionCount()),
                    seconds, instructions / safeSeconds, frames / safeSeconds, frames / safeSeconds / 60.0);
        if (line.fullStatistics) {
            std::printf("frames presented %lld, processor PC %04X, instruction count %u\n",
                        static_cast<long long>(runner.GetDisplay().presentedFrames),
                        runner.GetMachine().GetPCZ80()->registers.Get(TZ80Registers::PC),
                        runner.GetMachine().GetPCZ80()->instructionCount);
        }
    } catch (const EHeadlessError& error) {
        return Fail(error.what());
    }
    return 0;
}
