#include "machine/pc_msx.h"

namespace {

constexpr std::uint8_t unusedSlot = 255;

std::string SlotUnavailableWarning(std::uint8_t primary, std::uint8_t secondary) {
    std::string text = "Warning: Cartridge slot " + std::to_string(primary);
    if (secondary != unusedSlot) text += " - " + std::to_string(secondary);
    return text + " is no longer available.\nCartridge file will not be loaded.";
}

}  // namespace

TPCMSX::TPCMSX(const THostServices& services) : services(services) {
    SetClock(services.clock);
    SetSoundOutput(services.soundOutput);
}

TPCMSX::~TPCMSX() { Teardown(); }

void TPCMSX::Build(TConfiguration& newConfiguration) {
    TMSX::Build(newConfiguration);
    debugger.Attach(*GetPCZ80());
    ReconcileCartridgeSlots();
}

void TPCMSX::ExchangeDevices(TMSX& other) {
    auto* host = dynamic_cast<TPCMSX*>(&other);
    debugger.Detach();
    if (host) host->debugger.Detach();
    TMSX::ExchangeDevices(other);
    if (processor) debugger.Attach(*GetPCZ80());
    if (host && host->processor) host->debugger.Attach(*host->GetPCZ80());
}

void TPCMSX::Teardown() {
    debugger.Detach();
    TMSX::Teardown();
}

void TPCMSX::Run() {
    if (!processor) return;
    stopped = false;
    debugger.Resume();
    GetPCZ80()->Start();
    if (pacer) pacer->Restart();
    bool done = false;
    while (!done) {
        // The processor is looked up afresh each time: a handler run from the
        // message processing may have rebuilt the machine, or torn it down.
        const TPCZ80* batchProcessor = GetPCZ80();
        const std::uint64_t framesBefore = batchProcessor ? batchProcessor->framesEnded : 0;
        const auto frameEnded = [&] {
            return batchProcessor && GetPCZ80() == batchProcessor && batchProcessor->framesEnded != framesBefore;
        };
        while (!done && GetPCZ80() == batchProcessor && !frameEnded()) {
            // Messages between all steps while the debug window asks for it,
            // else after each run up to the processor's next event.
            const bool everyStep = processor && GetPCZ80()->pumpEveryStep;
            if (everyStep) services.messagePump.ProcessMessages();
            done = !processor || (everyStep ? GetPCZ80()->Step() : GetPCZ80()->RunToEvent()) != 0;
        }
        const bool counted = frameEnded();
        services.messagePump.ProcessMessages();
        if (!stopped) ResumeSound();
        if (counted) {
            CountFrame();
            FlushSound();
            if (pacer && vdp) pacer->SetFrameCycles(vdp->FrameCycles());
            const std::chrono::nanoseconds wait = pacer ? pacer->FrameDone() : std::chrono::nanoseconds(0);
            if (!done && wait.count() > 0) services.messagePump.WaitForMessages(wait);
        }
    }
    // The processor may have stopped itself (a single step from its debug
    // window clears running): the machine then stands as well.
    if (!stopped) Stop();
}

std::unique_ptr<TMSXZ80> TPCMSX::CreateZ80() {
    auto processor = std::make_unique<TPCZ80>(services.messagePump);
    if (services.deviceWindows) processor->form = services.deviceWindows->CreateZ80Form(*processor);
    return processor;
}

std::unique_ptr<TMemorySelector> TPCMSX::CreateMemorySelector() {
    auto selector = std::make_unique<TPCMemorySelector>();
    if (services.deviceWindows) selector->form = services.deviceWindows->CreateMemoryForm(*selector);
    return selector;
}

std::unique_ptr<TKeyboard> TPCMSX::CreateKeyboard() { return std::make_unique<TKeyboard>(services.keyState); }

std::unique_ptr<TCassette> TPCMSX::CreateCassette() {
    auto cassette = std::make_unique<TPCCassette>(services.userMessages);
    if (services.deviceWindows) cassette->window = services.deviceWindows->CreateCassetteWindow(*cassette);
    return cassette;
}

std::unique_ptr<TJoystick> TPCMSX::CreateJoystick() { return std::make_unique<TJoystick>(services.joystickService); }

std::unique_ptr<TMSXPrinter> TPCMSX::CreatePrinter() {
    return std::make_unique<TPCPrinter>(services.printerPorts, services.userMessages);
}

std::unique_ptr<TV9918> TPCMSX::CreateVDP() {
    auto vdp = std::make_unique<TPCV9918>(services.displayOutput);
    if (services.deviceWindows) vdp->form = services.deviceWindows->CreateVideoForm(*vdp);
    return vdp;
}

std::unique_ptr<TPSG> TPCMSX::CreatePSG() { return std::make_unique<TPSG>(); }

std::unique_ptr<TSCC> TPCMSX::CreateSCC() { return std::make_unique<TSCC>(); }

std::string TPCMSX::InsertCartridge(int primary, int secondary, const std::filesystem::path& fileName,
                                    TCartridgeKind kind) {
    const TCartridgeSlot slot = CartridgeSlotAt(primary, secondary);
    std::string source = kind == TCartridgeKind::automatic ? "" : " (kind set by hand)";
    if (kind == TCartridgeKind::automatic && !fileName.empty()) {
        kind = CartridgeKindInFileName(fileName);
        if (kind != TCartridgeKind::automatic) {
            source = " (kind from the file name)";
        } else if (chosenCartridgeKind) {
            kind = chosenCartridgeKind(slot, fileName);
            if (kind != TCartridgeKind::automatic) source = " (kind set by hand)";
        }
    }
    const std::string inserted = TMSX::InsertCartridge(primary, secondary, fileName, kind);
    if (inserted.empty() || !statusLog) return inserted;
    // Numbered as the preferences list the slots, which is how quib-run numbers them too.
    std::string name = "Cartridge " + std::to_string(primary) + "-" + std::to_string(secondary);
    for (int entry = 0; preferences && entry < preferences->cartridgeSlotCount; ++entry) {
        const TCartridgeSlot listed = preferences->cartridgeSlots[entry];
        if (listed.primary == slot.primary && listed.secondary == slot.secondary) {
            name = "Cartridge " + std::to_string(entry + 1);
            break;
        }
    }
    statusLog(name + ": " + fileName.filename().string() + " - " + inserted + source);
    return inserted;
}

TCartridgeSlot TPCMSX::CartridgeSlotAt(int primary, int secondary) const {
    const bool expanded = configuration && primary >= 0 && primary < 4 && configuration->expanded[primary] != 0;
    return {static_cast<std::uint8_t>(primary), static_cast<std::uint8_t>(expanded ? secondary : unusedSlot)};
}

void TPCMSX::ReconcileCartridgeSlots() {
    if (!preferences || !configuration) return;
    TPreferences& settings = *preferences;
    const auto isCartridgeSlot = [this](int primary, int secondary) {
        return configuration->pageType[primary][secondary][0] == TConfiguration::pageCartridgeSlot;
    };
    constexpr int entryCount = TPreferences::cartridgeEntryCount;

    for (int entry = 0; entry < entryCount; ++entry) {
        const TCartridgeSlot slot = settings.cartridgeSlots[entry];
        if (slot.primary == unusedSlot) continue;
        const int secondary = slot.secondary == unusedSlot ? 0 : slot.secondary;
        // A hand-edited file may name a slot beyond 3: it is no slot of this machine.
        if (slot.primary > 3 || secondary > 3 || !isCartridgeSlot(slot.primary, secondary)) {
            services.userMessages.ShowMessage(SlotUnavailableWarning(slot.primary, slot.secondary), "Warning");
            settings.cartridgeFiles[entry].clear();
        }
    }

    TCartridgeSlot savedSlots[entryCount];
    std::string savedFiles[entryCount];
    for (int entry = 0; entry < entryCount; ++entry) {
        savedSlots[entry] = settings.cartridgeSlots[entry];
        savedFiles[entry] = std::move(settings.cartridgeFiles[entry]);
        settings.cartridgeFiles[entry].clear();
    }

    settings.cartridgeSlotCount = 0;
    for (int primary = 0; primary < 4; ++primary) {
        for (int secondary = 0; secondary < 4; ++secondary) {
            if (!isCartridgeSlot(primary, secondary) || settings.cartridgeSlotCount == entryCount) continue;
            const bool expanded = configuration->expanded[primary] != 0;
            settings.cartridgeSlots[settings.cartridgeSlotCount++] = {
                static_cast<std::uint8_t>(primary),
                static_cast<std::uint8_t>(expanded ? secondary : unusedSlot)};
        }
    }
    for (int entry = settings.cartridgeSlotCount; entry < entryCount; ++entry) {
        settings.cartridgeSlots[entry] = {unusedSlot, unusedSlot};
    }

    for (int saved = 0; saved < entryCount; ++saved) {
        if (savedFiles[saved].empty()) continue;
        for (int entry = 0; entry < entryCount; ++entry) {
            if (settings.cartridgeSlots[entry].primary == savedSlots[saved].primary &&
                settings.cartridgeSlots[entry].secondary == savedSlots[saved].secondary) {
                settings.cartridgeFiles[entry] = savedFiles[saved];
            }
        }
    }
}

void TPCMSX::ApplyPreferences(bool loadCartridges) {
    if (!preferences || !processor) return;
    TPreferences& settings = *preferences;
    if (loadCartridges) {
        for (int entry = 0; entry < settings.cartridgeSlotCount; ++entry) {
            const TCartridgeSlot slot = settings.cartridgeSlots[entry];
            if (slot.primary == unusedSlot) continue;
            const int secondary = slot.secondary == unusedSlot ? 0 : slot.secondary;
            InsertCartridge(slot.primary, secondary, settings.cartridgeFiles[entry]);
        }
    }
    ApplyJoystickPorts();
    ApplyPrinter();

    cassette->Open(settings.cassetteFile, static_cast<std::uint8_t>(settings.cassetteLength),
                   static_cast<std::uint8_t>(settings.cassetteAccuracy));
    settings.cassetteLength = cassette->GetLength();
    settings.cassetteAccuracy = cassette->GetAccuracy();
    ApplySoundSettings();
}

void TPCMSX::ApplyJoystickPorts() {
    if (!preferences || !processor) return;
    const TPreferences& settings = *preferences;
    ApplyJoystickPort(1, settings.joystick1Device, settings.joystick1Id, joystick1.get());
    ApplyJoystickPort(2, settings.joystick2Device, settings.joystick2Id, joystick2.get());
}

void TPCMSX::ApplySoundSettings() {
    if (!preferences || !processor) return;
    const TPreferences& settings = *preferences;
    if (settings.psgDisabled) psg->Disable();
    else psg->Enable();
    psg->SetVolume(settings.psgVolume);
    ForEachSCC([&settings](TSCC& scc) {
        if (settings.sccDisabled) scc.Disable();
        else scc.Enable();
        scc.SetVolume(settings.sccVolume);
    });
}

void TPCMSX::ApplyJoystickPort(int port, std::int32_t device, std::int32_t id, TJoystick* joystick) {
    switch (device) {
    case 0:
    case 2:  // the mouse is not emulated: the port stays empty
        psg->SetDevice(port, nullptr);
        break;
    case 1:
        if (id < joystick->GetJoystickCount()) joystick->SelectJoystick(id);
        psg->SetDevice(port, joystick);
        break;
    default:
        break;
    }
}

void TPCMSX::ApplyPrinter() {
    switch (preferences->printerOutput) {
    case TMSXPrinter::notConnected: printer->SetOutput(0, "0"); break;
    case TMSXPrinter::sendToPort: printer->SetOutput(1, printer->GetPortName(preferences->printerPort)); break;
    case TMSXPrinter::sendToFile: printer->SetOutput(2, preferences->printerFile); break;
    case TMSXPrinter::hostPrinter: printer->SetOutput(3, "0"); break;
    default: break;
    }
}
