#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionGroupBox>

#include "GuiTestSupport.h"
#include "protocol/Messages.h"
#include "protocol/UpdateHost.h"
#include "tests/support/UserSettingsOf.h"
#include "ui/SpecialSettingsDialog.h"

namespace updater {
namespace {

using test::Child;
using test::MessageRecorder;

// Its path is one kept from an earlier showing: the path box starts empty all the same.
constexpr auto Settings = testing::UserSettingsOf;

TEST(SpecialSettingsDialog, OpensWithTheChecksOfTheSettingsAndAnEmptyPathBox) {
    const struct {
        UserSettings settings;
        const char* checkedSpeed;
        const char* checkedStopBit;
    } cases[] = {
        {Settings(SpeedChoice::Speed38400, 2, 0, 0), "speed38400", "stopBit2"},
        {Settings(SpeedChoice::Speed57600, 1, 1, 1), "speed57600", "stopBit1"},
        {Settings(SpeedChoice::Speed19200, 2, 0, 1), "speed19200",
         "stopBit2"},  // 19200 is checked but hidden
        {Settings(static_cast<SpeedChoice>(3), 7, 0, 0), "speed38400",
         "stopBit1"},  // unknown values fall back
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.checkedSpeed);
        SpecialSettingsDialog dialog(nullptr, c.settings);
        dialog.show();

        for (const char* speed : {"speed57600", "speed19200", "speed38400"}) {
            EXPECT_EQ(Child(dialog, speed)->isChecked(), std::string(speed) == c.checkedSpeed)
                << speed;
        }
        EXPECT_TRUE(Child(dialog, c.checkedStopBit)->isChecked());
        EXPECT_EQ(Child(dialog, "unencrypted")->isChecked(), c.settings.unencrypted == 1);
        EXPECT_EQ(Child(dialog, "useOwnFile")->isChecked(), c.settings.useOwnFile == 1);
        const auto* pathBox = Child<QLineEdit>(dialog, "filePathEdit");
        EXPECT_TRUE(pathBox->text().isEmpty());
        EXPECT_EQ(pathBox->isEnabled(), c.settings.useOwnFile == 1);
        EXPECT_EQ(Child(dialog, "referButton")->isEnabled(), c.settings.useOwnFile == 1);
        EXPECT_FALSE(Child(dialog, "speed19200")->isVisible());
        EXPECT_FALSE(Child(dialog, "speed19200")->isEnabled());
        // Opening changes no value.
        EXPECT_EQ(dialog.Settings().speedChoice, c.settings.speedChoice);
        EXPECT_EQ(dialog.Settings().stopBits, c.settings.stopBits);
        dialog.close();
    }
}

TEST(SpecialSettingsDialog, ControlsRecordTheChoices) {
    SpecialSettingsDialog dialog(nullptr, Settings(SpeedChoice::Speed38400, 2, 0, 0));
    dialog.show();

    Child(dialog, "speed57600")->click();
    EXPECT_EQ(dialog.Settings().speedChoice, SpeedChoice::Speed57600);
    Child(dialog, "speed38400")->click();
    EXPECT_EQ(dialog.Settings().speedChoice, SpeedChoice::Speed38400);
    Child(dialog, "stopBit1")->click();
    EXPECT_EQ(dialog.Settings().stopBits, 1);
    Child(dialog, "stopBit2")->click();
    EXPECT_EQ(dialog.Settings().stopBits, 2);

    Child(dialog, "unencrypted")->click();
    EXPECT_EQ(dialog.Settings().unencrypted, 1);
    Child(dialog, "unencrypted")->click();
    EXPECT_EQ(dialog.Settings().unencrypted, 0);

    Child(dialog, "useOwnFile")->click();
    EXPECT_EQ(dialog.Settings().useOwnFile, 1);
    EXPECT_TRUE(Child(dialog, "referButton")->isEnabled());
    EXPECT_TRUE(Child<QLineEdit>(dialog, "filePathEdit")->isEnabled());
    Child(dialog, "useOwnFile")->click();
    EXPECT_EQ(dialog.Settings().useOwnFile, 0);
    EXPECT_FALSE(Child(dialog, "referButton")->isEnabled());
}

TEST(SpecialSettingsDialog, SetNeedsAFileChosenInThisShowing) {
    MessageRecorder recorder;
    QString offeredFilter;
    QString answer;  // cancelled first
    SpecialSettingsDialog dialog(nullptr, Settings(SpeedChoice::Speed38400, 2, 0, 1));
    dialog.SetFileChooser([&](QWidget*, const QString& filter) {
        offeredFilter = filter;
        return answer;
    });
    dialog.show();

    Child(dialog, "setButton")->click();
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].text, kTextMustInputFileName);
    EXPECT_EQ(recorder.messages[0].caption, kCaptionUpperError);
    EXPECT_EQ(recorder.messages[0].style, MB_OK_STOP);
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
