// Reads arbitrary bytes as a .qst state file and restores what parses into a
// running machine. An even first byte feeds the bytes as they are: a file that
// parses writes back to the same bytes. An odd one reads the rest as records
// (tag, 32-bit size, body) and gives them valid checksums, so that damaged
// record bodies reach the devices. Either way a restore that fails leaves the
// machine exactly as it was.
#include "fuzz_support.h"

#include <algorithm>

#include "machine/machine_state.h"
#include "machine/pc_msx.h"

namespace {

struct TQuietMessages : TUserMessages {
    void ShowMessage(const std::string&, const std::string&) override {}
    bool AskYesNo(const std::string&, const std::string&) override { return false; }
};

// RAM in slot 0, a cartridge slot in 1 and a 64 KB mapper in 3: no ROM image is needed.
struct TMachine {
    TMachine() {
        for (int page = 0; page < 4; ++page) {
            configuration.pageType[0][0][page] = TConfiguration::pageRAM;
            configuration.pageType[1][0][page] = TConfiguration::pageCartridgeSlot;
            configuration.pageType[3][0][page] = TConfiguration::pageMemoryMapper;
        }
        machine.preferences = &preferences;
        machine.SetROMFolder(FuzzFile(""));
        machine.Build(configuration);
        machine.ApplyPreferences(true);
        machine.GetZ80()->Start();
    }
    TNoMessagePump pump;
    TQuietMessages messages;
    THeldKeys keys;
    TNoJoystickService joysticks;
    TNoPrinterPorts printerPorts;
    TFixedClock clock{TLocalDateTime{}};
    TConfiguration configuration;
    TPreferences preferences;
    TPCMSX machine{THostServices{pump, messages, nullptr, keys, joysticks, printerPorts, &clock, nullptr, nullptr}};
};

std::uint32_t Little32(const std::uint8_t* bytes) {
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | std::uint32_t{bytes[3]} << 24;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static TMachine running;
    if (size == 0) return 0;
    const TBytes input(data + 1, data + size);
    TStateFile file;
    std::string reason;
    if (data[0] % 2 == 0) {
        if (!file.Parse(input, reason)) return 0;
        TBytes written = file.GetBytes(), versioned = input;  // an older version is written as today's
        std::copy_n(written.begin() + 9, 2, versioned.begin() + 9);
        FUZZ_CHECK(written == versioned);
    } else {
        TStateFile records;
        for (std::size_t at = 0; input.size() - at >= 8;) {
            const std::size_t length = std::min<std::size_t>(Little32(&input[at + 4]), input.size() - at - 8);
            const std::string tag(input.begin() + at, input.begin() + at + 4);
            // "END " closes a file: it is never a record of its own.
            if (tag != "END ") records.Add(tag, TBytes(input.begin() + at + 8, input.begin() + at + 8 + length));
            at += 8 + length;
        }
        FUZZ_CHECK(file.Parse(records.GetBytes(), reason));
    }
    TPCMSX& machine = running.machine;
    const TBytes before = TMachineState::Capture(machine).GetBytes();
    if (!TMachineState::Restore(machine, file, reason)) {
        FUZZ_CHECK(!reason.empty());
        FUZZ_CHECK(TMachineState::Capture(machine).GetBytes() == before);
        return 0;
    }
    // Runs a frame of whatever was restored, then goes back to where it was.
    TPCZ80& processor = *machine.GetPCZ80();
    const std::uint64_t frame = processor.framesEnded;
    for (int step = 0; step < 100000 && processor.framesEnded == frame; ++step) processor.Step();
    TStateFile previous;
    FUZZ_CHECK(previous.Parse(before, reason) && TMachineState::Restore(machine, previous, reason));
    return 0;
}
