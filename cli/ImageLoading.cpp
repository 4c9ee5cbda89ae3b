#include "cli/ImageLoading.h"

#include <iostream>

#include "res/EmbeddedImage.h"

namespace updater::cli {

bool LoadImageOrExplain(const std::string& file, FirmwareImage& image) {
    const bool ownFile = !file.empty();
    if (LoadAndValidateImage(image, ChosenImage(ownFile ? ImageFile(file) : std::nullopt),
                             ownFile ? ImageLoadForm::SpecialSettings : ImageLoadForm::StartUp)) {
        return true;
    }
    std::cerr << kTextInvalidImage << '\n';
    const std::string reason = ImageProblemText(image.problem);
    if (!reason.empty()) std::cerr << (ownFile ? file : "embedded image") << ": " << reason << '\n';
    return false;
}

}  // namespace updater::cli
