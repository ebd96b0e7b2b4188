#include "host/qt_message_pump.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

void TQtMessagePump::ProcessMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void TQtMessagePump::WaitForMessages(std::chrono::nanoseconds duration) {
    // Blocking in the event loop lets the processor sleep; the precise timer
    // wakes it at the deadline if no other message does.
    const QDeadlineTimer deadline(std::chrono::duration_cast<std::chrono::nanoseconds>(duration), Qt::PreciseTimer);
    QTimer wakeUp;
    wakeUp.setTimerType(Qt::PreciseTimer);
    wakeUp.setSingleShot(true);
    while (!deadline.hasExpired()) {
        wakeUp.start(std::max<qint64>(deadline.remainingTime(), 0));
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}
