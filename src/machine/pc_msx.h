#pragma once

// The machine as a host runs it. TMSX assembles the emulated devices; TPCMSX adds
// the user's preferences, the cartridge slot list, and the run loop, and answers
// every factory with the host-side device classes. Those classes reach the
// outside world only through the host service interfaces of THostServices, so
// this class runs unchanged under the desktop (Qt and SDL2 services) and the
// headless runner (scripted services). A host that needs a device with a window
// of its own overrides that one factory.

#include <functional>

#include "cpu/pc_z80.h"
#include "debug/debugger.h"
#include "machine/pc_devices.h"
#include "memory/pc_memory_selector.h"
#include "video/pc_v9918.h"
#include "machine/frame_pacer.h"
#include "machine/host_services.h"
#include "machine/msx.h"
#include "settings/preferences.h"

class TPCMSX : public TMSX {
public:
    explicit TPCMSX(const THostServices& services);
    ~TPCMSX() override;

    void Build(TConfiguration& newConfiguration) override;
    // Each debugger follows its machine's new processor, breakpoints and all.
    void ExchangeDevices(TMSX& other) override;
    // Detaches the debugger from the processor before it goes.
    void Teardown() override;
    // Steps the processor in batches of up to 1000, processing host messages
    // between them (and before every step while a debug window is shown), until
    // stopped. A batch ends with a frame; with a pacer, each frame waits for its
    // time, processing messages meanwhile.
    void Run() override;

    std::unique_ptr<TMSXZ80> CreateZ80() final;
    std::unique_ptr<TMemorySelector> CreateMemorySelector() final;
    std::unique_ptr<TKeyboard> CreateKeyboard() override;
    std::unique_ptr<TCassette> CreateCassette() final;
    std::unique_ptr<TJoystick> CreateJoystick() override;
    std::unique_ptr<TMSXPrinter> CreatePrinter() override;
    std::unique_ptr<TV9918> CreateVDP() final;
    std::unique_ptr<TPSG> CreatePSG() override;
    std::unique_ptr<TSCC> CreateSCC() override;

    // Inserts as the kind given; when that is automatic, as the kind a tag in the file
    // name names, else as the kind chosen by hand for this slot and image, else as the
    // analysis decides. Logs what it inserted: "Cartridge 1: FILE - ASCII 16K, 8 blocks
    // of 16 KB".
    std::string InsertCartridge(int primary, int secondary, const std::filesystem::path& fileName,
                                TCartridgeKind kind = TCartridgeKind::automatic) override;
    // A slot position as the preferences' slot list names it: secondary 255 when the
    // primary slot is not expanded.
    TCartridgeSlot CartridgeSlotAt(int primary, int secondary) const;

    // Rebuilds the preferences' cartridge slot list from the configuration,
    // keeping each file with its slot and warning about slots that are gone.
    void ReconcileCartridgeSlots();
    // Cartridges (when loadCartridges), joystick ports, printer, cassette, volumes.
    void ApplyPreferences(bool loadCartridges);
    // The parts of ApplyPreferences that a restored state leaves to the host.
    void ApplyJoystickPorts();
    void ApplySoundSettings();

    const THostServices& GetServices() const { return services; }

    // The devices with windows are always the host's own (their factories are final).
    TPCZ80* GetPCZ80() const { return static_cast<TPCZ80*>(processor.get()); }
    TPCMemorySelector* GetPCMemorySelector() const { return static_cast<TPCMemorySelector*>(selector.get()); }
    TPCV9918* GetPCV9918() const { return static_cast<TPCV9918*>(vdp.get()); }
    TPCCassette* GetPCCassette() const { return static_cast<TPCCassette*>(cassette.get()); }
    // Its breakpoints, watchpoints and symbols outlive a rebuild of the machine.
    TDebugger& GetDebugger() { return debugger; }

    // Not owned; set before the first Build.
    TPreferences* preferences = nullptr;
    // Not owned; null runs the machine as fast as the host allows.
    TFramePacer* pacer = nullptr;
    // The kind chosen by hand for an image in a slot (the desktop keeps them in quib.ini);
    // unset or automatic when there is none.
    std::function<TCartridgeKind(TCartridgeSlot slot, const std::filesystem::path& image)> chosenCartridgeKind;
    // Takes each line for the log: the main window's status lines, quib-run's output.
    std::function<void(const std::string& line)> statusLog;

private:
    void ApplyJoystickPort(int port, std::int32_t device, std::int32_t id, TJoystick* joystick);
    void ApplyPrinter();

    THostServices services;
    TDebugger debugger;
};
