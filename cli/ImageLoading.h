#pragma once
// Loading the image for a verb: the embedded image as at start-up, or the user's file as after
// Special Settings.

#include <string>

#include "image/FirmwareImage.h"

namespace updater::cli {

// file empty: the embedded image. On refusal prints the window's message and then the reason on
// stderr, and returns false.
bool LoadImageOrExplain(const std::string& file, FirmwareImage& image);

}  // namespace updater::cli
