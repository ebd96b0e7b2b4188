#include "peripherals/ppi8255.h"

#include <gtest/gtest.h>

#include "peripherals/cassette.h"
#include "peripherals/keyboard.h"

namespace {

// Records what the PPI asks of the recorder, then does it.
struct TSpyCassette : TCassette {
    std::vector<std::string> calls;
    void MotorOn() override { calls.push_back("on"); TCassette::MotorOn(); }
    void MotorOff() override { calls.push_back("off"); TCassette::MotorOff(); }
    void WriteBit(bool level) override { calls.push_back(level ? "high" : "low"); TCassette::WriteBit(level); }
};

TEST(PPITest, PortCSelectsTheRowAndIsSetAndResetBitByBit) {
    THeldKeys keys;
    TKeyboard keyboard{keys};
    TPPI8255 ppi;
    ppi.SetKeyboard(&keyboard);
    keys.Press('S');  // row 5 bit 0
    keyboard.Scan();
    ppi.WritePort(0xAA, 0xF5);  // the high bits do not reach the row select
    EXPECT_EQ(ppi.ReadPort(0xA9), 0xFE);
    EXPECT_EQ(ppi.ReadPort(0xAA), 0xF5);
    // Control word, then port C from 05h; the row stays 5.
    for (const auto& [control, portC] : {std::pair{0x09, 0x15}, {0x08, 0x05}, {0x0B, 0x25}, {0x0F, 0x85},
                                         {0x00, 0x04}, {0x07, 0x0D}, {0x04, 0x01}, {0x71, 0x05}}) {
        ppi.WritePort(0xAA, 0x05);
        ppi.WritePort(0xAB, static_cast<std::uint8_t>(control));
        EXPECT_EQ(ppi.ReadPort(0xAA), portC) << control;
        EXPECT_EQ(ppi.ReadPort(0xA9), 0xFE) << control;
        EXPECT_EQ(ppi.ReadPort(0xAB), 0x00);  // a bit set is no control word
    }
    ppi.WritePort(0xAB, 0x82);  // mode set: port C and the row stay
    EXPECT_EQ(ppi.ReadPort(0xAB), 0x82);
    EXPECT_EQ(ppi.ReadPort(0xAA), 0x05);
}

TEST(PPITest, PortCWritesDriveTheCassetteMotorAndOutput) {
    // Each write passes the whole of port C to the cassette, whichever port was written.
    const std::tuple<std::uint8_t, std::uint8_t, std::vector<std::string>> cases[] = {
        {0xAA, 0x00, {"on", "low"}}, {0xAA, 0x25, {"high"}}, {0xAB, 0x0A, {"low"}},  {0xAB, 0x09, {"off"}},
        {0xAB, 0x80, {"off"}},       {0xAB, 0x08, {"on", "low"}}, {0xAB, 0x0B, {"high"}}, {0xAA, 0x3F, {"off"}}};
    TSpyCassette cassette;
    TPPI8255 ppi;
    ppi.SetCassette(&cassette);
    for (const auto& [port, value, calls] : cases) {
        cassette.calls.clear();
        ppi.WritePort(port, value);
        EXPECT_EQ(cassette.calls, calls) << std::hex << int(port) << " " << int(value);
    }
}

}  // namespace
