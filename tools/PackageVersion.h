#pragma once
// The firmware's version as it stands in package and installer names
// (vm-updater_1.0.0+fw2.10.07_amd64.deb).

#include <string>

namespace updater::tools {

// The image's version without a leading "V" before a digit ("V2.10.07" gives "2.10.07").
// Empty, with the reason in why, when there is no version or it holds a character that a
// Debian version or a file name cannot carry (only letters, digits, '.', '+' and '~' can).
std::string PackageVersion(const std::string& version, std::string& why);

}  // namespace updater::tools
