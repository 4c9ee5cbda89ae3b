#pragma once
// What updater-cli does with the signals that would otherwise kill it in the middle of a pass.
// Before a radio is changed, SIGINT, SIGQUIT, SIGTERM and SIGHUP stop it at once: its search
// or check ends and its port closes, and it is not started afterwards. A radio whose change has
// begun goes on after a first signal (a half-written radio may be left unusable) and a Ctrl+C
// (SIGINT or SIGQUIT) after that stops it anyway; each warning says what the next signal does.
// Ctrl+Z (SIGTSTP) suspends the program as usual, except while a radio is changed: its loader
// would drop the session meanwhile, so it is then answered like a first Ctrl+C. Stopping
// interrupts the port's transfers, so an update ends and closes its port within its shortest
// wait, and wakes a question waiting on the user. SIGPIPE is ignored: a closed output only ends
// the display. On Windows, Ctrl+C and Ctrl+Break stand for SIGINT and SIGQUIT, closing the
// console for SIGTERM.

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "link/SerialPort.h"

namespace updater::cli {

class SignalGuard {
  public:
    // The ports of the updates it guards (one, or every radio of a bench), by radio index.
    explicit SignalGuard(std::vector<SerialPort*> ports);
    ~SignalGuard();
    SignalGuard(const SignalGuard&) = delete;
    SignalGuard& operator=(const SignalGuard&) = delete;

    // The gate between a radio's checks and its first change: false once a stop was asked for
    // (the radio is then left as it is), otherwise the radio counts as being changed until
    // ChangeEnded, and a signal only warns.
    bool StartChange(size_t radio);
    void ChangeEnded(size_t radio);
    // The signal that stopped every update, 0 when none did.
    int StoppedBy() const { return stoppedBy_; }
    // A signal came: no radio is started any more, even where those being changed go on.
    bool StopRequested() const { return stopRequested_; }

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
    // Interrupts the ports of the radios not being changed, or every port (all).
    void InterruptPorts(bool all);
    void StopAll(int signal);

    const std::vector<SerialPort*> ports_;
    std::mutex mutex_;            // the gate and the signals take turns
    std::vector<bool> changing_;  // by radio
    std::atomic<int> stoppedBy_{0};
    std::atomic<bool> stopRequested_{false};
    bool warned_ = false;
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
