#include <gtest/gtest.h>

#include <cstdint>

#include "memory/memory_mapper.h"

namespace {

TEST(MemoryMapperTest, SizesAndPowerOnPortValues)
{
    struct Case {
        std::int8_t sizeIndex;
        std::int32_t segments;
        std::uint8_t mask;
    };
    const Case cases[] = {
        {0, 4, 0x03}, {1, 8, 0x07}, {2, 16, 0x0F}, {3, 32, 0x1F}, {4, 64, 0x3F}, {5, 128, 0x7F}, {6, 256, 0xFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.sizeIndex));
        TMemoryMapper mapper;
        mapper.SetSize(c.sizeIndex);
        EXPECT_EQ(mapper.GetSegmentCount(), c.segments);
        for (int page = 0; page < 4; ++page) {
            const auto port = static_cast<std::uint8_t>(0xFC + page);
            EXPECT_EQ(mapper.ReadPort(port), static_cast<std::uint8_t>(~c.mask | (3 - page)));
        }
        // Registers keep only the bits of the size; the bits above read as 1.
        mapper.WritePort(0xFE, 0xFF);
        EXPECT_EQ(mapper.GetPageSegment(2), c.mask);
        EXPECT_EQ(mapper.ReadPort(0xFE), 0xFF);
        mapper.WritePort(0xFD, 0x05);
        EXPECT_EQ(mapper.ReadPort(0xFD), static_cast<std::uint8_t>(~c.mask | (0x05 & c.mask)));
        // The last segment is reachable and distinct from segment 0.
        mapper.WritePort(0xFC, 0x00);
        mapper.WritePort(0xFF, c.mask);
        mapper.Write(0xC000, 0x11);
        mapper.Write(0x0000, 0x22);
        EXPECT_EQ(mapper.Read(0xC000), 0x11);
        EXPECT_EQ(mapper.Read(0x0000), 0x22);
    }
}

TEST(MemoryMapperTest, SegmentSwitchingSharesSegmentsAcrossPages)
{
    TMemoryMapper mapper;
    mapper.SetSize(1);
    EXPECT_EQ(mapper.ReadPort(0xFC), 0xFB);
    // Power-on: page 3 shows segment 0, page 0 segment 3.
    mapper.Write(0xC123, 0xA0);
    mapper.Write(0x0123, 0xA3);
    mapper.WritePort(0xFD, 0x00);
    EXPECT_EQ(mapper.Read(0x4123), 0xA0);
    mapper.Write(0x4124, 0xB0);
    EXPECT_EQ(mapper.Read(0xC124), 0xB0);
    mapper.WritePort(0xFF, 0x03);
    EXPECT_EQ(mapper.Read(0xC123), 0xA3);
    mapper.WritePort(0xFF, 0x05);
    EXPECT_EQ(mapper.Read(0xC123), 0x00);
    // 128 KB mapper, register 5 in page 2 answers FDh.
    mapper.WritePort(0xFE, 0x05);
    EXPECT_EQ(mapper.ReadPort(0xFE), 0xFD);
    mapper.WritePort(0xFC, 0x0A);
    EXPECT_EQ(mapper.ReadPort(0xFC), 0xFA);
    // Clear zeroes every segment but keeps the registers.
    mapper.Clear();
    EXPECT_EQ(mapper.ReadPort(0xFC), 0xFA);
    mapper.WritePort(0xFF, 0x00);
    EXPECT_EQ(mapper.Read(0xC124), 0x00);
    mapper.WritePort(0xFF, 0x03);
    EXPECT_EQ(mapper.Read(0xC123), 0x00);
}

TEST(MemoryMapperTest, UnknownSizeKeepsCountAndForeignPortsAreIgnored)
{
    TMemoryMapper fresh;
    EXPECT_EQ(fresh.GetName(), "Memory mapper");
    EXPECT_TRUE(fresh.OccupiesSlot());
    EXPECT_EQ(fresh.GetBankType(), TMemoryBank::memoryMapperType);
    // Before sizing there are no segments: reads give FFh, writes go nowhere.
    fresh.Write(0x0000, 0x12);
    EXPECT_EQ(fresh.Read(0x0000), 0xFF);
    fresh.SetSize(9);
    EXPECT_EQ(fresh.GetSegmentCount(), 4);
    EXPECT_EQ(fresh.Read(0x0000), 0x00);

    TMemoryMapper mapper;
    mapper.SetSize(2);
    mapper.SetSize(-1);
    EXPECT_EQ(mapper.GetSegmentCount(), 16);
    EXPECT_EQ(mapper.ReadPort(0xA8), 0xFF);
    mapper.WritePort(0xA8, 0x00);
    EXPECT_EQ(mapper.ReadPort(0xFC), 0xF3);
}

} // namespace
