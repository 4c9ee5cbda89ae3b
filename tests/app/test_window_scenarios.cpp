// The shared window scenarios through the Qt window: each control reaches the core, and the
// window shows what the core decided for the same steps.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>

#include "GuiTestSupport.h"
#include "tests/front/WindowScenarios.h"
#include "ui/SpecialSettingsDialog.h"

namespace updater {
namespace {

using test::Child;
using testing::ExitWay;
using testing::SettingsClick;
using testing::WindowAction;
using testing::WindowScenario;
using testing::WindowView;

const char* ButtonName(SettingsClick click) {
    switch (click) {
        case SettingsClick::Speed57600:
            return "speed57600";
        case SettingsClick::Speed38400:
            return "speed38400";
        case SettingsClick::StopBit1:
            return "stopBit1";
        case SettingsClick::StopBit2:
            return "stopBit2";
        case SettingsClick::Unencrypted:
            return "unencrypted";
        case SettingsClick::UseOwnFile:
            return "useOwnFile";
        case SettingsClick::Refer:
            return "referButton";
        case SettingsClick::Set:
            return "setButton";
        case SettingsClick::Cancel:
            return "cancelButton";
    }
    return "";
}

testing::SettingsFormView ShownForm(const SpecialSettingsDialog& dialog) {
    testing::SettingsFormView form;
    if (Child(dialog, "speed57600")->isChecked()) form.speed = SpeedButton::Speed57600;
    if (Child(dialog, "speed19200")->isChecked()) form.speed = SpeedButton::Speed19200;
    if (Child(dialog, "speed38400")->isChecked()) form.speed = SpeedButton::Speed38400;
    form.stopBit =
        Child(dialog, "stopBit2")->isChecked() ? StopBitButton::StopBit2 : StopBitButton::StopBit1;
    form.unencrypted = Child(dialog, "unencrypted")->isChecked();
    form.useOwnFile = Child(dialog, "useOwnFile")->isChecked();
    form.referEnabled = Child(dialog, "referButton")->isEnabled();
    const auto* pathBox = Child<QLineEdit>(dialog, "filePathEdit");
    form.pathBoxEnabled = pathBox->isEnabled();
    form.pathBoxEmpty = pathBox->text().isEmpty();
    return form;
}

void Act(UpdaterDialog& dialog, const WindowAction& action, WindowView& view) {
    auto* ports = Child<QComboBox>(dialog, "portList");
    switch (action.kind) {
        case WindowAction::Kind::Write:
            Child(dialog, "writeButton")->click();
            break;
        case WindowAction::Kind::Exit:
            if (action.way == ExitWay::ExitButton) {
                Child(dialog, "exitButton")->click();
            } else if (action.way == ExitWay::Escape) {
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QCoreApplication::sendEvent(&dialog, &escape);
            } else {
                dialog.close();
            }
            break;
        case WindowAction::Kind::OpenPortList:
            ports->showPopup();
            ports->hidePopup();
            break;
        case WindowAction::Kind::SelectPort:
            ports->setCurrentIndex(action.port);
            emit ports->activated(action.port);  // as the user's pick announces it
            break;
        case WindowAction::Kind::SpecialSettings: {
            const std::vector<SettingsClick> clicks = action.clicks;
            test::WhenModalOpens<SpecialSettingsDialog>(
                dialog, [clicks, &view](SpecialSettingsDialog& settings) {
                    view.settingsForms.push_back(ShownForm(settings));
                    for (const SettingsClick click : clicks) {
                        if (!settings.isVisible()) break;
                        Child(settings, ButtonName(click))->click();
                    }
                });
            Child(dialog, "specialSettingsButton")->click();
            break;
        }
    }
}

std::vector<WindowView> WalkThroughTheWindow(const WindowScenario& scenario) {
    test::MessageRecorder recorder;
    recorder.answer = [&scenario](const test::RecordedMessage&) { return scenario.answer; };
    LinkPort link;
    UpdaterDialogOptions options;
    static_cast<FrontOptions&>(options) = testing::ScenarioOptions(scenario);
    const QString chosen = QString::fromStdString(scenario.chosenFile);
    options.fileChooser = [chosen](QWidget*, const QString&) { return chosen; };
    UpdaterDialog dialog(nullptr, link, options);
    dialog.OnInitDialog();
    dialog.show();

    std::vector<WindowView> views;
    size_t messagesSeen = 0;
    const auto look = [&](WindowView view) {
        view.caption = dialog.windowTitle().toStdString();
        view.writeEnabled = Child(dialog, "writeButton")->isEnabled();
        view.exitEnabled = Child(dialog, "exitButton")->isEnabled();
        const auto* ports = Child<QComboBox>(dialog, "portList");
        view.portListEnabled = ports->isEnabled();
        view.specialSettingsShown = Child(dialog, "specialSettingsButton")->isVisibleTo(&dialog);
        for (int i = 0; i < ports->count(); ++i) {
            view.portLabels.push_back(ports->itemText(i).toStdString());
        }
        view.selectedPort = ports->currentIndex();
        view.linkPortName = link.PortName();
        view.settings = dialog.Settings();
        view.ended = !dialog.isVisible() && dialog.result() == QDialog::Rejected;
        for (; messagesSeen < recorder.messages.size(); ++messagesSeen) {
            const test::RecordedMessage& m = recorder.messages[messagesSeen];
            view.messages.push_back(testing::MessageLine(m.text, m.caption, m.style));
        }
        views.push_back(std::move(view));
    };
    look({});
    for (const WindowAction& action : scenario.actions) {
        WindowView view;
        Act(dialog, action, view);
        look(std::move(view));
    }
    return views;
}

TEST(WindowScenarios, TheQtWindowShowsWhatTheCoreDecides) {
    for (const WindowScenario& scenario : testing::WindowScenarios()) {
        SCOPED_TRACE(scenario.name);
        const std::string expected = testing::Describe(testing::ExpectedViews(scenario));
        EXPECT_EQ(testing::Describe(WalkThroughTheWindow(scenario)), expected);
    }
}

}  // namespace
}  // namespace updater
