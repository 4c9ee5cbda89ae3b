#include <cstring>
#include <iostream>
#include <string>

#include "app/UpdaterApp.h"
#include "image/FirmwareImage.h"

#ifndef UPDATER_SPECIAL_SETTINGS_FLAG
#define UPDATER_SPECIAL_SETTINGS_FLAG 0
#endif

namespace {

// The program's version and the version of the image it carries, as updater-cli --version
// prints them.
void PrintVersion() {
    updater::FirmwareImage image;
    const bool valid = updater::LoadAndValidateImage(image, std::nullopt);
    std::cout << "updater " << UPDATER_VERSION << "\nembedded image: "
              << (valid ? image.VersionText() : std::string(updater::kTextInvalidVersion)) << '\n';
}

}  // namespace

int main(int argc, char** argv) {
    // The window takes no command line; --version alone is answered without opening it.
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        PrintVersion();
        return 0;
    }
    updater::UpdaterApp application(argc, argv, UPDATER_SPECIAL_SETTINGS_FLAG);
    return application.Run();
}
