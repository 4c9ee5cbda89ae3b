#pragma once
// Numbers and bytes as upper-case hexadecimal digits, the way the CLI's reports print them.

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

namespace updater::cli {

// value with at least `digits` digits, zero-filled.
inline std::string Hex(uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*X", digits, static_cast<unsigned>(value));
    return text;
}

// Two digits a byte, no separators.
inline std::string HexBytes(std::span<const uint8_t> bytes) {
    std::string text;
    for (uint8_t byte : bytes) text += Hex(byte, 2);
    return text;
}

}  // namespace updater::cli
