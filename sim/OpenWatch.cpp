#include "sim/OpenWatch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace updater::sim {

OpenWatch::~OpenWatch() { Stop(); }

bool OpenWatch::Start(const std::string& path) {
    Stop();
    fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd_ < 0) return false;
    if (inotify_add_watch(fd_, path.c_str(), IN_OPEN | IN_CLOSE) < 0) {
        Stop();
        return false;
    }
    holders_ = 0;
    lastEmptyRead_ = SimClock::now();
    return true;
}

void OpenWatch::Stop() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    holders_ = 0;
}

std::vector<Arrival> OpenWatch::TakeOpens() {
    std::vector<Arrival> opens;
    if (fd_ < 0) return opens;
    alignas(inotify_event) char buffer[4096];
    while (true) {
        const auto before = SimClock::now();
        const ssize_t got = ::read(fd_, buffer, sizeof buffer);
        const auto after = SimClock::now();
        if (got <= 0) {
            lastEmptyRead_ = before;
            return opens;
        }
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
            inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            if (event.mask & IN_OPEN) {
                // An open while another program holds the port is a second program, which the
                // exclusive open turns away: no open of the program on the line.
                if (holders_ == 0) opens.push_back(Arrival{lastEmptyRead_, after});
                ++holders_;
            }
            if (event.mask & IN_CLOSE) holders_ = std::max(0, holders_ - 1);
            at += static_cast<ssize_t>(sizeof(inotify_event) + event.len);
        }
    }
}

}  // namespace updater::sim
