#pragma once
// The Win32 drawing of the service settings dialog, from dialog template
// IDD_SPECIAL_SETTINGS. What each control does is decided by SpecialSettingsForm (front/);
// the main window takes the settings back when the dialog ends with "Set" (IDOK).

#include <windows.h>

#include "front/SpecialSettingsForm.h"
#include "win/FileChooser.h"

namespace updater::win {

class SpecialSettingsDialog {
  public:
    SpecialSettingsDialog(const UserSettings& settings, FileChooser chooser);

    // Shows the dialog modally over owner; returns IDOK ("Set") or IDCANCEL.
    INT_PTR Run(HWND owner);

    const UserSettings& Settings() const { return form_.Settings(); }

    // The dialog's messages (win/DialogProcedure.h).
    void OnInitDialog(HWND window);
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

  private:
    void OnCommand(int id, int notification);
    void OnUseOwnFile();
    void OnRefer();
    void OnSet();
    void Check(int id, bool checked);

    SpecialSettingsForm form_;
    FileChooser chooser_;
    HWND window_ = nullptr;
};

}  // namespace updater::win
