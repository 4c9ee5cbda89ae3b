// make-firmware-image: writes the firmware image the program carries (res/firmware.mot).
//   make-firmware-image OUTPUT          the stored (scrambled) image
//   make-firmware-image --plain OUTPUT  the same image as plain S-record text
//   make-firmware-image --check FILE    exit 0 when FILE holds exactly the stored image
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "image/ImageLoader.h"
#include "tools/FirmwareImageGenerator.h"
#include "tools/ImageSelfCheck.h"

namespace {

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

int Usage() {
    std::cerr << "usage: make-firmware-image [--plain | --check] FILE\n";
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string mode = "stored";
    if (args.size() == 2 && (args[0] == "--plain" || args[0] == "--check")) {
        mode = args[0].substr(2);
        args.erase(args.begin());
    }
    if (args.size() != 1 || args[0].starts_with("--")) return Usage();
    const std::string& path = args[0];

    const updater::tools::GeneratedImage image = updater::tools::GenerateFirmwareImage();
    const std::vector<uint8_t> plain(image.text.begin(), image.text.end());
    std::vector<uint8_t> stored = plain;
    updater::ImageLoader::Descramble(stored.data(), static_cast<int64_t>(stored.size()));

    const auto problems = updater::tools::CheckGeneratedImage(image, stored);
    for (const std::string& problem : problems)
        std::cerr << "make-firmware-image: " << problem << '\n';
    if (!problems.empty()) return 1;

    if (mode == "check") {
        std::ifstream in(path, std::ios::binary);
        const std::vector<uint8_t> existing((std::istreambuf_iterator<char>(in)),
                                            std::istreambuf_iterator<char>());
        if (!in.eof() && !in) {
            std::cerr << "make-firmware-image: cannot read " << path << '\n';
            return 1;
        }
        if (existing != stored) {
            std::cerr << "make-firmware-image: " << path << " differs from the generated image ("
                      << existing.size() << " bytes, generated " << stored.size() << ")\n";
            return 1;
        }
        std::cout << path << ": identical (" << stored.size() << " bytes)\n";
        return 0;
    }
    if (!WriteFile(path, mode == "plain" ? plain : stored)) {
        std::cerr << "make-firmware-image: cannot write " << path << '\n';
        return 1;
    }
    std::cout << "wrote " << path << " (" << stored.size() << " bytes)\n";
    return 0;
}
