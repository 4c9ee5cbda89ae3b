// The window's trace of the last update: "Save trace of the last update…" in the dialog's
// system menu (the caption's menu, Alt+Space), greyed until an update has ended and while one
// runs, and the save dialog.

#include "front/TraceSaving.h"
#include "win/UpdaterDialog.h"
#include "win/WideText.h"
#include "win/resource.h"

namespace updater::win {

void UpdaterDialog::AddTraceMenuItem() {
    HMENU menu = GetSystemMenu(window_, FALSE);
    if (menu == nullptr) return;
    AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu, MF_STRING | MF_GRAYED, IDM_SAVE_TRACE, WideFromUtf8(kTextSaveTrace).c_str());
}

void UpdaterDialog::EnableTraceSaving(bool enabled) {
    if (HMENU menu = GetSystemMenu(window_, FALSE)) {
        EnableMenuItem(menu, IDM_SAVE_TRACE, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    }
}

std::string UpdaterDialog::ChooseTraceFile(const std::string& suggestedName) {
    return saveFileChooser_(window_, kTraceFileFilter, suggestedName);
}

}  // namespace updater::win
