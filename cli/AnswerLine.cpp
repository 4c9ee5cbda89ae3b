#include "cli/AnswerLine.h"

#ifdef _WIN32
#include <windows.h>

#include <iostream>
#include <memory>
#include <thread>
#else
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace updater::cli {

#ifdef _WIN32

namespace {

// What the reading thread hands over; shared, since a stopped question leaves it behind.
struct PendingLine {
    PendingLine() : ready(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~PendingLine() {
        if (ready != nullptr) CloseHandle(ready);
    }
    HANDLE ready;
    std::string line;
    bool read = false;
};

}  // namespace

std::optional<std::string> ReadAnswerLine(const SignalGuard& signals) {
    auto pending = std::make_shared<PendingLine>();
    if (pending->ready == nullptr) return std::nullopt;
    // The console's line input cannot wait on an event as well: it is read on a thread of its
    // own, which a stop leaves blocked until the program ends.
    std::thread([pending] {
        pending->read = static_cast<bool>(std::getline(std::cin, pending->line));
        SetEvent(pending->ready);
    }).detach();
    HANDLE handles[2] = {pending->ready, static_cast<HANDLE>(signals.StopEvent())};
    const DWORD woken = WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    if (woken != WAIT_OBJECT_0 || signals.StoppedBy() != 0 || !pending->read) {
        return std::nullopt;
    }
    return pending->line;
}

#else

std::optional<std::string> ReadAnswerLine(const SignalGuard& signals) {
    std::string line;
    while (true) {
        pollfd waits[2] = {{STDIN_FILENO, POLLIN, 0}, {signals.StopDescriptor(), POLLIN, 0}};
        if (poll(waits, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (signals.StoppedBy() != 0 || waits[1].revents != 0) return std::nullopt;
        if (waits[0].revents == 0) continue;
        char buffer[256];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return line.empty() ? std::nullopt : std::optional<std::string>(line);
        line.append(buffer, static_cast<size_t>(got));
        if (const size_t end = line.find('\n'); end != std::string::npos) {
            line.resize(end);
            return line;
        }
    }
}

#endif

}  // namespace updater::cli
