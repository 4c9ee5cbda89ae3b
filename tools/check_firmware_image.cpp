// check-firmware-image: loads a stored image with the program's own loader and validation, as
// the window and `updater-cli info --file` do, and says whether a program built around it would
// take it. The build runs it on the image it embeds; the release script reads its report.
//   check-firmware-image IMAGE [--cmake FILE]
// Exit status 0: the image is taken; its report goes to stdout (and, with --cmake, as CMake
// variables to FILE). 1: refused, with the window's message and the reason on stderr. 2: usage.
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "cli/HexText.h"
#include "image/FirmwareImage.h"
#include "tools/PackageVersion.h"

namespace {

int Usage() {
    std::cerr << "usage: check-firmware-image IMAGE [--cmake FILE]\n";
    return 2;
}

int Refuse(const std::string& image, const std::string& reason) {
    std::cerr << image << ": " << updater::kTextInvalidImage << '\n'
              << image << ": " << reason << '\n';
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    std::string image, cmakeFile;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--cmake" && i + 1 < args.size()) {
            cmakeFile = args[++i];
        } else if (image.empty() && !args[i].starts_with("--")) {
            image = args[i];
        } else {
            return Usage();
        }
    }
    if (image.empty()) return Usage();

    updater::FirmwareImage loaded;
    if (!updater::LoadAndValidateImage(loaded, updater::StoredImage::ReadFile(image),
                                       updater::ImageLoadForm::SpecialSettings)) {
        return Refuse(image, updater::ImageProblemText(loaded.problem));
    }
    const std::string version = loaded.VersionText();
    std::string why;
    const std::string packageVersion = updater::tools::PackageVersion(version, why);
    if (packageVersion.empty()) return Refuse(image, why);

    const std::string tag = updater::cli::HexBytes(loaded.imageTopAreaTag);
    std::cout << "version: " << version << '\n'
              << "package version: " << packageVersion << '\n'
              << "top-area tag: " << tag << '\n'
              << "low-area blocks: " << loaded.lowAreaRecords.Size() << '\n'
              << "main-area blocks: " << loaded.mainAreaRecords.Size() << '\n'
              << "top-area blocks: " << loaded.topAreaRecords.Size() << '\n'
              << "transfer-list blocks: " << loaded.topAreaTransferList.Size() << '\n';
    if (!cmakeFile.empty()) {
        std::ofstream out(cmakeFile, std::ios::trunc);
        // The package version holds only name-safe characters, so it needs no quoting; the
        // version as shown is written as a bracket argument, which takes any text.
        out << "set(UPDATER_FIRMWARE_VERSION [==[" << version << "]==])\n"
            << "set(UPDATER_FIRMWARE_PACKAGE_VERSION " << packageVersion << ")\n"
            << "set(UPDATER_FIRMWARE_TAG " << tag << ")\n";
        if (!out) {
            std::cerr << "check-firmware-image: cannot write " << cmakeFile << '\n';
            return 1;
        }
    }
    return 0;
}
