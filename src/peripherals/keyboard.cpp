#include "peripherals/keyboard.h"

#include <string_view>

#include "settings/state_record.h"

using namespace KeyCode;

const std::array<std::array<std::uint8_t, 8>, TKeyboard::rowCount> TKeyboard::keyMap = {{
    {'7', '6', '5', '4', '3', '2', '1', '0'},
    {Semicolon, RightBracket, LeftBracket, Backslash, Equals, Minus, '9', '8'},
    {'B', 'A', 0x00, Slash, FullStop, Comma, BackQuote, Quote},
    {'J', 'I', 'H', 'G', 'F', 'E', 'D', 'C'},
    {'R', 'Q', 'P', 'O', 'N', 'M', 'L', 'K'},
    {'Z', 'Y', 'X', 'W', 'V', 'U', 'T', 'S'},
    {F3, F2, F1, 0x00, CapsLock, Alt, Control, Shift},  // bit 3 is CODE, which has no host key
    {Enter, F7, Backspace, F8, Tab, Escape, F5, F4},
    {Right, Down, Up, Left, Delete, Insert, Home, Space},
    {}, {}, {}, {}, {}, {}, {},
}};

TKeyboard::TKeyboard(TKeyState& keys) : keys(keys)
{
    matrix.fill(0xFF);
}

void TKeyboard::Scan()
{
    const std::bitset<256> down = keys.GetKeysDown();
    for (int row = 0; row < rowCount; ++row) {
        std::uint8_t value = 0xFF;
        for (int bit = 0; bit < 8; ++bit) {
            const std::uint8_t code = keyMap[row][7 - bit];
            if (code != 0x00 && down[code]) {
                value &= static_cast<std::uint8_t>(~(1U << bit));
            }
        }
        matrix[row] = value;
    }
}

void TKeyboard::SaveState(TStateWriter& record) const
{
    record.Bytes(matrix);
    record.Byte(rowIndex);
}

bool TKeyboard::LoadState(TStateReader& record)
{
    record.Bytes(matrix);
    rowIndex = record.Byte() & 0x0F;
    return !record.Failed();
}

std::optional<TKeyStroke> KeyStrokeFor(char character)
{
    if (character >= 'a' && character <= 'z') {
        return TKeyStroke{static_cast<std::uint8_t>(character - 'a' + 'A'), false};
    }
    if (character >= 'A' && character <= 'Z') {
        return TKeyStroke{static_cast<std::uint8_t>(character), true};
    }
    if (character >= '0' && character <= '9') {
        return TKeyStroke{static_cast<std::uint8_t>(character), false};
    }
    // Shifted digits, in key order from 0 to 9.
    constexpr std::string_view shiftedDigits = ")!@#$%^&*(";
    if (const auto index = shiftedDigits.find(character); index != std::string_view::npos) {
        return TKeyStroke{static_cast<std::uint8_t>('0' + index), true};
    }
    struct TPunctuation {
        char plain;
        char shifted;
        std::uint8_t keyCode;
    };
    constexpr TPunctuation punctuation[] = {
        {'-', '_', Minus},     {'=', '+', Equals},       {'\\', '|', Backslash},
        {'[', '{', LeftBracket}, {']', '}', RightBracket}, {';', ':', Semicolon},
        {'\'', '"', Quote},    {'`', '~', BackQuote},    {',', '<', Comma},
        {'.', '>', FullStop},  {'/', '?', Slash},
    };
    for (const TPunctuation& key : punctuation) {
        if (character == key.plain) {
            return TKeyStroke{key.keyCode, false};
        }
        if (character == key.shifted) {
            return TKeyStroke{key.keyCode, true};
        }
    }
    switch (character) {
    case ' ': return TKeyStroke{Space, false};
    case '\n':
    case '\r': return TKeyStroke{Enter, false};
    case '\t': return TKeyStroke{Tab, false};
    case '\b': return TKeyStroke{Backspace, false};
    case '\x1B': return TKeyStroke{Escape, false};
    default: return std::nullopt;
    }
}
