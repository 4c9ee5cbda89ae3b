#pragma once
// The system's word that a serial device came or went, so that a port list can follow the
// plug: on Linux a udev monitor of the tty devices, whose descriptor a window's event loop or a
// poll can wait on. Windows tells its windows with WM_DEVICECHANGE instead; there the watch has
// no descriptor and a program without a window looks again now and then.

#include <memory>

namespace updater {

class PortWatch {
  public:
    PortWatch();
    ~PortWatch();
    PortWatch(const PortWatch&) = delete;
    PortWatch& operator=(const PortWatch&) = delete;

    // Readable when a report waits; -1 where the system offers none.
    int Descriptor() const;
    // Takes the waiting reports; true when one was about a device added or removed.
    bool TakeReports();
    // Waits up to timeoutMs for a report of a device added or removed; true when one came.
    bool Wait(int timeoutMs);

  private:
    struct Monitor;
    std::unique_ptr<Monitor> monitor_;
};

}  // namespace updater
