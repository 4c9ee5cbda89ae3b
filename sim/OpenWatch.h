#pragma once
// Tells the loader when a program opens or closes the terminal's slave side, as a radio would
// notice a programming cable coming alive. Built on inotify, which reports opens of device nodes.

#include <string>
#include <vector>

#include "sim/LineObservation.h"

namespace updater::sim {

class OpenWatch {
  public:
    OpenWatch() = default;
    ~OpenWatch();
    OpenWatch(const OpenWatch&) = delete;
    OpenWatch& operator=(const OpenWatch&) = delete;

    // Watches `path`; false when the system offers no watch (the loader then knows no opens).
    bool Start(const std::string& path);
    void Stop();
    // The handle to poll for readability; -1 without a watch.
    int Handle() const { return fd_; }
    // Reads every pending notification: returns when each open of the free port came (an open
    // while the port is held is another program's, turned away), and keeps the count of programs
    // holding the port.
    std::vector<Arrival> TakeOpens();
    int Holders() const { return holders_; }
    bool Watching() const { return fd_ >= 0; }

  private:
    int fd_ = -1;
    int holders_ = 0;
    SimClock::time_point lastEmptyRead_{};
};

}  // namespace updater::sim
