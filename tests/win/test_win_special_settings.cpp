// Special Settings on Windows: the dialog from its template, driven through its buttons, and
// its exchange with the main window.
#include <gtest/gtest.h>

#include "WinTestSupport.h"
#include "protocol/Messages.h"
#include "tests/support/MessageRecorder.h"
#include "win/FileChooser.h"
#include "win/resource.h"

namespace updater {
namespace {

using testing::MessageRecorder;
using wintest::Click;
using wintest::DialogUnderTest;
using wintest::IsChecked;
using wintest::WhenModalOpens;

// Opens Special Settings from the main window and runs inDialog on it while it is up.
void RunSpecialSettings(HWND dialog, std::function<void(HWND)> inDialog) {
    WhenModalOpens watch(L"Special Settings", std::move(inDialog));
    ASSERT_TRUE(Click(dialog, IDC_SPECIAL_SETTINGS));
    EXPECT_TRUE(watch.Acted());
}

void ClickAll(HWND settings, std::initializer_list<int> ids) {
    for (const int id : ids) EXPECT_TRUE(Click(settings, id)) << id;
}

TEST(WinSpecialSettings, OpensWithTheChecksOfTheSettingsAndAnEmptyPathBox) {
    MessageRecorder recorder;
    DialogUnderTest under(wintest::DialogSetup().SpecialSettings().Chooser(
        [](HWND, const std::string&) { return std::string("C:\\images\\chosen.mot"); }));
    HWND dialog = under.Window();

    // The defaults first; then, after "Set" with other values, those values.
    RunSpecialSettings(dialog, [](HWND settings) {
        EXPECT_TRUE(IsChecked(settings, IDC_SPEED_38400));
        EXPECT_FALSE(IsChecked(settings, IDC_SPEED_57600));
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(settings, IDC_SPEED_19200)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(settings, IDC_SPEED_19200)));
        EXPECT_TRUE(IsChecked(settings, IDC_STOP_BIT_2));
        EXPECT_FALSE(IsChecked(settings, IDC_UNENCRYPTED));
        EXPECT_FALSE(IsChecked(settings, IDC_USE_OWN_FILE));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(settings, IDC_REFER)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(settings, IDC_FILE_PATH)));
        ClickAll(settings,
                 {IDC_SPEED_57600, IDC_STOP_BIT_1, IDC_UNENCRYPTED, IDC_USE_OWN_FILE, IDC_REFER});
        EXPECT_EQ(wintest::WindowText(GetDlgItem(settings, IDC_FILE_PATH)),
                  "C:\\images\\chosen.mot");
        EXPECT_TRUE(Click(settings, IDOK));
    });
    const UserSettings& taken = under.dialog->Core().Settings();
    EXPECT_EQ(taken.speedChoice, SpeedChoice::Speed57600);
    EXPECT_EQ(taken.stopBits, 1);
    EXPECT_EQ(taken.unencrypted, 1);
    EXPECT_EQ(taken.useOwnFile, 1);
    EXPECT_EQ(taken.ownFilePath, "C:\\images\\chosen.mot");
    ASSERT_EQ(recorder.messages.size(), 1u);  // the chosen file does not exist
    EXPECT_EQ(recorder.messages[0].text, kTextInvalidImage);

    RunSpecialSettings(dialog, [](HWND settings) {
        EXPECT_TRUE(IsChecked(settings, IDC_SPEED_57600));
        EXPECT_FALSE(IsChecked(settings, IDC_SPEED_38400));
        EXPECT_TRUE(IsChecked(settings, IDC_STOP_BIT_1));
        EXPECT_TRUE(IsChecked(settings, IDC_UNENCRYPTED));
        EXPECT_TRUE(IsChecked(settings, IDC_USE_OWN_FILE));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(settings, IDC_REFER)));
        EXPECT_EQ(wintest::WindowText(GetDlgItem(settings, IDC_FILE_PATH)), "");
        EXPECT_TRUE(Click(settings, IDCANCEL));
    });
}

TEST(WinSpecialSettings, CancelChangesNothing) {
    MessageRecorder recorder;
    DialogUnderTest under(wintest::DialogSetup().SpecialSettings().Chooser(
        [](HWND, const std::string&) { return std::string("C:\\images\\chosen.mot"); }));
    HWND dialog = under.Window();
    const std::string caption = wintest::WindowText(dialog);

    RunSpecialSettings(dialog, [](HWND settings) {
        ClickAll(settings, {IDC_SPEED_57600, IDC_STOP_BIT_1, IDC_UNENCRYPTED, IDC_USE_OWN_FILE,
                            IDC_REFER, IDCANCEL});
    });

    EXPECT_TRUE(recorder.messages.empty());
    const UserSettings& kept = under.dialog->Core().Settings();
    EXPECT_EQ(kept.speedChoice, SpeedChoice::Speed38400);
    EXPECT_EQ(kept.stopBits, 2);
    EXPECT_EQ(kept.unencrypted, 0);
    EXPECT_EQ(kept.useOwnFile, 0);
    EXPECT_TRUE(kept.ownFilePath.empty());
    EXPECT_EQ(wintest::WindowText(dialog), caption);
    EXPECT_TRUE(IsWindowEnabled(under.Control(IDC_WRITE)));
}

TEST(WinSpecialSettings, SetNeedsAFileChosenInThisShowingWithTheMotFilter) {
    MessageRecorder recorder;
    std::string offeredFilter;
    DialogUnderTest under(wintest::DialogSetup().SpecialSettings().Chooser(
        [&offeredFilter](HWND, const std::string& filter) {
            offeredFilter = filter;
            return std::string();  // cancelled
        }));
    RunSpecialSettings(under.Window(), [](HWND settings) {
        ClickAll(settings, {IDC_USE_OWN_FILE, IDC_REFER, IDOK});
        EXPECT_TRUE(IsWindowVisible(settings));  // refused: it stays open
        EXPECT_TRUE(Click(settings, IDCANCEL));
    });
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].text, kTextMustInputFileName);
    EXPECT_EQ(recorder.messages[0].caption, kCaptionUpperError);
    EXPECT_EQ(recorder.messages[0].style, MB_OK_STOP);
    EXPECT_EQ(offeredFilter, "MOT File(*.mot)|*.mot||");
    // What the system's open-file dialog is given.
    EXPECT_EQ(win::SystemFileFilter(offeredFilter),
              std::wstring(L"MOT File(*.mot)\0*.mot\0\0", 23));
}

TEST(WinSpecialSettings, AnImageFileUnderAFolderWithAnUmlautLoadsAndBadFilesAreRefused) {
    const std::string good = wintest::ImageFilePath();
    const struct {
        const char* name;
        std::string path;
        bool valid;
    } cases[] = {
        {"the image under C:\\Pruefstand", good, true},
        {"missing file", good + ".missing", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MessageRecorder recorder;
        const std::string path = c.path;
        DialogUnderTest under(wintest::DialogSetup().SpecialSettings().Chooser(
            [path](HWND, const std::string&) { return path; }));
        RunSpecialSettings(under.Window(), [](HWND settings) {
            ClickAll(settings, {IDC_USE_OWN_FILE, IDC_REFER, IDOK});
        });
        EXPECT_EQ(under.dialog->Core().Settings().ownFilePath, c.path);
        EXPECT_EQ(under.dialog->Core().ImageValid(), c.valid);
        EXPECT_EQ(IsWindowEnabled(under.Control(IDC_WRITE)) != FALSE, c.valid);
        EXPECT_TRUE(IsWindowEnabled(under.Control(IDCANCEL)));
        const std::string caption = wintest::WindowText(under.Window());
        if (c.valid) {
            EXPECT_TRUE(recorder.messages.empty());
            EXPECT_EQ(caption, wintest::CaptionFor(under.dialog->Core().Image().VersionText()));
            EXPECT_NE(under.dialog->Core().Image().VersionText(), "");
        } else {
            ASSERT_EQ(recorder.messages.size(), 1u);
            EXPECT_EQ(recorder.messages[0].text, kTextInvalidImage);
            EXPECT_EQ(recorder.messages[0].caption, kCaptionError);
            EXPECT_EQ(recorder.messages[0].style, MB_OK_ONLY);
            EXPECT_EQ(caption, wintest::CaptionFor("Invalid Firm"));
        }
    }
}

}  // namespace
}  // namespace updater
