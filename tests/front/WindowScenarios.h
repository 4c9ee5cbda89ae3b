#pragma once
// One list of what a user does with the main window, walked by the Qt tests and the Win32
// tests alike. What the window must show after each step is not written down here: it is what
// UpdaterDialogCore decides for the same steps (ExpectedViews), so that a toolkit test checks
// only that its controls reach the core and show what the core decided. The decisions
// themselves are asserted in full by the front layer's tests.

#include <string>
#include <vector>

#include "front/SpecialSettingsForm.h"
#include "front/UpdaterDialogCore.h"
#include "protocol/UpdateHost.h"

namespace updater::testing {

// The buttons of Special Settings, as the user clicks them.
enum class SettingsClick {
    Speed57600,
    Speed38400,
    StopBit1,
    StopBit2,
    Unencrypted,
    UseOwnFile,
    Refer,
    Set,
    Cancel
};

// The three ways to ask the main window to end.
enum class ExitWay { ExitButton, Escape, CloseBox };

struct WindowAction {
    enum class Kind { Write, Exit, OpenPortList, SelectPort, SpecialSettings };
    Kind kind = Kind::Write;
    ExitWay way = ExitWay::ExitButton;  // Exit
    int port = 0;                       // SelectPort: the list's entry
    std::vector<SettingsClick> clicks;  // SpecialSettings: while it is open
};

struct WindowScenario {
    std::string name;
    int specialSettingsFlag = 0;
    bool builtInImageValid = true;
    // The devices each look for ports finds (the start-up scan, then each later look), in
    // turn; the last list stays.
    std::vector<std::vector<std::string>> portLooks;
    // What "Refer" chooses (empty: the chooser is cancelled), and whether it is a valid image.
    std::string chosenFile;
    bool chosenFileValid = false;
    // The answer to every message box.
    int answer = ID_OK;
    std::vector<WindowAction> actions;
    // What the core must decide: Outcome() of the views after the start-up and after each
    // action. Asserted by the front layer's tests; the windows' tests compare with the core.
    std::vector<std::string> outcome;
};

const std::vector<WindowScenario>& WindowScenarios();

// The scenario's ports and image, for the core and for either window.
FrontOptions ScenarioOptions(const WindowScenario& scenario);

// Special Settings as it showed when it opened.
struct SettingsFormView {
    SpeedButton speed = SpeedButton::Speed38400;
    StopBitButton stopBit = StopBitButton::StopBit1;
    bool unencrypted = false;
    bool useOwnFile = false;
    bool referEnabled = false;
    bool pathBoxEnabled = false;
    bool pathBoxEmpty = true;
};

// What the main window shows after one step, and what it said and showed meanwhile.
struct WindowView {
    std::string caption;
    bool writeEnabled = false;
    bool exitEnabled = false;
    bool portListEnabled = false;
    bool specialSettingsShown = false;
    std::vector<std::string> portLabels;
    int selectedPort = -1;
    std::string linkPortName;
    UserSettings settings;  // what the core holds once the step is done
    bool ended = false;
    // "caption | text | style" of each message box.
    std::vector<std::string> messages;
    std::vector<SettingsFormView> settingsForms;
};

std::string MessageLine(const std::string& text, const std::string& caption, unsigned style);

// The views after the start-up and after each action, as the core decides them.
std::vector<WindowView> ExpectedViews(const WindowScenario& scenario);

// A readable form of the views, for comparing a window's with the core's.
std::string Describe(const std::vector<WindowView>& views);

// One line per view with what the window shows and says, for writing down a scenario's outcome:
// "Ver. V9.01; Write on, Exit on; list on [COM3 COM7] 0, link COM3; Special Settings hidden;
// 38400 2 0 0 ''", then " | <message>" for each message box and " | ended" once it ended.
std::vector<std::string> Outcome(const std::vector<WindowView>& views);

}  // namespace updater::testing
