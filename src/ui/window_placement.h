#pragma once

#include <QRect>

class QWidget;

// Where the debug windows open: beside the main window where the screen has room
// (right, else left), else over it; each a little lower than the one before, and
// always inside the screen's available area, so that no button is out of reach.
class TWindowPlacement {
public:
    // The frame a debug window of that frame size gets, beside or over the owner's
    // frame; one larger than the available area is cut to it.
    static QRect DebugWindowFrame(const QRect& ownerFrame, const QSize& windowFrame, const QRect& available, int step);

    // Moves (and where needed shrinks) the window to that frame on the owner's screen.
    static void PlaceDebugWindow(QWidget& window, const QWidget& owner, int step);

    // Whether a window at that frame would show enough of its title bar to be moved,
    // on any screen: a place kept from another set of screens may not.
    static bool IsReachable(const QRect& frame);

    static constexpr int gap = 8;
    static constexpr int stepDown = 40;
};
