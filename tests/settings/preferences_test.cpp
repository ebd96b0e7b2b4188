#include "settings/preferences.h"

#include "settings/settings_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr std::size_t recordSize = 901;

const std::string longCassette = "C:\\Tapes\\" + std::string(51, 'T') + ".qcs";  // 64 characters
const std::string fullPrinterFile(50, 'P');

std::string CartridgeName(int entry) {
    return entry == 13 ? std::string("\xC4rger.rom") : "Game" + std::string(static_cast<std::size_t>(entry), '+') + ".rom";
}

TCartridgeSlot CartridgeSlot(int entry) {
    return {static_cast<std::uint8_t>(entry % 4), static_cast<std::uint8_t>(entry % 2 == 0 ? 255 : entry % 4)};
}

TPreferences FilledPreferences() {
    TPreferences preferences;
    preferences.defaultConfiguration = "Philips VG-8020.qcf";
    preferences.cartridgeSlotCount = 5;
    for (int entry = 0; entry < 14; ++entry) {
        preferences.cartridgeSlots[entry] = CartridgeSlot(entry);
        preferences.cartridgeFiles[entry] = CartridgeName(entry);
    }
    preferences.joystick1Device = 2;
    preferences.joystick2Device = 1;
    preferences.joystick1Id = 300;
    preferences.joystick2Id = -1;
    preferences.printerOutput = 3;
    preferences.printerPort = 4;
    preferences.hostPrinter = 6;
    preferences.printerFile = fullPrinterFile;
    preferences.cassetteLength = 3;
    preferences.cassetteAccuracy = 2;
    preferences.cassetteFile = longCassette;
    preferences.psgDisabled = true;
    preferences.psgVolume = 20;
    preferences.sccDisabled = true;
    preferences.sccVolume = 13;
    return preferences;
}

std::vector<std::uint8_t> DefaultImage() {
    std::vector<std::uint8_t> image(recordSize, 0);
    PutText(image, 0, "QUIBPREF00");
    PutText(image, 10, "MSX1");
    std::fill(image.begin() + 60, image.begin() + 88, std::uint8_t{0xFF});
    return image;
}

std::vector<std::uint8_t> FilledImage() {
    std::vector<std::uint8_t> image(recordSize, 0);
    PutText(image, 0, "QUIBPREF00");
    PutText(image, 10, "Philips VG-8020.qcf");
    for (int entry = 0; entry < 14; ++entry) {
        const auto index = static_cast<std::size_t>(entry);
        image[60 + 2 * index] = CartridgeSlot(entry).primary;
        image[61 + 2 * index] = CartridgeSlot(entry).secondary;
        PutText(image, 88 + 50 * index, CartridgeName(entry));
    }
    image[788] = 2;
    image[789] = 1;
    image[790] = 44;  // 300 keeps its low byte
    image[791] = 0xFF;
    image[792] = 3;
    image[793] = 4;
    image[794] = 6;
    PutText(image, 795, fullPrinterFile);
    image[845] = 3;
    image[846] = 2;
    PutText(image, 847, longCassette);
    image[897] = 1;
    image[898] = 20;
    image[899] = 1;
    image[900] = 13;
    return image;
}

void ExpectSameFields(const TPreferences& actual, const TPreferences& expected) {
    EXPECT_EQ(actual.defaultConfiguration, expected.defaultConfiguration);
    EXPECT_EQ(actual.cartridgeSlotCount, expected.cartridgeSlotCount);
    for (int entry = 0; entry < 14; ++entry) {
        EXPECT_EQ(actual.cartridgeSlots[entry].primary, expected.cartridgeSlots[entry].primary) << entry;
        EXPECT_EQ(actual.cartridgeSlots[entry].secondary, expected.cartridgeSlots[entry].secondary) << entry;
        EXPECT_EQ(actual.cartridgeFiles[entry], expected.cartridgeFiles[entry]) << entry;
    }
    EXPECT_EQ(actual.joystick1Device, expected.joystick1Device);
    EXPECT_EQ(actual.joystick2Device, expected.joystick2Device);
    EXPECT_EQ(actual.joystick1Id, expected.joystick1Id);
    EXPECT_EQ(actual.joystick2Id, expected.joystick2Id);
    EXPECT_EQ(actual.printerOutput, expected.printerOutput);
    EXPECT_EQ(actual.printerPort, expected.printerPort);
    EXPECT_EQ(actual.hostPrinter, expected.hostPrinter);
    EXPECT_EQ(actual.printerFile, expected.printerFile);
    EXPECT_EQ(actual.cassetteLength, expected.cassetteLength);
    EXPECT_EQ(actual.cassetteAccuracy, expected.cassetteAccuracy);
    EXPECT_EQ(actual.cassetteFile, expected.cassetteFile);
    EXPECT_EQ(actual.psgDisabled, expected.psgDisabled);
    EXPECT_EQ(actual.psgVolume, expected.psgVolume);
    EXPECT_EQ(actual.sccDisabled, expected.sccDisabled);
    EXPECT_EQ(actual.sccVolume, expected.sccVolume);
}

TEST(TPreferencesTest, SavesTheExactRecord) {
    struct Case {
        const char* name;
        TPreferences preferences;
        std::vector<std::uint8_t> image;
    };
    const Case cases[] = {
        {"default", TPreferences(), DefaultImage()},
        {"every field set", FilledPreferences(), FilledImage()},
    };
    const auto folder = ScratchFolder();
    for (const auto& testCase : cases) {
        const auto path = folder / "quib.cfg";
        ASSERT_TRUE(testCase.preferences.Save(path)) << testCase.name;
        EXPECT_EQ(ReadWholeFile(path), testCase.image) << testCase.name;
        EXPECT_FALSE(std::filesystem::exists(folder / "quib.cfg.tmp")) << testCase.name;
    }
}

TEST(TPreferencesTest, RoundTripsEveryStoredField) {
    const auto path = ScratchFolder() / "quib.cfg";
    ASSERT_TRUE(FilledPreferences().Save(path));

    TPreferences loaded;
    ASSERT_TRUE(loaded.Load(path));
    TPreferences expected = FilledPreferences();
    expected.cartridgeSlotCount = 0;  // not stored: the machine's build sets it
    expected.joystick1Id = 44;
    expected.joystick2Id = 255;
    expected.cassetteFile = longCassette.substr(0, 50);
    ExpectSameFields(loaded, expected);

    ASSERT_TRUE(loaded.Save(path));
    EXPECT_EQ(ReadWholeFile(path), FilledImage());
}

TEST(TPreferencesTest, NumbersTakeTheStoredByteWhole) {
    const auto path = ScratchFolder() / "quib.cfg";
    ASSERT_TRUE(TPreferences().Save(path));
    TPreferences preferences = FilledPreferences();
    preferences.joystick2Id = -1;
    preferences.printerPort = 0x1234;
    ASSERT_TRUE(preferences.Load(path));
    ExpectSameFields(preferences, [] {
        TPreferences expected;
        expected.cartridgeSlotCount = 5;
        return expected;
    }());
}

TEST(TPreferencesTest, LoadsAFileCutAtAnyLength) {
    const auto path = ScratchFolder() / "quib.cfg";
    const std::vector<std::uint8_t> image = FilledImage();
    const TPreferences defaults;
    for (std::size_t length = 0; length <= recordSize; ++length) {
        WriteWholeFile(path, std::vector<std::uint8_t>(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length)));
        TPreferences preferences;
        ASSERT_TRUE(preferences.Load(path)) << length;

        const auto numberAt = [&](std::size_t offset, std::int32_t previous) {
            return offset < length ? std::int32_t{image[offset]} : previous;
        };
        SCOPED_TRACE("length " + std::to_string(length));
        EXPECT_EQ(preferences.defaultConfiguration, TextInCutImage(image, length, 10));
        for (int entry = 0; entry < 14; ++entry) {
            const auto index = static_cast<std::size_t>(entry);
            EXPECT_EQ(preferences.cartridgeSlots[entry].primary, numberAt(60 + 2 * index, 255));
            EXPECT_EQ(preferences.cartridgeSlots[entry].secondary, numberAt(61 + 2 * index, 255));
            EXPECT_EQ(preferences.cartridgeFiles[entry], TextInCutImage(image, length, 88 + 50 * index));
        }
        EXPECT_EQ(preferences.joystick1Device, numberAt(788, defaults.joystick1Device));
        EXPECT_EQ(preferences.joystick2Device, numberAt(789, defaults.joystick2Device));
        EXPECT_EQ(preferences.joystick1Id, numberAt(790, defaults.joystick1Id));
        EXPECT_EQ(preferences.joystick2Id, numberAt(791, defaults.joystick2Id));
        EXPECT_EQ(preferences.printerOutput, numberAt(792, defaults.printerOutput));
        EXPECT_EQ(preferences.printerPort, numberAt(793, defaults.printerPort));
        EXPECT_EQ(preferences.hostPrinter, numberAt(794, defaults.hostPrinter));
        EXPECT_EQ(preferences.printerFile, TextInCutImage(image, length, 795));
        EXPECT_EQ(preferences.cassetteLength, numberAt(845, defaults.cassetteLength));
        EXPECT_EQ(preferences.cassetteAccuracy, numberAt(846, defaults.cassetteAccuracy));
        EXPECT_EQ(preferences.cassetteFile, TextInCutImage(image, length, 847));
        EXPECT_EQ(preferences.psgDisabled, numberAt(897, 0) != 0);
        EXPECT_EQ(preferences.psgVolume, numberAt(898, defaults.psgVolume));
        EXPECT_EQ(preferences.sccDisabled, numberAt(899, 0) != 0);
        EXPECT_EQ(preferences.sccVolume, numberAt(900, defaults.sccVolume));
        EXPECT_EQ(preferences.cartridgeSlotCount, 0);
        if (::testing::Test::HasFailure()) {
            break;
        }
    }
}

TEST(TPreferencesTest, AcceptsAnyMagicFlagBytesAndTrailingBytes) {
    const auto path = ScratchFolder() / "quib.cfg";
    std::vector<std::uint8_t> image = FilledImage();
    PutText(image, 0, "NOTPREFS!!");
    image[897] = 0x7F;
    image[899] = 0;
    image.insert(image.end(), 300, 0x55);
    WriteWholeFile(path, image);

    TPreferences preferences;
    ASSERT_TRUE(preferences.Load(path));
    EXPECT_TRUE(preferences.psgDisabled);
    EXPECT_FALSE(preferences.sccDisabled);
    EXPECT_EQ(preferences.sccVolume, 13);

    // Written back canonically: the right magic, a flag as 0 or 1, 901 bytes.
    ASSERT_TRUE(preferences.Save(path));
    std::vector<std::uint8_t> expected = FilledImage();
    expected[899] = 0;
    EXPECT_EQ(ReadWholeFile(path), expected);
}

TEST(TPreferencesTest, UnreadablePathsChangeNothing) {
    const auto folder = ScratchFolder();
    for (const auto& path : {folder / "quib.cfg", folder}) {
        TPreferences preferences = FilledPreferences();
        EXPECT_FALSE(preferences.Load(path)) << path;
        ExpectSameFields(preferences, FilledPreferences());
    }
}

TEST(TPreferencesTest, FailedSaveKeepsTheOldFile) {
    const auto folder = ScratchFolder();
    const auto path = folder / "quib.cfg";
    ASSERT_TRUE(TPreferences().Save(path));
    std::filesystem::create_directory(folder / "quib.cfg.tmp");
    EXPECT_FALSE(FilledPreferences().Save(path));
    EXPECT_EQ(ReadWholeFile(path), DefaultImage());
}

}  // namespace
