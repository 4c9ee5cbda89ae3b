// The serial device on Linux: a terminal device in raw mode through termios, with what only
// Linux offers (the /sys device tree, CMSPAR, eventfd).

#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <filesystem>
#include <optional>
#include <thread>

#include "link/LineSettings.h"
#include "link/LineTime.h"
#include "link/PortHolders.h"
#include "link/SerialDevice.h"
#include "link/Timing.h"

namespace updater {
namespace {

using Clock = std::chrono::steady_clock;

std::optional<speed_t> SpeedConstant(uint32_t speed) {
    switch (speed) {
        case 50:
            return B50;
        case 75:
            return B75;
        case 110:
            return B110;
        case 134:
            return B134;
        case 150:
            return B150;
        case 200:
            return B200;
        case 300:
            return B300;
        case 600:
            return B600;
        case 1200:
            return B1200;
        case 1800:
            return B1800;
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
        case 115200:
            return B115200;
        case 230400:
            return B230400;
        case 460800:
            return B460800;
        case 500000:
            return B500000;
        case 576000:
            return B576000;
        case 921600:
            return B921600;
        case 1000000:
            return B1000000;
        case 1152000:
            return B1152000;
        case 1500000:
            return B1500000;
        case 2000000:
            return B2000000;
        case 2500000:
            return B2500000;
        case 3000000:
            return B3000000;
        case 3500000:
            return B3500000;
        case 4000000:
            return B4000000;
        default:
            return std::nullopt;
    }
}

tcflag_t DataBitsFlag(int bits) {
    switch (bits) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        default:
            return CS8;
    }
}

OpenError OpenErrorFor(int error) {
    switch (error) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return OpenError::NotFound;
        case EACCES:
        case EPERM:
            return OpenError::PermissionDenied;
        case EBUSY:
        case EWOULDBLOCK:
            return OpenError::Busy;
        default:
            return OpenError::Other;
    }
}

// Pseudo-terminal slaves (the simulated radio's lines) have these majors; the simulator holds
// its own handle on them, which is not another program in the way.
bool IsPseudoTerminal(int fd) {
    struct stat info {};
    return fstat(fd, &info) == 0 && major(info.st_rdev) >= 136 && major(info.st_rdev) <= 143;
}

bool IsPseudoTerminalMultiplexer(const std::string& name) {
    struct stat info {};
    return stat(name.c_str(), &info) == 0 && S_ISCHR(info.st_mode) && major(info.st_rdev) == 5 &&
           minor(info.st_rdev) == 2;
}

// A pseudo-terminal or other device without modem lines refuses the modem-line requests with
// one of these; there is then no line to set, which is not a failure.
bool HasNoModemLines(int error) { return error == ENOTTY || error == EINVAL; }

// A terminal call that failed because the device went away (an adapter unplugged) rather than
// because it cannot do what was asked.
bool DeviceGone(int error) { return error == EIO || error == ENXIO || error == ENODEV; }

LineResult RefusedOrGone(const LineResult& refused) {
    return DeviceGone(errno) ? LineResult::Failed(LineFault::PortGone) : refused;
}

// How a wait for the line ended.
enum class Ready { Yes, DeadlinePassed, Gone, Interrupted };

// Waits until `events` are possible or the deadline passes. The line is gone on an error or an
// invalid handle. A hang-up counts as ready, so that bytes that came before it are still read;
// `hungUp` then tells the caller that no more will come.
Ready WaitFor(int fd, short events, Clock::time_point deadline, int interrupt,
              bool* hungUp = nullptr) {
    while (true) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return Ready::DeadlinePassed;
        const int timeout = static_cast<int>(std::min<long long>(left.count(), INT_MAX));
        pollfd entries[2] = {{fd, events, 0}, {interrupt, POLLIN, 0}};
        const int ready = poll(entries, interrupt >= 0 ? 2 : 1, timeout);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return Ready::Gone;
        if (ready == 0) return Ready::DeadlinePassed;
        if (entries[1].revents & POLLIN) return Ready::Interrupted;
        const pollfd& entry = entries[0];
        if (entry.revents & (POLLERR | POLLNVAL)) return Ready::Gone;
        if (entry.revents & POLLHUP) {
            if (hungUp) *hungUp = true;
            // nothing can be written after a hang-up
            return (events & POLLIN) ? Ready::Yes : Ready::Gone;
        }
        if (entry.revents & events) return Ready::Yes;
    }
}

LineResult FaultOf(Ready ready) {
    switch (ready) {
        case Ready::Gone:
            return LineResult::Failed(LineFault::PortGone);
        case Ready::Interrupted:
            return LineResult::Failed(LineFault::Stopped);
        default:
            return LineResult::TimedOut(0, 0, 0);
    }
}

class LinuxSerialDevice final : public SerialDevice {
  public:
    LinuxSerialDevice() : interrupt_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~LinuxSerialDevice() override {
        Close();
        if (interrupt_ >= 0) ::close(interrupt_);
    }

    void Interrupt() override {
        interrupted_ = true;
        const uint64_t one = 1;
        if (interrupt_ >= 0) [[maybe_unused]]
            const auto written = ::write(interrupt_, &one, sizeof one);
    }

    int Open(const std::string& name) override {
        if (fd_ >= 0) {
            lastError_ = OpenError::Busy;
            return 0;
        }
        // Non-blocking only for the open, so that a port waiting for carrier cannot hang it.
        // The pseudo-terminal multiplexer is a terminal once opened, but a new master of its
        // own each time: never a radio's line.
        if (IsPseudoTerminalMultiplexer(name)) {
            lastError_ = OpenError::NotSerialPort;
            return 0;
        }
        const int fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            lastError_ = errno == EISDIR ? OpenError::NotSerialPort : OpenErrorFor(errno);
            return 0;
        }
        if (!isatty(fd)) {
            ::close(fd);
            lastError_ = OpenError::NotSerialPort;
            return 0;
        }
        // Exclusive like a COM port: TIOCEXCL stops other opens of the terminal, the lock also
        // stops those of privileged processes, which TIOCEXCL lets through.
        if (flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0) {
            lastError_ = OpenErrorFor(errno);
            heldBy_ = DescribeHolders(OtherHoldersOf(name));
            ::close(fd);
            return 0;
        }
        // Neither lock keeps out a program that opened the port before us without them (a
        // terminal program, a modem manager probing): it would read the radio's answers too.
        if (!IsPseudoTerminal(fd)) {
            if (const auto holders = OtherHoldersOf(name); !holders.empty()) {
                ioctl(fd, TIOCNXCL);
                ::close(fd);
                lastError_ = OpenError::Busy;
                heldBy_ = DescribeHolders(holders);
                return 0;
            }
        }
        heldBy_.clear();
        fd_ = fd;
        // The line as the last program left it, put back at close.
        savedLine_ = tcgetattr(fd_, &saved_) == 0;
        lastError_ = OpenError::None;
        return 1;
    }

    int Close() override {
        if (fd_ < 0) return 0;
        if (savedLine_) tcsetattr(fd_, TCSANOW, &saved_);
        // The exclusive flag lives on the terminal, not on this handle: drop it so that the port
        // can be opened again.
        ioctl(fd_, TIOCNXCL);
        const int result = ::close(fd_) == 0;
        fd_ = -1;
        return result;
    }

    bool IsOpen() const override { return fd_ >= 0; }
    OpenError LastOpenError() const override { return lastError_; }
    std::string HeldBy() const override { return heldBy_; }

    // The kernel's terminal buffers have a fixed size; there is nothing to size.
    int SetQueueSizes(uint16_t, uint16_t) override { return fd_ >= 0; }

    LineResult ApplySettings(const std::string& text) override {
        if (fd_ < 0) return LineResult::Failed(LineFault::NotOpen);
        const LineResult refused = LineResult::SettingsRefused(text);
        const auto settings = ParseLineSettings(text);
        if (!settings) return refused;
        const auto speed = SpeedConstant(settings->speed);
        if (!speed) return refused;

        termios tio{};
        if (tcgetattr(fd_, &tio) != 0) return RefusedOrGone(refused);
        cfmakeraw(&tio);
        tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
        tio.c_cflag |= CLOCAL | CREAD | DataBitsFlag(settings->dataBits);
        switch (settings->parity) {
            case Parity::None:
                break;
            case Parity::Even:
                tio.c_cflag |= PARENB;
                break;
            case Parity::Odd:
                tio.c_cflag |= PARENB | PARODD;
                break;
            case Parity::Mark:
                tio.c_cflag |= PARENB | CMSPAR | PARODD;
                break;
            case Parity::Space:
                tio.c_cflag |= PARENB | CMSPAR;
                break;
        }
        // With 5 data bits the UART sends 1.5 stop bits for CSTOPB.
        if (settings->stopBits != StopBits::One) tio.c_cflag |= CSTOPB;
        tio.c_iflag &= ~(IXON | IXOFF | IXANY);
        // Reads are paced by poll; read() then takes whatever has arrived.
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        if (cfsetispeed(&tio, *speed) != 0 || cfsetospeed(&tio, *speed) != 0) return refused;
        // Every write has left the line before it returns, so the change cannot cut a byte.
        if (tcsetattr(fd_, TCSANOW, &tio) != 0) return RefusedOrGone(refused);
        // tcsetattr succeeds when any part of the change was taken: read the line back, so that
        // a speed or format the device cannot do is not taken for granted.
        if (!LineIs(tio)) return RefusedOrGone(refused);
        speed_ = settings->speed;
        bitsPerByte_ = BitsPerByte(settings->dataBits, settings->parity != Parity::None,
                                   settings->stopBits == StopBits::One);
        return SetDtr() ? LineResult::Success() : RefusedOrGone(refused);
    }

    int ApplyTimeouts(uint32_t constantMs, uint32_t multiplierMs) override {
        if (fd_ < 0) return 0;
        readConstantMs_ = constantMs;
        readMultiplierMs_ = multiplierMs;
        return 1;
    }

    int ClearRts() override {
        if (fd_ < 0) return 0;
        int bits = TIOCM_RTS;
        return ioctl(fd_, TIOCMBIC, &bits) == 0 || HasNoModemLines(errno);
    }

    int PurgeInput() override { return fd_ >= 0 && tcflush(fd_, TCIFLUSH) == 0; }

    LineResult Write(const uint8_t* data, size_t length) override {
        if (fd_ < 0) return LineResult::Failed(LineFault::NotOpen);
        if (interrupted_) return LineResult::Failed(LineFault::Stopped);
        // Bounded by twice the time the bytes take on the line, plus slack for a slow adapter.
        const auto deadline = Clock::now() + std::chrono::seconds(2) + 2 * LineTime(length);
        // The bytes cannot start leaving before the first of them was taken.
        std::optional<Clock::time_point> firstTaken;
        size_t sent = 0;
        while (sent < length) {
            const ssize_t n = ::write(fd_, data + sent, length - sent);
            if (n > 0) {
                if (!firstTaken) firstTaken = Clock::now();
                sent += static_cast<size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && errno == EAGAIN) {
                const Ready ready = WaitFor(fd_, POLLOUT, deadline, interrupt_);
                if (ready != Ready::Yes) return FaultOf(ready);
            } else {
                // EIO or ENXIO: the device is gone.
                return LineResult::Failed(LineFault::PortGone);
            }
        }
        if (const LineResult drained = Drain(deadline); !drained) return drained;
        // A USB adapter or a pseudo-terminal reports the queue empty while its bytes are still
        // ahead of the wire: return no sooner than they can have left it, so that the waits
        // after a frame are real on every line. A stop during that wait does not undo bytes
        // that are already on their way: the write succeeded, the next transfer is stopped.
        if (firstTaken) WaitUntil(*firstTaken + LineTime(length));
        return LineResult::Success();
    }

    LineResult Read(uint8_t* buffer, size_t n) override {
        if (fd_ < 0) return LineResult::Failed(LineFault::NotOpen);
        if (interrupted_) return LineResult::Failed(LineFault::Stopped);
        // No raised priority here: Linux grants a real-time class only to privileged processes,
        // and the kernel buffers the line, so no byte is lost while the reader waits.
        const auto start = Clock::now();
        const auto deadline =
            start + std::chrono::milliseconds(readConstantMs_) +
            std::chrono::milliseconds(static_cast<uint64_t>(readMultiplierMs_) * n);
        size_t got = 0;
        bool hungUp = false;
        LineResult ended = LineResult::Success();
        while (got < n) {
            const ssize_t r = ::read(fd_, buffer + got, n - got);
            if (r > 0) {
                got += static_cast<size_t>(r);
                continue;
            }
            if (r < 0 && errno == EINTR) continue;
            // EIO or ENXIO: the device is gone; after a hang-up nothing more will come.
            if ((r < 0 && errno != EAGAIN) || hungUp) {
                ended = LineResult::Failed(LineFault::PortGone);
                break;
            }
            const Ready ready = WaitFor(fd_, POLLIN, deadline, interrupt_, &hungUp);
            if (ready != Ready::Yes) {
                ended = FaultOf(ready);
                break;
            }
        }
        ended.got = static_cast<uint32_t>(got);
        ended.wanted = static_cast<uint32_t>(n);
        if (ended.fault == LineFault::TimedOut) {
            ended.waitedMs = static_cast<uint32_t>(
                std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start)
                    .count());
        }
        return ended;
    }

    int ProviderSubtype() override {
        if (fd_ < 0) return -1;
        struct stat info {};
        if (fstat(fd_, &info) != 0 || !S_ISCHR(info.st_mode)) return -1;
        namespace fs = std::filesystem;
        const fs::path sysNode = "/sys/dev/char/" + std::to_string(major(info.st_rdev)) + ":" +
                                 std::to_string(minor(info.st_rdev));
        std::error_code ec;
        const std::string name = fs::canonical(sysNode, ec).filename().string();
        if (ec) return 0;  // pseudo-terminals have no node there
        // Built-in UART slots exist whether or not a UART answers; the driver knows which do.
        if (name.rfind("ttyS", 0) == 0) {
            serial_struct serial{};
            return ioctl(fd_, TIOCGSERIAL, &serial) == 0 && serial.type != PORT_UNKNOWN
                       ? kProviderSubtypeRs232
                       : 0;
        }
        // USB adapters and other serial drivers hang off a device; consoles do not.
        return fs::exists(sysNode / "device", ec) ? kProviderSubtypeRs232 : 0;
    }

  private:
    std::chrono::microseconds LineTime(size_t bytes) const {
        return updater::LineTime(bytes, bitsPerByte_, speed_);
    }

    // A write returns once its bytes have left the output queue, as a COM port's write does:
    // the waits that follow a frame and a change of line speed must not start early. tcdrain
    // cannot be bounded, so the queue is watched until empty or the deadline passes.
    LineResult Drain(Clock::time_point deadline) {
        while (true) {
            int queued = 0;
            // Once the queue is empty only the UART's own buffer is left, which the driver
            // empties within a bounded time.
            if (ioctl(fd_, TIOCOUTQ, &queued) != 0 || queued <= 0) {
                return tcdrain(fd_) == 0 ? LineResult::Success()
                                         : LineResult::Failed(LineFault::PortGone);
            }
            if (interrupted_) return LineResult::Failed(LineFault::Stopped);
            if (Clock::now() >= deadline) return LineResult::TimedOut(0, 0, 0);
            std::this_thread::sleep_for(std::min<std::chrono::microseconds>(
                LineTime(static_cast<size_t>(queued)), std::chrono::milliseconds(1)));
        }
    }

    // Speed and stop bits are what the radio's line varies. A real driver also reports the data
    // bits and parity it took (an adapter that cannot send 6 bits keeps 8); a pseudo-terminal
    // always reports 8 bits without parity, whatever it was given, so there they are not compared.
    bool LineIs(const termios& wanted) const {
        termios now{};
        if (tcgetattr(fd_, &now) != 0) return false;
        constexpr tcflag_t kFormat = CSIZE | PARENB | PARODD | CMSPAR;
        return cfgetospeed(&now) == cfgetospeed(&wanted) &&
               (now.c_cflag & CSTOPB) == (wanted.c_cflag & CSTOPB) &&
               (IsPseudoTerminal(fd_) || (now.c_cflag & kFormat) == (wanted.c_cflag & kFormat));
    }

    int SetDtr() {
        int bits = TIOCM_DTR;
        return ioctl(fd_, TIOCMBIS, &bits) == 0 || HasNoModemLines(errno);
    }

    int fd_ = -1;
    const int interrupt_;  // readable once Interrupt was called
    std::atomic<bool> interrupted_{false};
    termios saved_{};
    bool savedLine_ = false;
    OpenError lastError_ = OpenError::None;
    std::string heldBy_;
    uint32_t readConstantMs_ = 1000;
    uint32_t readMultiplierMs_ = 0;
    uint32_t speed_ = 9600;
    uint32_t bitsPerByte_ = 11;
};

}  // namespace

std::unique_ptr<SerialDevice> MakeSerialDevice() { return std::make_unique<LinuxSerialDevice>(); }

}  // namespace updater
