#include "app/QtMessagePump.h"

#include <QCoreApplication>
#include <QThread>

#include "protocol/MessagePump.h"

namespace updater {

namespace {

void ServePendingEvents() {
    // The transfer thread pumps too; it has no events of its own to serve.
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr || QThread::currentThread() != application->thread()) return;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace

void InstallQtMessagePump() { SetMessagePump(&ServePendingEvents); }

}  // namespace updater
