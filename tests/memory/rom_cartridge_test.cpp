#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "memory/image_file.h"
#include "memory/rom_cartridge.h"

namespace {

using memory_test::WriteImage;

// An image whose every byte is the number of its 8 KB block, under a header with the
// given start-address high byte and optional "CD" and game code.
std::vector<std::uint8_t> CartridgeImage(std::size_t size, std::uint8_t startHigh, bool cd = false,
                                         std::uint8_t code = 0)
{
    std::vector<std::uint8_t> image(size);
    for (std::size_t i = 0; i < size; ++i) {
        image[i] = static_cast<std::uint8_t>(i >> 13);
    }
    if (size >= 32) {
        image[0] = 'A';
        image[1] = 'B';
        image[2] = 0x10;
        image[3] = startHigh;
        for (int i = 4; i < 32; ++i) {
            image[i] = 0;
        }
        if (cd) {
            image[16] = 'C';
            image[17] = 'D';
        }
        image[19] = code;
    }
    return image;
}

TEST(ROMCartridgeTest, AnalyseROMRules)
{
    struct Case {
        const char* name;
        std::size_t size;
        std::uint8_t startHigh;
        bool cd;
        std::uint8_t code;
        std::uint8_t kind;
        std::int32_t blockSize;
        std::int32_t blockCount;
    };
    const Case cases[] = {
        {"page0.rom", 16384, 0x00, false, 0, 0, 16384, 1},
        {"page0_3f.rom", 32768, 0x3F, false, 0, 0, 16384, 2},
        {"page1_32k.rom", 32768, 0x40, false, 0, 1, 16384, 2},
        {"page1_16k.rom", 16384, 0x7F, false, 0, 1, 16384, 1},
        {"page1_8k.rom", 8192, 0x40, false, 0, 1, 8192, 1},
        {"plain_48k.rom", 49152, 0x40, false, 0, 0, 16384, 3},
        {"plain_64k.rom", 65536, 0x40, false, 0, 0, 16384, 4},
        {"ascii8_64k1.rom", 65537, 0x40, false, 0, 5, 8192, 9},
        {"ascii8_128k.rom", 131072, 0x40, false, 0, 5, 8192, 16},
        {"konami.rom", 131072, 0x40, true, 0x00, 3, 8192, 16},
        {"konami_small.rom", 32768, 0x40, true, 0x41, 3, 8192, 4},
        {"scc_q.rom", 131072, 0x40, true, 0x51, 4, 8192, 16},
        {"scc_r.rom", 131072, 0x40, true, 0x52, 4, 8192, 16},
        {"scc_x.rom", 131072, 0x40, true, 0x58, 4, 8192, 16},
        {"scc_y.rom", 131072, 0x40, true, 0x59, 4, 8192, 16},
        {"scc_quote.rom", 131072, 0x40, true, 0x60, 4, 8192, 16},
        {"scc_d.rom", 131072, 0x40, true, 0x64, 4, 8192, 16},
        {"page2_16k.rom", 16384, 0x80, false, 0, 2, 16384, 1},
        {"page2_8k.rom", 8192, 0xBF, false, 0, 2, 8192, 1},
        {"page2_32k.rom", 32768, 0x80, false, 0, 1, 16384, 2},
        {"cd_in_page2.rom", 131072, 0x80, true, 0x52, 1, 16384, 8},
        {"high_c0.rom", 16384, 0xC0, false, 0, 1, 16384, 1},
        {"high_ff.rom", 32768, 0xFF, false, 0, 1, 16384, 2},
        {"odd.rom", 40000, 0x00, false, 0, 0, 16384, 3},
        {"odd_konami.rom", 40000, 0x40, true, 0, 3, 8192, 5},
        {"header_only.rom", 32, 0x40, false, 0, 1, 16384, 1},
        {"largest.rom", TROMCartridge::maximumImageSize, 0x40, false, 0, 5, 8192, 512},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = WriteImage(c.name, CartridgeImage(c.size, c.startHigh, c.cd, c.code));
        TROMAnalysis analysis;
        ASSERT_EQ(TROMCartridge::AnalyseROM(path, analysis), 0);
        EXPECT_EQ(analysis.cartridgeKind, c.kind);
        EXPECT_EQ(analysis.blockSize, c.blockSize);
        EXPECT_EQ(analysis.blockCount, c.blockCount);
    }
}

TEST(ROMCartridgeTest, AnalyseROMRefusesBadFiles)
{
    const std::pair<const char*, std::size_t> files[] = {
        {"empty.rom", 0},
        {"short_header.rom", 31},
        {"too_large.rom", TROMCartridge::maximumImageSize + 1},
    };
    for (const auto& [name, size] : files) {
        SCOPED_TRACE(name);
        const auto path = WriteImage(name, CartridgeImage(size, 0x40));
        TROMAnalysis analysis;
        EXPECT_EQ(TROMCartridge::AnalyseROM(path, analysis), -1);
    }
    TROMAnalysis analysis;
    EXPECT_EQ(TROMCartridge::AnalyseROM(memory_test::MissingFile("missing.rom"), analysis), -1);
    EXPECT_EQ(TROMCartridge::AnalyseROM(memory_test::OutputFolder(), analysis), -1);
}

// What each 8 KB region of the slot shows: the 8 KB block number, or -1 for FFh.
std::vector<int> Regions(TROMCartridge& cartridge)
{
    std::vector<int> shown;
    for (int region = 0; region < 8; ++region) {
        const auto start = static_cast<std::uint16_t>(region << 13);
        const std::uint8_t first = cartridge.Read(static_cast<std::uint16_t>(start + 0x100));
        const std::uint8_t last = cartridge.Read(static_cast<std::uint16_t>(start + 0x1FFF));
        EXPECT_EQ(first, last) << "region " << region;
        shown.push_back(first == 0xFF ? -1 : first);
    }
    return shown;
}

TEST(ROMCartridgeTest, PlainCartridgeLayouts)
{
    struct Case {
        const char* name;
        std::size_t size;
        std::uint8_t startHigh;
        std::vector<int> regions;
    };
    const Case cases[] = {
        {"plain_32k_4010.rom", 32768, 0x40, {-1, -1, 0, 1, 2, 3, -1, -1}},
        {"plain_16k_8010.rom", 16384, 0x80, {-1, -1, -1, -1, 0, 1, -1, -1}},
        {"plain_48k_4000.rom", 49152, 0x40, {0, 1, 2, 3, 4, 5, -1, -1}},
        {"plain_8k_4010.rom", 8192, 0x40, {-1, -1, 0, -1, -1, -1, -1, -1}},
        {"plain_64k_0000.rom", 65536, 0x00, {0, 1, 2, 3, 4, 5, 6, 7}},
        // Blocks past the end of the address space are not shown.
        {"plain_64k_8000.rom", 65536, 0x80, {-1, -1, 0, 1, 2, 3, 4, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = WriteImage(c.name, CartridgeImage(c.size, c.startHigh));
        TROMAnalysis analysis;
        ASSERT_EQ(TROMCartridge::AnalyseROM(path, analysis), 0);
        TROMCartridge cartridge(analysis.cartridgeKind, analysis.blockSize);
        cartridge.SetBlockCount(analysis.blockCount);
        ASSERT_EQ(cartridge.Load(path), 0);
        EXPECT_EQ(cartridge.GetName(), c.name);
        EXPECT_EQ(Regions(cartridge), c.regions);
        // The image is never written and Clear keeps it.
        cartridge.Write(0x4100, 0x55);
        cartridge.Write(0x8100, 0x55);
        cartridge.Clear();
        EXPECT_EQ(Regions(cartridge), c.regions);
    }
}

TEST(ROMCartridgeTest, ShortAndMissingImagesLoadWhatThereIs)
{
    TROMCartridge empty;
    EXPECT_EQ(empty.GetName(), "ROM Cartridge");
    EXPECT_TRUE(empty.OccupiesSlot());
    EXPECT_EQ(empty.AsCartridge(), &empty);
    EXPECT_EQ(empty.GetSCC(), nullptr);
    EXPECT_EQ(Regions(empty), std::vector<int>(8, -1));
    // Without SetBlockCount there is nowhere to load to.
    EXPECT_EQ(empty.Load(WriteImage("no_blocks.rom", CartridgeImage(16384, 0x40))), -1);
    EXPECT_EQ(empty.GetName(), "ROM Cartridge");

    // 40000 bytes in 16 KB blocks: the third block holds 7232 bytes, the rest reads FFh.
    const auto odd = CartridgeImage(40000, 0x00);
    const auto path = WriteImage("short_load.rom", odd);
    TROMCartridge cartridge(0, 16384);
    cartridge.SetName("Cartridge");
    cartridge.SetBlockCount(3);
    EXPECT_EQ(cartridge.Load(path), -1);
    EXPECT_EQ(cartridge.GetName(), "Cartridge");
    EXPECT_EQ(cartridge.Read(0x4100), 2);
    EXPECT_EQ(cartridge.Read(0x9C3F), odd[39999]);
    EXPECT_EQ(cartridge.Read(0x9C40), 0xFF);
    EXPECT_EQ(cartridge.Read(0xBFFF), 0xFF);
    EXPECT_EQ(cartridge.Read(0xC000), 0xFF);

    // A file longer than the blocks: only the blocks are filled.
    const auto longPath = WriteImage("long_load.rom", CartridgeImage(49152, 0x40));
    TROMCartridge longer(1, 16384);
    longer.SetBlockCount(1);
    EXPECT_EQ(longer.Load(longPath), 0);
    EXPECT_EQ(Regions(longer), (std::vector<int>{-1, -1, 0, 1, -1, -1, -1, -1}));

    TROMCartridge missing(1, 16384);
    missing.SetBlockCount(2);
    EXPECT_EQ(missing.Load(memory_test::MissingFile("missing_load.rom")), -1);
    EXPECT_EQ(missing.GetName(), "ROM Cartridge");
    EXPECT_EQ(Regions(missing), std::vector<int>(8, -1));
}

TEST(ROMCartridgeTest, EjectEmptiesTheSlot)
{
    const auto path = WriteImage("eject.rom", CartridgeImage(32768, 0x40));
    TROMCartridge cartridge(1, 16384);
    cartridge.SetBlockCount(2);
    ASSERT_EQ(cartridge.Load(path), 0);
    cartridge.Eject();
    EXPECT_EQ(cartridge.GetName(), "ROM Cartridge");
    EXPECT_EQ(cartridge.GetBlockCount(), 1);
    EXPECT_EQ(cartridge.GetBlockSize(), 16384);
    EXPECT_EQ(cartridge.GetCartridgeKind(), 1);
    EXPECT_EQ(Regions(cartridge), std::vector<int>(8, -1));
    for (int region = 0; region < 8; ++region) {
        EXPECT_EQ(cartridge.GetBankRegister(region), 0);
    }
}

} // namespace
