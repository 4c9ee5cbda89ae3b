#include "sim/RadioSimulator.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <thread>

#include "sim/LoaderDialogue.h"
#include "sim/PseudoTerminal.h"
#include "sim/WireClock.h"

namespace updater::sim {

namespace {

using Clock = std::chrono::steady_clock;
// After a failed dialogue the Updater may still sweep or time out; `once` waits for a quiet
// line first so that the terminal does not vanish under a running exchange.
constexpr auto kQuietBeforeStop = std::chrono::seconds(3);
constexpr auto kDrainBound = std::chrono::seconds(2);
constexpr auto kWriteBound = std::chrono::milliseconds(1000);

}  // namespace

struct RadioSimulator::Impl {
    explicit Impl(SimOptions o) : options(o), dialogue(o), wire(o.modelWireTime) {}

    void Serve();
    void SendAnswer(const LineSettings& line, Clock::time_point now);
    bool OnceDone(Clock::time_point now);

    SimOptions options;
    PseudoTerminal terminal;
    std::string path;
    mutable std::mutex mutex;  // guards dialogue
    LoaderDialogue dialogue;
    WireClock wire;
    std::thread thread;
    int wakeRead = -1;
    int wakeWrite = -1;
    std::atomic<bool> stopRequested{false};
    mutable std::mutex stateMutex;
    mutable std::condition_variable stopped;
    bool serving = false;
};

void RadioSimulator::Impl::SendAnswer(const LineSettings& line, Clock::time_point now) {
    std::vector<uint8_t> answer;
    {
        std::lock_guard lock(mutex);
        answer = dialogue.TakeAnswer();
    }
    if (answer.empty()) return;
    std::this_thread::sleep_until(wire.AnswerArrival(answer.size(), line, now));
    terminal.Write(answer.data(), answer.size(), kWriteBound);
}

bool RadioSimulator::Impl::OnceDone(Clock::time_point now) {
    std::lock_guard lock(mutex);
    if (!options.once || !dialogue.Report().dialogueEnded) return false;
    if (dialogue.EndedCleanly()) {
        // Let the Updater take the last answer before the terminal goes away.
        return terminal.PendingForUpdater() == 0 || now - dialogue.LastByteAt() > kDrainBound;
    }
    return now - dialogue.LastByteAt() > kQuietBeforeStop;
}

void RadioSimulator::Impl::Serve() {
    uint8_t buffer[4096];
    while (!stopRequested) {
        bool prompt;
        {
            std::lock_guard lock(mutex);
            prompt = dialogue.NeedsPromptTicks();
        }
        pollfd fds[2] = {{terminal.MasterHandle(), POLLIN, 0}, {wakeRead, POLLIN, 0}};
        poll(fds, 2, prompt ? 5 : 20);
        if (stopRequested) break;
        const auto now = Clock::now();
        const LineSettings line = terminal.ReadLineSettings();
        if (fds[0].revents & POLLIN) {
            const long got = terminal.Read(buffer, sizeof buffer);
            if (got > 0) {
                wire.Received(static_cast<std::size_t>(got), line, now);
                std::lock_guard lock(mutex);
                dialogue.Receive(buffer, static_cast<std::size_t>(got), line, now);
            }
        }
        bool hangUp;
        {
            std::lock_guard lock(mutex);
            hangUp = dialogue.HangUpRequested();
        }
        if (hangUp) {
            terminal.Close();
            break;
        }
        SendAnswer(line, now);
        {
            std::lock_guard lock(mutex);
            dialogue.Tick(line, terminal.PendingForUpdater(), Clock::now());
        }
        SendAnswer(line, Clock::now());
        if (OnceDone(Clock::now())) break;
    }
    std::lock_guard lock(stateMutex);
    serving = false;
    stopped.notify_all();
}

RadioSimulator::RadioSimulator(SimOptions options) : impl_(new Impl(std::move(options))) {}

RadioSimulator::~RadioSimulator() {
    Stop();
    delete impl_;
}

bool RadioSimulator::Start() {
    {
        std::lock_guard lock(impl_->stateMutex);
        if (impl_->serving) return true;
    }
    if (impl_->thread.joinable()) impl_->thread.join();
    std::string error;
    if (!impl_->terminal.Open(&error)) {
        std::fprintf(stderr, "radio simulator: %s\n", error.c_str());
        return false;
    }
    impl_->path = impl_->terminal.SlavePath();
    int pipeEnds[2];
    if (impl_->wakeRead < 0) {
        if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
            impl_->terminal.Close();
            return false;
        }
        impl_->wakeRead = pipeEnds[0];
        impl_->wakeWrite = pipeEnds[1];
    }
    impl_->stopRequested = false;
    {
        std::lock_guard lock(impl_->stateMutex);
        impl_->serving = true;
    }
    impl_->thread = std::thread([this] { impl_->Serve(); });
    return true;
}

void RadioSimulator::Stop() {
    impl_->stopRequested = true;
    if (impl_->wakeWrite >= 0) {
        const char wake = 1;
        [[maybe_unused]] const auto ignored = write(impl_->wakeWrite, &wake, 1);
    }
    if (impl_->thread.joinable()) impl_->thread.join();
    impl_->terminal.Close();
    if (impl_->wakeRead >= 0) close(impl_->wakeRead);
    if (impl_->wakeWrite >= 0) close(impl_->wakeWrite);
    impl_->wakeRead = impl_->wakeWrite = -1;
}

bool RadioSimulator::Serving() const {
    std::lock_guard lock(impl_->stateMutex);
    return impl_->serving;
}

bool RadioSimulator::WaitUntilStopped(int timeoutMs) const {
    std::unique_lock lock(impl_->stateMutex);
    return impl_->stopped.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                   [this] { return !impl_->serving; });
}

const std::string& RadioSimulator::PortPath() const { return impl_->path; }

SimReport RadioSimulator::Report() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->dialogue.Report();
}

std::vector<uint8_t> RadioSimulator::Memory() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->dialogue.Memory();
}

std::vector<bool> RadioSimulator::Written() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->dialogue.Written();
}

bool RadioSimulator::Dump(const std::string& path) const {
    std::lock_guard lock(impl_->mutex);
    std::ofstream out(path, std::ios::trunc);
    if (!out) return false;
    const auto& memory = impl_->dialogue.Memory();
    const auto& written = impl_->dialogue.Written();
    char line[32];
    for (std::size_t address = 0; address < memory.size(); ++address) {
        if (!written[address]) continue;
        std::snprintf(line, sizeof line, "%06zX %02X\n", address, memory[address]);
        out << line;
    }
    out.flush();
    return static_cast<bool>(out);
}

}  // namespace updater::sim
