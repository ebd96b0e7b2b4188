#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "machine/pc_msx.h"
#include "peripherals/joystick.h"
#include "peripherals/keyboard.h"
#include "peripherals/printer.h"
#include "peripherals/rtclock.h"
#include "tools/wav_sound_output.h"
#include "video/display_output.h"

// What a headless run is asked to do.
struct THeadlessOptions {
    std::filesystem::path configuration;  // the .qcf file; its folder holds the ROMs
    std::filesystem::path cartridge1;     // empty: none
    std::filesystem::path cartridge2;
    TCartridgeKind cartridge1Kind = TCartridgeKind::automatic;  // beats a tag in the file name
    TCartridgeKind cartridge2Kind = TCartridgeKind::automatic;
    std::filesystem::path tape;
    TVideoFrequency frequency = TVideoFrequency::automatic;
    int frames = 600;
    std::string text;                     // typed through the keyboard matrix
    std::optional<TLocalDateTime> clock;  // fixed clock for repeatable runs
    std::filesystem::path loadState;      // restored before the first frame
    std::filesystem::path wav;            // the run's sound; empty: no sound is rendered
    struct TStateSave {
        std::int64_t frame;               // saved once this many frames have run
        std::filesystem::path file;
    };
    std::vector<TStateSave> saveStates;
};

// A run that cannot start: the message is one line for the user.
class EHeadlessError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Keeps the last frame the machine presented.
class THeadlessDisplay : public TDisplayOutput {
public:
    void DrawBitmap(const TFrameBuffer& pixels, const TPalette& colours) override {
        frame = pixels;
        palette = colours;
    }
    void Present() override { ++presentedFrames; }

    TFrameBuffer frame{};
    TPalette palette{};
    std::int64_t presentedFrames = 0;
};

// Message boxes without a screen: logged, and every question answered No.
class THeadlessMessages : public TUserMessages {
public:
    explicit THeadlessMessages(std::ostream& log) : log(log) {}
    void ShowMessage(const std::string& text, const std::string& caption) override;
    bool AskYesNo(const std::string& text, const std::string& caption) override;

private:
    std::ostream& log;
};

// The default C-BIOS machine, or the one a configuration file describes, run
// without a window for a fixed number of frames. Everything but the clock is
// deterministic, and a fixed clock makes two runs give identical frames.
class THeadlessRunner {
public:
    // Each typed character is held this many frames, then released as long.
    static constexpr int framesPerKeyHalf = 3;
    // Typing ends this many frames before the run does, so the echo is drawn.
    static constexpr int framesAfterTyping = 30;

    // Throws EHeadlessError for a missing file or an unreadable configuration.
    THeadlessRunner(const THeadlessOptions& options, std::ostream& log);
    ~THeadlessRunner();

    // Runs up to frame number `frames` (a loaded state starts from its own
    // frame), typing the text so that it ends shortly before the last frame,
    // and saves the states asked for as their frames come; or until the
    // debugger stops the processor. Throws EHeadlessError when a state or the
    // sound file cannot be saved.
    void Run();
    // One frame of steps with the keys of that frame held; it ends early when
    // the debugger stops the processor.
    void RunFrame();
    // The debugger stopped the processor; the frame count counts whole frames only.
    bool StoppedByDebugger() const { return stopped; }

    const THeadlessDisplay& GetDisplay() const { return display; }
    TPCMSX& GetMachine() { return *machine; }
    std::int64_t GetFrameCount() const { return static_cast<std::int64_t>(machine->GetFrameCount()); }
    std::int64_t GetInstructionCount() const { return instructionCount; }

private:
    void HoldKeysFor(int frame);
    void SaveStatesDue();

    THeadlessOptions options;
    TNoMessagePump messagePump;
    THeadlessMessages messages;
    THeadlessDisplay display;
    THeldKeys keys;
    TNoJoystickService joysticks;
    TNoPrinterPorts printerPorts;
    std::unique_ptr<TFixedClock> clock;
    std::unique_ptr<TWavSoundOutput> sound;
    TConfiguration configuration;
    TPreferences preferences;
    std::unique_ptr<TPCMSX> machine;
    int typingStartFrame = 0;
    std::int64_t instructionCount = 0;
    bool stopped = false;
};

// "YYYY-MM-DD HH:MM:SS" with its weekday; nothing when the text is not a valid moment.
std::optional<TLocalDateTime> ParseClock(const std::string& text);
