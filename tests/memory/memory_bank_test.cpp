// ROM banks and the memory mapper.
#include "memory/memory_bank.h"

#include <gtest/gtest.h>

#include "memory/memory_mapper.h"
#include "settings/scratch_files.h"

namespace {

TEST(MemoryBankTest, ROMLoadsThe16KItGetsAndReadsFFhForTheRest) {
    Bytes image(16385);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    // File size (-1 for none), result, bytes loaded; the rest reads FFh.
    for (const auto& [size, result, loaded] : {std::tuple{16385, 0, 16384}, {16384, 0, 16384}, {100, -1, 100}, {-1, -1, 0}}) {
        const auto path = ScratchFolder() / std::to_string(size);
        if (size >= 0) WriteFile(path, Bytes(image.begin(), image.begin() + size));
        TROMBank bank;
        EXPECT_EQ(bank.Load(path), result) << size;
        for (int address = 0; address < 16384; address += 33) {
            ASSERT_EQ(bank.Read(static_cast<std::uint16_t>(address + 0x8000)), address < loaded ? image[address] : 0xFF);
        }
        EXPECT_EQ(bank.Read(static_cast<std::uint16_t>(loaded - 1)), loaded > 0 ? image[loaded - 1] : 0xFF) << size;
    }
}

TEST(MemoryMapperTest, RegistersKeepTheBitsOfTheSizeAndSegmentsAreSharedAcrossPages) {
    for (std::int8_t sizeIndex = 0; sizeIndex < 7; ++sizeIndex) {
        SCOPED_TRACE(static_cast<int>(sizeIndex));
        const auto mask = static_cast<std::uint8_t>((4 << sizeIndex) - 1);
        TMemoryMapper mapper;
        mapper.SetSize(sizeIndex);
        // Power-on: page n shows segment 3 - n; the bits above the size read as 1.
        for (int page = 0; page < 4; ++page) {
            EXPECT_EQ(mapper.ReadPort(static_cast<std::uint8_t>(0xFC + page)), static_cast<std::uint8_t>(~mask | (3 - page)));
        }
        mapper.WritePort(0xFC, 0x00);
        mapper.WritePort(0xFF, 0xFF);
        EXPECT_EQ(mapper.ReadPort(0xFF), 0xFF);
        mapper.Write(0xC000, 0x11);
        mapper.Write(0x0000, 0x22);
        EXPECT_EQ(mapper.Read(0xC000), 0x11);
        EXPECT_EQ(mapper.Read(0x0000), 0x22);
    }
    // 128 KB: segments are shared across pages.
    TMemoryMapper mapper;
    mapper.SetSize(1);
    mapper.Write(0xC123, 0xA0);  // segment 0
    mapper.Write(0x0123, 0xA3);  // segment 3
    mapper.WritePort(0xFD, 0x00);
    EXPECT_EQ(mapper.Read(0x4123), 0xA0);
    mapper.WritePort(0xFF, 0x03);
    EXPECT_EQ(mapper.Read(0xC123), 0xA3);
    mapper.WritePort(0xFF, 0x0D);  // 128 KB: bit 3 is dropped
    EXPECT_EQ(mapper.ReadPort(0xFF), 0xFD);
    EXPECT_EQ(mapper.Read(0xC123), 0x00);
    // Clear zeroes every segment but keeps the registers; other ports are not the mapper's.
    mapper.Clear();
    mapper.WritePort(0xA8, 0x00);
    EXPECT_EQ(mapper.ReadPort(0xA8), 0xFF);
    EXPECT_EQ(mapper.ReadPort(0xFF), 0xFD);
    mapper.WritePort(0xFF, 0x03);
    EXPECT_EQ(mapper.Read(0xC123), 0x00);
}

} // namespace
