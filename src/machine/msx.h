#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cpu/msx_z80.h"
#include "io/io_handler.h"
#include "memory/memory_selector.h"
#include "memory/rom_cartridge.h"
#include "peripherals/cassette.h"
#include "peripherals/joystick.h"
#include "peripherals/keyboard.h"
#include "peripherals/ppi8255.h"
#include "peripherals/printer.h"
#include "peripherals/rtclock.h"
#include "settings/configuration.h"
#include "sound/psg.h"
#include "sound/scc.h"
#include "sound/sound_mix.h"
#include "video/v9918.h"

class TSoundOutput;


// The video frequency a machine is built with: automatic takes what the main
// ROM declares, as a real machine's BIOS and video chip agree.
enum class TVideoFrequency : std::uint8_t { automatic, hertz50, hertz60 };
// "50" or "60" as a command line gives it; nothing for any other text.
std::optional<TVideoFrequency> ParseVideoFrequency(const std::string& text);

// The emulated computer as a whole. It builds the processor, the memory system and
// every device from a configuration and wires them together; every device with a
// host-side variant comes from a factory operation of the host machine.
class TMSX {
public:
    TMSX() = default;
    virtual ~TMSX();
    TMSX(const TMSX&) = delete;
    TMSX& operator=(const TMSX&) = delete;

    // Builds every device and the memory layout; the configuration is not owned.
    virtual void Build(TConfiguration& newConfiguration);
    // Deletes every device; a second call does nothing.
    virtual void Teardown();
    // Loads an image into the cartridge slot at page 0 of primary-secondary as the given
    // kind, or as the image's analysis decides when automatic; an empty name or an
    // image that cannot be a cartridge leaves the slot empty. Returns what was inserted
    // for the log ("ASCII 16K, 8 blocks of 16 KB", "not inserted: ..."); nothing for an
    // empty name or a position that is no cartridge slot.
    virtual std::string InsertCartridge(int primary, int secondary, const std::filesystem::path& fileName,
                                        TCartridgeKind kind = TCartridgeKind::automatic);
    // What the last builds could not use (a system ROM that is missing or too short),
    // one sentence each, in order; taking them clears the list.
    std::vector<std::string> TakeProblems() { return std::exchange(problems, {}); }
    // 0 soft (processor only), 1 hard (memory cleared too), 2 rebuild from the configuration.
    virtual void Reset(int kind);
    virtual void Stop();
    virtual void Run();
    // Hands the sound rendered so far to the output: the machine stands, so the
    // output runs dry until the sound resumes.
    virtual void PauseSound();
    virtual void ResumeSound();

    virtual std::unique_ptr<TMSXZ80> CreateZ80() = 0;
    virtual std::unique_ptr<TMemorySelector> CreateMemorySelector() = 0;
    virtual std::unique_ptr<TKeyboard> CreateKeyboard() = 0;
    virtual std::unique_ptr<TCassette> CreateCassette() = 0;
    virtual std::unique_ptr<TJoystick> CreateJoystick() = 0;
    virtual std::unique_ptr<TMSXPrinter> CreatePrinter() = 0;
    virtual std::unique_ptr<TV9918> CreateVDP() = 0;
    virtual std::unique_ptr<TPSG> CreatePSG() = 0;
    virtual std::unique_ptr<TSCC> CreateSCC() = 0;

    // Takes effect when the machine is next built.
    void SetVideoFrequency(TVideoFrequency frequency) { videoFrequency = frequency; }
    TVideoFrequency GetVideoFrequency() const { return videoFrequency; }
    // 50 or 60: the frequency the machine was built with.
    int GetVideoHertz() const { return vdp ? vdp->GetFrequency() : 60; }

    // The folder the configuration's system ROM names are opened from: the
    // Configurations folder beside the executable, whatever the working folder is.
    void SetROMFolder(const std::filesystem::path& folder) { romFolder = folder; }
    const std::filesystem::path& GetROMFolder() const { return romFolder; }

    // The cartridge at page 0 of primary-secondary, or null when that bank is none.
    TROMCartridge* GetCartridge(int primary, int secondary) const;

    bool IsStopped() const { return stopped; }
    bool IsSoundPaused() const { return soundPaused; }
    TConfiguration* GetConfiguration() const { return configuration; }
    TMSXZ80* GetZ80() const { return processor.get(); }
    TMemorySelector* GetMemorySelector() const { return selector.get(); }
    TIOHandler* GetIOHandler() const { return ioHandler.get(); }
    TKeyboard* GetKeyboard() const { return keyboard.get(); }
    TPPI8255* GetPPI() const { return ppi.get(); }
    TRTClock* GetRTC() const { return rtc.get(); }
    TV9918* GetVDP() const { return vdp.get(); }
    TPSG* GetPSG() const { return psg.get(); }
    TCassette* GetCassette() const { return cassette.get(); }
    TJoystick* GetJoystick1() const { return joystick1.get(); }
    TJoystick* GetJoystick2() const { return joystick2.get(); }
    TMSXPrinter* GetPrinter() const { return printer.get(); }

    // Frames the host has run since the machine was built: the frame clock of
    // scripted input, kept in a saved state.
    std::uint64_t GetFrameCount() const { return frameCount; }
    void SetFrameCount(std::uint64_t count) { frameCount = count; }
    void CountFrame() { ++frameCount; }

    // Exchanges every device and the frame count with another machine; a machine
    // restored aside takes over a running one this way.
    virtual void ExchangeDevices(TMSX& other);
    // The host's sound output (not owned): the chips render into a mix at its
    // rate. Null, the default, renders no sound at all.
    void SetSoundOutput(TSoundOutput* output);
    // Renders every chip up to the processor's cycle and hands the completed
    // samples to the output: at each frame's end and whenever the machine stops.
    void FlushSound();
    // Starts the mix afresh at the processor's cycle, dropping what was not
    // flushed, and attaches every chip to it: after a build, a cartridge
    // insertion or a restored state.
    void RestartSound();

    // The real-time clock's time source (not owned); null for the host's local time.
    void SetClock(const TClock* source) { clock = source; }

protected:
    bool soundPaused = false;
    TConfiguration* configuration = nullptr;
    std::unique_ptr<TMSXZ80> processor;
    std::unique_ptr<TMemorySelector> selector;
    std::unique_ptr<TIOHandler> ioHandler;
    std::unique_ptr<TKeyboard> keyboard;
    std::unique_ptr<TPPI8255> ppi;
    std::unique_ptr<TRTClock> rtc;
    std::unique_ptr<TV9918> vdp;
    std::unique_ptr<TPSG> psg;
    std::unique_ptr<TCassette> cassette;
    std::unique_ptr<TJoystick> joystick1;
    std::unique_ptr<TJoystick> joystick2;
    std::unique_ptr<TMSXPrinter> printer;
    bool stopped = true;
    std::uint64_t frameCount = 0;
    std::vector<std::string> problems;
    TSoundOutput* soundOutput = nullptr;
    std::unique_ptr<TSoundMix> soundMix;

    // Each SCC carried by a Konami SCC cartridge, in slot order.
    template <typename Action> void ForEachSCC(Action action) const {
        for (int primary = 0; primary < 4; ++primary) {
            for (int secondary = 0; secondary < 4; ++secondary) {
                TROMCartridge* cartridge = GetCartridge(primary, secondary);
                if (TSCC* scc = cartridge ? cartridge->GetSCC() : nullptr) action(*scc);
            }
        }
    }

private:
    void BuildMemory();
    void BuildSlot(int primary, int secondary);
    // Bit 7 of the main ROM's byte 002Bh set declares 50 Hz.
    int BuiltFrequency() const;

    std::filesystem::path romFolder = "Configurations";
    const TClock* clock = nullptr;
    TVideoFrequency videoFrequency = TVideoFrequency::automatic;
};
