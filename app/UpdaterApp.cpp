#include "app/UpdaterApp.h"

#include "app/UpdaterDialog.h"
#include "link/LinkPort.h"
#include "ui/UiResources.h"

namespace updater {

namespace {

// The one serial link of the program, alive for its whole run.
LinkPort linkPort;

}  // namespace

UpdaterApp::UpdaterApp(int& argc, char** argv, int specialSettingsFlag)
    : QApplication(argc, argv), specialSettingsFlag_(specialSettingsFlag) {
    setWindowIcon(ApplicationIcon());
}

int UpdaterApp::Run() {
    {
        UpdaterDialogOptions options;
        options.specialSettingsFlag = specialSettingsFlag_;
        UpdaterDialog dialog(nullptr, linkPort, options);
        dialog.OnInitDialog();
        dialog.exec();
    }
    static_cast<void>(linkPort.SetOpen(0));  // the program ends either way
    return 0;
}

}  // namespace updater
