#include "io/io_handler.h"

#include <gtest/gtest.h>

#include "memory/memory_mapper.h"
#include "peripherals/ppi8255.h"
#include "peripherals/rtclock.h"
#include "sound/psg.h"

namespace {

TEST(IOHandlerTest, EachPortReachesItsDeviceAndTheRestIsOpenBus) {
    TPPI8255 ppi;
    TFixedClock clock{TLocalDateTime{}};
    TRTClock rtc{clock};
    TPSG psg;
    TMemoryMapper small, large;
    small.SetSize(1);  // 8 segments
    large.SetSize(4);  // 64 segments
    TIOHandler handler;
    handler.SetPPI(&ppi);
    handler.SetRTC(&rtc);
    handler.SetPSG(&psg);
    // Port and value written, then the port read (none for 0) and the value it gives.
    for (const auto& [out, value, in, read] : {std::tuple{0xA0, 0x01, 0, 0}, {0xA1, 0x0B, 0xA2, 0x0B}, {0xAA, 0x35, 0xAA, 0x35},
                                               {0xAB, 0x80, 0xAB, 0x80}, {0xB4, 0x0D, 0xB5, 0xF0}, {0xFE, 0x01, 0xFE, 0xFF}}) {
        handler.WritePort(static_cast<std::uint8_t>(out), static_cast<std::uint8_t>(value));
        EXPECT_TRUE(in == 0 || handler.ReadPort(static_cast<std::uint8_t>(in)) == read) << std::hex << out;
    }
    for (int port = 0; port < 256; ++port) {
        if ((port & 0xFC) == 0xA0 || (port & 0xFC) == 0xA8 || port == 0xB4 || port == 0xB5) continue;
        handler.WritePort(static_cast<std::uint8_t>(port), 0x00);
        EXPECT_EQ(handler.ReadPort(static_cast<std::uint8_t>(port)), 0xFF) << "port " << port;
    }
    // Mapper reads come from the first mapper; writes reach every one.
    handler.AddMemoryMapper(&small);
    handler.AddMemoryMapper(&large);
    handler.WritePort(0xFC, 0x0A);
    EXPECT_EQ(handler.ReadPort(0xFC), 0xFA);
    EXPECT_EQ(large.ReadPort(0xFC), 0xCA);
}

}  // namespace
