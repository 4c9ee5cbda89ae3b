// Saves a picture of the main window as a technician sees it at start, with an adapter in the
// port list as the system describes one, and optionally the Special Settings dialog. The
// windows are taken with their frame and caption where a window manager draws them (see
// scripts/screenshots.sh), else their contents alone.
//   main-window-screenshot OUT.png [special-settings-flag [SETTINGS.png]]
#include <QApplication>
#include <QElapsedTimer>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <functional>

#include "app/UpdaterDialog.h"
#include "ui/SpecialSettingsDialog.h"

namespace {

// A window manager needs a moment to frame a new window; it gets this long at most.
constexpr int kFrameWaitMs = 3000;

bool Framed(const QWidget& window) { return window.frameGeometry() != window.geometry(); }

// The window with its frame from the screen, or its contents where nothing frames it.
QPixmap Picture(QWidget& window) {
    if (!Framed(window) || window.screen() == nullptr) return window.grab();
    const QRect frame = window.frameGeometry();
    return window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
}

// Runs then() once the window is framed, or once the wait is over.
void WhenFramed(QWidget& window, std::function<void()> then) {
    auto* clock = new QElapsedTimer;
    clock->start();
    auto* poll = new QTimer(&window);
    QObject::connect(poll, &QTimer::timeout, &window, [&window, clock, poll, then] {
        if (!Framed(window) && clock->elapsed() < kFrameWaitMs) return;
        poll->stop();
        poll->deleteLater();
        delete clock;
        // Let the frame's first painting reach the screen.
        QTimer::singleShot(300, &window, then);
    });
    poll->start(20);
}

// The port of a technician's bench: an FTDI cable as udev describes it.
updater::PortInfo BenchAdapter() {
    updater::PortInfo port;
    port.device = "/dev/ttyUSB0";
    port.description.product = "FT232R USB UART";
    port.description.vendor = "FTDI";
    port.description.usbId = "0403:6001";
    port.description.serial = "A50285BI";
    return port;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png [special-settings-flag [SETTINGS.png]]\n",
                     argv[0]);
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);

    updater::LinkPort link;
    updater::UpdaterDialogOptions options;
    options.specialSettingsFlag = argc > 2 ? std::atoi(argv[2]) : 0;
    options.portEnumerator = [](updater::SerialPort&) {
        return std::vector<updater::PortInfo>{BenchAdapter()};
    };
    updater::UpdaterDialog dialog(nullptr, link, options);
    dialog.OnInitDialog();
    dialog.show();

    bool saved = false;
    updater::SpecialSettingsDialog settings(&dialog, dialog.Settings());
    const auto finish = [&] {
        std::printf("%s\n%s\n", qPrintable(dialog.windowTitle()), saved ? "saved" : "not saved");
        settings.hide();
        dialog.hide();
        application.quit();
    };
    WhenFramed(dialog, [&] {
        saved = Picture(dialog).save(output);
        if (argc <= 3) return finish();
        settings.show();
        WhenFramed(settings, [&] {
            saved = Picture(settings).save(QString::fromLocal8Bit(argv[3])) && saved;
            finish();
        });
    });
    application.exec();
    return saved ? 0 : 1;
}
