// The window at the display's scaling: scripts/wine-window.sh runs these tests at 96, 120 and
// 144 DPI (UPDATER_WIN_TEST_DPI). In the main window, the status banner and Special Settings
// every control stands where the table of the dialog templates places it, every visible
// control stays inside its window's client area, none overlaps another, every text fits its
// control, and the fonts grow with the scaling. With UPDATER_WIN_TEST_PICTURES
// naming a folder, a picture of each window is saved there.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "WinTestSupport.h"
#include "WindowPicture.h"
#include "front/DialogTemplates.h"
#include "front/StatusBannerText.h"
#include "link/PortProbe.h"
#include "win/StatusBanner.h"
#include "win/WideText.h"
#include "win/resource.h"

namespace updater {
namespace {

using wintest::DialogUnderTest;

// The ports as a technician's bench lists them, two adapters with long labels; none is opened.
std::vector<PortInfo> BenchPorts() {
    PortDescription first;
    first.friendlyName = "USB Serial Port (COM3)";
    first.product = "FT232R USB UART";
    first.serial = "A50285BI";
    PortDescription second;
    second.friendlyName = "Prolific USB-to-Serial Comm Port (COM12)";
    second.serial = "PL2303GT-0042";
    return {PortInfo{"COM3", first, {}, {}}, PortInfo{"\\\\.\\COM12", second, {}, {}}};
}

wintest::DialogSetup LaptopPorts() {
    wintest::DialogSetup setup;
    setup.specialSettingsFlag = 1;
    setup.ports = [](SerialPort&) { return BenchPorts(); };
    setup.lister = [] { return BenchPorts(); };  // opening the list looks again
    return setup;
}

// The scaling the run set, or the window's own when run alone.
UINT ExpectedDpi(HWND window) {
    const char* dpi = std::getenv("UPDATER_WIN_TEST_DPI");
    return dpi != nullptr && *dpi != '\0' ? static_cast<UINT>(std::atoi(dpi))
                                          : GetDpiForWindow(window);
}

void SavePicture(HWND window, const std::wstring& name) {
    const wchar_t* folder = _wgetenv(L"UPDATER_WIN_TEST_PICTURES");
    if (folder == nullptr || *folder == L'\0') return;
    const std::wstring path = std::wstring(folder) + L"\\" + name + L"-" +
                              std::to_wstring(GetDpiForWindow(window)) + L".bmp";
    EXPECT_TRUE(wintest::SaveWindowPicture(window, path)) << win::Utf8FromWide(path);
}

struct Placed {
    HWND window;
    std::string name;  // class and text, for the failure messages
    RECT rect;         // in the dialog's client coordinates
    bool groupBox;
};

std::string ClassOf(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return win::Utf8FromWide(name);
}

std::vector<Placed> VisibleControls(HWND dialog) {
    std::vector<Placed> found;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        RECT rect{};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        const bool groupBox = ClassOf(child) == "Button" && (style & BS_TYPEMASK) == BS_GROUPBOX;
        found.push_back(
            {child, ClassOf(child) + " \"" + wintest::WindowText(child) + "\"", rect, groupBox});
    }
    return found;
}

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

bool Overlap(const RECT& a, const RECT& b) {
    RECT common{};
    return IntersectRect(&common, &a, &b) != 0;
}

// The room the control's text needs in its font, laid out as the control lays it out.
SIZE TextRoom(HWND control, int wrapWidth) {
    wchar_t text[256] = {};
    const int length = GetWindowTextW(control, text, 256);
    HDC dc = GetDC(control);
    HGDIOBJ previous =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    RECT room{0, 0, wrapWidth, 0};
    DrawTextW(dc, text, length, &room,
              DT_CALCRECT | (wrapWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE));
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return {room.right - room.left, room.bottom - room.top};
}

// A text fits when the control shows all of it: a static text wraps within its width, a
// button's text stands clear of its edges and, on a check or radio box, of the box.
void ExpectTextFits(const Placed& c, UINT dpi) {
    if (GetWindowTextLengthW(c.window) == 0) return;
    const std::string cls = ClassOf(c.window);
    const LONG width = c.rect.right - c.rect.left;
    const LONG height = c.rect.bottom - c.rect.top;
    const LONG style = GetWindowLongW(c.window, GWL_STYLE);
    if (cls == "Static") {
        const SIZE room = TextRoom(c.window, width);
        EXPECT_LE(room.cx, width) << c.name;
        EXPECT_LE(room.cy, height) << c.name;
    } else if (cls == "Button") {
        const SIZE room = TextRoom(c.window, 0);
        LONG needed = room.cx + 2 * MulDiv(3, dpi, 96);
        const LONG type = style & BS_TYPEMASK;
        if (type == BS_AUTORADIOBUTTON || type == BS_RADIOBUTTON || type == BS_AUTOCHECKBOX ||
            type == BS_CHECKBOX) {
            needed += MulDiv(16, dpi, 96);  // the box and the gap before the text
        } else if (type == BS_GROUPBOX) {
            needed += MulDiv(8, dpi, 96);  // the frame's corner before the heading
        }
        EXPECT_LE(needed, width) << c.name;
        if (type != BS_GROUPBOX) {
            EXPECT_LE(room.cy, height) << c.name;
        }
    }
}

// The dialog's font in pixels is its point size at the display's scaling.
void ExpectFontScaled(HWND dialog, int pointSize, UINT dpi) {
    LOGFONTW font{};
    ASSERT_NE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)),
                         sizeof font, &font),
              0);
    EXPECT_NEAR(std::abs(font.lfHeight), MulDiv(pointSize, static_cast<int>(dpi), 72), 1)
        << wintest::WindowText(dialog);
}

void ExpectLaidOut(HWND dialog, int pointSize) {
    SCOPED_TRACE(wintest::WindowText(dialog));
    const UINT dpi = GetDpiForWindow(dialog);
    EXPECT_EQ(dpi, ExpectedDpi(dialog));
    ExpectFontScaled(dialog, pointSize, dpi);
    RECT client{};
    GetClientRect(dialog, &client);
    const std::vector<Placed> controls = VisibleControls(dialog);
    ASSERT_FALSE(controls.empty());
    for (size_t i = 0; i < controls.size(); ++i) {
        const Placed& a = controls[i];
        EXPECT_TRUE(Inside(a.rect, client)) << a.name << " leaves the client area";
        ExpectTextFits(a, dpi);
        for (size_t j = i + 1; j < controls.size(); ++j) {
            const Placed& b = controls[j];
            // A group box frames the controls inside it; it must not cut through one.
            if (a.groupBox != b.groupBox) {
                const Placed& box = a.groupBox ? a : b;
                const Placed& member = a.groupBox ? b : a;
                EXPECT_TRUE(!Overlap(member.rect, box.rect) || Inside(member.rect, box.rect))
                    << member.name << " straddles " << box.name;
            } else {
                EXPECT_FALSE(Overlap(a.rect, b.rect)) << a.name << " overlaps " << b.name;
            }
        }
    }
}

// The Qt window lays its dialogs out from the table made from the resource script
// (front/DialogTemplates.h): the dialog Windows builds from the script itself holds the same
// controls in the same order, at the same places, with the same texts.
void ExpectBuiltLike(HWND dialog, const DialogTemplate& dialogTemplate) {
    size_t index = 0;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT), ++index) {
        ASSERT_LT(index, dialogTemplate.controls.size()) << "a control the table lacks";
        const ControlTemplate& control = dialogTemplate.controls[index];
        SCOPED_TRACE(std::string(control.id));
        RECT place{control.x, control.y, control.Right(), control.y + control.height};
        MapDialogRect(dialog, &place);
        RECT rect{};
        GetWindowRect(child, &rect);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_EQ(rect.left, place.left);
        EXPECT_EQ(rect.top, place.top);
        if (!control.text.empty()) {
            EXPECT_EQ(wintest::WindowText(child), control.text);
        }
    }
    EXPECT_EQ(index, dialogTemplate.controls.size());
}

TEST(WinWindowLayout, MainWindowFitsAtTheDisplaysScaling) {
    DialogUnderTest under(LaptopPorts());
    HWND dialog = under.Window();
    ExpectBuiltLike(dialog, kUpdaterTemplate);
    ExpectLaidOut(dialog, kUpdaterTemplate.pointSize);
    // The step line as it reads during an update.
    SetDlgItemTextW(dialog, IDC_STEP, L"Searching for the radio at 57600 bit/s\u2026");
    for (const Placed& c : VisibleControls(dialog)) {
        if (c.window == GetDlgItem(dialog, IDC_STEP)) ExpectTextFits(c, GetDpiForWindow(dialog));
    }
    SetDlgItemTextW(dialog, IDC_STEP, L"");
    SavePicture(dialog, L"windows-main-window");
}

// The open list is as wide as its longest label, while the closed one keeps its place in the
// layout and shows the port's name whole.
TEST(WinWindowLayout, OpenPortListIsAsWideAsItsLongestLabel) {
    DialogUnderTest under(LaptopPorts());
    HWND dialog = under.Window();
    HWND list = under.Control(IDC_PORT_LIST);
    SendMessageW(list, CB_SHOWDROPDOWN, TRUE, 0);
    COMBOBOXINFO info{};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetComboBoxInfo(list, &info));
    ASSERT_TRUE(IsWindowVisible(info.hwndList));
    RECT opened{}, closed{};
    GetWindowRect(info.hwndList, &opened);
    GetWindowRect(list, &closed);
    HDC context = GetDC(list);
    HGDIOBJ previous =
        SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
    LONG longest = 0;
    for (const PortInfo& port : BenchPorts()) {
        const std::wstring label = win::WideFromUtf8(port.Label());
        SIZE size{};
        GetTextExtentPoint32W(context, label.c_str(), static_cast<int>(label.size()), &size);
        longest = std::max(longest, size.cx);
    }
    SIZE name{};
    GetTextExtentPoint32W(context, L"COM12", 5, &name);
    SelectObject(context, previous);
    ReleaseDC(list, context);
    EXPECT_GE(opened.right - opened.left, longest);
    EXPECT_LT(name.cx, closed.right - closed.left);

    RECT both{};
    RECT window{};
    GetWindowRect(dialog, &window);
    UnionRect(&both, &window, &opened);
    RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    RedrawWindow(info.hwndList, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    const wchar_t* folder = _wgetenv(L"UPDATER_WIN_TEST_PICTURES");
    if (folder != nullptr && *folder != L'\0') {
        const std::wstring path = std::wstring(folder) + L"\\windows-port-list-" +
                                  std::to_wstring(GetDpiForWindow(dialog)) + L".bmp";
        EXPECT_TRUE(wintest::SaveScreenPicture(both, path)) << win::Utf8FromWide(path);
    }
    SendMessageW(list, CB_SHOWDROPDOWN, FALSE, 0);
}

TEST(WinWindowLayout, BannerScalesItsPictureAndStaysOnTheScreen) {
    DialogUnderTest under(LaptopPorts());
    HWND dialog = under.Window();
    EnableBanner(1);
    SetBannerTexts(
        {wintest::WindowText(dialog), "Checking COM Port Connection.....", "", "", "", "", ""});
    win::ShowBanner(dialog);
    HWND banner = win::ActiveBanner();
    ASSERT_NE(banner, nullptr);
    const UINT dpi = GetDpiForWindow(banner);
    EXPECT_EQ(dpi, ExpectedDpi(banner));
    RECT rect{};
    GetWindowRect(banner, &rect);
    EXPECT_EQ(rect.right - rect.left, MulDiv(438, static_cast<int>(dpi), 96));
    EXPECT_EQ(rect.bottom - rect.top, MulDiv(270, static_cast<int>(dpi), 96));
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoW(MonitorFromWindow(banner, MONITOR_DEFAULTTONEAREST), &monitor);
    EXPECT_TRUE(Inside(rect, monitor.rcMonitor));
    SavePicture(banner, L"windows-banner");
    win::HideBanner();
    EnableBanner(0);
    SetBannerTexts({});
}

TEST(WinWindowLayout, SpecialSettingsFitsAtTheDisplaysScaling) {
    DialogUnderTest under(LaptopPorts());
    wintest::WhenModalOpens watch(L"Special Settings", [](HWND settings) {
        ExpectBuiltLike(settings, kSpecialSettingsTemplate);
        ExpectLaidOut(settings, kSpecialSettingsTemplate.pointSize);
        SavePicture(settings, L"windows-special-settings");
        EXPECT_TRUE(wintest::Click(settings, IDCANCEL));
    });
    ASSERT_TRUE(wintest::Click(under.Window(), IDC_SPECIAL_SETTINGS));
    EXPECT_TRUE(watch.Acted());
}

}  // namespace
}  // namespace updater
