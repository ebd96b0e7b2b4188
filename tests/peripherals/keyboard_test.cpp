#include "peripherals/keyboard.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>

namespace {

struct Position {
    int row;
    int bit;
};

// The key map written out by bit 0 to bit 7, the other way round from the
// stored table.
const std::map<std::uint8_t, Position> expectedPositions = {
    {'0', {0, 0}}, {'1', {0, 1}}, {'2', {0, 2}}, {'3', {0, 3}},
    {'4', {0, 4}}, {'5', {0, 5}}, {'6', {0, 6}}, {'7', {0, 7}},
    {'8', {1, 0}}, {'9', {1, 1}}, {0xBD, {1, 2}}, {0xBB, {1, 3}},
    {0xDC, {1, 4}}, {0xDB, {1, 5}}, {0xDD, {1, 6}}, {0xBA, {1, 7}},
    {0xDE, {2, 0}}, {0xC0, {2, 1}}, {0xBC, {2, 2}}, {0xBE, {2, 3}},
    {0xBF, {2, 4}}, {'A', {2, 6}}, {'B', {2, 7}},
    {'C', {3, 0}}, {'D', {3, 1}}, {'E', {3, 2}}, {'F', {3, 3}},
    {'G', {3, 4}}, {'H', {3, 5}}, {'I', {3, 6}}, {'J', {3, 7}},
    {'K', {4, 0}}, {'L', {4, 1}}, {'M', {4, 2}}, {'N', {4, 3}},
    {'O', {4, 4}}, {'P', {4, 5}}, {'Q', {4, 6}}, {'R', {4, 7}},
    {'S', {5, 0}}, {'T', {5, 1}}, {'U', {5, 2}}, {'V', {5, 3}},
    {'W', {5, 4}}, {'X', {5, 5}}, {'Y', {5, 6}}, {'Z', {5, 7}},
    {0x10, {6, 0}}, {0x11, {6, 1}}, {0x12, {6, 2}}, {0x14, {6, 3}},
    {0x70, {6, 5}}, {0x71, {6, 6}}, {0x72, {6, 7}},
    {0x73, {7, 0}}, {0x74, {7, 1}}, {0x1B, {7, 2}}, {0x09, {7, 3}},
    {0x77, {7, 4}}, {0x08, {7, 5}}, {0x76, {7, 6}}, {0x0D, {7, 7}},
    {0x20, {8, 0}}, {0x24, {8, 1}}, {0x2D, {8, 2}}, {0x2E, {8, 3}},
    {0x25, {8, 4}}, {0x26, {8, 5}}, {0x28, {8, 6}}, {0x27, {8, 7}},
};

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
        if (const auto found = expectedPositions.find(static_cast<std::uint8_t>(code));
            found != expectedPositions.end()) {
            expected[found->second.row] &= static_cast<std::uint8_t>(~(1U << found->second.bit));
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
        {'a', 'A', false}, {'Z', 'Z', true}, {'0', '0', false}, {')', '0', true},
        {'@', '2', true}, {'(', '9', true}, {'-', KeyCode::Minus, false},
        {'_', KeyCode::Minus, true}, {'+', KeyCode::Equals, true}, {':', KeyCode::Semicolon, true},
        {'"', KeyCode::Quote, true}, {'?', KeyCode::Slash, true}, {'~', KeyCode::BackQuote, true},
        {'{', KeyCode::LeftBracket, true}, {'|', KeyCode::Backslash, true},
        {' ', KeyCode::Space, false}, {'\n', KeyCode::Enter, false}, {'\r', KeyCode::Enter, false},
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
        EXPECT_TRUE(expectedPositions.count(stroke->keyCode)) << character;
    }
    EXPECT_FALSE(KeyStrokeFor('\x01').has_value());
    EXPECT_FALSE(KeyStrokeFor('\x7F').has_value());
}

TEST(KeyboardTest, TypedTextReachesTheMatrix)
{
    THeldKeys keys;
    TKeyboard keyboard(keys);
    const std::optional<TKeyStroke> stroke = KeyStrokeFor('*');
    ASSERT_TRUE(stroke.has_value());
    keys.Press(stroke->keyCode);
    if (stroke->shift) {
        keys.Press(KeyCode::Shift);
    }
    keyboard.Scan();
    EXPECT_EQ(keyboard.GetMatrixRow(1), 0xFE);  // the 8 key
    EXPECT_EQ(keyboard.GetMatrixRow(6), 0xFE);  // SHIFT
}

}  // namespace
