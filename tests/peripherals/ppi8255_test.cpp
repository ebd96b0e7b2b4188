#include "peripherals/ppi8255.h"

#include "cpu/z80.h"
#include "memory/memory_selector.h"
#include "peripherals/cassette.h"
#include "peripherals/keyboard.h"
#include "sound/psg.h"
#include "support/idle_z80.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

class TRecordingSelector : public TMemorySelector {
public:
    std::vector<std::uint8_t> primaryWrites;
    void SetPrimarySlotRegister(std::uint8_t value) override
    {
        primaryWrites.push_back(value);
        TMemorySelector::SetPrimarySlotRegister(value);
    }
};


// Records what the PPI asks of the recorder, then does it.
class TSpyCassette : public TCassette {
public:
    std::vector<std::string> calls;
    void MotorOn() override { calls.push_back("on"); TCassette::MotorOn(); }
    void MotorOff() override { calls.push_back("off"); TCassette::MotorOff(); }
    void WriteBit(bool level) override { calls.push_back(level ? "high" : "low"); TCassette::WriteBit(level); }
};

struct PPIFixture : ::testing::Test {
    TRecordingSelector selector;
    THeldKeys keys;
    TKeyboard keyboard{keys};
    TPPI8255 ppi;

    void SetUp() override
    {
        ppi.SetMemorySelector(&selector);
        ppi.SetKeyboard(&keyboard);
    }
};

TEST_F(PPIFixture, PortASelectsPrimarySlotsPerPage)
{
    EXPECT_EQ(ppi.ReadPort(0xA8), 0x00);  // the selector's power-on register: slot 0 everywhere
    const std::uint8_t values[] = {0x00, 0xF0, 0x1B, 0xE4, 0xFF};
    for (std::uint8_t value : values) {
        ppi.WritePort(0xA8, value);
        EXPECT_EQ(ppi.ReadPort(0xA8), value);
        for (int page = 0; page < 4; ++page) {
            EXPECT_EQ(selector.GetPagePrimary(page), (value >> (2 * page)) & 3) << int(value) << " page " << page;
        }
    }
    EXPECT_EQ(selector.primaryWrites, std::vector<std::uint8_t>(std::begin(values), std::end(values)));
}

TEST_F(PPIFixture, PortCSelectsTheKeyboardRow)
{
    keys.Press('S');        // row 5 bit 0
    keys.Press(KeyCode::Shift);  // row 6 bit 0
    keyboard.Scan();
    ppi.WritePort(0xAA, 0x05);
    EXPECT_EQ(ppi.ReadPort(0xA9), 0xFE);
    EXPECT_EQ(ppi.ReadPort(0xAA), 0x05);
    ppi.WritePort(0xAA, 0xF6);  // the high bits do not reach the row select
    EXPECT_EQ(ppi.ReadPort(0xA9), 0xFE);
    EXPECT_EQ(keyboard.GetRowIndex(), 6);
    EXPECT_EQ(ppi.ReadPort(0xAA), 0xF6);
    ppi.WritePort(0xA9, 0x00);  // port B is input only
    ppi.WritePort(0xAA, 0x0F);
    EXPECT_EQ(ppi.ReadPort(0xA9), 0xFF);
}

TEST_F(PPIFixture, PortCBitSetResetAndModeSet)
{
    struct Case {
        std::uint8_t control;
        std::uint8_t portC;
    };
    // Starting from port C = 05h (row 5).
    const Case cases[] = {
        {0x09, 0x15},  // set bit 4: motor off
        {0x08, 0x05},  // reset bit 4: motor on
        {0x0B, 0x25},  // set bit 5: output high
        {0x0F, 0x85},  // set bit 7
        {0x00, 0x04},  // reset bit 0
        {0x07, 0x0D},  // set bit 3
        {0x04, 0x01},  // reset bit 2
        {0x71, 0x05},  // bits 4-6 are not part of the command
    };
    keys.Press('S');
    keyboard.Scan();
    for (const Case& testCase : cases) {
        ppi.WritePort(0xAA, 0x05);
        ppi.WritePort(0xAB, testCase.control);
        EXPECT_EQ(ppi.ReadPort(0xAA), testCase.portC) << int(testCase.control);
        EXPECT_EQ(keyboard.GetRowIndex(), 5) << int(testCase.control);
        EXPECT_EQ(ppi.ReadPort(0xA9), 0xFE);
        EXPECT_EQ(ppi.ReadPort(0xAB), 0x00);  // a bit set is no control word
    }
    ppi.WritePort(0xAB, 0x82);  // mode set: port C and the row stay
    EXPECT_EQ(ppi.ReadPort(0xAB), 0x82);
    EXPECT_EQ(ppi.ReadPort(0xAA), 0x05);
    EXPECT_EQ(ppi.ReadPort(0xA9), 0xFE);
    EXPECT_EQ(ppi.ReadPort(0xA7), 0xFF);
    EXPECT_EQ(ppi.ReadPort(0xAC), 0xFF);
}

TEST_F(PPIFixture, PortCWritesDriveTheCassetteMotorAndOutput)
{
    struct Case {
        std::uint8_t port;
        std::uint8_t value;
        std::vector<std::string> calls;
        bool motorOn;
    };
    // Each write passes the whole of port C, whichever port was written.
    const Case cases[] = {
        {0xAA, 0x00, {"on", "low"}, true},
        {0xAA, 0x20, {"high"}, true},
        {0xAA, 0x25, {"high"}, true},     // the level is passed again, changed or not
        {0xAB, 0x0A, {"low"}, true},      // reset bit 5
        {0xAB, 0x09, {"off"}, false},     // set bit 4: motor off
        {0xAB, 0x80, {"off"}, false},     // a mode set passes port C too
        {0xAA, 0x10, {"off"}, false},     // stopped even when nothing changed
        {0xAB, 0x08, {"on", "low"}, true},
        {0xAB, 0x0B, {"high"}, true},
        {0xAA, 0x3F, {"off"}, false},
    };
    TSpyCassette cassette;
    ppi.SetCassette(&cassette);
    for (const Case& testCase : cases) {
        cassette.calls.clear();
        ppi.WritePort(testCase.port, testCase.value);
        SCOPED_TRACE(testing::Message() << std::hex << int(testCase.port) << " " << int(testCase.value));
        EXPECT_EQ(cassette.calls, testCase.calls);
        EXPECT_EQ(cassette.IsMotorOn(), testCase.motorOn);
    }
    cassette.calls.clear();
    ppi.WritePort(0xA8, 0x00);
    ppi.WritePort(0xA9, 0x00);
    ppi.ReadPort(0xAA);
    EXPECT_TRUE(cassette.calls.empty());
}

TEST(PPITest, RecordedOutputPlaysBackThroughThePSG)
{
    const std::filesystem::path folder = std::filesystem::path(QUIB_TEST_OUTPUT_DIR) / "ppi";
    std::filesystem::create_directories(folder);
    const std::filesystem::path image = folder / "record.qcs";
    std::filesystem::remove(image);

    TIdleZ80 z80;
    TCassette cassette;
    cassette.SetZ80(&z80);
    cassette.Open(image, 0, 0);  // 10 minutes, Normal: 15 instructions per sample
    ASSERT_EQ(cassette.GetInstructionsPerSample(), 15);
    TPPI8255 ppi;
    ppi.SetCassette(&cassette);
    TPSG psg;
    psg.SetCassette(&cassette);
    psg.WritePort(0xA0, 14);

    cassette.RecordOn();
    z80.instructionCount = 0;
    ppi.WritePort(0xAA, 0x00);     // motor on, output low
    z80.instructionCount = 1500;   // sample 100
    ppi.WritePort(0xAB, 0x0B);     // output high
    z80.instructionCount = 3000;   // sample 200
    ppi.WritePort(0xAA, 0x00);     // output low
    z80.instructionCount = 4500;   // sample 300
    ppi.WritePort(0xAB, 0x09);     // motor off
    const std::vector<std::uint8_t>& tape = cassette.GetTape();
    auto sample = [&tape](int index) { return (tape[index / 8] >> (index % 8)) & 1; };
    EXPECT_EQ(sample(99), 0);
    EXPECT_EQ(sample(100), 1);
    EXPECT_EQ(sample(199), 1);
    EXPECT_EQ(sample(200), 0);
    EXPECT_EQ(cassette.GetPosition(), 300);

    cassette.RecordOff();
    cassette.Rewind();
    EXPECT_EQ(psg.ReadPort(0xA2) & 0x80, 0);  // motor off: no input
    z80.instructionCount = 6000;
    ppi.WritePort(0xAB, 0x08);  // motor on again
    struct Read {
        std::uint32_t instructions;
        std::uint8_t inputBit;
    };
    const Read reads[] = {{6000 + 15 * 50, 0x00}, {6000 + 15 * 100, 0x80}, {6000 + 15 * 199, 0x80},
                          {6000 + 15 * 200, 0x00}, {6000 + 15 * 250, 0x00}};
    for (const Read& read : reads) {
        z80.instructionCount = read.instructions;
        EXPECT_EQ(psg.ReadPort(0xA2) & 0x80, read.inputBit) << read.instructions;
    }
    ppi.WritePort(0xAA, 0x10);
}

}  // namespace
