#pragma once
// Writes Motorola S-record lines (S0 header, S2 data, S8 end) as the image files hold them.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace updater::tools {

inline constexpr std::string_view kLineEnd = "\r\n";

std::string HeaderLine(std::string_view text);
std::string DataLine(uint32_t address, std::span<const uint8_t> bytes);
std::string EndLine(uint32_t startAddress = 0);

}  // namespace updater::tools
