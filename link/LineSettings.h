#pragma once
// The line settings text "9600,N,8,2" taken apart, for backends that set the line field by field.

#include <cstdint>
#include <optional>
#include <string>

namespace updater {

enum class Parity { None, Even, Odd, Mark, Space };
enum class StopBits { One, OneAndHalf, Two };

struct LineSettings {
    uint32_t speed = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::Two;
};

// Exactly four comma-separated fields: speed in bit/s, parity letter (N, E, O, M, S in either
// case), data bits 5 to 8, stop bits 1, 1.5 (only with 5 data bits) or 2. Anything else,
// including a flow-control field, gives no value: the line always runs without flow control.
std::optional<LineSettings> ParseLineSettings(const std::string& text);

}  // namespace updater
