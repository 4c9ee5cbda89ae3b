#pragma once
// The main window's own texts: its caption and the banner's status line.

#include <string>

#include "image/FirmwareImage.h"

namespace updater {

inline constexpr const char* kTextCheckingPorts = "Checking COM Port Connection.....";

// "Updater for VM-5160/VM-6160         Ver. " and the image's version (at most 8 characters),
// or kTextInvalidVersion when the image is not valid.
std::string WindowCaption(bool imageValid, const FirmwareImage& image);

}  // namespace updater
