#include "host/qt_key_state.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>
#include <QWidget>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

namespace {

class QtKeyStateTest : public testing::Test {
protected:
    static void Send(QObject& receiver, QEvent::Type type, int key, quint32 scanCode = 0, bool autoRepeat = false) {
        QKeyEvent event(type, key, Qt::NoModifier, scanCode, 0, 0, QString(), autoRepeat);
        QApplication::sendEvent(&receiver, &event);
    }
    void Press(int key, quint32 scanCode = 0) { Send(mainWindow, QEvent::KeyPress, key, scanCode); }
    void Release(int key, quint32 scanCode = 0) { Send(mainWindow, QEvent::KeyRelease, key, scanCode); }
    // The keys the keyboard's scan sees down, as row * 8 + bit.
    std::vector<int> KeysDown() {
        keyboard.Scan();
        std::vector<int> down;
        for (int key = 0; key < TKeyboard::rowCount * 8; ++key) {
            if ((keyboard.GetMatrixRow(key / 8) & (1 << key % 8)) == 0) down.push_back(key);
        }
        return down;
    }

    QWidget mainWindow;
    QLineEdit* child = new QLineEdit(&mainWindow);
    TQtKeyState keyState{mainWindow};
    TKeyboard keyboard{keyState};
};

using TKeys = std::vector<int>;

TEST_F(QtKeyStateTest, KeysReachTheirMatrixPositionsAndLeaveOnRelease) {
    // Digits fill the matrix from row 0 bit 0 on, letters from row 2 bit 6 on; the
    // shifted symbols of the US layout give the key they are typed on.
    std::vector<std::pair<int, int>> cases;
    for (int digit = 0; digit < 10; ++digit) cases.emplace_back(Qt::Key_0 + digit, digit);
    for (int letter = 0; letter < 26; ++letter) cases.emplace_back(Qt::Key_A + letter, 22 + letter);
    cases.insert(cases.end(), {{Qt::Key_Slash, 20}, {Qt::Key_Exclam, 1}, {Qt::Key_Colon, 15}, {Qt::Key_AsciiTilde, 17},
                               {Qt::Key_AltGr, 50}, {Qt::Key_F4, 56}, {Qt::Key_F8, 60}, {Qt::Key_Backtab, 59},
                               {Qt::Key_Enter, 63}, {Qt::Key_Right, 71}});
    for (const auto& [key, position] : cases) {
        Press(key);
        EXPECT_EQ(KeysDown(), TKeys{position}) << "Qt key 0x" << std::hex << key;
        Release(key);
        EXPECT_EQ(KeysDown(), TKeys{});
    }
}

TEST_F(QtKeyStateTest, AKeyIsReleasedAsTheCodeItPressedAndOnlyByARealRelease) {
    // With scan codes: "2" pressed unshifted, released while Shift turns it into "@".
    Press(Qt::Key_Shift, 50);
    Press(Qt::Key_2, 11);
    Press(Qt::Key_Shift, 62);
    Release(Qt::Key_Shift, 50);
    EXPECT_EQ(KeysDown(), (TKeys{2, 48})) << "the right Shift still holds Shift";
    Release(Qt::Key_At, 11);
    Release(Qt::Key_Shift, 62);
    // Without scan codes the symbol's key is released; repeats change nothing, keys of other windows neither.
    Press(Qt::Key_Colon);
    Send(mainWindow, QEvent::KeyRelease, Qt::Key_Colon, 0, true);
    EXPECT_EQ(KeysDown(), TKeys{15});
    Release(Qt::Key_Semicolon);
    QWidget dialog;
    Send(dialog, QEvent::KeyPress, Qt::Key_A);
    Send(mainWindow, QEvent::KeyPress, Qt::Key_D, 0, true);
    EXPECT_EQ(KeysDown(), TKeys{});
}

TEST_F(QtKeyStateTest, LeavingTheMainWindowReleasesEveryKey) {
    QWidget otherWindow;
    const auto focusOut = [](Qt::FocusReason why) { return std::make_shared<QFocusEvent>(QEvent::FocusOut, why); };
    const auto state = [](Qt::ApplicationState to) { return std::make_shared<QApplicationStateChangeEvent>(to); };
    const auto deactivate = std::make_shared<QEvent>(QEvent::WindowDeactivate);
    const std::tuple<const char*, QObject*, std::shared_ptr<QEvent>, bool> cases[] = {
        {"main window deactivated", &mainWindow, deactivate, true},
        {"focus gone from the main window", child, focusOut(Qt::ActiveWindowFocusReason), true},
        {"application inactive", QApplication::instance(), state(Qt::ApplicationInactive), true},
        {"application active", QApplication::instance(), state(Qt::ApplicationActive), false},
        {"another window deactivated", &otherWindow, deactivate, false},
        {"another window loses focus", &otherWindow, focusOut(Qt::ActiveWindowFocusReason), false},
    };
    for (const auto& [what, receiver, event, released] : cases) {
        Press(Qt::Key_Shift, 50);
        Press(Qt::Key_Z, 44);
        QApplication::sendEvent(receiver, event.get());
        EXPECT_EQ(KeysDown(), (released ? TKeys{} : TKeys{47, 48})) << what;
        keyState.ReleaseAll();
    }
}

TEST_F(QtKeyStateTest, FocusMovingInsideTheMainWindowKeepsTheKeysAPopupTakingItReleasesThem) {
    QLineEdit* second = new QLineEdit(&mainWindow);
    mainWindow.show();
    mainWindow.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&mainWindow));
    child->setFocus();
    Press(Qt::Key_Tab);
    second->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(KeysDown(), TKeys{59});
    // A popup takes the keys, but the main window's widget stays the application's focus widget.
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QApplication::sendEvent(second, &popup);
    EXPECT_EQ(KeysDown(), TKeys{});
}

}  // namespace
