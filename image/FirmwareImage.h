#pragma once
// The firmware image as the front ends hold it: the area lists, the transfer order of the top
// area, the image version and the top-area tag, loaded and validated in one call.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "image/ImageAreas.h"
#include "image/ImageProblem.h"
#include "image/ImageRecord.h"
#include "image/StoredImage.h"

namespace updater {

struct FirmwareImage {
    RecordList lowAreaRecords;
    RecordList mainAreaRecords;
    RecordList topAreaRecords;
    RecordList topAreaTransferList;
    std::array<uint8_t, kImageVersionLength>
        imageVersion{};  // zero bytes until an identity block was read
    std::array<uint8_t, 16> imageTopAreaTag{};
    ImageProblem problem = ImageProblem::None;  // why the last load was refused
    // Data lines that lie in none of the areas: the load drops them.
    int linesOutsideAreas = 0;
    uint32_t firstOutsideAddress = 0;

    // The version as text: up to its first zero byte, at most 8 characters.
    std::string VersionText() const;
};

// A version as shown to the user: the text up to the first zero byte, at most eight characters
// (the image's version has eight; the radio reports sixteen, of which the same eight are shown).
// The bytes come from outside, so they are made valid UTF-8 here, once: a byte above 0x7F
// stands for the character of that number (as single-byte text showed it), and a control
// character is written as "\xNN" so that it cannot break a line or a terminal.
std::string VersionText(std::span<const uint8_t> bytes);
// Shown where the version of an image that was refused would stand.
inline constexpr const char* kTextInvalidVersion = "Invalid Firm";

enum class ImageLoadForm { StartUp, SpecialSettings };

// The image a front end is to load: the user's file at this path (UTF-8), or none for the image
// the program carries (res/EmbeddedImage.h chooses).
using ImageFile = std::optional<std::string>;

// Loads the stored image and validates it as the main window does: LoadImage,
// CheckIdentityBlock, ReadTopAreaTag, then BuildTopAreaTransferList whatever the outcome. An
// image with no data for any area is refused too: writing it would change nothing in the radio.
// Returns true when the image is valid, else false with the reason in image.problem. Never
// throws.
bool LoadAndValidateImage(FirmwareImage& image, const StoredImage& stored,
                          ImageLoadForm form = ImageLoadForm::StartUp);

inline constexpr const char* kTextInvalidImage =
    "The firmware file selected is not valid for this model.";

}  // namespace updater
