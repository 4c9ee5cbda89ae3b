// Saves a picture of the main window as a technician sees it at start, with the simulated
// radio's port in the list, and optionally the Special Settings dialog. Run under a display
// server: xvfb-run -a main-window-screenshot OUT.png [special-settings-flag [SETTINGS.png]]
#include <QApplication>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

#include "app/PortScan.h"
#include "app/QtMessagePump.h"
#include "app/UpdaterDialog.h"
#include "sim/RadioSimulator.h"
#include "ui/SpecialSettingsDialog.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png [special-settings-flag [SETTINGS.png]]\n",
                     argv[0]);
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    updater::InstallQtMessagePump();

    updater::sim::RadioSimulator radio(updater::sim::SimOptions{});
    if (!radio.Start()) {
        std::fprintf(stderr, "no pseudo-terminal for the simulated radio\n");
        return 1;
    }
    updater::LinkPort link;
    updater::UpdaterDialogOptions options;
    options.specialSettingsFlag = argc > 2 ? std::atoi(argv[2]) : 0;
    const std::string port = radio.PortPath();
    options.portEnumerator = [port](updater::SerialPort& probe) {
        return updater::ScanPorts(probe, {port}, updater::PortCheck::OpensOnly);
    };
    updater::UpdaterDialog dialog(nullptr, link, options);
    dialog.OnInitDialog();
    dialog.show();

    bool saved = false;
    QTimer::singleShot(500, &dialog, [&] {
        saved = dialog.grab().save(output);
        if (argc > 3) {
            updater::SpecialSettingsDialog settings(&dialog);
            settings.show();
            saved = settings.grab().save(QString::fromLocal8Bit(argv[3])) && saved;
        }
        std::printf("%s\n%s\n", qPrintable(dialog.windowTitle()), saved ? "saved" : "not saved");
        dialog.hide();
        application.quit();
    });
    application.exec();
    radio.Stop();
    return saved ? 0 : 1;
}
