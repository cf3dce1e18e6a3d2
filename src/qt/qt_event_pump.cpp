#include "qt/qt_event_pump.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace halvane::qt {

void QtEventPump::wait_and_dispatch() {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace halvane::qt
