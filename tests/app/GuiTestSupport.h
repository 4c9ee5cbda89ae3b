#pragma once
// Helpers of the window tests: reading and answering the message boxes, a simulated radio on
// a pseudo-terminal, and a main window started against it.

#include <QAbstractButton>
#include <QAction>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/UpdaterDialog.h"
#include "link/LinkPort.h"
#include "sim/RadioSimulator.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/WindowCaption.h"

namespace updater::test {

using testing::EmbeddedImageCaption;
using testing::MessageRecorder;
using testing::RecordedMessage;

// Radio options for quick tests: no wire-time delays.
sim::SimOptions QuickRadio();

struct DialogSetup {
    sim::SimOptions radio = QuickRadio();
    int specialSettingsFlag = 0;
    FileChooserFunction fileChooser;
    ImageLoaderFunction imageLoader;  // empty: the real image pipeline

    DialogSetup& Radio(sim::SimOptions options) {
        radio = std::move(options);
        return *this;
    }
    DialogSetup& SpecialSettings() {
        specialSettingsFlag = 1;
        return *this;
    }
    DialogSetup& Chooser(FileChooserFunction f) {
        fileChooser = std::move(f);
        return *this;
    }
    DialogSetup& Loader(ImageLoaderFunction f) {
        imageLoader = std::move(f);
        return *this;
    }
};

// A main window whose port list offers the simulated radio (after a device that is missing).
struct DialogUnderTest {
    explicit DialogUnderTest(DialogSetup setup = {});
    ~DialogUnderTest();

    sim::RadioSimulator radio;
    LinkPort link;
    std::unique_ptr<UpdaterDialog> dialog;
    // The save dialog of "Save trace of the last update…": answers with this path (empty:
    // cancelled) and counts how often it was asked.
    QString traceSavePath;
    int saveDialogs = 0;
};

// "Save trace of the last update…" of the dialog's context menu.
QAction* SaveTraceAction(const UpdaterDialog& dialog);
// Saves the last update's trace through the item into a file of its own and returns the
// file's text.
std::string SaveTrace(DialogUnderTest& under);
// The saved trace of a failed update holds every byte the radio received, in order, and ends
// at the failing step with its code.
void ExpectTraceOfFailure(const std::string& trace, const sim::RadioSimulator& radio,
                          const std::string& failingStep, const std::string& code);

// A loader that yields a valid image of a few blocks per area (tests/support/SmallImage.h).
ImageLoaderFunction SmallImageLoader();

// Empty when the radio holds exactly the image's blocks; else the first difference.
std::string MemoryMismatch(const sim::RadioSimulator& radio, const FirmwareImage& image);

template <typename Widget = QAbstractButton>
Widget* Child(const QWidget& parent, const char* name) {
    return parent.findChild<Widget*>(QString::fromLatin1(name));
}

// Runs action once the modal dialog of type Dialog under owner is up (from its event loop).
template <typename Dialog>
void WhenModalOpens(QWidget& owner, std::function<void(Dialog&)> action) {
    QTimer::singleShot(0, &owner, [&owner, action] {
        Dialog* dialog = owner.findChild<Dialog*>();
        if (dialog != nullptr) action(*dialog);
    });
}

}  // namespace updater::test
