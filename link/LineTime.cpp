#include "link/LineTime.h"

#include <algorithm>

namespace updater {

uint32_t BitsPerByte(int dataBits, bool withParity, bool oneStopBit) {
    return 1 + static_cast<uint32_t>(dataBits) + (withParity ? 1 : 0) + (oneStopBit ? 1 : 2);
}

std::chrono::microseconds LineTime(size_t bytes, uint64_t bitsPerByte, uint64_t speed) {
    speed = std::max<uint64_t>(speed, 1);
    return std::chrono::microseconds(
        (static_cast<uint64_t>(bytes) * bitsPerByte * 1000000 + speed - 1) / speed);
}

}  // namespace updater
