#include "machine/machine_state.h"

#include <memory>
#include <system_error>

#include "compression/crc32.h"
#include "machine/pc_msx.h"
#include "memory/memory_mapper.h"
#include "settings/state_record.h"

namespace {

// The size recorded for an image file that is not there.
constexpr std::uint64_t missingFile = ~std::uint64_t{0};

std::uint64_t FileSize(const std::filesystem::path& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? missingFile : size;
}

// The image must be there as it was: the size is checked before anything is
// built, the checksum once it is loaded.
bool CheckImage(const char* what, const std::filesystem::path& path, std::uint64_t size, std::string& reason) {
    const std::uint64_t present = FileSize(path);
    if (present == size) return true;
    reason = std::string("the ") + what + " " + path.string() +
             (present == missingFile ? " is missing" : " differs from the one the state was saved with");
    return false;
}

std::string Differs(const char* what, const std::filesystem::path& path) {
    return std::string("the ") + what + " " + path.string() + " differs from the one the state was saved with";
}

void WritePosition(TStateWriter& record, int primary, int secondary, int page) {
    record.Byte(static_cast<std::uint8_t>(primary));
    record.Byte(static_cast<std::uint8_t>(secondary));
    record.Byte(static_cast<std::uint8_t>(page));
}

TCartridgeKind CartridgeKindOf(std::uint8_t kind) {
    switch (kind) {
    case TROMCartridge::plainPage0Kind:
    case TROMCartridge::plainPage1Kind:
    case TROMCartridge::plainPage2Kind: return TCartridgeKind::plain;
    case TROMCartridge::konamiKind: return TCartridgeKind::konami;
    case TROMCartridge::konamiSCCKind: return TCartridgeKind::konamiSCC;
    case TROMCartridge::ascii8KKind: return TCartridgeKind::ascii8K;
    case TROMCartridge::ascii16KKind: return TCartridgeKind::ascii16K;
    default: return TCartridgeKind::automatic;
    }
}

struct TPosition {
    int primary, secondary, page;
    bool valid;
};

TPosition ReadPosition(TStateReader& record) {
    const int primary = record.Byte(), secondary = record.Byte(), page = record.Byte();
    return {primary, secondary, page, primary < 4 && secondary < 4 && page < 4 && !record.Failed()};
}

// Restores the records into a machine built aside.
class TRestorer {
public:
    TRestorer(TPCMSX& aside, TPreferences& preferences, std::string& reason)
        : aside(aside), preferences(preferences), reason(reason) {}

    bool Record(const TStateRecord& record) {
        TStateReader reader(record.data);
        if (record.Is("Z80 ")) return Device(aside.GetZ80()->LoadState(reader));
        if (record.Is("SLOT")) return Device(aside.GetMemorySelector()->LoadState(reader));
        if (record.Is("VDP ")) return Device(aside.GetVDP()->LoadState(reader));
        if (record.Is("PSG ")) return Device(aside.GetPSG()->LoadState(reader));
        if (record.Is("PPI ")) return Device(aside.GetPPI()->LoadState(reader));
        if (record.Is("KEYB")) return Device(aside.GetKeyboard()->LoadState(reader));
        if (record.Is("RTC ")) return Device(aside.GetRTC()->LoadState(reader));
        if (record.Is("PRNT")) return Device(aside.GetPrinter()->LoadState(reader));
        if (record.Is("JOYS")) {
            aside.GetJoystick1()->LoadState(reader);
            aside.GetJoystick2()->LoadState(reader);
            return Device(!reader.Failed());
        }
        if (record.Is("ROM ")) return ROM(reader);
        if (record.Is("RAM ")) return RAM(reader);
        if (record.Is("MAPR")) return Mapper(reader);
        if (record.Is("CART")) return Cartridge(reader);
        if (record.Is("SCC ")) return SCC(reader);
        if (record.Is("CASS")) return Cassette(reader, record.data);
        return true;  // a record of a later version, or one read before the machine was built
    }

private:
    bool Device(bool loaded) {
        if (!loaded) reason = "the file is damaged (a device record does not fit its device)";
        return loaded;
    }

    TMemoryBank* Bank(const TPosition& position) {
        return position.valid ? aside.GetMemorySelector()->GetBank(position.primary, position.secondary, position.page)
                              : nullptr;
    }

    bool ROM(TStateReader& record) {
        const TPosition position = ReadPosition(record);
        const std::string name = record.Text();
        record.Quad();
        const std::uint32_t checksum = record.Long();
        auto* bank = dynamic_cast<TROMBank*>(Bank(position));
        if (!bank || record.Failed()) return Device(false);
        if (Crc32({bank->GetReadableData(), TROMBank::bankSize}) != checksum) {
            reason = Differs("ROM image", aside.GetROMFolder() / name);
            return false;
        }
        return true;
    }

    bool RAM(TStateReader& record) {
        auto* bank = dynamic_cast<TRAMBank*>(Bank(ReadPosition(record)));
        return Device(bank && bank->LoadState(record));
    }

    bool Mapper(TStateReader& record) {
        auto* mapper = dynamic_cast<TMemoryMapper*>(Bank(ReadPosition(record)));
        return Device(mapper && mapper->LoadState(record));
    }

    bool Cartridge(TStateReader& record) {
        const TPosition position = ReadPosition(record);
        const std::filesystem::path image = record.Text();
        const std::uint64_t size = record.Quad();
        if (!position.valid || !aside.GetCartridge(position.primary, position.secondary)) return Device(false);
        // An empty slot has nothing to restore: it reads FFh whatever its registers say.
        if (image.empty()) return true;
        if (!CheckImage("cartridge image", image, size, reason)) return false;
        // Inserted as the kind it was, whatever the image's analysis or the user's choice says now.
        TStateReader kindField = record;
        aside.InsertCartridge(position.primary, position.secondary, image, CartridgeKindOf(kindField.Byte()));
        TROMCartridge* cartridge = aside.GetCartridge(position.primary, position.secondary);
        if (!cartridge->LoadState(record)) {
            reason = Differs("cartridge image", image);
            return false;
        }
        for (int entry = 0; entry < preferences.cartridgeSlotCount; ++entry) {
            const TCartridgeSlot slot = preferences.cartridgeSlots[entry];
            if (slot.primary == position.primary && (slot.secondary == 255 ? 0 : slot.secondary) == position.secondary) {
                preferences.cartridgeFiles[entry] = image.string();
            }
        }
        return true;
    }

    bool SCC(TStateReader& record) {
        const TPosition position = ReadPosition(record);
        TROMCartridge* cartridge = position.valid ? aside.GetCartridge(position.primary, position.secondary) : nullptr;
        TSCC* scc = cartridge ? cartridge->GetSCC() : nullptr;
        return Device(scc && scc->LoadState(record));
    }

    bool Cassette(TStateReader& record, std::span<const std::uint8_t> bytes) {
        TCassette& cassette = *aside.GetCassette();
        if (!cassette.LoadState(record)) {
            TStateReader name(bytes);
            reason = "the tape image " + name.Text() + " is missing or has changed since the state was saved";
            return false;
        }
        preferences.cassetteFile = cassette.GetFileName().string();
        preferences.cassetteLength = cassette.GetLength();
        preferences.cassetteAccuracy = cassette.GetAccuracy();
        return true;
    }

    TPCMSX& aside;
    TPreferences& preferences;
    std::string& reason;
};

std::string Message(const char* action, const std::filesystem::path& path, const std::string& reason) {
    return std::string("Cannot ") + action + " the state file " + path.string() + ": " + reason + ".";
}

}  // namespace

TStateFile TMachineState::Capture(TPCMSX& machine) {
    TStateFile file;
    const auto add = [&file](const char* tag, const auto& write) {
        TStateWriter record;
        write(record);
        file.Add(tag, record.Take());
    };
    const TConfiguration& configuration = *machine.GetConfiguration();
    add("CONF", [&](TStateWriter& record) { record.Bytes(configuration.GetRecord()); });
    add("MSX ", [&](TStateWriter& record) {
        record.Quad(machine.GetFrameCount());
        record.Text(configuration.fileName);
    });
    add("Z80 ", [&](TStateWriter& record) { machine.GetZ80()->SaveState(record); });
    add("SLOT", [&](TStateWriter& record) { machine.GetMemorySelector()->SaveState(record); });
    for (int primary = 0; primary < 4; ++primary) {
        for (int secondary = 0; secondary < 4; ++secondary) {
            for (int page = 0; page < 4; ++page) {
                TMemoryBank* bank = machine.GetMemorySelector()->GetBank(primary, secondary, page);
                if (auto* ram = dynamic_cast<TRAMBank*>(bank)) {
                    add("RAM ", [&](TStateWriter& record) {
                        WritePosition(record, primary, secondary, page);
                        ram->SaveState(record);
                    });
                } else if (auto* rom = dynamic_cast<TROMBank*>(bank)) {
                    add("ROM ", [&](TStateWriter& record) {
                        WritePosition(record, primary, secondary, page);
                        record.Text(rom->GetName());
                        record.Quad(FileSize(machine.GetROMFolder() / rom->GetName()));
                        record.Long(Crc32({rom->GetReadableData(), TROMBank::bankSize}));
                    });
                } else if (auto* mapper = dynamic_cast<TMemoryMapper*>(bank); mapper && page == 0) {
                    add("MAPR", [&](TStateWriter& record) {
                        WritePosition(record, primary, secondary, page);
                        mapper->SaveState(record);
                    });
                } else if (TROMCartridge* cartridge = bank->AsCartridge(); cartridge && page == 0) {
                    add("CART", [&](TStateWriter& record) {
                        WritePosition(record, primary, secondary, page);
                        const std::filesystem::path& image = cartridge->GetImageFile();
                        record.Text(image.empty() ? std::string() : std::filesystem::absolute(image).string());
                        record.Quad(FileSize(image));
                        cartridge->SaveState(record);
                    });
                    if (TSCC* scc = cartridge->GetSCC()) {
                        add("SCC ", [&](TStateWriter& record) {
                            WritePosition(record, primary, secondary, page);
                            scc->SaveState(record);
                        });
                    }
                }
            }
        }
    }
    add("VDP ", [&](TStateWriter& record) { machine.GetVDP()->SaveState(record); });
    add("PSG ", [&](TStateWriter& record) { machine.GetPSG()->SaveState(record); });
    add("PPI ", [&](TStateWriter& record) { machine.GetPPI()->SaveState(record); });
    add("KEYB", [&](TStateWriter& record) { machine.GetKeyboard()->SaveState(record); });
    add("RTC ", [&](TStateWriter& record) { machine.GetRTC()->SaveState(record); });
    add("PRNT", [&](TStateWriter& record) { machine.GetPrinter()->SaveState(record); });
    add("CASS", [&](TStateWriter& record) { machine.GetCassette()->SaveState(record); });
    add("JOYS", [&](TStateWriter& record) {
        machine.GetJoystick1()->SaveState(record);
        machine.GetJoystick2()->SaveState(record);
    });
    return file;
}

bool TMachineState::Save(TPCMSX& machine, const std::filesystem::path& path, std::string& error) {
    if (!machine.GetZ80()) {
        error = Message("save", path, "no machine is built");
        return false;
    }
    machine.GetCassette()->FlushTape();
    std::string reason;
    if (!Capture(machine).Write(path, reason)) {
        error = Message("save", path, reason);
        return false;
    }
    return true;
}

bool TMachineState::Load(TPCMSX& machine, const std::filesystem::path& path, std::string& error) {
    TStateFile file;
    std::string reason;
    if (!file.Read(path, reason) || !Restore(machine, file, reason)) {
        error = Message("load", path, reason);
        return false;
    }
    return true;
}

bool TMachineState::Restore(TPCMSX& machine, const TStateFile& file, std::string& reason) {
    if (!machine.GetZ80() || !machine.GetConfiguration()) {
        reason = "no machine is built";
        return false;
    }
    for (const char* tag : {"CONF", "MSX ", "Z80 ", "SLOT", "VDP ", "PSG ", "PPI ", "KEYB", "RTC ", "PRNT", "CASS", "JOYS"}) {
        if (!file.Find(tag)) {
            reason = std::string("the file is damaged (it has no \"") + tag + "\" record)";
            return false;
        }
    }
    TConfiguration configuration;
    configuration.SetRecord(file.Find("CONF")->data);
    TStateReader machineRecord(file.Find("MSX ")->data);
    const std::uint64_t frameCount = machineRecord.Quad();
    configuration.fileName = machineRecord.Text();

    // The system ROMs must be the ones the state was made with before a machine is built from them.
    for (const TStateRecord& record : file.GetRecords()) {
        if (!record.Is("ROM ")) continue;
        TStateReader reader(record.data);
        ReadPosition(reader);
        const std::string name = reader.Text();
        if (!CheckImage("ROM image", machine.GetROMFolder() / name, reader.Quad(), reason)) return false;
    }

    // The aside machine starts from the user's settings with no cartridge
    // slots listed, so that building it warns about none; the state's own
    // cartridges and tape then take their places in the list.
    TPreferences preferences = machine.preferences ? *machine.preferences : TPreferences{};
    for (int entry = 0; entry < TPreferences::cartridgeEntryCount; ++entry) {
        preferences.cartridgeSlots[entry] = TCartridgeSlot{};
        preferences.cartridgeFiles[entry].clear();
    }
    auto aside = std::make_unique<TPCMSX>(machine.GetServices());
    // Only the machine that takes over sounds, from the restored cycle on.
    aside->SetSoundOutput(nullptr);
    aside->preferences = &preferences;
    aside->SetROMFolder(machine.GetROMFolder());
    aside->SetVideoFrequency(machine.GetVideoFrequency());
    aside->Build(configuration);
    aside->ApplyJoystickPorts();
    TRestorer restorer(*aside, preferences, reason);
    for (const TStateRecord& record : file.GetRecords()) {
        if (!restorer.Record(record)) return false;
    }
    // The beam stands within a frame of the clock, or frames would come at every step, or never.
    const std::uint64_t flag = aside->GetVDP()->NextFrameFlagCycle(), now = aside->GetZ80()->cycles;
    if ((flag > now ? flag - now : now - flag) > aside->GetVDP()->FrameCycles()) {
        reason = "the file is damaged (the video processor's beam does not fit the clock)";
        return false;
    }
    aside->GetZ80()->ScheduleFrameFlag();
    aside->ApplySoundSettings();

    // A running processor goes on running: the run loop, or a host that steps
    // it itself, carries on with the restored one.
    const bool running = machine.GetZ80()->running;
    machine.ExchangeDevices(*aside);
    machine.SetFrameCount(frameCount);
    *machine.GetConfiguration() = configuration;
    if (machine.preferences) *machine.preferences = preferences;
    machine.GetPrinter()->TakeOutput(*aside->GetPrinter());
    machine.RestartSound();
    if (running) machine.GetPCZ80()->Start();
    machine.GetPCV9918()->PresentFrame();
    return true;
}
