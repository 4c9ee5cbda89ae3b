// The Windows window at start and when asked to end, driven through its window messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>

#include "WinTestSupport.h"
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

// What the window decides at start, for Exit, the port list and Write runs through the shared
// scenarios (test_win_window_scenarios.cpp); here the real image and the real COM port scan.
TEST(WinUpdaterDialog, StartsWithTheImageVersionInItsCaptionAndTheComPortsListed) {
    MessageRecorder recorder;
    const std::string radio = wintest::RadioPort("UPDATER_WIN_TEST_RADIO");
    DialogUnderTest under;
    HWND dialog = under.Window();

    EXPECT_TRUE(recorder.messages.empty());
    EXPECT_EQ(wintest::WindowText(dialog), wintest::EmbeddedImageCaption());
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

    EXPECT_FALSE(IsWindowVisible(under.Control(IDOK)));
    EXPECT_FALSE(IsWindowEnabled(under.Control(IDOK)));
    EXPECT_FALSE(wintest::CloseCommandGreyed(dialog));

    // Another pick in the list names the link after it.
    ASSERT_TRUE(wintest::SelectPort(under, radio));
    EXPECT_EQ(under.link.PortName(), radio);
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

}  // namespace
}  // namespace updater
