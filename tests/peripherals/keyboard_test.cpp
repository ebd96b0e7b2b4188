#include "peripherals/keyboard.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

// The key map written out from bit 0 to bit 7, the other way round from the
// stored table; 0 where no host key sits.
const std::uint8_t expectedRows[9][8] = {
    {'0', '1', '2', '3', '4', '5', '6', '7'},
    {'8', '9', 0xBD, 0xBB, 0xDC, 0xDB, 0xDD, 0xBA},
    {0xDE, 0xC0, 0xBC, 0xBE, 0xBF, 0x00, 'A', 'B'},
    {'C', 'D', 'E', 'F', 'G', 'H', 'I', 'J'},
    {'K', 'L', 'M', 'N', 'O', 'P', 'Q', 'R'},
    {'S', 'T', 'U', 'V', 'W', 'X', 'Y', 'Z'},
    {0x10, 0x11, 0x12, 0x14, 0x00, 0x70, 0x71, 0x72},
    {0x73, 0x74, 0x1B, 0x09, 0x77, 0x08, 0x76, 0x0D},
    {0x20, 0x24, 0x2D, 0x2E, 0x25, 0x26, 0x28, 0x27},
};

bool IsMapped(std::uint8_t code)
{
    for (const auto& row : expectedRows) {
        for (std::uint8_t mapped : row) {
            if (code != 0 && mapped == code) {
                return true;
            }
        }
    }
    return false;
}

std::array<std::uint8_t, 16> Matrix(const TKeyboard& keyboard)
{
    std::array<std::uint8_t, 16> rows{};
    for (int row = 0; row < 16; ++row) {
        rows[row] = keyboard.GetMatrixRow(row);
    }
    return rows;
}

TEST(KeyboardTest, EveryHostKeyClearsExactlyItsOwnMatrixBit)
{
    THeldKeys keys;
    TKeyboard keyboard(keys);
    for (int code = 0; code < 256; ++code) {
        keys.ReleaseAll();
        keys.Press(static_cast<std::uint8_t>(code));
        keyboard.Scan();
        std::array<std::uint8_t, 16> expected;
        expected.fill(0xFF);
        for (int row = 0; row < 9; ++row) {
            for (int bit = 0; bit < 8; ++bit) {
                if (code != 0 && expectedRows[row][bit] == code) {
                    expected[row] &= static_cast<std::uint8_t>(~(1U << bit));
                }
            }
        }
        EXPECT_EQ(Matrix(keyboard), expected) << "key code " << code;
    }
}

TEST(KeyboardTest, MatrixChangesOnlyWhenScanned)
{
    THeldKeys keys;
    TKeyboard keyboard(keys);
    keys.Press('A');
    keyboard.SelectRow(2);
    EXPECT_EQ(keyboard.ReadRow(), 0xFF);  // all rows read FFh until the first scan
    keyboard.Scan();
    EXPECT_EQ(keyboard.ReadRow(), 0xBF);
    keys.Release('A');
    EXPECT_EQ(keyboard.ReadRow(), 0xBF);
    keyboard.Scan();
    EXPECT_EQ(keyboard.ReadRow(), 0xFF);
}

TEST(KeyboardTest, ShiftedAndCombinedKeys)
{
    THeldKeys keys;
    TKeyboard keyboard(keys);
    keys.Press(KeyCode::Shift);
    keys.Press('A');
    keys.Press('B');
    keys.Press(KeyCode::Control);
    keys.Press(KeyCode::Up);
    keys.Press(KeyCode::Right);
    keyboard.Scan();
    const std::array<std::uint8_t, 16> rows = Matrix(keyboard);
    EXPECT_EQ(rows[2], 0x3F);
    EXPECT_EQ(rows[6], 0xFC);
    EXPECT_EQ(rows[8], 0x5F);
    for (int row : {0, 1, 3, 4, 5, 7, 9, 10, 11, 12, 13, 14, 15}) {
        EXPECT_EQ(rows[row], 0xFF) << row;
    }
}

TEST(KeyboardTest, RowSelectKeepsFourBits)
{
    THeldKeys keys;
    TKeyboard keyboard(keys);
    keys.Press('S');
    keyboard.Scan();
    keyboard.SelectRow(0x05);
    EXPECT_EQ(keyboard.ReadRow(), 0xFE);
    keyboard.SelectRow(0x0F);
    EXPECT_EQ(keyboard.ReadRow(), 0xFF);
    keyboard.SelectRow(0xF5);
    EXPECT_EQ(keyboard.GetRowIndex(), 0x05);
    EXPECT_EQ(keyboard.ReadRow(), 0xFE);
}

TEST(KeyboardTest, CharactersTypeThroughTheirKeys)
{
    struct Case {
        char character;
        std::uint8_t keyCode;
        bool shift;
    };
    const Case cases[] = {
        {'a', 'A', false}, {'Z', 'Z', true}, {'0', '0', false}, {')', '0', true}, {'@', '2', true},
        {'(', '9', true}, {'-', KeyCode::Minus, false}, {'_', KeyCode::Minus, true},
        {'+', KeyCode::Equals, true}, {':', KeyCode::Semicolon, true}, {'"', KeyCode::Quote, true},
        {'?', KeyCode::Slash, true}, {'~', KeyCode::BackQuote, true}, {'|', KeyCode::Backslash, true},
        {' ', KeyCode::Space, false}, {'\n', KeyCode::Enter, false},
    };
    for (const Case& testCase : cases) {
        const std::optional<TKeyStroke> stroke = KeyStrokeFor(testCase.character);
        ASSERT_TRUE(stroke.has_value()) << testCase.character;
        EXPECT_EQ(stroke->keyCode, testCase.keyCode) << testCase.character;
        EXPECT_EQ(stroke->shift, testCase.shift) << testCase.character;
    }
    // Every printable character has a key in the matrix.
    for (char character = ' '; character <= '~'; ++character) {
        const std::optional<TKeyStroke> stroke = KeyStrokeFor(character);
        ASSERT_TRUE(stroke.has_value()) << character;
        EXPECT_TRUE(IsMapped(stroke->keyCode)) << character;
    }
    EXPECT_FALSE(KeyStrokeFor('\x01').has_value());
    EXPECT_FALSE(KeyStrokeFor('\x7F').has_value());
}

}  // namespace
