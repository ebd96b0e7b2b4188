#include "host/qt_key_state.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>
#include <utility>
#include <vector>

namespace {

class QtKeyStateTest : public testing::Test {
protected:
    static bool Send(QWidget& receiver, QEvent::Type type, int key, quint32 scanCode = 0, bool autoRepeat = false,
                     Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent event(type, key, modifiers, scanCode, 0, 0, QString(), autoRepeat);
        event.ignore();
        QApplication::sendEvent(&receiver, &event);
        return event.isAccepted();
    }
    void Press(int key, quint32 scanCode = 0) { Send(*screen, QEvent::KeyPress, key, scanCode); }
    void Release(int key, quint32 scanCode = 0) { Send(*screen, QEvent::KeyRelease, key, scanCode); }
    // The keys the keyboard's scan sees down once the queued events have been taken, as row * 8 + bit.
    std::vector<int> KeysDown() {
        for (int scan = 0; scan < 8 * TKeyQueue::holdScans; ++scan) keyboard.Scan();
        std::vector<int> down;
        for (int key = 0; key < TKeyboard::rowCount * 8; ++key) {
            if ((keyboard.GetMatrixRow(key / 8) & (1 << key % 8)) == 0) down.push_back(key);
        }
        return down;
    }

    QWidget window;
    QWidget* screen = new QWidget(&window);
    QLineEdit* log = new QLineEdit(&window);
    TQtKeyState keyState{*screen};
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
    EXPECT_EQ(KeysDown(), TKeys{});
    // Without scan codes the symbol's key is released; repeats change nothing.
    Press(Qt::Key_Colon);
    Send(*screen, QEvent::KeyRelease, Qt::Key_Colon, 0, true);
    EXPECT_EQ(KeysDown(), TKeys{15});
    Release(Qt::Key_Semicolon);
    EXPECT_EQ(KeysDown(), TKeys{});
    // A key pressed in another widget is not the MSX's, not even when its release comes here.
    Send(*log, QEvent::KeyPress, Qt::Key_A);
    Release(Qt::Key_A);
    Send(*screen, QEvent::KeyPress, Qt::Key_D, 0, true);
    EXPECT_EQ(KeysDown(), TKeys{});
}

TEST_F(QtKeyStateTest, LosingTheFocusForAnyReasonReleasesEveryKey) {
    for (const Qt::FocusReason why : {Qt::PopupFocusReason, Qt::ActiveWindowFocusReason, Qt::MouseFocusReason,
                                      Qt::OtherFocusReason}) {
        Press(Qt::Key_Shift, 50);
        Press(Qt::Key_Z, 44);
        EXPECT_EQ(KeysDown(), (TKeys{47, 48}));
        QFocusEvent focusOut(QEvent::FocusOut, why);
        QApplication::sendEvent(screen, &focusOut);
        EXPECT_EQ(KeysDown(), TKeys{}) << why;
        Release(Qt::Key_Z, 44);
        Release(Qt::Key_Shift, 50);
    }
}

TEST_F(QtKeyStateTest, TheScreenTakesEveryMappedKeyBeforeShortcutsButTheWindowsOwn) {
    auto* pause = new QAction(&window);
    pause->setShortcut(Qt::Key_F11);
    auto* mute = new QAction(&window);
    mute->setShortcut(QKeySequence(Qt::ControlModifier | Qt::Key_M));
    struct TCase {
        int key;
        Qt::KeyboardModifiers modifiers;
        bool taken;
    };
    for (const TCase& test : {TCase{Qt::Key_Alt, Qt::AltModifier, true}, TCase{Qt::Key_F, Qt::AltModifier, true},
                              TCase{Qt::Key_Tab, Qt::NoModifier, true}, TCase{Qt::Key_M, Qt::NoModifier, true},
                              TCase{Qt::Key_M, Qt::ControlModifier, false}, TCase{Qt::Key_F11, Qt::NoModifier, false},
                              TCase{Qt::Key_Meta, Qt::NoModifier, false}}) {
        EXPECT_EQ(Send(*screen, QEvent::ShortcutOverride, test.key, 0, false, test.modifiers), test.taken)
            << "Qt key 0x" << std::hex << test.key;
    }
}

}  // namespace
