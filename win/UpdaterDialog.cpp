#include "win/UpdaterDialog.h"

// dbt.h needs the definitions of windows.h first.
#include <dbt.h>

#include <algorithm>
#include <array>

#include "win/CommonControls.h"
#include "win/DialogProcedure.h"
#include "win/DiscardInput.h"
#include "win/MessageBox.h"
#include "win/SpecialSettingsDialog.h"
#include "win/StatusBanner.h"
#include "win/WideText.h"
#include "win/resource.h"

namespace updater::win {

namespace {

// The dialog's control ids, indexed by DialogControl.
constexpr std::array<int, kDialogControlCount> kControlIds{
    IDOK, IDCANCEL, IDC_PATH_EDIT, IDC_OPEN, IDC_WRITE, IDC_PORT_LIST, IDC_SPECIAL_SETTINGS};

// The device interface class of COM ports (GUID_DEVINTERFACE_COMPORT).
constexpr GUID kComPortInterface{
    0x86e0d1e0, 0x8089, 0x11d0, {0x9c, 0xe4, 0x08, 0x00, 0x3e, 0x30, 0x1f, 0x73}};

int ControlId(DialogControl control) { return kControlIds[static_cast<size_t>(control)]; }

HICON LoadApplicationIcon(int sizeMetricX, int sizeMetricY) {
    return static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APPLICATION_ICON), IMAGE_ICON,
                   GetSystemMetrics(sizeMetricX), GetSystemMetrics(sizeMetricY), 0));
}

}  // namespace

UpdaterDialog::UpdaterDialog(LinkPort& link, UpdaterDialogOptions options)
    : fileChooser_(options.fileChooser ? options.fileChooser : FileChooser(ChooseFileToOpen)),
      saveFileChooser_(options.saveFileChooser ? options.saveFileChooser
                                               : SaveFileChooser(ChooseFileToSave)),
      core_(*this, link, options) {}

UpdaterDialog::~UpdaterDialog() {
    if (portNotification_ != nullptr) UnregisterDeviceNotification(portNotification_);
    if (window_ != nullptr && !modal_) DestroyWindow(window_);
    if (bigIcon_ != nullptr) DestroyIcon(bigIcon_);
    if (smallIcon_ != nullptr) DestroyIcon(smallIcon_);
}

void UpdaterDialog::RunModal() {
    modal_ = true;
    DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_UPDATER), nullptr,
                    DialogProcedure<UpdaterDialog>, reinterpret_cast<LPARAM>(this));
    window_ = nullptr;
}

HWND UpdaterDialog::Create() {
    modal_ = false;
    return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_UPDATER), nullptr,
                              DialogProcedure<UpdaterDialog>, reinterpret_cast<LPARAM>(this));
}

INT_PTR UpdaterDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_CLOSE:
            // The close box and Alt+F4 ask like Exit does; refused while Exit is unavailable.
            core_.OnCancel();
            return TRUE;
        case WM_SYSCOMMAND:
            // The system's own commands keep their default processing.
            if ((wParam & 0xFFF0) != IDM_SAVE_TRACE) return FALSE;
            core_.OnSaveTrace();
            return TRUE;
        case WM_DEVICECHANGE:
            OnDeviceChange(wParam, lParam);
            return TRUE;
        case WM_SHOW_MESSAGE:
            ShowRequestedMessage(*reinterpret_cast<MessageRequest*>(lParam));
            return TRUE;
        case WM_SETCURSOR:
            // The wait cursor stays over the dialog while it is busy, wherever the mouse goes.
            if (!waitCursor_) return FALSE;
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            SetWindowLongPtrW(window_, DWLP_MSGRESULT, TRUE);
            return TRUE;
        default:
            return FALSE;
    }
}

void UpdaterDialog::OnInitDialog(HWND window) {
    window_ = window;
    SetIcons();
    AddTraceMenuItem();
    core_.OnInitDialog();
    WatchPorts();
}

void UpdaterDialog::SetIcons() {
    bigIcon_ = LoadApplicationIcon(SM_CXICON, SM_CYICON);
    smallIcon_ = LoadApplicationIcon(SM_CXSMICON, SM_CYSMICON);
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
}

void UpdaterDialog::OnCommand(int id, int notification) {
    switch (id) {
        case IDCANCEL:  // Exit, and Esc through the dialog manager
            core_.OnCancel();
            break;
        case IDC_WRITE:
            if (notification == BN_CLICKED) core_.OnWrite();
            break;
        case IDC_PORT_LIST:
            // Opening the list looks for the ports again, so that an adapter plugged in since
            // shows up.
            if (notification == CBN_DROPDOWN) core_.OnPortListOpening();
            if (notification == CBN_SELCHANGE) core_.OnSelchangePort(SelectedPort());
            break;
        case IDC_SPECIAL_SETTINGS:
            if (notification == BN_CLICKED) core_.OnSpecialSettings();
            break;
        default:
            break;  // OK stays hidden and disabled: it never ends the dialog unasked
    }
}

void UpdaterDialog::SetCaption(const std::string& caption) {
    SetWindowTextW(window_, WideFromUtf8(caption).c_str());
}

void UpdaterDialog::EnableControl(DialogControl control, bool enabled) {
    EnableWindow(Control(ControlId(control)), enabled ? TRUE : FALSE);
}

void UpdaterDialog::ShowControl(DialogControl control, bool shown) {
    ShowWindow(Control(ControlId(control)), shown ? SW_SHOWNORMAL : SW_HIDE);
}

void UpdaterDialog::EnableCloseCommand(bool enabled) {
    // Greying the system menu's Close item also greys the caption's close box.
    if (HMENU menu = GetSystemMenu(window_, FALSE)) {
        EnableMenuItem(menu, SC_CLOSE, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    }
}

void UpdaterDialog::FillPortList(const std::vector<PortInfo>& ports) {
    HWND list = Control(IDC_PORT_LIST);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    for (size_t i = 0; i < ports.size(); ++i) {
        const LRESULT item =
            SendMessageW(list, CB_ADDSTRING, 0,
                         reinterpret_cast<LPARAM>(WideFromUtf8(ports[i].Label()).c_str()));
        if (item >= 0) SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(item), i);
    }
    FitOpenListToLabels(list, ports);
}

void UpdaterDialog::FitOpenListToLabels(HWND list, const std::vector<PortInfo>& ports) {
    // The closed list keeps the template's width and shows the label's start, the port's
    // name; the open list is as wide as the longest label.
    HDC context = GetDC(list);
    if (context == nullptr) return;
    HGDIOBJ previous =
        SelectObject(context, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
    LONG widest = 0;
    for (const PortInfo& port : ports) {
        const std::wstring label = WideFromUtf8(port.Label());
        SIZE size{};
        if (GetTextExtentPoint32W(context, label.c_str(), static_cast<int>(label.size()), &size)) {
            widest = std::max(widest, size.cx);
        }
    }
    TEXTMETRICW metrics{};
    GetTextMetricsW(context, &metrics);
    SelectObject(context, previous);
    ReleaseDC(list, context);
    // The entry's margins, the list's border and a scroll bar, should it need one.
    const UINT dpi = GetDpiForWindow(list);
    const LONG frame = 2 * metrics.tmAveCharWidth + 2 * GetSystemMetricsForDpi(SM_CXEDGE, dpi) +
                       GetSystemMetricsForDpi(SM_CXVSCROLL, dpi);
    RECT closed{};
    GetWindowRect(list, &closed);
    const LONG width = std::max<LONG>(closed.right - closed.left, widest + frame);
    SendMessageW(list, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(width), 0);
}

void UpdaterDialog::WatchPorts() {
    // Arrivals and removals of COM ports come as WM_DEVICECHANGE; built-in ports are broadcast
    // to every window, adapters' port interfaces only to those that ask.
    DEV_BROADCAST_DEVICEINTERFACE_W filter{};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kComPortInterface;
    portNotification_ = RegisterDeviceNotificationW(window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void UpdaterDialog::OnDeviceChange(WPARAM event, LPARAM data) {
    if (event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) return;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    if (header == nullptr) return;
    if (header->dbch_devicetype == DBT_DEVTYP_PORT ||
        header->dbch_devicetype == DBT_DEVTYP_DEVICEINTERFACE) {
        core_.OnPortsChanged();
    }
}

void UpdaterDialog::SelectPort(int index) {
    SendMessageW(Control(IDC_PORT_LIST), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int UpdaterDialog::SelectedPort() const {
    HWND list = Control(IDC_PORT_LIST);
    const LRESULT item = SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (item == CB_ERR) return -1;
    return static_cast<int>(SendMessageW(list, CB_GETITEMDATA, static_cast<WPARAM>(item), 0));
}

void UpdaterDialog::ShowStatusBanner() { ShowBanner(window_); }

void UpdaterDialog::HideStatusBanner() { HideBanner(); }

void UpdaterDialog::ShowWaitCursor(bool waiting) {
    waitCursor_ = waiting;
    SetCursor(LoadCursorW(nullptr, waiting ? IDC_WAIT : IDC_ARROW));
}

void UpdaterDialog::DiscardInput() { win::DiscardInput(); }

bool UpdaterDialog::RunSpecialSettings(UserSettings& settings) {
    SpecialSettingsDialog dialog(settings, fileChooser_);
    if (dialog.Run(window_) != IDOK) return false;
    settings = dialog.Settings();
    return true;
}

void UpdaterDialog::EndDialog() {
    ended_ = true;
    if (modal_) {
        ::EndDialog(window_, IDCANCEL);
    } else {
        ShowWindow(window_, SW_HIDE);
    }
}

}  // namespace updater::win
