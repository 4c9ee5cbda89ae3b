// startup-stages: the window program's start-up, step for step as UpdaterApp::Run does it,
// with the time of each stage: the program loaded (until main), Qt started (the application
// object and its display connection), the dialog built, the image loaded, the ports scanned,
// the rest of the dialog's initialisation (caption, status banner), and the window shown until
// its first paint is done. The image loader and the port scan are the program's own, timed
// through the dialog's options. Prints one "<stage> <ms>" line per stage and ends.
#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/UpdaterDialog.h"
#include "front/PortScan.h"
#include "res/EmbeddedImage.h"
#include "ui/UiResources.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Ends the dialog once its first paint is done (the timer runs after the paint event).
class FirstPaint : public QObject {
  public:
    explicit FirstPaint(QDialog& dialog) : dialog_(dialog) {}
    Clock::time_point done{};

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &dialog_ && event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            QTimer::singleShot(0, this, [this] {
                done = Clock::now();
                dialog_.done(0);
            });
        }
        return false;
    }

  private:
    QDialog& dialog_;
    bool seen_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    const Clock::time_point atMain = Clock::now();
    // Started by startup-watch: it says when it started this program.
    Clock::time_point started = atMain;
    if (const char* ns = std::getenv("UPDATER_BENCH_STARTED_NS")) {
        started = Clock::time_point(std::chrono::nanoseconds(std::strtoll(ns, nullptr, 10)));
    }

    QApplication application(argc, argv);
    application.setWindowIcon(updater::ApplicationIcon());
    const Clock::time_point atQt = Clock::now();

    updater::LinkPort link;
    Clock::duration imageLoad{}, portScan{};
    updater::UpdaterDialogOptions options;
    options.imageLoader = [&imageLoad](updater::FirmwareImage& image,
                                       const updater::ImageFile& file,
                                       updater::ImageLoadForm form) {
        const Clock::time_point start = Clock::now();
        const bool valid = updater::LoadAndValidateImage(image, updater::ChosenImage(file), form);
        imageLoad += Clock::now() - start;
        return valid;
    };
    options.portEnumerator = [&portScan](updater::SerialPort& port) {
        const Clock::time_point start = Clock::now();
        std::vector<updater::PortInfo> ports = updater::ScanSystemPorts(port);
        portScan += Clock::now() - start;
        return ports;
    };
    int result = 0;
    {
        updater::UpdaterDialog dialog(nullptr, link, options);
        const Clock::time_point atDialog = Clock::now();
        dialog.OnInitDialog();
        const Clock::time_point atInit = Clock::now();
        FirstPaint firstPaint(dialog);
        dialog.installEventFilter(&firstPaint);
        dialog.exec();
        result = firstPaint.done == Clock::time_point{} ? 1 : 0;

        std::printf("program-loaded %.2f\n", Ms(atMain - started));
        std::printf("qt-started %.2f\n", Ms(atQt - atMain));
        std::printf("dialog-built %.2f\n", Ms(atDialog - atQt));
        std::printf("image-loaded %.2f\n", Ms(imageLoad));
        std::printf("ports-scanned %.2f\n", Ms(portScan));
        std::printf("banner-and-caption %.2f\n", Ms(atInit - atDialog - imageLoad - portScan));
        std::printf("first-paint %.2f\n", Ms(firstPaint.done - atInit));
        std::printf("total %.2f\n", Ms(firstPaint.done - started));
    }
    static_cast<void>(link.SetOpen(0));  // the program ends either way
    return result;
}
