#pragma once

#include <QObject>
#include <bitset>
#include <cstdint>
#include <map>

#include "peripherals/keyboard.h"

class QKeyEvent;
class QWidget;

// The host keys held down in the main window, in the key codes of the
// keyboard's key map. It watches the key events of the whole application but
// counts only those of the main window's widgets, and never consumes them, so
// menus and shortcuts keep working. When the main window stops receiving keys
// (deactivated, focus gone elsewhere, application inactive) every key is
// released, so that no key sticks whose release went to another window.
class TQtKeyState : public QObject, public TKeyState {
public:
    // The main window is not owned and must outlive this object.
    explicit TQtKeyState(QWidget& mainWindow);

    // Key events are handled by the run loop between batches of steps, a small
    // part of a frame. Handling them here, inside a step, would let a handler
    // rebuild the machine under the keyboard that is scanning.
    std::bitset<256> GetKeysDown() override;
    void ReleaseAll();

    // The key code of a Qt key, 0 for keys the key map has no place for. The
    // US layout's shifted symbols give the key they are typed on.
    static std::uint8_t KeyCodeFor(int qtKey);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool IsInMainWindow(const QObject* object) const;
    void Press(const QKeyEvent& event);
    void Release(const QKeyEvent& event);

    QWidget& mainWindow;
    // Key code by physical key held: a key is released as the code it pressed,
    // whatever Shift did meanwhile to the symbol Qt reports.
    std::map<std::uint64_t, std::uint8_t> heldKeys;
};
