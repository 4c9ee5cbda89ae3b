#pragma once
// A valid image of a few blocks per area, so that a whole update through a window takes
// moments. Its top-area tag differs from the simulated radio's, so the full sequence runs.

#include "image/FirmwareImage.h"
#include "tests/support/TestRecords.h"

namespace updater::testing {

inline FirmwareImage SmallImage() {
    // count bytes from address, a pattern that differs per block.
    const auto block = [](uint32_t address, int count, uint8_t seed) {
        return MakeTestRecord(address, count, seed, 5);
    };
    FirmwareImage image;
    for (int i = 0; i < 3; ++i) {
        image.lowAreaRecords.Append(block(0x10000 + 128 * i, 128, static_cast<uint8_t>(0x10 + i)));
    }
    for (int i = 0; i < 4; ++i) {
        image.mainAreaRecords.Append(block(0xC0000 + 128 * i, 128, static_cast<uint8_t>(0x20 + i)));
    }
    image.mainAreaRecords.Append(block(0xD0000, 17, 0x33));
    for (int i = 0; i < 2; ++i) {
        image.topAreaRecords.Append(block(0xF0000 + 128 * i, 128, static_cast<uint8_t>(0x40 + i)));
    }
    image.topAreaRecords.Append(block(0xFFF00, 64, 0x55));
    // The top area is written last block first.
    image.topAreaTransferList.Append(image.topAreaRecords[2]);
    image.topAreaTransferList.Append(image.topAreaRecords[0]);
    image.topAreaTransferList.Append(image.topAreaRecords[1]);
    image.imageVersion = {'V', '9', '.', '0', '1', 0, 0, 0};
    image.imageTopAreaTag = {'G', 'U', 'I', '-', 0x80, 0x9F, 0xFE, 0x01,
                             '2', '0', '2', '4', 0xC3, 0x00, 0x7F, 0xAA};
    return image;
}

// An image loader for the windows that always yields SmallImage().
inline bool LoadSmallImage(FirmwareImage& image, const ImageFile&, ImageLoadForm) {
    image = SmallImage();
    return true;
}

}  // namespace updater::testing
