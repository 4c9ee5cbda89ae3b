// The shared window scenarios through the Win32 window, driven by window messages: each
// control and message reaches the core, and the window shows what the core decided for the
// same steps.
#include <gtest/gtest.h>

#include "WinTestSupport.h"
#include "tests/front/WindowScenarios.h"
#include "tests/support/MessageRecorder.h"
#include "win/resource.h"

namespace updater {
namespace {

using testing::ExitWay;
using testing::MessageRecorder;
using testing::SettingsClick;
using testing::WindowAction;
using testing::WindowScenario;
using testing::WindowView;
using wintest::DialogUnderTest;
using wintest::IsChecked;

int ButtonId(SettingsClick click) {
    switch (click) {
        case SettingsClick::Speed57600:
            return IDC_SPEED_57600;
        case SettingsClick::Speed38400:
            return IDC_SPEED_38400;
        case SettingsClick::StopBit1:
            return IDC_STOP_BIT_1;
        case SettingsClick::StopBit2:
            return IDC_STOP_BIT_2;
        case SettingsClick::Unencrypted:
            return IDC_UNENCRYPTED;
        case SettingsClick::UseOwnFile:
            return IDC_USE_OWN_FILE;
        case SettingsClick::Refer:
            return IDC_REFER;
        case SettingsClick::Set:
            return IDOK;
        case SettingsClick::Cancel:
            return IDCANCEL;
    }
    return 0;
}

testing::SettingsFormView ShownForm(HWND settings) {
    testing::SettingsFormView form;
    if (IsChecked(settings, IDC_SPEED_57600)) form.speed = SpeedButton::Speed57600;
    if (IsChecked(settings, IDC_SPEED_19200)) form.speed = SpeedButton::Speed19200;
    if (IsChecked(settings, IDC_SPEED_38400)) form.speed = SpeedButton::Speed38400;
    form.stopBit =
        IsChecked(settings, IDC_STOP_BIT_2) ? StopBitButton::StopBit2 : StopBitButton::StopBit1;
    form.unencrypted = IsChecked(settings, IDC_UNENCRYPTED);
    form.useOwnFile = IsChecked(settings, IDC_USE_OWN_FILE);
    form.referEnabled = IsWindowEnabled(GetDlgItem(settings, IDC_REFER)) != FALSE;
    HWND pathBox = GetDlgItem(settings, IDC_FILE_PATH);
    form.pathBoxEnabled = IsWindowEnabled(pathBox) != FALSE;
    form.pathBoxEmpty = wintest::WindowText(pathBox).empty();
    return form;
}

void Act(DialogUnderTest& under, const WindowAction& action, WindowView& view) {
    HWND dialog = under.Window();
    HWND list = under.Control(IDC_PORT_LIST);
    switch (action.kind) {
        case WindowAction::Kind::Write:
            wintest::Click(dialog, IDC_WRITE);
            break;
        case WindowAction::Kind::Exit:
            if (action.way == ExitWay::ExitButton) {
                wintest::Click(dialog, IDCANCEL);
            } else if (action.way == ExitWay::Escape) {
                // Through the dialog manager, as the key arrives from the keyboard.
                MSG key{
                    GetFocus() != nullptr ? GetFocus() : dialog, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
                IsDialogMessageW(dialog, &key);
            } else {
                SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            }
            break;
        case WindowAction::Kind::OpenPortList:
            // As a click on the list opens it: the dialog is told first.
            SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
            SendMessageW(list, CB_SHOWDROPDOWN, FALSE, 0);
            break;
        case WindowAction::Kind::SelectPort: {
            const auto& ports = under.dialog->Core().Ports();
            ASSERT_LT(static_cast<size_t>(action.port), ports.size());
            EXPECT_TRUE(wintest::SelectPort(under, ports[static_cast<size_t>(action.port)].device));
            break;
        }
        case WindowAction::Kind::SpecialSettings: {
            const std::vector<SettingsClick> clicks = action.clicks;
            wintest::WhenModalOpens watch(L"Special Settings", [clicks, &view](HWND settings) {
                view.settingsForms.push_back(ShownForm(settings));
                for (const SettingsClick click : clicks) {
                    if (!IsWindowVisible(settings)) break;
                    wintest::Click(settings, ButtonId(click));
                }
            });
            wintest::Click(dialog, IDC_SPECIAL_SETTINGS);
            break;
        }
    }
}

std::vector<WindowView> WalkThroughTheWindow(const WindowScenario& scenario) {
    MessageRecorder recorder;
    recorder.answer = [&scenario](const testing::RecordedMessage&) { return scenario.answer; };
    const FrontOptions options = testing::ScenarioOptions(scenario);
    wintest::DialogSetup setup;
    setup.specialSettingsFlag = options.specialSettingsFlag;
    setup.imageLoader = options.imageLoader;
    setup.ports = options.portEnumerator;
    setup.lister = options.portLister;
    const std::string chosen = scenario.chosenFile;
    setup.fileChooser = [chosen](HWND, const std::string&) { return chosen; };
    DialogUnderTest under(setup);
    HWND dialog = under.Window();

    std::vector<WindowView> views;
    size_t messagesSeen = 0;
    const auto look = [&](WindowView view) {
        view.caption = wintest::WindowText(dialog);
        view.writeEnabled = IsWindowEnabled(under.Control(IDC_WRITE)) != FALSE;
        view.exitEnabled = IsWindowEnabled(under.Control(IDCANCEL)) != FALSE;
        view.portListEnabled = IsWindowEnabled(under.Control(IDC_PORT_LIST)) != FALSE;
        // The style bit, not IsWindowVisible: an ended dialog is hidden with all it holds.
        view.specialSettingsShown =
            (GetWindowLongW(under.Control(IDC_SPECIAL_SETTINGS), GWL_STYLE) & WS_VISIBLE) != 0;
        view.portLabels = wintest::PortListItems(dialog);
        view.selectedPort =
            static_cast<int>(SendMessageW(under.Control(IDC_PORT_LIST), CB_GETCURSEL, 0, 0));
        view.linkPortName = under.link.PortName();
        view.settings = under.dialog->Core().Settings();
        view.ended = under.dialog->Ended();
        for (; messagesSeen < recorder.messages.size(); ++messagesSeen) {
            const testing::RecordedMessage& m = recorder.messages[messagesSeen];
            view.messages.push_back(testing::MessageLine(m.text, m.caption, m.style));
        }
        views.push_back(std::move(view));
    };
    look({});
    for (const WindowAction& action : scenario.actions) {
        WindowView view;
        Act(under, action, view);
        look(std::move(view));
    }
    return views;
}

TEST(WinWindowScenarios, TheWin32WindowShowsWhatTheCoreDecides) {
    for (const WindowScenario& scenario : testing::WindowScenarios()) {
        SCOPED_TRACE(scenario.name);
        const std::string expected = testing::Describe(testing::ExpectedViews(scenario));
        EXPECT_EQ(testing::Describe(WalkThroughTheWindow(scenario)), expected);
    }
}

}  // namespace
}  // namespace updater
