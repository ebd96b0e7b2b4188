#include "settings/configuration.h"
#include "settings/preferences.h"
#include "settings/record.h"
#include "settings/scratch_files.h"

namespace {

// A saved default file with one byte changed (or cut to a size), and what is found wrong with it.
TEST(RecordCheckTest, DamagedSettingsFilesAreFoundAndSoundOnesAreNot) {
    struct TCase {
        bool preferences;
        std::size_t offset;  // the byte changed, or the size cut to when value is negative
        int value;
        std::string damage;
    };
    const TCase cases[] = {
        {true, 0, 'X', ""},  // the magic is not compared
        {true, 0, -1, "it is too short (0 of 901 bytes)"},
        {true, 900, -1, "it is too short (900 of 901 bytes)"},
        {true, 60, 200, "a cartridge slot's primary slot is 200, beyond 3"},
        {true, 61, 110, "a cartridge slot's secondary slot is 110, beyond 3"},
        {true, 60, 3, ""},
        {true, 30, 'x', "the default configuration has bytes after the end of its text"},
        {true, 900, 21, "the SCC volume is 21, beyond 20"},
        {false, 63 + 5, 5, "a page type is 5, beyond 4"},
        {false, 100, -1, "it is too short (100 of 3343 bytes)"},
        {false, 143 + 49, 'x', "a ROM file name has bytes after the end of its text"},
        {false, 5 + 17, 'x', ""},  // the description grows by one character
    };
    for (const TCase& test : cases) {
        const std::filesystem::path file = ScratchFolder() / "file";
        if (test.preferences) TPreferences().Save(file);
        else TConfiguration().Save(file);
        Bytes bytes = ReadFile(file);
        if (test.value < 0) bytes.resize(test.offset);
        else bytes[test.offset] = static_cast<std::uint8_t>(test.value);
        WriteFile(file, bytes);
        EXPECT_EQ(test.preferences ? TPreferences::FindDamage(file) : TConfiguration::FindDamage(file), test.damage)
            << test.offset;
    }
    EXPECT_EQ(TPreferences::FindDamage(ScratchFolder() / "missing"), "");
}

TEST(RecordCheckTest, ADamagedFileIsKeptAside) {
    const std::filesystem::path file = WriteFile(ScratchFolder() / "quib.cfg", {1, 2, 3});
    WriteFile(ScratchFolder() / "quib.cfg.damaged", {9});
    EXPECT_EQ(KeepDamagedFile(file), ScratchFolder() / "quib.cfg.damaged");
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(ReadFile(ScratchFolder() / "quib.cfg.damaged"), (Bytes{1, 2, 3}));
}

}  // namespace
