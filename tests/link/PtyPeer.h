#pragma once
// The far end of a pseudo-terminal for link tests: the master side carries the bytes the radio
// would see, and a second handle on the slave reads back the line settings the port applied.

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace updater::test {

class PtyPeer {
  public:
    PtyPeer() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        slavePath_ = ptsname(master_);
        slave_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    }
    ~PtyPeer() {
        if (slave_ >= 0) close(slave_);
        if (master_ >= 0) close(master_);
    }
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    bool Ready() const { return master_ >= 0 && slave_ >= 0; }
    // The far end goes away, as a radio switched off or a cable pulled: the port sees a hang-up.
    void HangUp() {
        if (slave_ >= 0) close(slave_);
        if (master_ >= 0) close(master_);
        slave_ = master_ = -1;
    }
    const std::string& SlavePath() const { return slavePath_; }

    termios LineSettings() const {
        termios tio{};
        tcgetattr(slave_, &tio);
        return tio;
    }
    void SetLineSettings(const termios& tio) { tcsetattr(slave_, TCSANOW, &tio); }

    bool Send(const std::vector<uint8_t>& bytes) {
        return write(master_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }

    // Waits until the port's input queue holds `count` bytes, so that they are surely there.
    bool WaitQueued(int count, std::chrono::milliseconds limit = std::chrono::seconds(2)) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (std::chrono::steady_clock::now() < deadline) {
            int queued = 0;
            if (ioctl(slave_, FIONREAD, &queued) == 0 && queued >= count) return true;
            usleep(1000);
        }
        return false;
    }

    // What the port sent: up to `count` bytes, or fewer when nothing more arrives in `limit`.
    std::vector<uint8_t> Receive(size_t count,
                                 std::chrono::milliseconds limit = std::chrono::seconds(2)) {
        std::vector<uint8_t> bytes;
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (bytes.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd entry{master_, POLLIN, 0};
            if (left.count() <= 0 || poll(&entry, 1, static_cast<int>(left.count())) <= 0) break;
            uint8_t chunk[4096];
            const ssize_t n = read(master_, chunk, std::min(sizeof chunk, count - bytes.size()));
            if (n <= 0) break;
            bytes.insert(bytes.end(), chunk, chunk + n);
        }
        return bytes;
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
};

}  // namespace updater::test
