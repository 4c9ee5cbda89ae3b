#include "tests/sim/UpdaterLine.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace updater::sim::test {

namespace {

speed_t SpeedConstant(int speed) {
    switch (speed) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        default:
            return B0;
    }
}

}  // namespace

// The pauses here are the Updater's own on the line, which the loader checks: 50 ms after the
// open, 100 ms after every change of the line.
UpdaterLine::UpdaterLine(const std::string& path, bool pauseAfterOpen) {
    fd_ = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (pauseAfterOpen) std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

UpdaterLine::~UpdaterLine() {
    if (fd_ >= 0) ::close(fd_);
}

bool UpdaterLine::SetLine(int speed, int stopBits) {
    termios settings{};
    if (fd_ < 0 || tcgetattr(fd_, &settings) != 0) return false;
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
    if (stopBits == 2) settings.c_cflag |= CSTOPB;
    stopBits_ = stopBits;
    const bool set = cfsetospeed(&settings, SpeedConstant(speed)) == 0 &&
                     cfsetispeed(&settings, SpeedConstant(speed)) == 0 &&
                     tcsetattr(fd_, TCSANOW, &settings) == 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return set;
}

bool UpdaterLine::SetLineAbruptly(int speed) {
    termios settings{};
    if (fd_ < 0 || tcgetattr(fd_, &settings) != 0) return false;
    return cfsetospeed(&settings, SpeedConstant(speed)) == 0 &&
           cfsetispeed(&settings, SpeedConstant(speed)) == 0 &&
           tcsetattr(fd_, TCSANOW, &settings) == 0;
}

bool UpdaterLine::Write(const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> wire(bytes);
    for (auto& b : wire) b ^= key;
    return ::write(fd_, wire.data(), wire.size()) == static_cast<ssize_t>(wire.size());
}

std::vector<uint8_t> UpdaterLine::Read(std::size_t count, int timeoutMs) {
    std::vector<uint8_t> got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < count) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0) break;
        pollfd ready{fd_, POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(left)) <= 0) continue;
        uint8_t buffer[256];
        const ssize_t n = ::read(fd_, buffer, std::min(sizeof buffer, count - got.size()));
        if (n <= 0) break;
        for (ssize_t i = 0; i < n; ++i) got.push_back(buffer[i] ^ key);
    }
    return got;
}

bool UpdaterLine::ChangeSpeed(uint8_t code, int speed) {
    if (!Write({0x0F, code})) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return SetLine(speed, stopBits_);
}

std::vector<uint8_t> BlockFrame(uint8_t command, uint32_t address,
                                const std::vector<uint8_t>& data) {
    std::vector<uint8_t> frame{command, static_cast<uint8_t>(address >> 16),
                               static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address),
                               static_cast<uint8_t>(data.size())};
    uint8_t sum = 0;
    for (uint8_t b : data) {
        frame.push_back(b);
        sum = static_cast<uint8_t>(sum + b);
    }
    frame.push_back(sum);
    return frame;
}

}  // namespace updater::sim::test
