// Special Settings on Windows: the dialog from its template, driven through its buttons, and
// its exchange with the main window.
#include <gtest/gtest.h>

#include "WinTestSupport.h"
#include "front/SpecialSettingsForm.h"
#include "front/WindowTexts.h"
#include "tests/support/MessageRecorder.h"
#include "win/FileChooser.h"
#include "win/resource.h"

namespace updater {
namespace {

using testing::MessageRecorder;
using wintest::Click;
using wintest::DialogUnderTest;
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

// What Special Settings opens with, what its clicks record, Cancel and Set run through the
// shared scenarios (test_win_window_scenarios.cpp); here the chooser, the refusal's box and the
// user's real files.
TEST(WinSpecialSettings, SetNeedsAFileChosenInThisShowingWithTheMotFilter) {
    MessageRecorder recorder;
    std::string offeredFilter;
    DialogUnderTest under(wintest::DialogSetup().SpecialSettings().Chooser(
        [&offeredFilter](HWND, const std::string& filter) {
            offeredFilter = filter;
            return std::string();  // cancelled
        }));
    RunSpecialSettings(under.Window(), [](HWND settings) {
        // 19200 may be checked but is never shown nor clickable.
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(settings, IDC_SPEED_19200)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(settings, IDC_SPEED_19200)));
        ClickAll(settings, {IDC_USE_OWN_FILE, IDC_REFER, IDOK});
        EXPECT_TRUE(IsWindowVisible(settings));  // refused: it stays open
        EXPECT_TRUE(Click(settings, IDCANCEL));
    });
    UserSettings ticked;
    ticked.useOwnFile = 1;
    const auto refusal = SpecialSettingsForm(ticked).RefusalOnSet(true);
    ASSERT_TRUE(refusal.has_value());
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].text, refusal->text);
    EXPECT_EQ(recorder.messages[0].caption, refusal->caption);
    EXPECT_EQ(recorder.messages[0].style, refusal->style);
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
        EXPECT_EQ(recorder.messages.size(), c.valid ? 0u : 1u);  // a refusal, once
        const UpdaterDialogCore& core = under.dialog->Core();
        EXPECT_EQ(wintest::WindowText(under.Window()),
                  WindowCaption(core.ImageValid(), core.Image()));
        if (c.valid) {
            EXPECT_NE(core.Image().VersionText(), "");
        }
    }
}

}  // namespace
}  // namespace updater
