#include "host/qt_key_state.h"

#include <QAction>
#include <QKeyEvent>
#include <QKeySequence>
#include <QWidget>
#include <algorithm>

using namespace KeyCode;

namespace {

struct TKeyPair {
    int qtKey;
    std::uint8_t keyCode;
};

// Keys other than letters and digits, with the symbols Shift gives on the US
// layout. Right Alt is AltGr on many layouts and counts as Alt, as both Alt
// keys do. Meta is left out: it is the Windows key, which the map has no
// place for.
constexpr TKeyPair otherKeys[] = {
    {Qt::Key_ParenRight, '0'}, {Qt::Key_Exclam, '1'},     {Qt::Key_At, '2'},
    {Qt::Key_NumberSign, '3'}, {Qt::Key_Dollar, '4'},     {Qt::Key_Percent, '5'},
    {Qt::Key_AsciiCircum, '6'}, {Qt::Key_Ampersand, '7'}, {Qt::Key_Asterisk, '8'},
    {Qt::Key_ParenLeft, '9'},
    {Qt::Key_Minus, Minus},               {Qt::Key_Underscore, Minus},
    {Qt::Key_Equal, Equals},              {Qt::Key_Plus, Equals},
    {Qt::Key_Backslash, Backslash},       {Qt::Key_Bar, Backslash},
    {Qt::Key_BracketLeft, LeftBracket},   {Qt::Key_BraceLeft, LeftBracket},
    {Qt::Key_BracketRight, RightBracket}, {Qt::Key_BraceRight, RightBracket},
    {Qt::Key_Semicolon, Semicolon},       {Qt::Key_Colon, Semicolon},
    {Qt::Key_Apostrophe, Quote},          {Qt::Key_QuoteDbl, Quote},
    {Qt::Key_QuoteLeft, BackQuote},       {Qt::Key_AsciiTilde, BackQuote},
    {Qt::Key_Comma, Comma},               {Qt::Key_Less, Comma},
    {Qt::Key_Period, FullStop},           {Qt::Key_Greater, FullStop},
    {Qt::Key_Slash, Slash},               {Qt::Key_Question, Slash},
    {Qt::Key_Shift, Shift},     {Qt::Key_Control, Control}, {Qt::Key_Alt, Alt},
    {Qt::Key_AltGr, Alt},       {Qt::Key_CapsLock, CapsLock},
    {Qt::Key_F1, F1}, {Qt::Key_F2, F2}, {Qt::Key_F3, F3}, {Qt::Key_F4, F4},
    {Qt::Key_F5, F5}, {Qt::Key_F7, F7}, {Qt::Key_F8, F8},
    {Qt::Key_Escape, Escape},   {Qt::Key_Tab, Tab},         {Qt::Key_Backtab, Tab},
    {Qt::Key_Backspace, Backspace}, {Qt::Key_Return, Enter}, {Qt::Key_Enter, Enter},
    {Qt::Key_Space, Space},     {Qt::Key_Home, Home},       {Qt::Key_Insert, Insert},
    {Qt::Key_Delete, Delete},   {Qt::Key_Left, Left},       {Qt::Key_Up, Up},
    {Qt::Key_Down, Down},       {Qt::Key_Right, Right},
};

// The physical key of an event: its scan code, or, on platforms that give
// none, the Qt key, kept apart from every scan code.
std::uint64_t PhysicalKey(const QKeyEvent& event) {
    if (event.nativeScanCode() != 0) return event.nativeScanCode();
    return (std::uint64_t{1} << 32) | static_cast<std::uint32_t>(event.key());
}

}  // namespace

TQtKeyState::TQtKeyState(QWidget& screenArea) : screenArea(screenArea) {
    screenArea.setFocusPolicy(Qt::StrongFocus);
    screenArea.installEventFilter(this);
}

void TQtKeyState::ReleaseAll() {
    heldKeys.clear();
    TKeyQueue::ReleaseAll();
}

std::uint8_t TQtKeyState::KeyCodeFor(int qtKey) {
    // Qt's letter and digit keys are their upper-case ASCII codes, as ours are.
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9)) {
        return static_cast<std::uint8_t>(qtKey);
    }
    for (const TKeyPair& pair : otherKeys) {
        if (pair.qtKey == qtKey) return pair.keyCode;
    }
    return 0;
}

bool TQtKeyState::IsMSXKey(const QKeyEvent& event) const {
    if (KeyCodeFor(event.key()) == 0) return false;
    const QKeySequence typed(event.keyCombination());
    const QList<QAction*> actions = screenArea.window()->findChildren<QAction*>();
    return std::none_of(actions.begin(), actions.end(), [&typed](const QAction* action) {
        return action->isEnabled() && action->shortcuts().contains(typed);
    });
}

void TQtKeyState::Press(const QKeyEvent& event) {
    const std::uint8_t keyCode = KeyCodeFor(event.key());
    if (keyCode == 0) return;
    heldKeys[PhysicalKey(event)] = keyCode;
    TKeyQueue::Press(keyCode);
}

void TQtKeyState::Release(const QKeyEvent& event) {
    auto held = heldKeys.find(PhysicalKey(event));
    if (held == heldKeys.end()) {
        // Without scan codes, a key pressed unshifted and released shifted (or
        // the other way round) reports another Qt key: release the key it is
        // typed on.
        const std::uint8_t keyCode = KeyCodeFor(event.key());
        held = std::find_if(heldKeys.begin(), heldKeys.end(), [keyCode](const auto& key) { return key.second == keyCode; });
    }
    // A key whose press went to another widget is not the MSX's to release.
    if (held == heldKeys.end()) return;
    const std::uint8_t keyCode = held->second;
    heldKeys.erase(held);
    // Both Shift keys are one MSX key: it stays down while either is held.
    const bool stillHeld =
        std::any_of(heldKeys.begin(), heldKeys.end(), [keyCode](const auto& key) { return key.second == keyCode; });
    if (!stillHeld) TKeyQueue::Release(keyCode);
}

bool TQtKeyState::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &screenArea) return false;
    switch (event->type()) {
    case QEvent::ShortcutOverride: {
        // Taking the override keeps the key from the menu bar (Alt alone, Alt
        // with a mnemonic) and from the window's parents.
        const auto& keyEvent = static_cast<const QKeyEvent&>(*event);
        if (!IsMSXKey(keyEvent)) return false;
        event->accept();
        return true;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        const auto& keyEvent = static_cast<const QKeyEvent&>(*event);
        if (KeyCodeFor(keyEvent.key()) == 0) return false;
        // A held key is held until its real release; repeats change nothing.
        if (!keyEvent.isAutoRepeat()) {
            if (event->type() == QEvent::KeyPress) Press(keyEvent);
            else Release(keyEvent);
        }
        // Taken here, so that Tab does not move the focus away from the screen.
        return true;
    }
    case QEvent::FocusOut:
    case QEvent::Hide:
        ReleaseAll();
        return false;
    default:
        return false;
    }
}
