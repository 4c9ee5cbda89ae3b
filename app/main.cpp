#include "app/UpdaterApp.h"

#ifndef UPDATER_SPECIAL_SETTINGS_FLAG
#define UPDATER_SPECIAL_SETTINGS_FLAG 0
#endif

int main(int argc, char** argv) {
    updater::UpdaterApp application(argc, argv, UPDATER_SPECIAL_SETTINGS_FLAG);
    return application.Run();
}
