#include "settings/preferences.h"

#include <gtest/gtest.h>

#include "settings/scratch_files.h"

namespace {

constexpr std::size_t recordSize = 901;
const std::string longCassette = "C:\\Tapes\\" + std::string(51, 'T') + ".qcs";  // 64 characters

std::string CartridgeName(std::size_t entry) {
    return entry == 13 ? std::string("\xC4rger.rom") : "Game" + std::string(entry, '+') + ".rom";
}

TEST(TPreferencesTest, RecordFormat) {
    // Every number holds a value of its own, so that a field in the wrong place shows.
    TPreferences filled;
    filled.defaultConfiguration = "Philips VG-8020.qcf";
    std::int32_t value = 1;
    for (std::int32_t* number : {&filled.joystick1Device, &filled.joystick2Device, &filled.joystick1Id,
                                 &filled.joystick2Id, &filled.printerOutput, &filled.printerPort, &filled.hostPrinter,
                                 &filled.cassetteLength, &filled.cassetteAccuracy, &filled.psgVolume, &filled.sccVolume}) {
        *number = value++;
    }
    filled.joystick1Id = 300;  // numbers keep their low byte
    filled.joystick2Id = -1;
    filled.printerFile = std::string(50, 'P');
    filled.cassetteFile = longCassette;
    filled.psgDisabled = true;
    // Magic, configuration, 14 slots, 14 cartridge files, 7 numbers, printer file,
    // 2 numbers, cassette file, then flag and volume of each sound chip.
    Bytes record(recordSize, 0);
    PutText(record, 0, "QUIBPREF00");
    PutText(record, 10, "Philips VG-8020.qcf");
    for (std::size_t entry = 0; entry < 14; ++entry) {
        filled.cartridgeSlots[entry] = {static_cast<std::uint8_t>(entry), static_cast<std::uint8_t>(100 + entry)};
        filled.cartridgeFiles[entry] = CartridgeName(entry);
        record[60 + 2 * entry] = static_cast<std::uint8_t>(entry);
        record[61 + 2 * entry] = static_cast<std::uint8_t>(100 + entry);
        PutText(record, 88 + 50 * entry, CartridgeName(entry));
    }
    const Bytes numbers = {1, 2, 44, 0xFF, 5, 6, 7};
    std::copy(numbers.begin(), numbers.end(), record.begin() + 788);
    PutText(record, 795, std::string(50, 'P'));
    record[845] = 8;
    record[846] = 9;
    PutText(record, 847, longCassette);
    record[897] = 1;
    record[898] = 10;
    record[900] = 11;
    ExpectRecordFormat(filled, record, 10, [](std::size_t offset) {
        const bool number = (offset >= 60 && offset < 88) || (offset >= 788 && offset < 795) || offset == 845 ||
                            offset == 846 || offset >= 897;
        return !number ? 0 : offset == 897 || offset == 899 ? 1 : 9;  // flags save as 1
    });
    TPreferences loaded;
    ASSERT_TRUE(loaded.Load(WriteFile(ScratchFolder() / "quib.cfg", record)));
    EXPECT_EQ(loaded.joystick2Id, 255);  // the stored byte, not its sign
}

}  // namespace
