#include "sim/PseudoTerminal.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace updater::sim {

namespace {

std::string Reason(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

PseudoTerminal::~PseudoTerminal() { Close(); }

bool PseudoTerminal::Open(std::string* error) {
    Close();
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) {
        if (error) *error = Reason("posix_openpt");
        return false;
    }
    char name[128] = {};
    if (grantpt(master_) != 0 || unlockpt(master_) != 0 ||
        ptsname_r(master_, name, sizeof name) != 0) {
        if (error) *error = Reason("pseudo-terminal setup");
        Close();
        return false;
    }
    slavePath_ = name;
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) {
        if (error) *error = Reason("open slave side");
        Close();
        return false;
    }
    // Raw at once, so nothing the Updater or the loader sends is echoed or cooked before the
    // Updater configures the line itself.
    termios settings{};
    if (tcgetattr(slave_, &settings) != 0) {
        if (error) *error = Reason("tcgetattr");
        Close();
        return false;
    }
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    if (tcsetattr(slave_, TCSANOW, &settings) != 0) {
        if (error) *error = Reason("tcsetattr");
        Close();
        return false;
    }
    const int flags = fcntl(master_, F_GETFL);
    fcntl(master_, F_SETFL, flags | O_NONBLOCK);
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    return true;
}

void PseudoTerminal::Close() {
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
    slave_ = -1;
    master_ = -1;
}

UartSettings PseudoTerminal::ReadUartSettings() const {
    UartSettings line;
    termios settings{};
    if (slave_ < 0 || tcgetattr(slave_, &settings) != 0) {
        line.speed = 0;
        return line;
    }
    line.speed = SpeedFromTermios(cfgetospeed(&settings));
    line.stopBits = (settings.c_cflag & CSTOPB) ? 2 : 1;
    line.eightBitsNoParity = (settings.c_cflag & CSIZE) == CS8 && (settings.c_cflag & PARENB) == 0;
    return line;
}

std::size_t PseudoTerminal::PendingForUpdater() const {
    int count = 0;
    if (slave_ < 0 || ioctl(slave_, FIONREAD, &count) != 0 || count < 0) return 0;
    return static_cast<std::size_t>(count);
}

long PseudoTerminal::Read(uint8_t* buffer, std::size_t size) {
    if (master_ < 0) return -1;
    const ssize_t got = ::read(master_, buffer, size);
    if (got < 0) return (errno == EAGAIN || errno == EINTR) ? 0 : -1;
    return got;
}

bool PseudoTerminal::Write(const uint8_t* data, std::size_t size, std::chrono::milliseconds bound) {
    const auto deadline = std::chrono::steady_clock::now() + bound;
    std::size_t done = 0;
    while (done < size && master_ >= 0) {
        const ssize_t put = ::write(master_, data + done, size - done);
        if (put > 0) {
            done += static_cast<std::size_t>(put);
            continue;
        }
        if (put < 0 && errno != EAGAIN && errno != EINTR) return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd room{master_, POLLOUT, 0};
        poll(&room, 1, static_cast<int>(left.count()));
    }
    return done == size;
}

}  // namespace updater::sim
