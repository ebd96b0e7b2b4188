#include "host/cartridge_kind_settings.h"

#include <gtest/gtest.h>

#include <fstream>

#include "ui/modal_answers.h"

namespace {

// A choice follows its slot and image file name, whatever folder the image is in.
TEST(CartridgeKindSettingsTest, KeepsOneKindPerSlotAndImageInQuibIni) {
    const std::filesystem::path folder = EditorFolder("cartridge_kinds");
    const std::tuple<TCartridgeSlot, const char*, TCartridgeKind> written[] = {
        {{1, 255}, "/roms/Game One.rom", TCartridgeKind::ascii16K}, {{3, 2}, "Game One.rom", TCartridgeKind::konamiSCC},
        {{1, 255}, "other.rom", TCartridgeKind::plain}, {{1, 255}, "other.rom", TCartridgeKind::automatic}};
    for (const auto& [slot, image, kind] : written) TCartridgeKindSettings(folder).Write(slot, image, kind);
    TCartridgeKindSettings settings(folder);
    EXPECT_EQ(settings.Read({1, 255}, "/elsewhere/Game One.rom"), TCartridgeKind::ascii16K);
    EXPECT_EQ(settings.Read({3, 2}, "Game One.rom"), TCartridgeKind::konamiSCC);
    EXPECT_EQ(settings.Read({1, 0}, "Game One.rom"), TCartridgeKind::automatic);
    EXPECT_EQ(settings.Read({1, 255}, "other.rom"), TCartridgeKind::automatic);
    std::ifstream file(folder / TIniSettings::fileName);
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    EXPECT_NE(text.find("[CartridgeKinds]"), std::string::npos) << text;
    EXPECT_EQ(text.find("other.rom"), std::string::npos) << text;
}

} // namespace
