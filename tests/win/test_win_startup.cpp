// The Windows window at start and when asked to end, driven through its window messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "WinTestSupport.h"
#include "protocol/Messages.h"
#include "tests/support/MessageRecorder.h"
#include "win/StatusBanner.h"
#include "win/WideText.h"
#include "win/resource.h"

namespace updater {
namespace {

int ComNumber(const std::string& device) {
    return std::stoi(device.substr(device.find("COM") + 3));
}

using testing::MessageRecorder;
using wintest::DialogUnderTest;

TEST(WinUpdaterDialog, StartsWithTheImageVersionInItsCaptionAndTheComPortsListed) {
    MessageRecorder recorder;
    const std::string radio = wintest::RadioPort("UPDATER_WIN_TEST_RADIO");
    DialogUnderTest under;
    HWND dialog = under.Window();

    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(wintest::WindowText(dialog), wintest::CaptionFor(wintest::EmbeddedImageVersion()));
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(win::ActiveBanner(), nullptr);  // gone once the ports were listed

    // The COM ports that opened, in ascending order, each shown by its label; the first one is
    // selected and named on the link.
    const std::vector<PortInfo>& ports = under.dialog->Core().Ports();
    const std::vector<std::string> items = wintest::PortListItems(dialog);
    ASSERT_EQ(items.size(), ports.size());
    ASSERT_FALSE(ports.empty());
    for (size_t i = 0; i < ports.size(); ++i) {
        EXPECT_EQ(items[i], ports[i].Label());
        if (i > 0) {
            EXPECT_LT(ComNumber(ports[i - 1].device), ComNumber(ports[i].device));
        }
    }
    EXPECT_TRUE(std::any_of(ports.begin(), ports.end(),
                            [&radio](const PortInfo& port) { return port.device == radio; }));
    EXPECT_EQ(SendMessageW(under.Control(IDC_PORT_LIST), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(under.link.PortName(), ports[0].device);
    EXPECT_FALSE(under.link.IsOpen());  // only probed

    EXPECT_TRUE(IsWindowEnabled(under.Control(IDC_WRITE)));
    EXPECT_TRUE(IsWindowEnabled(under.Control(IDCANCEL)));
    EXPECT_TRUE(IsWindowEnabled(under.Control(IDC_PORT_LIST)));
    EXPECT_FALSE(IsWindowVisible(under.Control(IDC_SPECIAL_SETTINGS)));
    EXPECT_FALSE(IsWindowVisible(under.Control(IDOK)));
    EXPECT_FALSE(IsWindowEnabled(under.Control(IDOK)));
    EXPECT_FALSE(wintest::CloseCommandGreyed(dialog));

    // Another pick in the list names the link after it.
    ASSERT_TRUE(wintest::SelectPort(under, radio));
    EXPECT_EQ(under.link.PortName(), radio);
}

TEST(WinUpdaterDialog, OpeningThePortListLooksAgainAndKeepsTheSelection) {
    int looks = 0;
    const auto ports = [&looks](SerialPort&) {
        std::vector<PortInfo> found{PortInfo{"COM3", {}, {}, {}}, PortInfo{"COM7", {}, {}, {}}};
        if (looks++ > 0) found.insert(found.begin(), PortInfo{"COM1", {}, {}, {}});
        return found;
    };
    DialogUnderTest under(wintest::DialogSetup().Ports(ports));
    ASSERT_TRUE(wintest::SelectPort(under, "COM7"));

    // The list opens as a click on it opens it, and tells the dialog first.
    HWND list = under.Control(IDC_PORT_LIST);
    SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
    EXPECT_EQ(looks, 2);
    EXPECT_EQ(wintest::PortListItems(under.Window()),
              (std::vector<std::string>{"COM1", "COM3", "COM7"}));
    EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 2);  // COM7 still, now third
    EXPECT_EQ(under.link.PortName(), "COM7");
    SendMessageW(list, CB_SHOWDROPDOWN, FALSE, 0);
}

// The program's manifest: common controls 6 (visual styles) and per-monitor DPI awareness.
TEST(WinManifest, BringsCommonControlsSixAndPerMonitorDpiAwareness) {
    // The common controls the program uses come from the side-by-side assembly of version 6,
    // as the manifest asks, not from the system folder's older ones.
    HMODULE controls = GetModuleHandleW(L"comctl32.dll");
    ASSERT_NE(controls, nullptr);
    std::wstring wide(MAX_PATH, L'\0');
    wide.resize(GetModuleFileNameW(controls, wide.data(), MAX_PATH));
    std::string path = win::Utf8FromWide(wide);
    std::transform(path.begin(), path.end(), path.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    EXPECT_NE(path.find("microsoft.windows.common-controls_6595b64144ccf1df_6.0."),
              std::string::npos)
        << path;

    EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetThreadDpiAwarenessContext()),
              DPI_AWARENESS_PER_MONITOR_AWARE);
}

TEST(WinUpdaterDialog, SpecialSettingsButtonOnlyInServiceBuilds) {
    DialogUnderTest under(wintest::DialogSetup().SpecialSettings());
    EXPECT_TRUE(IsWindowVisible(under.Control(IDC_SPECIAL_SETTINGS)));
    EXPECT_TRUE(IsWindowEnabled(under.Control(IDC_SPECIAL_SETTINGS)));
}

TEST(WinUpdaterDialog, ExitEscAndCloseBoxAskFirst) {
    enum class Way { ExitButton, Escape, CloseBox };
    const struct {
        Way way;
        int answer;
    } cases[] = {
        {Way::ExitButton, ID_OK}, {Way::ExitButton, ID_CANCEL}, {Way::Escape, ID_OK},
        {Way::Escape, ID_CANCEL}, {Way::CloseBox, ID_OK},       {Way::CloseBox, ID_CANCEL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.way) * 10 + c.answer);
        MessageRecorder recorder;
        recorder.answer = [&c](const testing::RecordedMessage&) { return c.answer; };
        DialogUnderTest under;
        HWND dialog = under.Window();

        switch (c.way) {
            case Way::ExitButton:
                EXPECT_TRUE(wintest::Click(dialog, IDCANCEL));
                break;
            case Way::Escape: {
                // Through the dialog manager, as the key arrives from the keyboard.
                MSG key{
                    GetFocus() != nullptr ? GetFocus() : dialog, WM_KEYDOWN, VK_ESCAPE, 0, 0, {}};
                IsDialogMessageW(dialog, &key);
                break;
            }
            case Way::CloseBox:
                SendMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
                break;
        }
        ASSERT_EQ(recorder.messages.size(), 1u);
        EXPECT_EQ(recorder.messages[0].text, kTextExitQuestion);
        EXPECT_EQ(recorder.messages[0].caption, kCaptionConfirmation);
        EXPECT_EQ(recorder.messages[0].style, MB_OKCANCEL_QUESTION);
        EXPECT_EQ(under.dialog->Ended(), c.answer == ID_OK);
        EXPECT_EQ(IsWindowVisible(dialog) != FALSE, c.answer != ID_OK);
    }
}

}  // namespace
}  // namespace updater
