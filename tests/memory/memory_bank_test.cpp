#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <vector>

#include "memory/image_file.h"
#include "memory/memory_bank.h"

namespace {

using memory_test::Pattern;
using memory_test::WriteImage;

TEST(MemoryBankTest, EmptyBankReadsFFAndIgnoresWrites)
{
    TMemoryBank bank;
    EXPECT_EQ(bank.GetBankType(), TMemoryBank::emptyBankType);
    EXPECT_EQ(bank.GetName(), "N/A");
    EXPECT_FALSE(bank.OccupiesSlot());
    EXPECT_EQ(bank.AsCartridge(), nullptr);
    for (std::uint32_t address : {0x0000u, 0x3FFFu, 0x8000u, 0xFFFFu}) {
        bank.Write(static_cast<std::uint16_t>(address), 0x12);
        EXPECT_EQ(bank.Read(static_cast<std::uint16_t>(address)), 0xFF);
    }
}

TEST(MemoryBankTest, RAMAnswersModulo16KAndClears)
{
    TRAMBank bank;
    EXPECT_EQ(bank.GetName(), "RAM");
    EXPECT_EQ(bank.Read(0x1234), 0x00);
    bank.Write(0x4001, 0xA5);
    EXPECT_EQ(bank.Read(0x0001), 0xA5);
    EXPECT_EQ(bank.Read(0xC001), 0xA5);
    bank.Write(0xFFFF, 0x5A);
    EXPECT_EQ(bank.Read(0x3FFF), 0x5A);
    bank.Clear();
    EXPECT_EQ(bank.Read(0x0001), 0x00);
    EXPECT_EQ(bank.Read(0x3FFF), 0x00);
}

TEST(MemoryBankTest, ROMIgnoresWriteAndClear)
{
    const auto path = WriteImage("rom16k.bin", Pattern(16384));
    TROMBank bank;
    ASSERT_EQ(bank.Load(path), 0);
    const std::uint8_t before = bank.Read(0x0100);
    bank.Write(0x0100, static_cast<std::uint8_t>(~before));
    bank.Clear();
    EXPECT_EQ(bank.Read(0x0100), before);
    EXPECT_EQ(bank.Read(0x8100), before);
}

TEST(MemoryBankTest, ROMLoadResults)
{
    struct Case {
        const char* name;
        std::size_t size;
        bool present;
        std::int32_t result;
        std::size_t loaded;
    };
    const Case cases[] = {
        {"exact.bin", 16384, true, 0, 16384},
        {"longer.bin", 16385, true, 0, 16384},
        {"short.bin", 100, true, -1, 100},
        {"empty.bin", 0, true, -1, 0},
        {"missing.bin", 0, false, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto image = Pattern(c.size);
        const auto path = c.present ? WriteImage(c.name, image) : memory_test::MissingFile(c.name);
        TROMBank bank;
        EXPECT_EQ(bank.Load(path), c.result);
        for (std::size_t address = 0; address < 16384; address += 33) {
            const std::uint8_t expected = address < c.loaded ? image[address] : 0xFF;
            ASSERT_EQ(bank.Read(static_cast<std::uint16_t>(address)), expected) << address;
        }
        if (c.loaded > 0) {
            // The last byte read lands exactly where it belongs.
            EXPECT_EQ(bank.Read(static_cast<std::uint16_t>(c.loaded - 1)), image[c.loaded - 1]);
        }
    }
    TROMBank folder;
    EXPECT_EQ(folder.Load(memory_test::OutputFolder()), -1);
    EXPECT_EQ(folder.Read(0x0000), 0xFF);
}

} // namespace
