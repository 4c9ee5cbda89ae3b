#pragma once
// What updater-cli does with the signals that would otherwise kill it in the middle of a pass:
// while the radio is being changed, SIGINT, SIGQUIT, SIGTERM and SIGHUP only warn (a
// half-written radio may be left unusable) and a second Ctrl+C (SIGINT or SIGQUIT) stops at
// once; before that, any of them stops the update cleanly. Stopping interrupts the port's
// transfers, so the update ends and closes the port within its shortest wait, and wakes a
// question waiting on the user. SIGPIPE is ignored: a closed output only ends the display.
// On Windows, Ctrl+C and Ctrl+Break stand for SIGINT and SIGQUIT, closing the console for
// SIGTERM.

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

#ifdef _WIN32
    // An event set once the update is stopped, for a wait on the user to wait on as well.
    void* StopEvent() const { return stopEvent_; }
#else
    // A descriptor readable once the update is stopped, for a wait on the user to poll too.
    int StopDescriptor() const { return stopNotice_; }
#endif

    // One signal, from the watcher (POSIX) or the console's handler (Windows).
    void Handle(int signal);

  private:
    const std::vector<SerialPort*> ports_;
    std::atomic<int> changingRadios_{0};
    std::atomic<int> stoppedBy_{0};
    std::atomic<bool> warned_{false};
#ifdef _WIN32
    void* stopEvent_ = nullptr;
#else
    int stopNotice_ = -1;
    // Set by the destructor alone: only this wake-up ends the watcher, not a SIGUSR1 that
    // another program sends.
    std::atomic<bool> ending_{false};
    std::thread watcher_;
#endif
};

}  // namespace updater::cli
