#pragma once
// What updater-cli does with the signals that would otherwise kill it in the middle of a pass:
// while the radio is being changed, SIGINT, SIGTERM and SIGHUP only warn (a half-written radio
// may be left unusable) and a second SIGINT stops at once; before that, any of them stops the
// update cleanly. Stopping interrupts the port's transfers, so the update ends and closes the
// port within its shortest wait. SIGPIPE is ignored: a closed output only ends the display.

#include <atomic>
#include <thread>
#include <vector>

#include "link/SerialPort.h"

namespace updater::cli {

class SignalGuard {
  public:
    // The ports of the updates it guards (one, or every radio of a bench).
    explicit SignalGuard(std::vector<SerialPort*> ports);
    ~SignalGuard();
    SignalGuard(const SignalGuard&) = delete;
    SignalGuard& operator=(const SignalGuard&) = delete;

    // From the first change of a radio to the end of its update: while any radio is being
    // changed, a signal only warns.
    void RadioChangeStarted() { ++changingRadios_; }
    void RadioChangeEnded() { --changingRadios_; }
    // The signal that stopped the update, 0 when none did.
    int StoppedBy() const { return stoppedBy_; }

  private:
    void Handle(int signal);

    const std::vector<SerialPort*> ports_;
    std::atomic<int> changingRadios_{0};
    std::atomic<int> stoppedBy_{0};
    std::atomic<bool> warned_{false};
#ifndef _WIN32
    std::thread watcher_;
#endif
};

}  // namespace updater::cli
