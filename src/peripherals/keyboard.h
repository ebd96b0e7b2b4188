#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <optional>

class TStateReader;
class TStateWriter;

// Host key codes the keyboard matrix is mapped from. Letters and digits are
// their upper-case ASCII codes ('A' = 41h, '0' = 30h). The desktop layer
// translates its own key codes to these.
namespace KeyCode {
constexpr std::uint8_t Backspace = 0x08;
constexpr std::uint8_t Tab = 0x09;
constexpr std::uint8_t Enter = 0x0D;
constexpr std::uint8_t Shift = 0x10;
constexpr std::uint8_t Control = 0x11;
constexpr std::uint8_t Alt = 0x12;  // GRAPH
constexpr std::uint8_t CapsLock = 0x14;
constexpr std::uint8_t Escape = 0x1B;
constexpr std::uint8_t Space = 0x20;
constexpr std::uint8_t Home = 0x24;
constexpr std::uint8_t Left = 0x25;
constexpr std::uint8_t Up = 0x26;
constexpr std::uint8_t Right = 0x27;
constexpr std::uint8_t Down = 0x28;
constexpr std::uint8_t Insert = 0x2D;
constexpr std::uint8_t Delete = 0x2E;
constexpr std::uint8_t F1 = 0x70;
constexpr std::uint8_t F2 = 0x71;
constexpr std::uint8_t F3 = 0x72;
constexpr std::uint8_t F4 = 0x73;
constexpr std::uint8_t F5 = 0x74;
constexpr std::uint8_t F7 = 0x76;  // SELECT
constexpr std::uint8_t F8 = 0x77;  // STOP
constexpr std::uint8_t Semicolon = 0xBA;
constexpr std::uint8_t Equals = 0xBB;
constexpr std::uint8_t Comma = 0xBC;
constexpr std::uint8_t Minus = 0xBD;
constexpr std::uint8_t FullStop = 0xBE;
constexpr std::uint8_t Slash = 0xBF;
constexpr std::uint8_t BackQuote = 0xC0;
constexpr std::uint8_t LeftBracket = 0xDB;
constexpr std::uint8_t Backslash = 0xDC;
constexpr std::uint8_t RightBracket = 0xDD;
constexpr std::uint8_t Quote = 0xDE;
}  // namespace KeyCode

// Host service: which host keys are down, indexed by key code. The host
// brings its state up to date (processing pending key events) before it
// answers, so each scan sees the keys held at that moment.
class TKeyState {
public:
    virtual ~TKeyState() = default;
    virtual std::bitset<256> GetKeysDown() = 0;
};

// A key state driven by hand: for the headless runner and tests.
class THeldKeys : public TKeyState {
public:
    void Press(std::uint8_t keyCode) { keysDown.set(keyCode); }
    void Release(std::uint8_t keyCode) { keysDown.reset(keyCode); }
    void ReleaseAll() { keysDown.reset(); }
    std::bitset<256> GetKeysDown() override { return keysDown; }

private:
    std::bitset<256> keysDown;
};

// The key and the shift state that type a character on the MSX
// international layout.
struct TKeyStroke {
    std::uint8_t keyCode;
    bool shift;
};

// Nothing for characters the keyboard has no key for.
std::optional<TKeyStroke> KeyStrokeFor(char character);

// The 16-row keyboard matrix; a key's bit is 0 while it is down. The matrix
// changes only in Scan, once per frame.
class TKeyboard {
public:
    static constexpr int rowCount = 16;

    // Host key code by matrix row; the first byte of a row is bit 7. Code 0
    // means no host key: that bit always reads 1.
    static const std::array<std::array<std::uint8_t, 8>, rowCount> keyMap;

    explicit TKeyboard(TKeyState& keys);
    virtual ~TKeyboard() = default;

    virtual void Scan();

    std::uint8_t ReadRow() const { return matrix[rowIndex]; }
    void SelectRow(std::uint8_t row) { rowIndex = row & 0x0F; }
    std::uint8_t GetRowIndex() const { return rowIndex; }

    // The matrix as last scanned and the selected row.
    void SaveState(TStateWriter& record) const;
    bool LoadState(TStateReader& record);
    std::uint8_t GetMatrixRow(int row) const { return matrix[row & 0x0F]; }

private:
    TKeyState& keys;
    std::array<std::uint8_t, rowCount> matrix;
    std::uint8_t rowIndex = 0;
};
