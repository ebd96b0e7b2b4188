#include "host/qt_key_state.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QWidget>
#include <algorithm>
#include <array>
#include <initializer_list>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "peripherals/keyboard.h"

namespace {

class QtKeyStateTest : public testing::Test {
protected:
    QWidget mainWindow;
    QLineEdit* child = new QLineEdit(&mainWindow);
    TQtKeyState keyState{mainWindow};
    TKeyboard keyboard{keyState};

    static void Send(QObject& receiver, QEvent::Type type, int key, quint32 scanCode = 0, bool autoRepeat = false) {
        QKeyEvent event(type, key, Qt::NoModifier, scanCode, 0, 0, QString(), autoRepeat);
        QApplication::sendEvent(&receiver, &event);
    }
    void Press(int key, quint32 scanCode = 0) { Send(mainWindow, QEvent::KeyPress, key, scanCode); }
    void Release(int key, quint32 scanCode = 0) { Send(mainWindow, QEvent::KeyRelease, key, scanCode); }

    // The matrix after a scan, with a 0 bit for each key down.
    std::array<std::uint8_t, TKeyboard::rowCount> Scan() {
        keyboard.Scan();
        std::array<std::uint8_t, TKeyboard::rowCount> rows{};
        for (int row = 0; row < TKeyboard::rowCount; ++row) rows[row] = keyboard.GetMatrixRow(row);
        return rows;
    }
    static std::array<std::uint8_t, TKeyboard::rowCount> Matrix(std::initializer_list<std::pair<int, int>> keysDown) {
        std::array<std::uint8_t, TKeyboard::rowCount> rows;
        rows.fill(0xFF);
        for (const auto& [row, bit] : keysDown) rows[row] &= static_cast<std::uint8_t>(~(1U << bit));
        return rows;
    }
};

TEST_F(QtKeyStateTest, EveryKeyReachesItsMatrixPosition) {
    struct Case {
        int qtKey;
        int row;
        int bit;
    };
    // Digits fill the matrix from row 0 bit 0 on, letters from row 2 bit 6 on.
    std::vector<Case> cases;
    for (int digit = 0; digit < 10; ++digit) cases.push_back({Qt::Key_0 + digit, digit / 8, digit % 8});
    for (int letter = 0; letter < 26; ++letter) {
        cases.push_back({Qt::Key_A + letter, (22 + letter) / 8, (22 + letter) % 8});
    }
    cases.insert(cases.end(), {
        {Qt::Key_Minus, 1, 2}, {Qt::Key_Equal, 1, 3}, {Qt::Key_Backslash, 1, 4}, {Qt::Key_BracketLeft, 1, 5},
        {Qt::Key_BracketRight, 1, 6}, {Qt::Key_Semicolon, 1, 7}, {Qt::Key_Apostrophe, 2, 0}, {Qt::Key_QuoteLeft, 2, 1},
        {Qt::Key_Comma, 2, 2}, {Qt::Key_Period, 2, 3}, {Qt::Key_Slash, 2, 4},
        {Qt::Key_Shift, 6, 0}, {Qt::Key_Control, 6, 1}, {Qt::Key_Alt, 6, 2}, {Qt::Key_CapsLock, 6, 3},
        {Qt::Key_F1, 6, 5}, {Qt::Key_F2, 6, 6}, {Qt::Key_F3, 6, 7}, {Qt::Key_F4, 7, 0}, {Qt::Key_F5, 7, 1},
        {Qt::Key_Escape, 7, 2}, {Qt::Key_Tab, 7, 3}, {Qt::Key_F8, 7, 4}, {Qt::Key_Backspace, 7, 5},
        {Qt::Key_F7, 7, 6}, {Qt::Key_Return, 7, 7}, {Qt::Key_Space, 8, 0}, {Qt::Key_Home, 8, 1},
        {Qt::Key_Insert, 8, 2}, {Qt::Key_Delete, 8, 3}, {Qt::Key_Left, 8, 4}, {Qt::Key_Up, 8, 5},
        {Qt::Key_Down, 8, 6}, {Qt::Key_Right, 8, 7},
    });
    std::set<std::pair<int, int>> covered;
    for (const Case& key : cases) covered.insert({key.row, key.bit});
    // Shifted symbols of the US layout, Shift+Tab, AltGr and the keypad's Enter.
    cases.insert(cases.end(), {
        {Qt::Key_ParenRight, 0, 0}, {Qt::Key_Exclam, 0, 1}, {Qt::Key_At, 0, 2}, {Qt::Key_NumberSign, 0, 3},
        {Qt::Key_Dollar, 0, 4}, {Qt::Key_Percent, 0, 5}, {Qt::Key_AsciiCircum, 0, 6}, {Qt::Key_Ampersand, 0, 7},
        {Qt::Key_Asterisk, 1, 0}, {Qt::Key_ParenLeft, 1, 1}, {Qt::Key_Underscore, 1, 2}, {Qt::Key_Plus, 1, 3},
        {Qt::Key_Bar, 1, 4}, {Qt::Key_BraceLeft, 1, 5}, {Qt::Key_BraceRight, 1, 6}, {Qt::Key_Colon, 1, 7},
        {Qt::Key_QuoteDbl, 2, 0}, {Qt::Key_AsciiTilde, 2, 1}, {Qt::Key_Less, 2, 2}, {Qt::Key_Greater, 2, 3},
        {Qt::Key_Question, 2, 4}, {Qt::Key_Backtab, 7, 3}, {Qt::Key_AltGr, 6, 2}, {Qt::Key_Enter, 7, 7},
    });
    for (const Case& key : cases) {
        SCOPED_TRACE(testing::Message() << "Qt key 0x" << std::hex << key.qtKey);
        Press(key.qtKey);
        EXPECT_EQ(Scan(), Matrix({{key.row, key.bit}}));
        Release(key.qtKey);
        EXPECT_EQ(Scan(), Matrix({}));
    }
    int mappedPositions = 0;
    for (const auto& row : TKeyboard::keyMap) {
        mappedPositions += static_cast<int>(std::count_if(row.begin(), row.end(), [](std::uint8_t code) { return code; }));
    }
    EXPECT_EQ(static_cast<int>(covered.size()), mappedPositions) << "every key of the map is tried";
    EXPECT_EQ(TQtKeyState::KeyCodeFor(Qt::Key_Meta), 0);
    EXPECT_EQ(TQtKeyState::KeyCodeFor(Qt::Key_F6), 0);
}

TEST_F(QtKeyStateTest, AKeyIsReleasedAsTheCodeItPressed) {
    // With scan codes: "2" pressed unshifted, released while Shift turns it into "@".
    Press(Qt::Key_Shift, 50);
    Press(Qt::Key_2, 11);
    Press(Qt::Key_Shift, 62);
    Release(Qt::Key_Shift, 50);
    EXPECT_EQ(Scan(), Matrix({{0, 2}, {6, 0}})) << "the right Shift still holds Shift";
    Release(Qt::Key_At, 11);
    EXPECT_EQ(Scan(), Matrix({{6, 0}}));
    Release(Qt::Key_Shift, 62);
    // Without scan codes the symbol's key is released.
    Press(Qt::Key_Colon);
    Release(Qt::Key_Semicolon);
    Press(Qt::Key_Slash);
    Release(Qt::Key_Question);
    EXPECT_EQ(Scan(), Matrix({}));
}

TEST_F(QtKeyStateTest, KeysOfOtherWindowsAndRepeatsChangeNothing) {
    QWidget dialog;
    QLineEdit dialogChild(&dialog);
    Send(dialog, QEvent::KeyPress, Qt::Key_A);
    Send(dialogChild, QEvent::KeyPress, Qt::Key_B);
    Send(*child, QEvent::KeyPress, Qt::Key_C);
    EXPECT_EQ(Scan(), Matrix({{3, 0}})) << "only the main window's child counts";
    Send(dialogChild, QEvent::KeyRelease, Qt::Key_C);
    Send(mainWindow, QEvent::KeyRelease, Qt::Key_C, 0, true);
    Send(mainWindow, QEvent::KeyPress, Qt::Key_D, 0, true);
    EXPECT_EQ(Scan(), Matrix({{3, 0}})) << "C is still held, D never pressed";
}

TEST_F(QtKeyStateTest, LeavingTheMainWindowReleasesEveryKey) {
    QWidget otherWindow;
    QObject& application = *QApplication::instance();
    struct Case {
        const char* what;
        QObject& receiver;
        std::shared_ptr<QEvent> event;
        bool released;
    };
    const auto focusOut = [](Qt::FocusReason reason) {
        return std::make_shared<QFocusEvent>(QEvent::FocusOut, reason);
    };
    const auto state = [](Qt::ApplicationState newState) {
        return std::make_shared<QApplicationStateChangeEvent>(newState);
    };
    const auto deactivate = std::make_shared<QEvent>(QEvent::WindowDeactivate);
    const Case cases[] = {
        {"main window deactivated", mainWindow, deactivate, true},
        {"focus gone from the main window", *child, focusOut(Qt::ActiveWindowFocusReason), true},
        {"a popup takes the focus", *child, focusOut(Qt::PopupFocusReason), true},
        {"application inactive", application, state(Qt::ApplicationInactive), true},
        {"application active", application, state(Qt::ApplicationActive), false},
        {"another window deactivated", otherWindow, deactivate, false},
        {"another window loses focus", otherWindow, focusOut(Qt::ActiveWindowFocusReason), false},
    };
    for (const Case& event : cases) {
        SCOPED_TRACE(event.what);
        Press(Qt::Key_Shift, 50);
        Press(Qt::Key_Z, 44);
        QApplication::sendEvent(&event.receiver, event.event.get());
        EXPECT_EQ(Scan(), event.released ? Matrix({}) : Matrix({{6, 0}, {5, 7}}));
        keyState.ReleaseAll();
    }
}

TEST_F(QtKeyStateTest, FocusMovingInsideTheMainWindowKeepsTheKeys) {
    QLineEdit* second = new QLineEdit(&mainWindow);
    mainWindow.show();
    mainWindow.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&mainWindow));
    child->setFocus();
    Press(Qt::Key_Tab);
    second->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(Scan(), Matrix({{7, 3}}));
    QWidget otherWindow;
    otherWindow.show();
    otherWindow.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&otherWindow));
    EXPECT_EQ(Scan(), Matrix({}));
}

}  // namespace
