#include "cli/SignalGuard.h"

#include <csignal>
#include <cstdio>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>
#endif

namespace updater::cli {

namespace {

#ifdef _WIN32
// Ctrl+Break has no POSIX signal; it is kept apart from Ctrl+C only for its name.
constexpr int kCtrlBreak = SIGBREAK;
#else
constexpr int kCtrlBreak = SIGQUIT;
#endif

constexpr const char* kChangingWarning =
    "updater-cli: the radio is being written; stopping now may leave it unusable.\n";

const char* SignalName(int signal) {
    switch (signal) {
        case SIGINT:
            return "SIGINT";
        case kCtrlBreak:
#ifdef _WIN32
            return "Ctrl+Break";
#else
            return "SIGQUIT";
#endif
        case SIGTERM:
            return "SIGTERM";
        default:
            return "SIGHUP";
    }
}

// The keys a user presses to stop: a second press stops even a write.
bool IsUserInterrupt(int signal) { return signal == SIGINT || signal == kCtrlBreak; }

}  // namespace

void SignalGuard::Handle(int signal) {
    if (stoppedBy_ != 0) return;
    if (changingRadios_ > 0) {
        const bool insisted = IsUserInterrupt(signal) && warned_.exchange(true);
        if (!insisted) {
            warned_ = true;
            std::fprintf(stderr, "%s%s", kChangingWarning,
                         IsUserInterrupt(signal) ? "updater-cli: the write goes on; press Ctrl+C "
                                                   "again to stop anyway.\n"
                                                 : "updater-cli: the write goes on.\n");
            return;
        }
        std::fputs(kChangingWarning, stderr);
    }
    std::fprintf(stderr, "updater-cli: stopped by %s; closing the port%s.\n", SignalName(signal),
                 ports_.size() > 1 ? "s" : "");
    stoppedBy_ = signal;
    for (SerialPort* port : ports_)
        port->Interrupt(signal == SIGINT ? "Ctrl+C" : SignalName(signal));
#ifdef _WIN32
    SetEvent(stopEvent_);
#else
    const uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(stopNotice_, &one, sizeof one);
#endif
}

#ifdef _WIN32

namespace {
SignalGuard* activeGuard = nullptr;  // the console handler has no context argument

BOOL WINAPI OnConsoleEvent(DWORD event) {
    if (activeGuard == nullptr) return FALSE;
    switch (event) {
        case CTRL_C_EVENT:
            activeGuard->Handle(SIGINT);
            break;
        case CTRL_BREAK_EVENT:
            activeGuard->Handle(kCtrlBreak);
            break;
        default:
            activeGuard->Handle(SIGTERM);
            break;
    }
    return TRUE;
}

}  // namespace

SignalGuard::SignalGuard(std::vector<SerialPort*> ports) : ports_(std::move(ports)) {
    stopEvent_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    activeGuard = this;
    // The console calls the handler on a thread of its own; returning TRUE keeps the process.
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

SignalGuard::~SignalGuard() {
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    activeGuard = nullptr;
    if (stopEvent_ != nullptr) CloseHandle(stopEvent_);
}

#else

namespace {

// SIGUSR1 is the guard's own wake-up; the others are the user's.
sigset_t WatchedSignals() {
    sigset_t set;
    sigemptyset(&set);
    for (int s : {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGUSR1}) sigaddset(&set, s);
    return set;
}

}  // namespace

SignalGuard::SignalGuard(std::vector<SerialPort*> ports)
    : ports_(std::move(ports)), stopNotice_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    std::signal(SIGPIPE, SIG_IGN);
    // A file size limit ends the trace (its write fails and is reported), not the write.
    std::signal(SIGXFSZ, SIG_IGN);
    // Blocked before the update starts its threads, which inherit the mask: the signals then
    // reach only the watcher, which handles them outside any signal handler.
    const sigset_t set = WatchedSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    watcher_ = std::thread([this] {
        const sigset_t watched = WatchedSignals();
        while (true) {
            int signal = 0;
            if (sigwait(&watched, &signal) != 0) continue;
            if (signal == SIGUSR1) {
                if (ending_) return;
                continue;  // another program's SIGUSR1 changes nothing
            }
            Handle(signal);
        }
    });
}

SignalGuard::~SignalGuard() {
    ending_ = true;
    pthread_kill(watcher_.native_handle(), SIGUSR1);
    watcher_.join();
    // The signals stay blocked: the program ends right after its update, and a signal that
    // came after the watcher must not turn a completed write into a kill.
    if (stopNotice_ >= 0) ::close(stopNotice_);
}

#endif

}  // namespace updater::cli
