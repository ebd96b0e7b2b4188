// Loads arbitrary bytes as quib.cfg over preferences that already hold values
// of their own, and checks the result byte for byte: number fields present in
// the file take the stored byte, those beyond its end keep their values, flags
// become 0 or 1, text fields end at their first zero. Written back and read
// again, the preferences are the same; a load that fails changes nothing.
#include "fuzz_support.h"

#include "settings/preferences.h"

#include <algorithm>

namespace {

constexpr std::size_t textFieldOffsets[] = {10,  88,  138, 188, 238, 288, 338, 388, 438,
                                            488, 538, 588, 638, 688, 738, 795, 847};
constexpr std::size_t flagOffsets[] = {897, 899};

bool IsTextByte(std::size_t offset) {
    return std::any_of(std::begin(textFieldOffsets), std::end(textFieldOffsets),
                       [offset](std::size_t field) { return offset >= field && offset < field + 50; });
}

// cartridgeSlotCount is not stored, so it takes no part.
bool SamePreferences(const TPreferences& a, const TPreferences& b) {
    for (int entry = 0; entry < TPreferences::cartridgeEntryCount; ++entry) {
        if (a.cartridgeSlots[entry].primary != b.cartridgeSlots[entry].primary ||
            a.cartridgeSlots[entry].secondary != b.cartridgeSlots[entry].secondary ||
            a.cartridgeFiles[entry] != b.cartridgeFiles[entry]) {
            return false;
        }
    }
    return a.defaultConfiguration == b.defaultConfiguration && a.joystick1Device == b.joystick1Device &&
           a.joystick2Device == b.joystick2Device && a.joystick1Id == b.joystick1Id &&
           a.joystick2Id == b.joystick2Id && a.printerOutput == b.printerOutput &&
           a.printerPort == b.printerPort && a.hostPrinter == b.hostPrinter && a.printerFile == b.printerFile &&
           a.cassetteLength == b.cassetteLength && a.cassetteAccuracy == b.cassetteAccuracy &&
           a.cassetteFile == b.cassetteFile && a.psgDisabled == b.psgDisabled && a.psgVolume == b.psgVolume &&
           a.sccDisabled == b.sccDisabled && a.sccVolume == b.sccVolume;
}

// Values unlike the defaults, each within a byte so that it survives a save.
TPreferences PreviousPreferences() {
    TPreferences preferences;
    preferences.defaultConfiguration = "Previous.qcf";
    for (int entry = 0; entry < TPreferences::cartridgeEntryCount; ++entry) {
        preferences.cartridgeSlots[entry] = {static_cast<std::uint8_t>(entry % 4), static_cast<std::uint8_t>(entry / 4)};
        preferences.cartridgeFiles[entry] = "previous" + std::to_string(entry) + ".rom";
    }
    preferences.joystick1Device = 1;
    preferences.joystick2Device = 2;
    preferences.joystick1Id = 3;
    preferences.joystick2Id = 4;
    preferences.printerOutput = 2;
    preferences.printerPort = 5;
    preferences.hostPrinter = 6;
    preferences.printerFile = "previous.txt";
    preferences.cassetteLength = 3;
    preferences.cassetteAccuracy = 2;
    preferences.cassetteFile = "previous.qcs";
    preferences.psgDisabled = true;
    preferences.psgVolume = 7;
    preferences.sccDisabled = true;
    preferences.sccVolume = 20;
    return preferences;
}

std::vector<std::uint8_t> SavedImage(const TPreferences& preferences) {
    const auto path = FuzzFile("saved.cfg");
    FUZZ_CHECK(preferences.Save(path));
    return ReadBytes(path);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const TPreferences previous = PreviousPreferences();
    static const std::vector<std::uint8_t> previousImage = SavedImage(previous);

    std::vector<std::uint8_t> expected = previousImage;
    for (std::size_t offset = TPreferences::magic.size(); offset < expected.size() && offset < size; ++offset) {
        if (!IsTextByte(offset)) {
            expected[offset] = data[offset];
        }
    }
    for (const auto offset : flagOffsets) {
        expected[offset] = expected[offset] != 0 ? 1 : 0;
    }
    for (const auto offset : textFieldOffsets) {
        NormaliseTextField(data, size, offset, expected);
    }

    const auto input = FuzzFile("quib.cfg");
    WriteBytes(input, data, size);
    TPreferences preferences = previous;
    FUZZ_CHECK(preferences.Load(input));
    FUZZ_CHECK(preferences.cartridgeSlotCount == previous.cartridgeSlotCount);
    const auto image = SavedImage(preferences);
    FUZZ_CHECK(image.size() == TPreferences::fileSize);
    FUZZ_CHECK(image == expected);

    TPreferences readBack;
    FUZZ_CHECK(readBack.Load(FuzzFile("saved.cfg")));
    FUZZ_CHECK(SamePreferences(readBack, preferences));

    const TPreferences before = preferences;
    FUZZ_CHECK(!preferences.Load(FuzzFile("missing.cfg")));
    FUZZ_CHECK(SamePreferences(preferences, before));
    return 0;
}
