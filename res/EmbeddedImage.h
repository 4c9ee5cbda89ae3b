#pragma once
// The firmware image the program carries, in its stored (scrambled S-record) form, and the
// choice between it and a user's file that both front ends make.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "image/FirmwareImage.h"
#include "image/StoredImage.h"

namespace updater {

// The bytes, compiled into the program.
std::span<const uint8_t> EmbeddedImageBytes();

// The image the program carries, ready for the loader: shared by every load, never copied.
const StoredImage& EmbeddedImage();
// The user's file when there is one (read now), else the image the program carries.
StoredImage ChosenImage(const ImageFile& file);

// What --version prints: the program's name and version, and the version of the image it
// carries ("Invalid Firm" when it would be refused).
std::string VersionReport(std::string_view program);

}  // namespace updater
