#include "cli/SignalGuard.h"

#include <csignal>
#include <cstdio>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#endif

namespace updater::cli {

namespace {

constexpr const char* kChangingWarning =
    "updater-cli: the radio is being written; stopping now may leave it unusable.\n";

const char* SignalName(int signal) {
    switch (signal) {
        case SIGINT:
            return "SIGINT";
        case SIGTERM:
            return "SIGTERM";
        default:
            return "SIGHUP";
    }
}

}  // namespace

void SignalGuard::Handle(int signal) {
    if (stoppedBy_ != 0) return;
    if (changingRadios_ > 0) {
        const bool insisted = signal == SIGINT && warned_.exchange(true);
        if (!insisted) {
            warned_ = true;
            std::fprintf(stderr, "%s%s", kChangingWarning,
                         signal == SIGINT ? "updater-cli: the write goes on; press Ctrl+C again "
                                            "to stop anyway.\n"
                                          : "updater-cli: the write goes on.\n");
            return;
        }
        std::fputs(kChangingWarning, stderr);
    }
    std::fprintf(stderr, "updater-cli: stopped by %s; closing the port%s.\n", SignalName(signal),
                 ports_.size() > 1 ? "s" : "");
    stoppedBy_ = signal;
    for (SerialPort* port : ports_) port->Interrupt();
}

#ifdef _WIN32

namespace {
SignalGuard* activeGuard = nullptr;  // the console handler has no context argument
}

SignalGuard::SignalGuard(std::vector<SerialPort*> ports) : ports_(std::move(ports)) {
    activeGuard = this;
    // The console calls the handler on a thread of its own; returning TRUE keeps the process.
    SetConsoleCtrlHandler(
        [](DWORD event) -> BOOL {
            if (activeGuard == nullptr) return FALSE;
            activeGuard->Handle(event == CTRL_C_EVENT ? SIGINT : SIGTERM);
            return TRUE;
        },
        TRUE);
}

SignalGuard::~SignalGuard() { activeGuard = nullptr; }

#else

namespace {

// SIGUSR1 only ends the watcher; the others are the user's.
sigset_t WatchedSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGUSR1}) sigaddset(&set, s);
    return set;
}

}  // namespace

SignalGuard::SignalGuard(std::vector<SerialPort*> ports) : ports_(std::move(ports)) {
    std::signal(SIGPIPE, SIG_IGN);
    // Blocked before the update starts its threads, which inherit the mask: the signals then
    // reach only the watcher, which handles them outside any signal handler.
    const sigset_t set = WatchedSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    watcher_ = std::thread([this] {
        const sigset_t watched = WatchedSignals();
        while (true) {
            int signal = 0;
            if (sigwait(&watched, &signal) != 0 || signal == SIGUSR1) return;
            Handle(signal);
        }
    });
}

SignalGuard::~SignalGuard() {
    pthread_kill(watcher_.native_handle(), SIGUSR1);
    watcher_.join();
    const sigset_t set = WatchedSignals();
    pthread_sigmask(SIG_UNBLOCK, &set, nullptr);
}

#endif

}  // namespace updater::cli
