#pragma once
// Helpers of the Windows window tests: the real dialog created from its template and driven
// through window messages, as a user's clicks and selections arrive; the radios are
// simulated radios that the test run maps as COM ports (scripts/wine-window.sh).

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/LinkPort.h"
#include "tests/support/WindowCaption.h"
#include "win/UpdaterDialog.h"

namespace updater::wintest {

using testing::EmbeddedImageCaption;

// The COM port of the simulated radio named by the environment variable (see
// scripts/wine-window.sh); the test fails when the run did not provide it.
std::string RadioPort(const char* variable);
// The image file the test run placed for the window to load (a path under C:\Prüfstand\).
std::string ImageFilePath();

struct DialogSetup {
    int specialSettingsFlag = 0;
    win::FileChooser fileChooser;
    ImageLoaderFunction imageLoader;  // empty: the real image pipeline
    PortEnumerator ports;             // empty: COM1 to COM20, every port that opens
    PortLister lister;                // every later look; empty: the system's list

    DialogSetup& SpecialSettings() {
        specialSettingsFlag = 1;
        return *this;
    }
    DialogSetup& Chooser(win::FileChooser chooser) {
        fileChooser = std::move(chooser);
        return *this;
    }
    DialogSetup& Loader(ImageLoaderFunction loader) {
        imageLoader = std::move(loader);
        return *this;
    }
    DialogSetup& Ports(PortEnumerator enumerator) {
        ports = std::move(enumerator);
        return *this;
    }
};

// The main dialog, created from its template and initialised: unless told otherwise it scans
// COM1 to COM20 like the program does, taking every port that opens (a terminal mapped as a
// COM port is no RS-232 port to Windows).
struct DialogUnderTest {
    explicit DialogUnderTest(DialogSetup setup = {});
    ~DialogUnderTest();

    HWND Window() const { return dialog->Window(); }
    HWND Control(int id) const { return dialog->Control(id); }

    LinkPort link;
    std::unique_ptr<win::UpdaterDialog> dialog;
    // The save dialog of "Save trace of the last update…": answers with this path (empty:
    // cancelled) and counts how often it was asked.
    std::string traceSavePath;
    int saveDialogs = 0;
};

// "Save trace of the last update…" in the dialog's system menu.
enum class MenuItemState { Missing, Greyed, Enabled };
MenuItemState SaveTraceItem(HWND dialog);
// Saves the last update's trace through the system menu's item into a file of its own and
// returns the file's text.
std::string SaveTrace(DialogUnderTest& under);
// The bytes the simulated radio of this port variable has received so far (the file that the
// variable with "_RECEIVED" appended names, see scripts/wine-window.sh).
std::vector<uint8_t> ReceivedBytes(const char* portVariable);

// A loader that reads the image file at ImageFilePath() whatever the dialog asks for.
ImageLoaderFunction FileImageLoader();

// A click on the control as the user makes it: nothing happens when it is disabled or
// hidden. Returns whether the click reached the control.
bool Click(HWND dialog, int id);
// The command a control would send, sent straight to the dialog even though the control
// is greyed: what the dialog does must not depend on the greying alone.
void SendCommand(HWND dialog, int id, int notification = BN_CLICKED);
// The user picks the port list's entry of this device ("COM5"); false when there is none or
// the list is greyed.
bool SelectPort(const DialogUnderTest& under, const std::string& device);

std::string WindowText(HWND window);
std::vector<std::string> PortListItems(HWND dialog);
bool IsChecked(HWND dialog, int id);
bool CloseCommandGreyed(HWND dialog);

// Runs action on the modal dialog or message box with this caption once it is up (from its
// own modal loop). Returns false when none came up.
class WhenModalOpens {
  public:
    WhenModalOpens(const std::wstring& caption, std::function<void(HWND)> action);
    ~WhenModalOpens();
    bool Acted() const;

  private:
    UINT_PTR timer_ = 0;
};

}  // namespace updater::wintest
