#pragma once

// The machine as a host runs it. TMSX assembles the emulated devices; TPCMSX adds
// the user's preferences, the cartridge slot list, and the run loop, and answers
// every factory with the host-side device classes. Those classes reach the
// outside world only through the host service interfaces of THostServices, so
// this class runs unchanged under the desktop (Qt and SDL2 services) and the
// headless runner (scripted services). A host that needs a device with a window
// of its own overrides that one factory.

#include "cpu/pc_z80.h"
#include "machine/frame_pacer.h"
#include "machine/host_services.h"
#include "machine/msx.h"
#include "settings/preferences.h"

class TPCMSX : public TMSX {
public:
    explicit TPCMSX(const THostServices& services);
    ~TPCMSX() override;

    void Build(TConfiguration& newConfiguration) override;
    // The processor's countdown runs out once every this many steps: one frame.
    static constexpr std::int32_t stepsPerFrame = 10001;

    // Steps the processor in batches of 1000, processing host messages between
    // them (and before every step while a debug window is shown), until stopped.
    // With a pacer, each frame waits for its time, processing messages meanwhile.
    void Run() override;

    std::unique_ptr<TMSXZ80> CreateZ80() final;
    std::unique_ptr<TMemorySelector> CreateMemorySelector() override;
    std::unique_ptr<TKeyboard> CreateKeyboard() override;
    std::unique_ptr<TCassette> CreateCassette() override;
    std::unique_ptr<TJoystick> CreateJoystick() override;
    std::unique_ptr<TMSXPrinter> CreatePrinter() override;
    std::unique_ptr<TV9918> CreateVDP() override;
    std::unique_ptr<TPSG> CreatePSG() override;
    std::unique_ptr<TSCC> CreateSCC() override;

    // Rebuilds the preferences' cartridge slot list from the configuration,
    // keeping each file with its slot and warning about slots that are gone.
    void ReconcileCartridgeSlots();
    // Cartridges (when loadCartridges), joystick ports, printer, cassette, volumes.
    void ApplyPreferences(bool loadCartridges);

    // Every processor this machine makes is a TPCZ80 (CreateZ80 is final).
    TPCZ80* GetPCZ80() const { return static_cast<TPCZ80*>(processor.get()); }

    // Not owned; set before the first Build.
    TPreferences* preferences = nullptr;
    // Not owned; null runs the machine as fast as the host allows.
    TFramePacer* pacer = nullptr;

private:
    void ApplyJoystickPort(int port, std::int32_t device, std::int32_t id, TJoystick* joystick);
    void ApplyPrinter();

    THostServices services;
};
