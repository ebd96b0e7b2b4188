#include "peripherals/keyboard.h"

#include <gtest/gtest.h>

#include <array>

namespace {

std::array<std::uint8_t, 16> Matrix(const TKeyboard& keyboard) {
    std::array<std::uint8_t, 16> rows{};
    for (int row = 0; row < 16; ++row) rows[row] = keyboard.GetMatrixRow(row);
    return rows;
}

TEST(KeyboardTest, EachKeyClearsItsOwnRowBitFromTheNextScanUntilReleased) {
    using namespace KeyCode;
    const std::tuple<std::uint8_t, int, int> keys[] = {
        {'0', 0, 0}, {'7', 0, 7}, {'8', 1, 0}, {Semicolon, 1, 7}, {Quote, 2, 0}, {'A', 2, 6}, {'B', 2, 7},
        {'C', 3, 0}, {'R', 4, 7}, {'S', 5, 0}, {'Z', 5, 7}, {Shift, 6, 0}, {Alt, 6, 2}, {F3, 6, 7},
        {F4, 7, 0}, {Enter, 7, 7}, {Space, 8, 0}, {Right, 8, 7}};
    THeldKeys held;
    TKeyboard keyboard(held);
    std::array<std::uint8_t, 16> released;
    released.fill(0xFF);
    for (const auto& [code, row, bit] : keys) {
        held.Press(code);
        EXPECT_EQ(Matrix(keyboard), released);
        keyboard.Scan();
        std::array<std::uint8_t, 16> expected = released;
        expected[row] = static_cast<std::uint8_t>(~(1U << bit));
        EXPECT_EQ(Matrix(keyboard), expected) << "key code " << int(code);
        keyboard.SelectRow(static_cast<std::uint8_t>(0xF0 | row));  // the row select is four bits
        EXPECT_EQ(keyboard.ReadRow(), expected[row]);
        held.Release(code);
        keyboard.Scan();
    }
    held.Press('A');
    held.Press('B');
    keyboard.Scan();
    EXPECT_EQ(keyboard.GetMatrixRow(2), 0x3F);
}

TEST(KeyboardTest, CharactersTypeThroughTheirKeys) {
    // Every printable character has a key in the matrix.
    for (char character = ' '; character <= '~'; ++character) {
        const auto stroke = KeyStrokeFor(character);
        ASSERT_TRUE(stroke.has_value()) << character;
        THeldKeys held;
        held.Press(stroke->keyCode);
        TKeyboard keyboard(held);
        keyboard.Scan();
        EXPECT_NE(Matrix(keyboard), Matrix(TKeyboard(held))) << character;
    }
    EXPECT_TRUE(KeyStrokeFor(')')->keyCode == '0' && KeyStrokeFor(')')->shift);
    EXPECT_FALSE(KeyStrokeFor('\x01').has_value());
}

}  // namespace
