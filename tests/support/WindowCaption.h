#pragma once
// The caption either window must show for the image the program carries, as the front layer
// words it (its wording is asserted in the front layer's tests).

#include <string>

#include "front/WindowTexts.h"
#include "image/FirmwareImage.h"
#include "res/EmbeddedImage.h"

namespace updater::testing {

// The caption for the built-in image, loaded through the real image pipeline.
inline std::string EmbeddedImageCaption() {
    FirmwareImage image;
    const bool valid = LoadAndValidateImage(image, EmbeddedImage());
    return WindowCaption(valid, image);
}

}  // namespace updater::testing
