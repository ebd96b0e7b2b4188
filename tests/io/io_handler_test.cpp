#include "io/io_handler.h"

#include <gtest/gtest.h>

#include "memory/memory_mapper.h"
#include "peripherals/ppi8255.h"
#include "peripherals/printer.h"
#include "peripherals/rtclock.h"
#include "sound/psg.h"
#include "video/v9918.h"

namespace {

struct IOHandlerTest : ::testing::Test {
    IOHandlerTest() {
        handler.SetVDP(&vdp);
        handler.SetPPI(&ppi);
        handler.SetRTC(&rtc);
        handler.SetPSG(&psg);
        handler.SetPrinter(&printer);
    }

    TV9918 vdp;
    TPPI8255 ppi;
    TFixedClock clock{TLocalDateTime{}};
    TRTClock rtc{clock};
    TPSG psg;
    TNoPrinterPorts printerPorts;
    TMSXPrinter printer{printerPorts};
    TIOHandler handler;
};

// Each owned range reaches its device: a value written through one port of the
// range reads back through the handler.
TEST_F(IOHandlerTest, OwnedPortsReachTheirDevice) {
    handler.WritePort(0xA0, 0x01);  // PSG register latch
    handler.WritePort(0xA1, 0x0B);
    EXPECT_EQ(handler.ReadPort(0xA2), 0x0B);

    handler.WritePort(0xAA, 0x35);  // PPI port C
    EXPECT_EQ(handler.ReadPort(0xAA), 0x35);
    handler.WritePort(0xAB, 0x80);
    EXPECT_EQ(handler.ReadPort(0xAB), 0x80);

    handler.WritePort(0xB4, 0x0D);  // RTC mode register: block 2
    handler.WritePort(0xB5, 0x02);
    handler.WritePort(0xB4, 0x03);
    handler.WritePort(0xB5, 0x07);
    EXPECT_EQ(handler.ReadPort(0xB5) & 0x0F, 0x07);

    handler.WritePort(0x99, 0x00);  // VDP: write address 0000h, then data
    handler.WritePort(0x99, 0x40);
    handler.WritePort(0x98, 0x5A);
    handler.WritePort(0x99, 0x00);
    handler.WritePort(0x99, 0x00);
    EXPECT_EQ(handler.ReadPort(0x98), 0x5A);
}

TEST_F(IOHandlerTest, UnownedPortsReadOpenBusAndIgnoreWrites) {
    bool isOwned[256] = {};
    for (int port : {0x90, 0x91, 0x98, 0x99, 0x9A, 0x9B, 0xA0, 0xA1, 0xA2, 0xA3, 0xA8, 0xA9, 0xAA, 0xAB, 0xB4, 0xB5,
                     0xFC, 0xFD, 0xFE, 0xFF}) {
        isOwned[port] = true;
    }
    for (int port = 0; port < 256; ++port) {
        if (isOwned[port]) continue;
        handler.WritePort(static_cast<std::uint8_t>(port), 0x00);
        EXPECT_EQ(handler.ReadPort(static_cast<std::uint8_t>(port)), 0xFF) << "port " << port;
    }
    // Without a mapper, the mapper ports are open bus too.
    handler.WritePort(0xFE, 0x01);
    EXPECT_EQ(handler.ReadPort(0xFE), 0xFF);
    // PSG ports A4-A7 are not decoded.
    handler.WritePort(0xA0, 0x01);
    handler.WritePort(0xA1, 0x0B);
    EXPECT_EQ(handler.ReadPort(0xA4), 0xFF);
}

TEST_F(IOHandlerTest, MapperReadsComeFromTheFirstAndWritesReachAll) {
    TMemoryMapper small;
    small.SetSize(1);  // 128 KB: 8 segments
    TMemoryMapper large;
    large.SetSize(4);  // 1 MB: 64 segments
    handler.AddMemoryMapper(&small);
    handler.AddMemoryMapper(&large);

    handler.WritePort(0xFC, 0x0A);
    EXPECT_EQ(handler.ReadPort(0xFC), 0xFA);
    EXPECT_EQ(large.ReadPort(0xFC), 0xCA);
}

}  // namespace
