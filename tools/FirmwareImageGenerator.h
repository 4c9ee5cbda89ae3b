#pragma once
// Makes the firmware image the program carries: deterministic content (a fixed-seed generator,
// no clock), laid out like a real image with the identity block, the version and the top-area
// tag in their places, and with the line shapes the block assembly must handle.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace updater::tools {

inline constexpr char kGeneratedVersion[] = "V2.10.07";

struct GeneratedImage {
    std::string text;             // plain S-record text, CR LF line ends
    std::vector<int16_t> memory;  // byte per address 0..0xFFFFF; -1 where no line puts data
    std::array<uint8_t, 16> topAreaTag{};
    uint32_t oddLineAddress = 0;  // a line that starts a block at an odd address
};

GeneratedImage GenerateFirmwareImage();

}  // namespace updater::tools
