#include "sim/UartSettings.h"

#include <array>
#include <utility>

namespace updater::sim {

namespace {

constexpr std::array<std::pair<speed_t, int>, 11> kSpeeds{{{B300, 300},
                                                           {B600, 600},
                                                           {B1200, 1200},
                                                           {B2400, 2400},
                                                           {B4800, 4800},
                                                           {B9600, 9600},
                                                           {B19200, 19200},
                                                           {B38400, 38400},
                                                           {B57600, 57600},
                                                           {B115200, 115200},
                                                           {B230400, 230400}}};

}  // namespace

int SpeedFromTermios(speed_t speed) {
    for (const auto& [constant, bits] : kSpeeds) {
        if (constant == speed) return bits;
    }
    return 0;
}

speed_t TermiosFromSpeed(int speed) {
    for (const auto& [constant, bits] : kSpeeds) {
        if (bits == speed) return constant;
    }
    return B0;
}

std::chrono::nanoseconds ByteTime(const UartSettings& line) {
    if (line.speed <= 0) return std::chrono::nanoseconds{0};
    const int bits = 1 + 8 + (line.eightBitsNoParity ? 0 : 1) + line.stopBits;
    return std::chrono::nanoseconds{static_cast<long long>(bits) * 1'000'000'000LL / line.speed};
}

}  // namespace updater::sim
