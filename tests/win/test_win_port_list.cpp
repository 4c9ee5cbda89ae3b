// The Windows window's port list at a bench of adapters: the open list as wide as its longest
// label while the closed one keeps the template's width and shows the port's name whole, and
// the list following the system's reports of COM ports added and removed (WM_DEVICECHANGE).
#include <gtest/gtest.h>
#include <windows.h>
// dbt.h needs the definitions of windows.h first.
#include <dbt.h>

#include <memory>

#include "WinTestSupport.h"
#include "tests/support/MessageRecorder.h"
#include "win/WideText.h"
#include "win/resource.h"

namespace updater {
namespace {

using testing::MessageRecorder;
using wintest::DialogUnderTest;

PortInfo Adapter(const std::string& device, const std::string& serial) {
    PortInfo port;
    port.device = device;
    port.description.friendlyName = "USB Serial Port (" + device + ")";
    port.description.product = "FT232R USB UART with a long product text";
    port.description.serial = serial;
    return port;
}

// The width the label's text takes in the list's font.
LONG TextWidth(HWND list, const std::string& text) {
    HDC context = GetDC(list);
    HGDIOBJ previous =
        SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
    const std::wstring wide = win::WideFromUtf8(text);
    SIZE size{};
    GetTextExtentPoint32W(context, wide.c_str(), static_cast<int>(wide.size()), &size);
    SelectObject(context, previous);
    ReleaseDC(list, context);
    return size.cx;
}

void ReportPortChange(HWND dialog, WPARAM event, const wchar_t* name) {
    std::vector<BYTE> buffer(sizeof(DEV_BROADCAST_PORT_W) + 16 * sizeof(wchar_t));
    auto* port = reinterpret_cast<DEV_BROADCAST_PORT_W*>(buffer.data());
    port->dbcp_size = static_cast<DWORD>(buffer.size());
    port->dbcp_devicetype = DBT_DEVTYP_PORT;
    lstrcpynW(port->dbcp_name, name, 16);
    SendMessageW(dialog, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(port));
}

TEST(WinPortList, OpensAsWideAsItsLongestLabelAndShowsThePortsNameClosed) {
    MessageRecorder recorder;
    const std::vector<PortInfo> ports{Adapter("COM3", "A50285BI"), Adapter("COM12", "FT4XYZ01")};
    wintest::DialogSetup setup;
    setup.Ports([ports](SerialPort&) { return ports; });
    DialogUnderTest under(setup);
    HWND list = under.Control(IDC_PORT_LIST);

    RECT closed{};
    GetWindowRect(list, &closed);
    RECT templateWidth{0, 0, 60, 0};
    MapDialogRect(under.Window(), &templateWidth);
    EXPECT_EQ(closed.right - closed.left, templateWidth.right);  // the layout as it was
    EXPECT_LT(TextWidth(list, "COM12"), closed.right - closed.left);
    const LONG dropped = static_cast<LONG>(SendMessageW(list, CB_GETDROPPEDWIDTH, 0, 0));
    for (const PortInfo& port : ports) {
        EXPECT_GE(dropped, TextWidth(list, port.Label())) << port.Label();
    }
    EXPECT_EQ(wintest::PortListItems(under.Window())[0],
              "COM3 \u2014 FT232R USB UART with a long product text (A50285BI)");
}

TEST(WinPortList, FollowsTheSystemsReportsOfPortsAddedAndRemoved) {
    MessageRecorder recorder;
    auto present = std::make_shared<std::vector<std::string>>(std::vector<std::string>{"COM3"});
    const auto look = [present] {
        std::vector<PortInfo> ports;
        for (const std::string& device : *present) ports.push_back(Adapter(device, "S" + device));
        return ports;
    };
    wintest::DialogSetup setup;
    setup.Ports([look](SerialPort&) { return look(); });
    setup.lister = look;
    DialogUnderTest under(setup);
    HWND dialog = under.Window();
    ASSERT_EQ(wintest::PortListItems(dialog).size(), 1u);

    *present = {"COM3", "COM4"};
    ReportPortChange(dialog, DBT_DEVICEARRIVAL, L"COM4");
    ASSERT_EQ(wintest::PortListItems(dialog).size(), 2u);
    EXPECT_EQ(wintest::PortListItems(dialog)[1].rfind("COM4 \u2014 ", 0), 0u);
    ASSERT_TRUE(wintest::SelectPort(under, "COM4"));

    *present = {"COM4"};
    ReportPortChange(dialog, DBT_DEVICEREMOVECOMPLETE, L"COM3");
    ASSERT_EQ(wintest::PortListItems(dialog).size(), 1u);
    EXPECT_EQ(SendMessageW(under.Control(IDC_PORT_LIST), CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(under.link.PortName(), "COM4");  // the selected adapter stayed selected

    // Other reports (a disk, a query before removal) leave the list alone.
    *present = {};
    ReportPortChange(dialog, DBT_DEVICEQUERYREMOVE, L"COM4");
    EXPECT_EQ(wintest::PortListItems(dialog).size(), 1u);
    EXPECT_TRUE(recorder.messages.empty());
}

}  // namespace
}  // namespace updater
