#pragma once
// What either window's caption must read, written out here rather than taken from the code
// under test.

#include <string>

#include "image/FirmwareImage.h"

namespace updater::testing {

// The version of the image the program carries ("" when it does not load).
inline std::string EmbeddedImageVersion() {
    FirmwareImage image;
    return LoadAndValidateImage(image, std::nullopt) ? image.VersionText() : std::string();
}

// The caption the window shows for a version text (nine blanks before "Ver.").
inline std::string CaptionFor(const std::string& version) {
    return "Updater for VM-5160/VM-6160         Ver. " + version;
}

}  // namespace updater::testing
