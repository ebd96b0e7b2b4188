#include "settings/configuration.h"

#include "settings/settings_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr std::size_t recordSize = 3343;

std::size_t PageIndex(int primary, int secondary, int page) {
    return static_cast<std::size_t>(16 * primary + 4 * secondary + page);
}

std::size_t PageTypeOffset(int primary, int secondary, int page) {
    return 63 + PageIndex(primary, secondary, page);
}

std::size_t MapperSizeOffset(int primary, int secondary) {
    return static_cast<std::size_t>(127 + 4 * primary + secondary);
}

std::size_t RomFileOffset(int primary, int secondary, int page) {
    return 143 + 50 * PageIndex(primary, secondary, page);
}

// Non-default values for every field; names vary in length, and some are full
// fields, too long, or hold bytes outside ASCII.
const std::string fullName(50, 'F');
const std::string longName = std::string(50, 'L') + "0123456789";
const std::string foreignName = "\xE9t\xE9-\xFF.rom";

std::string RomName(int primary, int secondary, int page) {
    switch (PageIndex(primary, secondary, page)) {
    case 0: return fullName;
    case 1: return longName;
    case 2: return foreignName;
    default:
        return "slot" + std::to_string(primary) + std::to_string(secondary) + "page" + std::to_string(page) +
               std::string(PageIndex(primary, secondary, page) % 7, 'x') + ".rom";
    }
}

std::uint8_t PageTypeValue(int primary, int secondary, int page) {
    return static_cast<std::uint8_t>(1 + PageIndex(primary, secondary, page) % 4);
}

std::uint8_t MapperSizeValue(int primary, int secondary) {
    return static_cast<std::uint8_t>(1 + (4 * primary + secondary) % 6);
}

const std::string longDescription = "A machine with a description longer than fifty characters";

TConfiguration FilledConfiguration() {
    TConfiguration configuration;
    configuration.description = longDescription;
    configuration.msxType = 3;
    configuration.cpu = 1;
    configuration.vdp = 2;
    configuration.vram = 1;
    for (int primary = 0; primary < 4; ++primary) {
        configuration.expanded[primary] = static_cast<std::uint8_t>(primary + 1);
        for (int secondary = 0; secondary < 4; ++secondary) {
            configuration.mapperSize[primary][secondary] = MapperSizeValue(primary, secondary);
            for (int page = 0; page < 4; ++page) {
                configuration.pageType[primary][secondary][page] = PageTypeValue(primary, secondary, page);
                configuration.romFile[primary][secondary][page] = RomName(primary, secondary, page);
            }
        }
    }
    return configuration;
}

std::vector<std::uint8_t> DefaultImage() {
    std::vector<std::uint8_t> image(recordSize, 0);
    PutText(image, 0, "QCF00");
    PutText(image, 5, "New configuration");
    return image;
}

std::vector<std::uint8_t> FilledImage() {
    std::vector<std::uint8_t> image(recordSize, 0);
    PutText(image, 0, "QCF00");
    PutText(image, 5, longDescription);
    image[55] = 3;
    image[56] = 1;
    image[57] = 2;
    image[58] = 1;
    for (int primary = 0; primary < 4; ++primary) {
        image[59 + static_cast<std::size_t>(primary)] = static_cast<std::uint8_t>(primary + 1);
        for (int secondary = 0; secondary < 4; ++secondary) {
            image[MapperSizeOffset(primary, secondary)] = MapperSizeValue(primary, secondary);
            for (int page = 0; page < 4; ++page) {
                image[PageTypeOffset(primary, secondary, page)] = PageTypeValue(primary, secondary, page);
                PutText(image, RomFileOffset(primary, secondary, page), RomName(primary, secondary, page));
            }
        }
    }
    return image;
}

void ExpectSameFields(const TConfiguration& actual, const TConfiguration& expected) {
    EXPECT_EQ(actual.description, expected.description);
    EXPECT_EQ(actual.msxType, expected.msxType);
    EXPECT_EQ(actual.cpu, expected.cpu);
    EXPECT_EQ(actual.vdp, expected.vdp);
    EXPECT_EQ(actual.vram, expected.vram);
    for (int primary = 0; primary < 4; ++primary) {
        EXPECT_EQ(actual.expanded[primary], expected.expanded[primary]) << primary;
        for (int secondary = 0; secondary < 4; ++secondary) {
            EXPECT_EQ(actual.mapperSize[primary][secondary], expected.mapperSize[primary][secondary]);
            for (int page = 0; page < 4; ++page) {
                EXPECT_EQ(actual.pageType[primary][secondary][page], expected.pageType[primary][secondary][page]);
                EXPECT_EQ(actual.romFile[primary][secondary][page], expected.romFile[primary][secondary][page]);
            }
        }
    }
}

TEST(TConfigurationTest, SavesTheExactRecord) {
    struct Case {
        const char* name;
        TConfiguration configuration;
        std::vector<std::uint8_t> image;
    };
    const Case cases[] = {
        {"default", TConfiguration(), DefaultImage()},
        {"every field set", FilledConfiguration(), FilledImage()},
    };
    const auto folder = ScratchFolder();
    for (const auto& testCase : cases) {
        TConfiguration configuration = testCase.configuration;
        const auto path = folder / "machine.qcf";
        ASSERT_TRUE(configuration.Save(path)) << testCase.name;
        EXPECT_EQ(ReadWholeFile(path), testCase.image) << testCase.name;
        EXPECT_FALSE(std::filesystem::exists(folder / "machine.qcf.tmp")) << testCase.name;
    }
}

TEST(TConfigurationTest, RoundTripsEveryField) {
    const auto path = ScratchFolder() / "machine.qcf";
    TConfiguration saved = FilledConfiguration();
    ASSERT_TRUE(saved.Save(path));

    TConfiguration loaded;
    ASSERT_TRUE(loaded.Load(path));
    TConfiguration expected = FilledConfiguration();
    expected.description = longDescription.substr(0, 50);
    expected.romFile[0][0][1] = longName.substr(0, 50);
    ExpectSameFields(loaded, expected);
    EXPECT_EQ(loaded.romFile[0][0][0], fullName);
    EXPECT_EQ(loaded.romFile[0][0][2], foreignName);

    // Loading and saving again reproduces the file byte for byte.
    ASSERT_TRUE(loaded.Save(path));
    EXPECT_EQ(ReadWholeFile(path), FilledImage());
}

TEST(TConfigurationTest, FileNameFollowsLoadAndSave) {
    const auto folder = ScratchFolder();
    const auto path = folder / "Machine One.qcf";
    TConfiguration configuration;
    EXPECT_EQ(configuration.fileName, "NewConfig.qcf");
    ASSERT_TRUE(configuration.Save(path));
    EXPECT_EQ(configuration.fileName, "Machine One.qcf");

    ASSERT_TRUE(configuration.Load(path));
    EXPECT_EQ(configuration.fileName, path.string());

    // A failed save still takes the new name.
    EXPECT_FALSE(configuration.Save(folder / "missing folder" / "other.qcf"));
    EXPECT_EQ(configuration.fileName, "other.qcf");
}

TEST(TConfigurationTest, LoadsAFileCutAtAnyLength) {
    const auto path = ScratchFolder() / "short.qcf";
    const std::vector<std::uint8_t> image = FilledImage();
    // Every byte boundary up to the file names, then each name field at its
    // start, after one byte, in the middle and one byte short of its end.
    std::vector<std::size_t> lengths;
    for (std::size_t length = 0; length < 143; ++length) {
        lengths.push_back(length);
    }
    for (std::size_t offset = 143; offset < recordSize; offset += 50) {
        lengths.insert(lengths.end(), {offset, offset + 1, offset + 25, offset + 49});
    }
    lengths.push_back(recordSize);
    for (const std::size_t length : lengths) {
        WriteWholeFile(path, std::vector<std::uint8_t>(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(length)));
        // Values that differ from the file's, to see which ones a short file keeps.
        TConfiguration configuration;
        configuration.msxType = 9;
        configuration.cpu = 9;
        configuration.vdp = 9;
        configuration.vram = 9;
        for (int primary = 0; primary < 4; ++primary) {
            configuration.expanded[primary] = 9;
            for (int secondary = 0; secondary < 4; ++secondary) {
                configuration.mapperSize[primary][secondary] = 9;
                for (int page = 0; page < 4; ++page) {
                    configuration.pageType[primary][secondary][page] = 9;
                    configuration.romFile[primary][secondary][page] = "previous.rom";
                }
            }
        }
        ASSERT_TRUE(configuration.Load(path)) << length;

        const auto byteAt = [&](std::size_t offset) { return offset < length ? image[offset] : std::uint8_t{9}; };
        SCOPED_TRACE("length " + std::to_string(length));
        EXPECT_EQ(configuration.description, TextInCutImage(image, length, 5));
        EXPECT_EQ(configuration.msxType, byteAt(55));
        EXPECT_EQ(configuration.cpu, byteAt(56));
        EXPECT_EQ(configuration.vdp, byteAt(57));
        EXPECT_EQ(configuration.vram, byteAt(58));
        for (int primary = 0; primary < 4; ++primary) {
            EXPECT_EQ(configuration.expanded[primary], byteAt(59 + static_cast<std::size_t>(primary)));
            for (int secondary = 0; secondary < 4; ++secondary) {
                EXPECT_EQ(configuration.mapperSize[primary][secondary], byteAt(MapperSizeOffset(primary, secondary)));
                for (int page = 0; page < 4; ++page) {
                    EXPECT_EQ(configuration.pageType[primary][secondary][page],
                              byteAt(PageTypeOffset(primary, secondary, page)));
                    EXPECT_EQ(configuration.romFile[primary][secondary][page],
                              TextInCutImage(image, length, RomFileOffset(primary, secondary, page)));
                }
            }
        }
        if (::testing::Test::HasFailure()) {
            break;
        }
    }
}

TEST(TConfigurationTest, AcceptsAnyMagicAndIgnoresBytesAfterTheRecord) {
    const auto path = ScratchFolder() / "odd.qcf";
    std::vector<std::uint8_t> image = FilledImage();
    PutText(image, 0, "XYZ99");
    image.insert(image.end(), 100, 0xAB);
    WriteWholeFile(path, image);

    TConfiguration configuration;
    ASSERT_TRUE(configuration.Load(path));
    EXPECT_EQ(configuration.msxType, 3);
    EXPECT_EQ(configuration.romFile[3][3][3], RomName(3, 3, 3));

    ASSERT_TRUE(configuration.Save(path));
    EXPECT_EQ(ReadWholeFile(path), FilledImage());
}

TEST(TConfigurationTest, GarbageLoadsAsBytesWithoutHarm) {
    const auto path = ScratchFolder() / "garbage.qcf";
    std::mt19937 random(8);
    for (const std::size_t length : {std::size_t{1}, std::size_t{54}, std::size_t{200}, recordSize, recordSize + 7}) {
        std::vector<std::uint8_t> image(length);
        for (auto& byte : image) {
            byte = static_cast<std::uint8_t>(random() % 4 == 0 ? 0 : random());
        }
        WriteWholeFile(path, image);
        TConfiguration configuration;
        ASSERT_TRUE(configuration.Load(path)) << length;
        EXPECT_EQ(configuration.description, TextInCutImage(image, length, 5)) << length;
        if (length > 3342) {
            EXPECT_EQ(configuration.pageType[3][3][3], image[126]);
            EXPECT_EQ(configuration.romFile[3][3][3], TextInCutImage(image, length, 3293));
        }
    }
}

TEST(TConfigurationTest, UnreadablePathsChangeNothing) {
    const auto folder = ScratchFolder();
    for (const auto& path : {folder / "absent.qcf", folder}) {
        TConfiguration configuration = FilledConfiguration();
        configuration.fileName = "kept.qcf";
        EXPECT_FALSE(configuration.Load(path)) << path;
        ExpectSameFields(configuration, FilledConfiguration());
        EXPECT_EQ(configuration.fileName, "kept.qcf");
    }
}

TEST(TConfigurationTest, FailedSaveKeepsTheOldFile) {
    const auto folder = ScratchFolder();
    const auto path = folder / "machine.qcf";
    TConfiguration old;
    ASSERT_TRUE(old.Save(path));
    const auto oldBytes = ReadWholeFile(path);

    // The temporary file cannot be created where a folder of its name stands.
    std::filesystem::create_directory(folder / "machine.qcf.tmp");
    TConfiguration changed = FilledConfiguration();
    EXPECT_FALSE(changed.Save(path));
    EXPECT_EQ(ReadWholeFile(path), oldBytes);
}

}  // namespace
