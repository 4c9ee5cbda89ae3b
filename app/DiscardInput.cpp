#include "app/DiscardInput.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>

namespace updater {

namespace {

class InputEventSink : public QObject {
  public:
    bool eventFilter(QObject*, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:
            case QEvent::Shortcut:
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseMove:
            case QEvent::Wheel:
            case QEvent::TouchBegin:
            case QEvent::TouchUpdate:
            case QEvent::TouchEnd:
                return true;
            default:
                return false;
        }
    }
};

}  // namespace

void DiscardInput() {
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) return;
    InputEventSink sink;
    application->installEventFilter(&sink);
    // Delivers what the window system and the posted-event queue hold, input swallowed.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    application->removeEventFilter(&sink);
}

}  // namespace updater
