#include "ui/exposure_wait.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>

TExposureWait::TExposureWait(QWidget& window, std::function<void()> action)
    : QObject(&window), action(std::move(action)) {}

void TExposureWait::Then(QWidget& window, std::function<void()> action) {
    auto* wait = new TExposureWait(window, std::move(action));
    QWindow* handle = window.windowHandle();
    if (handle && handle->isExposed()) QTimer::singleShot(0, wait, [wait] { wait->RunOnce(); });
    else if (handle) handle->installEventFilter(wait);
    else QTimer::singleShot(0, wait, [wait] { wait->RunOnce(); });
}

bool TExposureWait::eventFilter(QObject* watched, QEvent* event) {
    auto* handle = qobject_cast<QWindow*>(watched);
    if (event->type() == QEvent::Expose && handle && handle->isExposed()) {
        handle->removeEventFilter(this);
        // After the expose has been handled, so that the window is drawn under the box.
        QTimer::singleShot(0, this, [this] { RunOnce(); });
    }
    return false;
}

void TExposureWait::RunOnce() {
    // Deleted first: an action that opens a modal loop must not find this again.
    std::function<void()> run = std::move(action);
    deleteLater();
    if (run) run();
}
