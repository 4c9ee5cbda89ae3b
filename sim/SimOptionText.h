#pragma once
// Turns the texts a user gives radio-sim into the loader's 16-byte answers.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace updater::sim {

// Model code: up to 16 characters; the first 8 are padded with blanks to 8, every byte after
// the text is 0xFF ("MQA6635" gives "MQA6635 " and eight 0xFF). None when longer than 16.
std::optional<std::array<uint8_t, 16>> ModelFromText(const std::string& text);
// Top-area tag: exactly 32 hexadecimal digits. None otherwise.
std::optional<std::array<uint8_t, 16>> TagFromHex(const std::string& hex);
// Firmware version: up to 16 characters, the rest zero bytes. None when longer than 16.
std::optional<std::array<uint8_t, 16>> VersionFromText(const std::string& text);

}  // namespace updater::sim
