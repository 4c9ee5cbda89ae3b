// updater.exe: the window program on Windows. No command line, nothing stored between runs.
#include <windows.h>

#include "link/LinkPort.h"
#include "win/CommonControls.h"
#include "win/UpdaterDialog.h"

#ifndef UPDATER_SPECIAL_SETTINGS_FLAG
#define UPDATER_SPECIAL_SETTINGS_FLAG 0
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    // The one serial link of the program, alive for its whole run.
    updater::LinkPort link;
    {
        updater::win::UpdaterDialogOptions options;
        options.specialSettingsFlag = UPDATER_SPECIAL_SETTINGS_FLAG;
        updater::win::UpdaterDialog dialog(link, options);
        dialog.RunModal();
    }
    static_cast<void>(link.SetOpen(0));  // the program ends either way
    return 0;
}
