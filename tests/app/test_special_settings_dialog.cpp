#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionGroupBox>

#include "GuiTestSupport.h"
#include "front/SpecialSettingsForm.h"
#include "tests/support/UserSettingsOf.h"
#include "ui/SpecialSettingsDialog.h"

namespace updater {
namespace {

using test::Child;
using test::MessageRecorder;

// Its path is one kept from an earlier showing: the path box starts empty all the same.
constexpr auto Settings = testing::UserSettingsOf;

const char* SpeedButtonName(SpeedButton button) {
    switch (button) {
        case SpeedButton::Speed57600:
            return "speed57600";
        case SpeedButton::Speed19200:
            return "speed19200";
        case SpeedButton::Speed38400:
            break;
    }
    return "speed38400";
}

// Which checks settings open with is the form's decision (front layer); the dialog must show
// it, also for values the main window never hands in, and start with an empty path box.
TEST(SpecialSettingsDialog, OpensWithTheChecksTheFormDecidesAndAnEmptyPathBox) {
    for (const UserSettings& settings :
         {Settings(SpeedChoice::Speed38400, 2, 0, 0), Settings(SpeedChoice::Speed57600, 1, 1, 1),
          Settings(SpeedChoice::Speed38400ByHiddenButton, 2, 0, 1),
          Settings(static_cast<SpeedChoice>(3), 7, 0, 0)}) {
        const SpecialSettingsForm form(settings);
        const std::string checkedSpeed = SpeedButtonName(form.CheckedSpeed());
        SCOPED_TRACE(checkedSpeed);
        SpecialSettingsDialog dialog(nullptr, settings);
        dialog.show();

        for (const char* speed : {"speed57600", "speed19200", "speed38400"}) {
            EXPECT_EQ(Child(dialog, speed)->isChecked(), speed == checkedSpeed) << speed;
        }
        EXPECT_EQ(Child(dialog, "stopBit2")->isChecked(),
                  form.CheckedStopBit() == StopBitButton::StopBit2);
        EXPECT_EQ(Child(dialog, "stopBit1")->isChecked(),
                  form.CheckedStopBit() == StopBitButton::StopBit1);
        EXPECT_EQ(Child(dialog, "unencrypted")->isChecked(), form.UnencryptedChecked());
        EXPECT_EQ(Child(dialog, "useOwnFile")->isChecked(), form.UseOwnFileChecked());
        const auto* pathBox = Child<QLineEdit>(dialog, "filePathEdit");
        EXPECT_TRUE(pathBox->text().isEmpty());
        EXPECT_EQ(pathBox->isEnabled(), form.FileControlsEnabled());
        EXPECT_EQ(Child(dialog, "referButton")->isEnabled(), form.FileControlsEnabled());
        // 19200 may be checked but is never shown nor clickable.
        EXPECT_FALSE(Child(dialog, "speed19200")->isVisible());
        EXPECT_FALSE(Child(dialog, "speed19200")->isEnabled());
        // Opening changes no value.
        EXPECT_EQ(dialog.Settings().speedChoice, settings.speedChoice);
        EXPECT_EQ(dialog.Settings().stopBits, settings.stopBits);
        dialog.close();
    }
}

TEST(SpecialSettingsDialog, SetNeedsAFileChosenInThisShowing) {
    MessageRecorder recorder;
    QString offeredFilter;
    QString answer;  // cancelled first
    const UserSettings ticked = Settings(SpeedChoice::Speed38400, 2, 0, 1);
    const auto refusal = SpecialSettingsForm(ticked).RefusalOnSet(true);
    ASSERT_TRUE(refusal.has_value());
    SpecialSettingsDialog dialog(nullptr, ticked);
    dialog.SetFileChooser([&](QWidget*, const QString& filter) {
        offeredFilter = filter;
        return answer;
    });
    dialog.show();

    Child(dialog, "setButton")->click();
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].text, refusal->text);
    EXPECT_EQ(recorder.messages[0].caption, refusal->caption);
    EXPECT_EQ(recorder.messages[0].style, refusal->style);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_NE(dialog.result(), QDialog::Accepted);

    Child(dialog, "referButton")->click();  // the chooser is cancelled: nothing changes
    EXPECT_EQ(offeredFilter.toStdString(), "MOT File(*.mot)");
    EXPECT_EQ(dialog.Settings().ownFilePath, "/home/tech/previous.mot");
    EXPECT_TRUE(Child<QLineEdit>(dialog, "filePathEdit")->text().isEmpty());

    answer = QStringLiteral("/home/tech/new image.mot");
    Child(dialog, "referButton")->click();
    EXPECT_EQ(dialog.Settings().ownFilePath, "/home/tech/new image.mot");
    EXPECT_EQ(Child<QLineEdit>(dialog, "filePathEdit")->text(), answer);

    Child(dialog, "setButton")->click();
    EXPECT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
}

// Where the style puts a group box's part, in the dialog's coordinates.
QRect GroupPart(const QGroupBox* group, QStyle::SubControl part) {
    QStyleOptionGroupBox option;
    option.initFrom(group);
    option.text = group->title();
    option.lineWidth = 1;
    option.textAlignment = group->alignment();
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect rect = group->style()->subControlRect(QStyle::CC_GroupBox, &option, part, group);
    return rect.translated(group->pos());
}

TEST(SpecialSettingsDialog, GroupTitlesAndFramesLeaveTheFirstControlFree) {
    SpecialSettingsDialog dialog(nullptr, UserSettings{});
    dialog.show();
    for (const auto& [groupName, controlName] :
         {std::pair{"baudRateGroup", "speed38400"}, std::pair{"stopBitGroup", "stopBit1"},
          std::pair{"encryptionGroup", "unencrypted"}, std::pair{"hexFileGroup", "useOwnFile"}}) {
        SCOPED_TRACE(controlName);
        const auto* group = dialog.findChild<QGroupBox*>(QString::fromLatin1(groupName));
        const auto* control = dialog.findChild<QWidget*>(QString::fromLatin1(controlName));
        ASSERT_NE(group, nullptr);
        ASSERT_NE(control, nullptr);
        const QRect frame = GroupPart(group, QStyle::SC_GroupBoxFrame);
        const QRect title = GroupPart(group, QStyle::SC_GroupBoxLabel);
        const QRect placed = control->geometry();
        EXPECT_FALSE(title.intersects(placed)) << "title over the control";
        EXPECT_LT(frame.top(), placed.top()) << "the frame's top line crosses the control";
        EXPECT_GT(frame.bottom(), placed.bottom()) << "the frame's bottom line crosses it";
    }
}

}  // namespace
}  // namespace updater
