#include "cli/SignalGuard.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <pthread.h>
#include <signal.h>
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
#ifndef _WIN32
        case SIGTSTP:
            return "SIGTSTP";
#endif
        default:
            return "SIGHUP";
    }
}

// The keys a user presses to stop: a second press stops even a write.
bool IsUserInterrupt(int signal) { return signal == SIGINT || signal == kCtrlBreak; }

}  // namespace

bool SignalGuard::StartChange(size_t radio) {
    std::lock_guard lock(mutex_);
    if (stopRequested_ || stoppedBy_ != 0) return false;
    changing_[radio] = true;
    return true;
}

void SignalGuard::ChangeEnded(size_t radio) {
    std::lock_guard lock(mutex_);
    changing_[radio] = false;
}

void SignalGuard::InterruptPorts(bool all) {
    for (size_t radio = 0; radio < ports_.size(); ++radio) {
        if (all || !changing_[radio]) ports_[radio]->Interrupt();
    }
}

void SignalGuard::StopAll(int signal) {
    std::fprintf(stderr, "updater-cli: stopped by %s; closing the port%s.\n", SignalName(signal),
                 ports_.size() > 1 ? "s" : "");
    stopRequested_ = true;
    stoppedBy_ = signal;
    InterruptPorts(true);
#ifdef _WIN32
    SetEvent(stopEvent_);
#else
    const uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(stopNotice_, &one, sizeof one);
#endif
}

void SignalGuard::Handle(int signal) {
    std::unique_lock lock(mutex_);
    if (stoppedBy_ != 0) return;
    const bool changing = std::find(changing_.begin(), changing_.end(), true) != changing_.end();
#ifndef _WIN32
    if (signal == SIGTSTP && !changing) {
        lock.unlock();
        // Suspended as usual: SIGCONT (fg) resumes where it stood.
        ::kill(::getpid(), SIGSTOP);
        return;
    }
#endif
    if (!changing) {
        StopAll(signal);
        return;
    }
    if (IsUserInterrupt(signal) && warned_) {
        std::fputs(kChangingWarning, stderr);
        StopAll(signal);
        return;
    }
    const bool first = !warned_;
    warned_ = true;
    const bool startedAll = std::find(changing_.begin(), changing_.end(), false) == changing_.end();
    if (first && !startedAll) {
        std::fputs(
            "updater-cli: the radios not being written yet are not started; their ports "
            "close.\n",
            stderr);
    }
    stopRequested_ = true;
    InterruptPorts(false);
#ifndef _WIN32
    if (signal == SIGTSTP) {
        std::fputs(
            "updater-cli: not suspended: the radio's loader would drop the session while "
            "the program stands still.\n",
            stderr);
    }
#endif
    std::fprintf(stderr, "%s%s", kChangingWarning,
                 IsUserInterrupt(signal) && first
                     ? "updater-cli: the write goes on; press Ctrl+C again to stop anyway.\n"
                     : "updater-cli: the write goes on; press Ctrl+C to stop it anyway.\n");
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

SignalGuard::SignalGuard(std::vector<SerialPort*> ports)
    : ports_(std::move(ports)), changing_(ports_.size(), false) {
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
    for (int s : {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGTSTP, SIGUSR1}) sigaddset(&set, s);
    return set;
}

}  // namespace

SignalGuard::SignalGuard(std::vector<SerialPort*> ports)
    : ports_(std::move(ports)),
      changing_(ports_.size(), false),
      stopNotice_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    std::signal(SIGPIPE, SIG_IGN);
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
