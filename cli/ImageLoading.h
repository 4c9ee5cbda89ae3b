#pragma once
// Loading the image for a verb: the embedded image as at start-up, or the user's file as after
// Special Settings.

#include <functional>
#include <string>

#include "image/FirmwareImage.h"

namespace updater::cli {

// file empty: the embedded image. A file that changes while it is read (its size, time or
// identity differ before and after) is refused: it would load as a mix of two images. On
// refusal prints the window's message and then the reason on stderr, puts both in `problem`
// where given, and returns false. `afterRead` runs between the read and the second look at
// the file (for tests that change the file meanwhile).
bool LoadImageOrExplain(const std::string& file, FirmwareImage& image,
                        std::string* problem = nullptr,
                        const std::function<void()>& afterRead = {});

// Prints each warning about the image (image/ImageWarnings.h) on stderr, "warning: " first.
void ShowImageWarnings(const FirmwareImage& image);

}  // namespace updater::cli
