#pragma once
// What a valid image holds that the radio will not keep as the image places it: blocks that
// reach past their area's top, top-area blocks that the transfer order leaves out and data lines
// in none of the areas; and an image without the identity block, whose version cannot be
// compared with the radio's. The image stays valid and is written as it is; the front ends
// only tell the user.

#include <cstdint>
#include <string>
#include <vector>

#include "image/FirmwareImage.h"

namespace updater {

enum class ImageWarningKind {
    PastAreaTop,     // the block's last bytes lie above its area's top address
    NotTransferred,  // a top-area block above kTopTransferFirst that is not written
    OutsideAreas,    // data lines in none of the areas (count: the lines), dropped at load
    NoIdentity,      // no identity block, so no image version to show or compare
};

struct ImageWarning {
    ImageWarningKind kind = ImageWarningKind::PastAreaTop;
    const char* area = "";  // "low", "main" or "top"
    uint32_t address = 0;   // the block's first address
    int count = 0;          // the block's bytes
    uint32_t areaTop = 0;   // the area's top address
};

// In area order (low, main, top), each area's blocks in list order; then the lines outside the
// areas and the missing identity block.
std::vector<ImageWarning> FindImageWarnings(const FirmwareImage& image);

// One line for the user, without a leading "warning: ".
std::string ImageWarningText(const ImageWarning& warning);

}  // namespace updater
