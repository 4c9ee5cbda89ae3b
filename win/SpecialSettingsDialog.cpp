#include "win/SpecialSettingsDialog.h"

#include <array>

#include "front/FileFilter.h"
#include "win/DialogProcedure.h"
#include "win/MessageBox.h"
#include "win/WideText.h"
#include "win/resource.h"

namespace updater::win {

namespace {

// The speed buttons' ids, indexed by SpeedButton.
constexpr std::array<int, kSpeedButtonCount> kSpeedIds{IDC_SPEED_57600, IDC_SPEED_19200,
                                                       IDC_SPEED_38400};

}  // namespace

SpecialSettingsDialog::SpecialSettingsDialog(const UserSettings& settings, FileChooser chooser)
    : form_(settings), chooser_(chooser ? std::move(chooser) : FileChooser(ChooseFileToOpen)) {}

INT_PTR SpecialSettingsDialog::Run(HWND owner) {
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_SPECIAL_SETTINGS), owner,
                           DialogProcedure<SpecialSettingsDialog>, reinterpret_cast<LPARAM>(this));
}

INT_PTR SpecialSettingsDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM) {
    if (message != WM_COMMAND) return FALSE;
    OnCommand(LOWORD(wParam), HIWORD(wParam));
    return TRUE;
}

void SpecialSettingsDialog::Check(int id, bool checked) {
    SendDlgItemMessageW(window_, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

void SpecialSettingsDialog::OnInitDialog(HWND window) {
    window_ = window;
    // The path box starts empty whatever the path holds: a file is chosen anew each time.
    SetDlgItemTextW(window_, IDC_FILE_PATH, L"");
    EnableWindow(GetDlgItem(window_, IDC_FILE_PATH), form_.FileControlsEnabled());
    EnableWindow(GetDlgItem(window_, IDC_REFER), form_.FileControlsEnabled());
    Check(IDC_USE_OWN_FILE, form_.UseOwnFileChecked());
    Check(IDC_UNENCRYPTED, form_.UnencryptedChecked());
    const int checkedSpeed = kSpeedIds[static_cast<size_t>(form_.CheckedSpeed())];
    for (const int id : kSpeedIds) Check(id, id == checkedSpeed);
    const bool stopBit2 = form_.CheckedStopBit() == StopBitButton::StopBit2;
    Check(IDC_STOP_BIT_2, stopBit2);
    Check(IDC_STOP_BIT_1, !stopBit2);
}

void SpecialSettingsDialog::OnCommand(int id, int notification) {
    if (notification != BN_CLICKED) return;
    switch (id) {
        case IDC_SPEED_57600:
            form_.OnSpeed(SpeedButton::Speed57600);
            break;
        case IDC_SPEED_19200:
            form_.OnSpeed(SpeedButton::Speed19200);
            break;
        case IDC_SPEED_38400:
            form_.OnSpeed(SpeedButton::Speed38400);
            break;
        case IDC_STOP_BIT_1:
            form_.OnStopBit(StopBitButton::StopBit1);
            break;
        case IDC_STOP_BIT_2:
            form_.OnStopBit(StopBitButton::StopBit2);
            break;
        case IDC_UNENCRYPTED:
            form_.OnUnencrypted();
            break;
        case IDC_USE_OWN_FILE:
            OnUseOwnFile();
            break;
        case IDC_REFER:
            OnRefer();
            break;
        case IDOK:
            OnSet();
            break;
        case IDCANCEL:
            EndDialog(window_, IDCANCEL);
            break;
        default:
            break;
    }
}

void SpecialSettingsDialog::OnUseOwnFile() {
    form_.OnUseOwnFile();
    EnableWindow(GetDlgItem(window_, IDC_FILE_PATH), form_.FileControlsEnabled());
    EnableWindow(GetDlgItem(window_, IDC_REFER), form_.FileControlsEnabled());
}

void SpecialSettingsDialog::OnRefer() {
    const std::string path = chooser_(window_, kImageFileFilter);
    if (path.empty()) return;
    form_.OnFileChosen(path);
    SetDlgItemTextW(window_, IDC_FILE_PATH, WideFromUtf8(path).c_str());
}

void SpecialSettingsDialog::OnSet() {
    const bool pathBoxEmpty = GetWindowTextLengthW(GetDlgItem(window_, IDC_FILE_PATH)) == 0;
    if (const auto refusal = form_.RefusalOnSet(pathBoxEmpty)) {
        ShowMessageBox(window_, refusal->text, refusal->caption, refusal->style);
        return;
    }
    EndDialog(window_, IDOK);
}

}  // namespace updater::win
