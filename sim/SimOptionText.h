#pragma once
// Turns the texts a user gives radio-sim into the loader's 16-byte answers.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "sim/RadioSimulator.h"

namespace updater::sim {

// A fault's place: "EVENT" or "EVENT:N" (the N-th occurrence, 1 when not given), EVENT one of
// the names EventFaultNames() lists. None otherwise.
std::optional<EventFault> EventFaultFromText(const std::string& text);
// The event names, separated by blanks, for help texts.
std::string EventFaultNames();

// Model code: up to 16 characters; the first 8 are padded with blanks to 8, every byte after
// the text is 0xFF ("MQA6635" gives "MQA6635 " and eight 0xFF). None when longer than 16.
std::optional<std::array<uint8_t, 16>> ModelFromText(const std::string& text);
// Top-area tag: exactly 32 hexadecimal digits. None otherwise.
std::optional<std::array<uint8_t, 16>> TagFromHex(const std::string& hex);
// Firmware version: up to 16 characters, the rest zero bytes. None when longer than 16.
std::optional<std::array<uint8_t, 16>> VersionFromText(const std::string& text);

}  // namespace updater::sim
