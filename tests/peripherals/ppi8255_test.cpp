#include "peripherals/ppi8255.h"

#include "memory/memory_selector.h"
#include "peripherals/keyboard.h"

#include <gtest/gtest.h>

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
    EXPECT_EQ(ppi.ReadPort(0xA8), 0xFF);  // the selector's power-on register
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
    ppi.WritePort(0xAA, 0x0F);
    EXPECT_EQ(ppi.ReadPort(0xA9), 0xFF);
    ppi.WritePort(0xA9, 0x00);  // port B is input only
    EXPECT_EQ(ppi.ReadPort(0xA9), 0xFF);
    EXPECT_EQ(ppi.ReadPort(0xAA), 0x0F);
}

TEST_F(PPIFixture, BitSetResetChangesPortCButNotTheRow)
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
        EXPECT_EQ(ppi.ReadPort(0xAB), 0x00);
    }
}

TEST_F(PPIFixture, ModeSetStoresTheControlWordOnly)
{
    ppi.WritePort(0xAA, 0x35);
    ppi.WritePort(0xAB, 0x80);
    EXPECT_EQ(ppi.ReadPort(0xAB), 0x80);
    EXPECT_EQ(ppi.ReadPort(0xAA), 0x35);
    ppi.WritePort(0xAB, 0x82);
    EXPECT_EQ(ppi.ReadPort(0xAB), 0x82);
    ppi.WritePort(0xAB, 0x01);  // a bit set does not touch the control word
    EXPECT_EQ(ppi.ReadPort(0xAB), 0x82);
    EXPECT_EQ(ppi.ReadPort(0xAA), 0x35);
    EXPECT_EQ(ppi.ReadPort(0xA7), 0xFF);
    EXPECT_EQ(ppi.ReadPort(0xAC), 0xFF);
}

TEST(PPITest, UnwiredPortsReadFF)
{
    TPPI8255 ppi;
    EXPECT_EQ(ppi.ReadPort(0xA8), 0xFF);
    EXPECT_EQ(ppi.ReadPort(0xA9), 0xFF);
    EXPECT_EQ(ppi.ReadPort(0xAA), 0x00);
    EXPECT_EQ(ppi.ReadPort(0xAB), 0x00);
    ppi.WritePort(0xA8, 0x55);
    ppi.WritePort(0xAA, 0x12);
    EXPECT_EQ(ppi.ReadPort(0xAA), 0x12);
}

}  // namespace
