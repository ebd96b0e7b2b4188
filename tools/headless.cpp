#include "tools/headless.h"

#include <chrono>
#include <cstdio>
#include <ostream>
#include <system_error>

#include "machine/machine_state.h"
#include "services/executable_folder.h"
#include "settings/default_machine.h"

void THeadlessMessages::ShowMessage(const std::string& text, const std::string& caption) {
    log << caption << ": " << text << "\n";
}

bool THeadlessMessages::AskYesNo(const std::string& text, const std::string& caption) {
    log << caption << ": " << text << " [answered No]\n";
    return false;
}

namespace {

void RequireFile(const std::filesystem::path& path, const char* what) {
    std::error_code error;
    if (!path.empty() && !std::filesystem::is_regular_file(path, error)) {
        throw EHeadlessError(std::string("cannot open ") + what + " " + path.string());
    }
}

}  // namespace

THeadlessRunner::THeadlessRunner(const THeadlessOptions& runOptions, std::ostream& log)
    : options(runOptions), messages(log) {
    if (options.configuration.empty()) {
        options.configuration = SettingsFolder() / "Configurations" / TDefaultMachine::configurationName;
    }
    RequireFile(options.configuration, "configuration");
    RequireFile(options.cartridge1, "cartridge");
    RequireFile(options.cartridge2, "cartridge");
    RequireFile(options.tape, "tape");
    RequireFile(options.loadState, "state file");
    if (!configuration.Load(options.configuration)) {
        throw EHeadlessError("cannot read configuration " + options.configuration.string());
    }
    if (options.clock) clock = std::make_unique<TFixedClock>(*options.clock);
    if (!options.wav.empty()) {
        try {
            sound = std::make_unique<TWavSoundOutput>(options.wav);
        } catch (const std::runtime_error& error) {
            throw EHeadlessError(error.what());
        }
    }

    const THostServices services{messagePump, messages,      &display, keys, joysticks, printerPorts,
                                 clock.get(), sound.get(), nullptr};
    machine = std::make_unique<TPCMSX>(services);
    machine->preferences = &preferences;
    machine->SetROMFolder(options.configuration.parent_path());
    machine->SetVideoFrequency(options.frequency);
    machine->Build(configuration);

    machine->statusLog = [&log](const std::string& line) { log << line << "\n"; };

    const std::pair<std::filesystem::path, TCartridgeKind> cartridges[] = {
        {options.cartridge1, options.cartridge1Kind}, {options.cartridge2, options.cartridge2Kind}};
    for (int entry = 0; entry < 2; ++entry) {
        const auto& [file, kind] = cartridges[entry];
        if (file.empty()) continue;
        if (entry >= preferences.cartridgeSlotCount) {
            throw EHeadlessError("the configuration has no cartridge slot " + std::to_string(entry + 1));
        }
        preferences.cartridgeFiles[entry] = file.string();
        const TCartridgeSlot slot = preferences.cartridgeSlots[entry];
        machine->InsertCartridge(slot.primary, slot.secondary == 255 ? 0 : slot.secondary, file, kind);
    }
    preferences.cassetteFile = options.tape.string();
    // The cartridges are in; the rest of the preferences follow them (the SCC volumes too).
    machine->ApplyPreferences(false);
    machine->GetPCZ80()->Start();
    std::string error;
    if (!options.loadState.empty() && !TMachineState::Load(*machine, options.loadState, error)) {
        throw EHeadlessError(error);
    }

    const int typingFrames = static_cast<int>(options.text.size()) * 2 * framesPerKeyHalf;
    typingStartFrame = std::max(0, options.frames - framesAfterTyping - typingFrames);
}

THeadlessRunner::~THeadlessRunner() = default;

void THeadlessRunner::HoldKeysFor(int frame) {
    keys.ReleaseAll();
    const int typed = frame - typingStartFrame;
    if (typed < 0) return;
    const std::size_t character = static_cast<std::size_t>(typed / (2 * framesPerKeyHalf));
    if (character >= options.text.size() || typed % (2 * framesPerKeyHalf) >= framesPerKeyHalf) return;
    if (const std::optional<TKeyStroke> stroke = KeyStrokeFor(options.text[character])) {
        keys.Press(stroke->keyCode);
        if (stroke->shift) keys.Press(KeyCode::Shift);
    }
}

void THeadlessRunner::RunFrame() {
    HoldKeysFor(static_cast<int>(GetFrameCount()));
    TPCZ80& processor = *machine->GetPCZ80();
    // A frame ends as the video processor's frame flag rises.
    const std::uint64_t frame = processor.framesEnded;
    const std::uint32_t instructionsBefore = processor.instructionCount;
    while (processor.framesEnded == frame) {
        // Only the debugger stops the processor of a headless run; the frame ends there.
        if (processor.RunToEvent() != 0) [[unlikely]] {
            stopped = true;
            break;
        }
    }
    instructionCount += static_cast<std::uint32_t>(processor.instructionCount - instructionsBefore);
    if (stopped) return;
    machine->CountFrame();
    machine->FlushSound();
}

void THeadlessRunner::SaveStatesDue() {
    for (const THeadlessOptions::TStateSave& save : options.saveStates) {
        std::string error;
        if (save.frame == GetFrameCount() && !TMachineState::Save(*machine, save.file, error)) {
            throw EHeadlessError(error);
        }
    }
}

void THeadlessRunner::Run() {
    SaveStatesDue();
    while (GetFrameCount() < options.frames && !stopped) {
        RunFrame();
        SaveStatesDue();
    }
    if (!sound) return;
    try {
        sound->Close();
    } catch (const std::runtime_error& error) {
        throw EHeadlessError(error.what());
    }
}

std::optional<TLocalDateTime> ParseClock(const std::string& text) {
    TLocalDateTime moment;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%c", &moment.year, &moment.month, &moment.day,
                    &moment.hour, &moment.minute, &moment.second, &tail) != 6) {
        return std::nullopt;
    }
    using namespace std::chrono;
    const year_month_day date{year{moment.year}, month{static_cast<unsigned>(moment.month)},
                              day{static_cast<unsigned>(moment.day)}};
    if (!date.ok() || moment.hour > 23 || moment.minute > 59 || moment.second > 59 || moment.hour < 0 ||
        moment.minute < 0 || moment.second < 0) {
        return std::nullopt;
    }
    moment.weekday = static_cast<int>(weekday{sys_days{date}}.c_encoding());
    return moment;
}
