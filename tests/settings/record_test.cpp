#include "settings/record.h"

#include "settings/settings_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace {

const std::vector<std::uint8_t> oldBytes = {'o', 'l', 'd'};
const std::vector<std::uint8_t> newBytes = {'n', 'e', 'w', '!'};

TEST(ReplaceFileTest, FailureLeavesTheOldFileAndNoTemporary) {
    const auto folder = ScratchFolder();
    const auto path = folder / "target";
    WriteWholeFile(path, oldBytes);

    // Where a folder stands in the target's place the rename fails after the
    // temporary file was written.
    const auto folderTarget = folder / "folder";
    std::filesystem::create_directories(folderTarget / "content");
    EXPECT_FALSE(ReplaceFile(folderTarget, newBytes));
    EXPECT_TRUE(std::filesystem::is_directory(folderTarget / "content"));
    EXPECT_FALSE(std::filesystem::exists(folder / "folder.tmp"));

    EXPECT_FALSE(ReplaceFile(folder / "absent" / "target", newBytes));
    EXPECT_EQ(ReadWholeFile(path), oldBytes);
}

TEST(ReplaceFileTest, ReadOnlyFolderKeepsTheOldFile) {
    const auto folder = ScratchFolder() / "locked";
    std::filesystem::create_directory(folder);
    const auto path = folder / "target";
    WriteWholeFile(path, oldBytes);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    const bool writable = FolderAcceptsFiles(folder);
    if (!writable) {
        EXPECT_FALSE(ReplaceFile(path, newBytes));
        EXPECT_EQ(ReadWholeFile(path), oldBytes);
    }
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    if (writable) {
        GTEST_SKIP() << "this user writes into read-only folders";
    }
}

}  // namespace
