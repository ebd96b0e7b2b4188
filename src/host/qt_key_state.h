#pragma once

#include <QObject>
#include <bitset>
#include <cstdint>
#include <map>

#include "peripherals/key_queue.h"

class QKeyEvent;
class QWidget;

// The host keys held down in the screen area, in the key codes of the
// keyboard's key map, queued so that every press and release reaches a scan.
// While the screen area has the keyboard focus every key the map knows is the
// MSX's, Alt included: the area takes those keys before the menu bar's Alt
// and mnemonic handling sees them, so only the window's own shortcuts (F11,
// F12, ...) still act. A key whose press went to another widget never reaches
// the matrix, and losing the focus for any reason (a menu, a dialog, another
// window) releases every key, so that no key sticks whose release went
// elsewhere.
class TQtKeyState : public QObject, public TKeyQueue {
public:
    // The screen area is not owned and must outlive this object.
    explicit TQtKeyState(QWidget& screenArea);

    // Key events are handled by the run loop between batches of steps, a small
    // part of a frame; the keyboard scan takes them from the queue.
    void ReleaseAll();

    // The key code of a Qt key, 0 for keys the key map has no place for. The
    // US layout's shifted symbols give the key they are typed on.
    static std::uint8_t KeyCodeFor(int qtKey);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Whether the key belongs to the MSX rather than to a shortcut of the window.
    bool IsMSXKey(const QKeyEvent& event) const;
    void Press(const QKeyEvent& event);
    void Release(const QKeyEvent& event);

    QWidget& screenArea;
    // Key code by physical key held: a key is released as the code it pressed,
    // whatever Shift did meanwhile to the symbol Qt reports.
    std::map<std::uint64_t, std::uint8_t> heldKeys;
};
