// Where the settings live: beside the executable when it has them, else in the
// XDG configuration folder, where the first start writes the default machine.

#include <gtest/gtest.h>

#include <filesystem>

#include "services/executable_folder.h"
#include "settings/configuration.h"
#include "settings/default_machine.h"
#include "settings/scratch_files.h"

namespace {

namespace fs = std::filesystem;

fs::path Settings(const fs::path& executable, const char* configHome, const char* home) {
    return SettingsFolder(executable, configHome, home, TDefaultMachine::cbiosFolder, TDefaultMachine::cbiosCopyright);
}

TEST(ExecutableFolderTest, SettingsStayBesideAnExecutableThatHasThemElseGoToTheConfigurationHome) {
    const fs::path scratch = ScratchFolder();
    const fs::path home = scratch / "home";
    const fs::path xdg = scratch / "xdg";
    const fs::path withConfig = scratch / "with_config";
    const fs::path withFolder = scratch / "with_folder";
    const fs::path bare = scratch / "bare";
    for (const fs::path& folder : {home, withConfig, withFolder / "Configurations", bare}) fs::create_directories(folder);
    WriteFile(withConfig / "quib.cfg", Bytes(4, 0));
    const std::string homeText = home.string(), xdgText = xdg.string();
    const struct {
        fs::path executable;
        const char* configHome;
        const char* home;
        fs::path expected;
    } cases[] = {
        {withConfig, xdgText.c_str(), homeText.c_str(), withConfig},
        {withFolder, nullptr, homeText.c_str(), withFolder},
        {bare, nullptr, homeText.c_str(), home / ".config" / "quib"},
        {bare, "", homeText.c_str(), home / ".config" / "quib"},
        {bare, "relative/xdg", homeText.c_str(), home / ".config" / "quib"},
        {bare, xdgText.c_str(), homeText.c_str(), xdg / "quib"},
        {bare, nullptr, nullptr, bare},
    };
    for (const auto& test : cases) {
        EXPECT_EQ(Settings(test.executable, test.configHome, test.home), test.expected) << test.executable;
    }
    EXPECT_FALSE(fs::exists(bare / "Configurations")) << "the executable's folder is never written";
}

TEST(ExecutableFolderTest, TheFirstStartWritesTheDefaultMachineOnTheCbiosRomsAndKeepsLaterChanges) {
    const fs::path scratch = ScratchFolder();
    const fs::path home = scratch / "home";
    fs::create_directories(home);
    const std::string homeText = home.string();
    const fs::path configurations = Settings(scratch, nullptr, homeText.c_str()) / "Configurations";
    TConfiguration written, built;
    ASSERT_TRUE(written.Load(configurations / TDefaultMachine::configurationName));
    ASSERT_TRUE(built.Load(QUIB_DEFAULT_CONFIGURATION));
    for (const char* page : {"cbios_main_msx1_page0.rom", "cbios_main_msx1_page1.rom", "cbios_logo_msx1.rom"}) {
        EXPECT_EQ(ReadFile(configurations / page), ReadFile(fs::path(QUIB_DEFAULT_CONFIGURATION).parent_path() / page))
            << page;
    }
    EXPECT_EQ(written.description, built.description);
    EXPECT_EQ(written.romFile[0][0][1], built.romFile[0][0][1]);
    EXPECT_TRUE(fs::exists(configurations / "cbios_copyright.txt"));

    // A machine the user changed is not written over at the next start.
    WriteFile(configurations / TDefaultMachine::configurationName, Bytes(3, 7));
    Settings(scratch, nullptr, homeText.c_str());
    EXPECT_EQ(ReadFile(configurations / TDefaultMachine::configurationName), Bytes(3, 7));

    // Without the cbios package the folder is still the place; the machine is missing.
    const fs::path other = scratch / "other";
    fs::create_directories(other);
    const std::string otherText = other.string();
    EXPECT_EQ(SettingsFolder(scratch, nullptr, otherText.c_str(), scratch / "no_cbios", scratch / "none"),
              other / ".config" / "quib");
    EXPECT_FALSE(fs::exists(other / ".config" / "quib" / "Configurations" / TDefaultMachine::configurationName));
}

}  // namespace
