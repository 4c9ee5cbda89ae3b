#include "WindowScenarios.h"

#include <memory>
#include <sstream>

#include "RecordingWindow.h"
#include "tests/support/MessageRecorder.h"
#include "tests/support/SmallImage.h"

namespace updater::testing {

namespace {

using Kind = WindowAction::Kind;
using enum SettingsClick;

// A device name that opens nowhere, so that Write is reported at once without a radio.
constexpr const char* kMissingPort = "no-such-port-for-the-updater";
constexpr const char* kChosenFile = "C:\\images\\radio.mot";

WindowAction Write() { return {Kind::Write, {}, 0, {}}; }
WindowAction Exit(ExitWay way) { return {Kind::Exit, way, 0, {}}; }
WindowAction OpenPortList() { return {Kind::OpenPortList, {}, 0, {}}; }
WindowAction SelectPort(int index) { return {Kind::SelectPort, {}, index, {}}; }
WindowAction SpecialSettings(std::vector<SettingsClick> clicks) {
    return {Kind::SpecialSettings, {}, 0, std::move(clicks)};
}

// What the window shows once started with the two ports COM3 and COM7 and the built-in image.
const std::string kStartUp =
    "Ver. V9.01; Write on, Exit on; list on [COM3 COM7] 0, link COM3; Special Settings hidden; "
    "38400 2 0 0 ''";
// The same in a service build.
const std::string kServiceStartUp =
    "Ver. V9.01; Write on, Exit on; list on [COM3 COM7] 0, link COM3; Special Settings shown; "
    "38400 2 0 0 ''";

std::vector<WindowScenario> MakeScenarios() {
    std::vector<WindowScenario> list;
    const std::vector<std::vector<std::string>> twoPorts{{"COM3", "COM7"}};
    list.push_back({"start-up", 0, true, twoPorts, "", false, ID_OK, {}, {kStartUp}});
    list.push_back({"an invalid image keeps Write grey",
                    0,
                    false,
                    twoPorts,
                    "",
                    false,
                    ID_OK,
                    {Write()},
                    {"Ver. Invalid Firm; Write off, Exit on; list on [COM3 COM7] 0, link COM3; "
                     "Special Settings hidden; 38400 2 0 0 '' | Error | The firmware file selected "
                     "is not valid for this model. | 0",
                     "Ver. Invalid Firm; Write off, Exit on; list on [COM3 COM7] 0, link COM3; "
                     "Special Settings hidden; 38400 2 0 0 ''"}});
    list.push_back({"a service build shows Special Settings",
                    1,
                    true,
                    twoPorts,
                    "",
                    false,
                    ID_OK,
                    {},
                    {kServiceStartUp}});
    list.push_back({"without ports the list is grey and Write says the port cannot be opened",
                    0,
                    true,
                    {{}},
                    "",
                    false,
                    ID_OK,
                    {Write()},
                    {"Ver. V9.01; Write on, Exit on; list off [] -1, link ; Special Settings "
                     "hidden; 38400 2 0 0 ''",
                     "Ver. V9.01; Write on, Exit on; list on [] -1, link ; Special Settings "
                     "hidden; 38400 2 0 0 '' | Error | The COM port cannot be opened. | 16"}});
    list.push_back({"a port that will not open is reported at Write",
                    0,
                    true,
                    {{kMissingPort}},
                    "",
                    false,
                    ID_OK,
                    {Write()},
                    {"Ver. V9.01; Write on, Exit on; list on [no-such-port-for-the-updater] 0, "
                     "link no-such-port-for-the-updater; Special Settings hidden; 38400 2 0 0 ''",
                     "Ver. V9.01; Write on, Exit on; list on [no-such-port-for-the-updater] 0, "
                     "link no-such-port-for-the-updater; Special Settings hidden; 38400 2 0 0 '' | "
                     "Error | The COM port cannot be opened. | 16"}});
    list.push_back({"Write looks again when no port was found",
                    0,
                    true,
                    {{}, {kMissingPort}},
                    "",
                    false,
                    ID_OK,
                    {Write()},
                    {"Ver. V9.01; Write on, Exit on; list off [] -1, link ; Special Settings "
                     "hidden; 38400 2 0 0 ''",
                     "Ver. V9.01; Write on, Exit on; list on [no-such-port-for-the-updater] 0, "
                     "link no-such-port-for-the-updater; Special Settings hidden; 38400 2 0 0 '' | "
                     "Error | The COM port cannot be opened. | 16"}});
    list.push_back({"opening the port list looks again and keeps the selection",
                    0,
                    true,
                    {{"COM3", "COM7"}, {"COM1", "COM3", "COM7"}},
                    "",
                    false,
                    ID_OK,
                    {SelectPort(1), OpenPortList()},
                    {kStartUp,
                     "Ver. V9.01; Write on, Exit on; list on [COM3 COM7] 1, link COM7; Special "
                     "Settings hidden; 38400 2 0 0 ''",
                     "Ver. V9.01; Write on, Exit on; list on [COM1 COM3 COM7] 2, link COM7; "
                     "Special Settings hidden; 38400 2 0 0 ''"}});
    const std::pair<ExitWay, const char*> ways[] = {{ExitWay::ExitButton, "Exit"},
                                                    {ExitWay::Escape, "Esc"},
                                                    {ExitWay::CloseBox, "the close box"}};
    for (const auto& [way, wayName] : ways) {
        for (const int answer : {ID_OK, ID_CANCEL}) {
            list.push_back(
                {std::string(wayName) + " asks first, answered " +
                     (answer == ID_OK ? "OK" : "Cancel"),
                 0,
                 true,
                 twoPorts,
                 "",
                 false,
                 answer,
                 {Exit(way)},
                 {kStartUp, kStartUp + " | Confirmation | Do you wish to exit this program? | 33" +
                                (answer == ID_OK ? " | ended" : "")}});
        }
    }
    list.push_back(
        {"Special Settings Cancel changes nothing",
         1,
         true,
         twoPorts,
         kChosenFile,
         true,
         ID_OK,
         {SpecialSettings({Speed57600, StopBit1, Unencrypted, UseOwnFile, Refer, Cancel})},
         {kServiceStartUp, kServiceStartUp}});
    list.push_back(
        {"Special Settings Set takes the values and reloads the image",
         1,
         true,
         twoPorts,
         "",
         false,
         ID_OK,
         {SpecialSettings({Speed57600, StopBit1, Unencrypted, Set}), SpecialSettings({Cancel})},
         {kServiceStartUp,
          "Ver. V9.01; Write on, Exit on; list on [COM3 COM7] 0, link COM3; Special Settings "
          "shown; 57600 1 1 0 ''",
          "Ver. V9.01; Write on, Exit on; list on [COM3 COM7] 0, link COM3; Special Settings "
          "shown; 57600 1 1 0 ''"}});
    list.push_back({"the check boxes toggle and the last speed counts",
                    1,
                    true,
                    twoPorts,
                    "",
                    false,
                    ID_OK,
                    {SpecialSettings({Unencrypted, Unencrypted, UseOwnFile, UseOwnFile, Speed57600,
                                      Speed38400, StopBit1, StopBit2, Set})},
                    {kServiceStartUp, kServiceStartUp}});
    list.push_back({"an own valid file is loaded",
                    1,
                    true,
                    twoPorts,
                    kChosenFile,
                    true,
                    ID_OK,
                    {SpecialSettings({UseOwnFile, Refer, Set})},
                    {kServiceStartUp,
                     "Ver. V9.01; Write on, Exit on; list on [COM3 COM7] 0, link COM3; Special "
                     "Settings shown; 38400 2 0 1 'C:\\images\\radio.mot'"}});
    list.push_back(
        {"an own invalid file, then back to the built-in image",
         1,
         true,
         twoPorts,
         kChosenFile,
         false,
         ID_OK,
         {SpecialSettings({UseOwnFile, Refer, Set}), SpecialSettings({UseOwnFile, Set}), Write()},
         {kServiceStartUp,
          "Ver. Invalid Firm; Write off, Exit on; list on [COM3 COM7] 0, link COM3; Special "
          "Settings shown; 38400 2 0 1 'C:\\images\\radio.mot' | Error | The firmware file "
          "selected is not valid for this model. | 0",
          "Ver. V9.01; Write on, Exit on; list on [COM3 COM7] 0, link COM3; Special Settings "
          "shown; 38400 2 0 0 'C:\\images\\radio.mot'",
          "Ver. V9.01; Write on, Exit on; list on [COM3 COM7] 0, link COM3; Special Settings "
          "shown; 38400 2 0 0 'C:\\images\\radio.mot' | Error | The COM port cannot be opened. | "
          "16"}});
    list.push_back({"Set needs a file chosen in this showing",
                    1,
                    true,
                    twoPorts,
                    "",
                    false,
                    ID_OK,
                    {SpecialSettings({UseOwnFile, Refer, Set, Cancel})},
                    {kServiceStartUp, kServiceStartUp + " | ERROR | Must input file name | 16"}});
    return list;
}

// Special Settings as the form decides it, clicked as the scenario says; the user's file
// chooser answers with the scenario's file. True when it ended with "Set".
bool RunForm(const WindowScenario& scenario, const std::vector<SettingsClick>& clicks,
             UserSettings& settings, UpdaterWindow& window, WindowView& view) {
    SpecialSettingsForm form(settings);
    bool pathBoxEmpty = true;
    view.settingsForms.push_back({form.CheckedSpeed(), form.CheckedStopBit(),
                                  form.UnencryptedChecked(), form.UseOwnFileChecked(),
                                  form.FileControlsEnabled(), form.FileControlsEnabled(),
                                  pathBoxEmpty});
    for (const SettingsClick click : clicks) {
        switch (click) {
            case Speed57600:
                form.OnSpeed(SpeedButton::Speed57600);
                break;
            case Speed38400:
                form.OnSpeed(SpeedButton::Speed38400);
                break;
            case StopBit1:
                form.OnStopBit(StopBitButton::StopBit1);
                break;
            case StopBit2:
                form.OnStopBit(StopBitButton::StopBit2);
                break;
            case Unencrypted:
                form.OnUnencrypted();
                break;
            case UseOwnFile:
                form.OnUseOwnFile();
                break;
            case Refer:
                // A greyed button takes no click.
                if (!form.FileControlsEnabled()) break;
                form.OnFileChosen(scenario.chosenFile);
                if (!scenario.chosenFile.empty()) pathBoxEmpty = false;
                break;
            case Set:
                if (const auto refusal = form.RefusalOnSet(pathBoxEmpty)) {
                    window.ShowMessage(refusal->text, refusal->caption, refusal->style);
                    break;
                }
                settings = form.Settings();
                return true;
            case Cancel:
                return false;
        }
    }
    return false;
}

const char* SpeedButtonName(SpeedButton button) {
    switch (button) {
        case SpeedButton::Speed57600:
            return "57600";
        case SpeedButton::Speed19200:
            return "19200";
        case SpeedButton::Speed38400:
            break;
    }
    return "38400";
}

const char* SpeedName(SpeedChoice speed) {
    switch (speed) {
        case SpeedChoice::Speed38400ByHiddenButton:
            return "38400-hidden-button";
        case SpeedChoice::Speed57600:
            return "57600";
        case SpeedChoice::Speed38400:
            break;
    }
    return "38400";
}

}  // namespace

const std::vector<WindowScenario>& WindowScenarios() {
    static const std::vector<WindowScenario> scenarios = MakeScenarios();
    return scenarios;
}

FrontOptions ScenarioOptions(const WindowScenario& scenario) {
    FrontOptions options;
    options.specialSettingsFlag = scenario.specialSettingsFlag;
    // The start-up scan and every later look take the scenario's lists in turn.
    auto looks = std::make_shared<size_t>(0);
    const std::vector<std::vector<std::string>> turns = scenario.portLooks;
    const auto look = [turns, looks] {
        std::vector<PortInfo> ports;
        if (turns.empty()) return ports;
        const size_t turn = std::min(*looks, turns.size() - 1);
        ++*looks;
        for (const std::string& device : turns[turn]) ports.push_back(PortInfo{device, {}, {}, {}});
        return ports;
    };
    options.portEnumerator = [look](SerialPort&) { return look(); };
    options.portLister = look;
    const bool builtInValid = scenario.builtInImageValid;
    const std::string chosen = scenario.chosenFile;
    const bool chosenValid = scenario.chosenFileValid;
    options.imageLoader = [=](FirmwareImage& image, const ImageFile& file, ImageLoadForm form) {
        const bool valid = file ? (*file == chosen && chosenValid) : builtInValid;
        return valid && LoadSmallImage(image, file, form);
    };
    return options;
}

std::string MessageLine(const std::string& text, const std::string& caption, unsigned style) {
    return caption + " | " + text + " | " + std::to_string(style);
}

std::vector<WindowView> ExpectedViews(const WindowScenario& scenario) {
    MessageRecorder recorder;
    recorder.answer = [&scenario](const RecordedMessage&) { return scenario.answer; };
    RecordingWindow window;
    LinkPort link;
    UpdaterDialogCore core(window, link, ScenarioOptions(scenario));
    std::vector<WindowView> views;
    size_t messagesSeen = 0;
    const auto look = [&](WindowView view) {
        view.caption = window.caption;
        view.writeEnabled = window.Enabled(DialogControl::Write);
        view.exitEnabled = window.Enabled(DialogControl::Exit);
        view.portListEnabled = window.Enabled(DialogControl::PortList);
        const auto shown = window.shown.find(DialogControl::SpecialSettings);
        view.specialSettingsShown = shown != window.shown.end() && shown->second;
        for (const PortInfo& port : window.ports) view.portLabels.push_back(port.Label());
        view.selectedPort = window.selectedPort;
        view.linkPortName = link.PortName();
        view.settings = core.Settings();
        view.ended = window.ended;
        for (; messagesSeen < recorder.messages.size(); ++messagesSeen) {
            const RecordedMessage& m = recorder.messages[messagesSeen];
            view.messages.push_back(MessageLine(m.text, m.caption, m.style));
        }
        views.push_back(std::move(view));
    };

    core.OnInitDialog();
    look({});
    for (const WindowAction& action : scenario.actions) {
        WindowView view;
        switch (action.kind) {
            case Kind::Write:
                core.OnWrite();
                break;
            case Kind::Exit:
                core.OnCancel();
                break;
            case Kind::OpenPortList:
                core.OnPortListOpening();
                break;
            case Kind::SelectPort:
                window.selectedPort = action.port;
                core.OnSelchangePort(action.port);
                break;
            case Kind::SpecialSettings:
                window.specialSettings = [&](UserSettings& settings) {
                    return RunForm(scenario, action.clicks, settings, window, view);
                };
                core.OnSpecialSettings();
                break;
        }
        look(std::move(view));
    }
    return views;
}

std::string Describe(const std::vector<WindowView>& views) {
    std::ostringstream out;
    for (size_t i = 0; i < views.size(); ++i) {
        const WindowView& v = views[i];
        out << (i == 0 ? "after start-up:" : "after action " + std::to_string(i) + ":") << "\n"
            << "  caption: " << v.caption << "\n"
            << "  enabled: Write " << v.writeEnabled << ", Exit " << v.exitEnabled << ", port list "
            << v.portListEnabled << "; Special Settings shown " << v.specialSettingsShown
            << "\n  ports:";
        for (const std::string& label : v.portLabels) out << " [" << label << "]";
        out << ", selected " << v.selectedPort << ", link on " << v.linkPortName << "\n"
            << "  settings: speed " << static_cast<int>(v.settings.speedChoice) << ", stop bits "
            << v.settings.stopBits << ", unencrypted " << v.settings.unencrypted << ", own file "
            << v.settings.useOwnFile << " " << v.settings.ownFilePath << "\n"
            << "  ended " << v.ended << "\n";
        for (const std::string& message : v.messages) out << "  message: " << message << "\n";
        for (const SettingsFormView& f : v.settingsForms) {
            out << "  Special Settings opened: speed button " << SpeedButtonName(f.speed)
                << ", stop bits " << (f.stopBit == StopBitButton::StopBit2 ? 2 : 1)
                << ", unencrypted " << f.unencrypted << ", own file " << f.useOwnFile << ", Refer "
                << f.referEnabled << ", path box enabled " << f.pathBoxEnabled
                << ", path box empty " << f.pathBoxEmpty << "\n";
        }
    }
    return out.str();
}

std::vector<std::string> Outcome(const std::vector<WindowView>& views) {
    std::vector<std::string> lines;
    const auto onOff = [](bool on) { return on ? "on" : "off"; };
    for (const WindowView& v : views) {
        std::ostringstream line;
        const size_t version = v.caption.find("Ver. ");
        line << (version == std::string::npos ? v.caption : v.caption.substr(version)) << "; Write "
             << onOff(v.writeEnabled) << ", Exit " << onOff(v.exitEnabled) << "; list "
             << onOff(v.portListEnabled) << " [";
        for (size_t i = 0; i < v.portLabels.size(); ++i) {
            line << (i == 0 ? "" : " ") << v.portLabels[i];
        }
        line << "] " << v.selectedPort << ", link " << v.linkPortName << "; Special Settings "
             << (v.specialSettingsShown ? "shown" : "hidden") << "; "
             << SpeedName(v.settings.speedChoice) << " " << v.settings.stopBits << " "
             << v.settings.unencrypted << " " << v.settings.useOwnFile << " '"
             << v.settings.ownFilePath << "'";
        for (const std::string& message : v.messages) line << " | " << message;
        if (v.ended) line << " | ended";
        lines.push_back(line.str());
    }
    return lines;
}

}  // namespace updater::testing
