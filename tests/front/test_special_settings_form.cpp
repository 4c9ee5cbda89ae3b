// What the Special Settings dialog opens with, what its clicks record, and when "Set" is
// refused: asserted in full here only. The real dialogs (tests/app, tests/win) walk the shared
// scenarios (WindowScenarios.h) and show what the form decides.
#include <gtest/gtest.h>

#include "front/SpecialSettingsForm.h"
#include "protocol/Messages.h"
#include "protocol/UpdateHost.h"
#include "tests/support/UserSettingsOf.h"

namespace updater {
namespace {

constexpr auto Settings = testing::UserSettingsOf;

TEST(SpecialSettingsForm, OpensWithTheChecksOfTheSettings) {
    const struct {
        UserSettings settings;
        SpeedButton speed;
        StopBitButton stopBit;
    } cases[] = {
        {Settings(SpeedChoice::Speed38400, 2, 0, 0), SpeedButton::Speed38400,
         StopBitButton::StopBit2},
        {Settings(SpeedChoice::Speed57600, 1, 1, 1), SpeedButton::Speed57600,
         StopBitButton::StopBit1},
        {Settings(SpeedChoice::Speed38400ByHiddenButton, 2, 0, 1), SpeedButton::Speed19200,
         StopBitButton::StopBit2},
        {Settings(static_cast<SpeedChoice>(3), 7, 0, 0), SpeedButton::Speed38400,
         StopBitButton::StopBit1},  // fallbacks
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.settings.speedChoice));
        const SpecialSettingsForm form(c.settings);
        EXPECT_EQ(form.CheckedSpeed(), c.speed);
        EXPECT_EQ(form.CheckedStopBit(), c.stopBit);
        EXPECT_EQ(form.UnencryptedChecked(), c.settings.unencrypted == 1);
        EXPECT_EQ(form.UseOwnFileChecked(), c.settings.useOwnFile == 1);
        EXPECT_EQ(form.FileControlsEnabled(), c.settings.useOwnFile == 1);
        // Opening changes no value.
        EXPECT_EQ(form.Settings().speedChoice, c.settings.speedChoice);
        EXPECT_EQ(form.Settings().stopBits, c.settings.stopBits);
    }
}

TEST(SpecialSettingsForm, ClicksRecordTheChoices) {
    SpecialSettingsForm form(Settings(SpeedChoice::Speed38400, 2, 0, 0));
    const struct {
        SpeedButton button;
        SpeedChoice speedChoice;
    } speeds[] = {{SpeedButton::Speed57600, SpeedChoice::Speed57600},
                  {SpeedButton::Speed19200, SpeedChoice::Speed38400ByHiddenButton},
                  {SpeedButton::Speed38400, SpeedChoice::Speed38400}};
    for (const auto& s : speeds) {
        form.OnSpeed(s.button);
        EXPECT_EQ(form.Settings().speedChoice, s.speedChoice);
        EXPECT_EQ(form.CheckedSpeed(), s.button);
    }
    form.OnStopBit(StopBitButton::StopBit1);
    EXPECT_EQ(form.Settings().stopBits, 1);
    form.OnStopBit(StopBitButton::StopBit2);
    EXPECT_EQ(form.Settings().stopBits, 2);

    // The check boxes toggle: twice restores the value the dialog opened with.
    form.OnUnencrypted();
    EXPECT_EQ(form.Settings().unencrypted, 1);
    form.OnUnencrypted();
    EXPECT_EQ(form.Settings().unencrypted, 0);
    form.OnUseOwnFile();
    EXPECT_EQ(form.Settings().useOwnFile, 1);
    EXPECT_TRUE(form.FileControlsEnabled());
    form.OnUseOwnFile();
    EXPECT_EQ(form.Settings().useOwnFile, 0);
    EXPECT_FALSE(form.FileControlsEnabled());
    EXPECT_EQ(form.Settings().ownFilePath, "/home/tech/previous.mot");  // kept when unticked
}

TEST(SpecialSettingsForm, SetNeedsAFileInThePathBoxWhenTheOwnFileIsTicked) {
    SpecialSettingsForm ticked(Settings(SpeedChoice::Speed38400, 2, 0, 1));
    const auto refusal = ticked.RefusalOnSet(true);
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->text, kTextMustInputFileName);
    EXPECT_EQ(refusal->caption, kCaptionUpperError);
    EXPECT_EQ(refusal->style, MB_OK_STOP);
    EXPECT_FALSE(ticked.RefusalOnSet(false).has_value());

    ticked.OnFileChosen("");  // the chooser was cancelled: nothing changes
    EXPECT_EQ(ticked.Settings().ownFilePath, "/home/tech/previous.mot");
    ticked.OnFileChosen(
        "C:\\Pr\xc3\xbc"
        "fstand\\image.mot");
    EXPECT_EQ(ticked.Settings().ownFilePath,
              "C:\\Pr\xc3\xbc"
              "fstand\\image.mot");

    const SpecialSettingsForm unticked(Settings(SpeedChoice::Speed38400, 2, 0, 0));
    EXPECT_FALSE(unticked.RefusalOnSet(true).has_value());
}

}  // namespace
}  // namespace updater
