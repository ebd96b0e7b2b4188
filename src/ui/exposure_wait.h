#pragma once

#include <QObject>
#include <functional>

class QWidget;

// Runs an action once a window is on the screen. A box shown while its window is
// still being shown (from its show event) may come up before the window is mapped,
// under it or not at all, depending on the window manager's timing: what the user
// must see waits for this.
class TExposureWait : public QObject {
public:
    // The action runs from the event loop, once, after the window is first exposed.
    static void Then(QWidget& window, std::function<void()> action);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TExposureWait(QWidget& window, std::function<void()> action);
    void RunOnce();

    std::function<void()> action;
};
