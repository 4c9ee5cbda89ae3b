#pragma once
// Helpers of the window tests: reading and answering the message boxes, a simulated radio on
// a pseudo-terminal, and a main window started against it.

#include <QAbstractButton>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/UpdaterDialog.h"
#include "link/LinkPort.h"
#include "sim/RadioSimulator.h"

namespace updater::test {

struct RecordedMessage {
    std::string text;
    std::string caption;
    unsigned style = 0;
};

// Takes over every message box while it lives: records it and answers it with `answer`
// (OK when unset).
class MessageRecorder {
  public:
    MessageRecorder();
    ~MessageRecorder();

    std::vector<RecordedMessage> messages;
    std::function<int(const RecordedMessage&)> answer;
};

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
};

// A valid image of a few blocks per area, so that a whole update takes moments.
FirmwareImage SmallImage();
ImageLoaderFunction SmallImageLoader();

// Empty when the radio holds exactly the image's blocks; else the first difference.
std::string MemoryMismatch(const sim::RadioSimulator& radio, const FirmwareImage& image);

// The version of the image the program carries, as the caption shows it.
std::string EmbeddedImageVersion();

template <typename Widget = QAbstractButton>
Widget* Child(const QWidget& parent, const char* name) {
    return parent.findChild<Widget*>(QString::fromLatin1(name));
}

// The caption the window shows for a version text.
std::string CaptionFor(const std::string& version);

// Runs action once the modal dialog of type Dialog under owner is up (from its event loop).
template <typename Dialog>
void WhenModalOpens(QWidget& owner, std::function<void(Dialog&)> action) {
    QTimer::singleShot(0, &owner, [&owner, action] {
        Dialog* dialog = owner.findChild<Dialog*>();
        if (dialog != nullptr) action(*dialog);
    });
}

}  // namespace updater::test
