#include "ui/window_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

QRect TWindowPlacement::DebugWindowFrame(const QRect& ownerFrame, const QSize& windowFrame, const QRect& available,
                                         int step) {
    const QSize size = windowFrame.boundedTo(available.size());
    int left = ownerFrame.right() + 1 + gap;
    if (left + size.width() > available.right() + 1) {
        const int besideLeft = ownerFrame.left() - gap - size.width();
        left = besideLeft >= available.left() ? besideLeft : ownerFrame.left() + stepDown * step;
    }
    const int top = ownerFrame.top() + stepDown * step;
    return {QPoint(std::clamp(left, available.left(), available.right() + 1 - size.width()),
                   std::clamp(top, available.top(), available.bottom() + 1 - size.height())),
            size};
}

void TWindowPlacement::PlaceDebugWindow(QWidget& window, const QWidget& owner, int step) {
    const QRect available = owner.screen()->availableGeometry();
    // The decorations a window manager adds are known once the window is shown.
    const QSize decorations = window.frameGeometry().size() - window.geometry().size();
    const QRect frame = DebugWindowFrame(owner.frameGeometry(), window.frameGeometry().size(), available, step);
    if (frame.size() != window.frameGeometry().size()) window.resize(frame.size() - decorations);
    window.move(frame.topLeft());
}

bool TWindowPlacement::IsReachable(const QRect& frame) {
    // The top 20 pixels of the frame, where a title bar is.
    const QRect titleBar(frame.topLeft(), QSize(frame.width(), 20));
    for (const QScreen* screen : QGuiApplication::screens()) {
        const QRect seen = screen->availableGeometry().intersected(titleBar);
        if (seen.width() >= std::min(100, frame.width()) && seen.height() >= 10) return true;
    }
    return false;
}
