#include <cstring>
#include <iostream>

#include "app/UpdaterApp.h"
#include "res/EmbeddedImage.h"

#ifndef UPDATER_SPECIAL_SETTINGS_FLAG
#define UPDATER_SPECIAL_SETTINGS_FLAG 0
#endif

int main(int argc, char** argv) {
    // The window takes no command line; --version alone is answered without opening it.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::cout << updater::VersionReport("updater") << '\n';
        return 0;
    }
    updater::UpdaterApp application(argc, argv, UPDATER_SPECIAL_SETTINGS_FLAG);
    return application.Run();
}
