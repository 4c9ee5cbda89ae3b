#include "sim/RadioSimulator.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

#include "sim/LoaderDialogue.h"
#include "sim/OpenWatch.h"
#include "sim/PseudoTerminal.h"
#include "sim/WireTimeline.h"

namespace updater::sim {

namespace {

using Clock = SimClock;
// After a failed dialogue the Updater may still sweep or time out; `once` waits for a quiet
// line first so that the terminal does not vanish under a running exchange.
constexpr auto kQuietBeforeStop = std::chrono::seconds(3);
constexpr auto kDrainBound = std::chrono::seconds(2);
constexpr auto kWriteBound = std::chrono::milliseconds(1000);
// How often the loader looks at the line while a program holds the port: often enough that a
// pause a few milliseconds short is still seen as short. While no program holds it, nothing but
// an open can happen: the loader sleeps until one comes or something of its own falls due.
constexpr auto kWatchfulPeriod = std::chrono::milliseconds(2);
// Two samples of the line less than this apart bracket at most one change: after a change the
// Updater waits 100 ms before it sends again, and a change back needs a byte first.
constexpr auto kLineKnownWindow = std::chrono::milliseconds(100);

struct Sample {
    Clock::time_point before{};
    Clock::time_point after{};
    UartSettings line;
};

struct Chunk {
    std::vector<uint8_t> bytes;
    Arrival arrival;
};

}  // namespace

struct RadioSimulator::Impl {
    explicit Impl(SimOptions o) : options(o), dialogue(o), wire(o.modelWireTime) {}

    void Serve();
    Sample SampleLine() const;
    // Reads until the terminal is empty; each read's bytes with the bounds of their arrival.
    std::vector<Chunk> ReadAll();
    void QueueAnswers(const UartSettings& line, Clock::time_point now);
    void SendDueAnswers();
    // The poll's time-out in milliseconds; -1 to sleep until the terminal, an open or a stop.
    int PollTimeout() const;
    bool OnceDone(Clock::time_point now);

    SimOptions options;
    PseudoTerminal terminal;
    OpenWatch opens;
    std::string path;
    mutable std::mutex mutex;  // guards dialogue
    mutable std::condition_variable changed;
    LoaderDialogue dialogue;
    std::vector<uint8_t> received;  // guarded by mutex, like dialogue
    WireTimeline wire;
    std::multimap<Clock::time_point, LoaderDialogue::Reply> dueAnswers;
    Clock::time_point lastEmptyRead{};
    std::thread thread;
    int wakeRead = -1;
    int wakeWrite = -1;
    std::atomic<bool> stopRequested{false};
    mutable std::mutex stateMutex;
    mutable std::condition_variable stopped;
    bool serving = false;
    std::function<void()> onStopped;
};

Sample RadioSimulator::Impl::SampleLine() const {
    Sample sample;
    sample.before = Clock::now();
    sample.line = terminal.ReadUartSettings();
    sample.after = Clock::now();
    return sample;
}

std::vector<Chunk> RadioSimulator::Impl::ReadAll() {
    std::vector<Chunk> chunks;
    uint8_t buffer[4096];
    while (true) {
        const auto before = Clock::now();
        const long got = terminal.Read(buffer, sizeof buffer);
        const auto after = Clock::now();
        if (got <= 0) {
            // Only a read that found nothing (and so first took in whatever the terminal still
            // held back) bounds the arrival of the bytes after it.
            if (got == 0) lastEmptyRead = before;
            return chunks;
        }
        chunks.push_back(
            Chunk{std::vector<uint8_t>(buffer, buffer + got), Arrival{lastEmptyRead, after}});
    }
}

void RadioSimulator::Impl::QueueAnswers(const UartSettings& line, Clock::time_point now) {
    std::vector<LoaderDialogue::Reply> replies;
    {
        std::lock_guard lock(mutex);
        replies = dialogue.TakeAnswers();
    }
    for (auto& reply : replies) {
        if (reply.bytes.empty()) continue;
        const auto due = wire.AnswerArrival(reply.bytes.size(), line, now) + reply.delay;
        dueAnswers.emplace(due, std::move(reply));
    }
}

void RadioSimulator::Impl::SendDueAnswers() {
    while (!dueAnswers.empty() && dueAnswers.begin()->first <= Clock::now()) {
        const auto& reply = dueAnswers.begin()->second;
        // The Updater cannot read an answer before it is written: a bound for the pause after.
        const auto writeStart = Clock::now();
        terminal.Write(reply.bytes.data(), reply.bytes.size(), kWriteBound);
        if (reply.checkpointAnswer) {
            std::lock_guard lock(mutex);
            dialogue.CheckpointAnswerWritten(writeStart);
        }
        dueAnswers.erase(dueAnswers.begin());
    }
}

int RadioSimulator::Impl::PollTimeout() const {
    std::optional<Clock::time_point> wake;
    if (!dueAnswers.empty()) wake = dueAnswers.begin()->first;
    if (!opens.Watching() || opens.Holders() > 0) {
        const auto watchful = Clock::now() + kWatchfulPeriod;
        wake = wake ? std::min(*wake, watchful) : watchful;
    } else {
        std::lock_guard lock(mutex);
        if (const auto timed = dialogue.NextTimedChange()) {
            wake = wake ? std::min(*wake, *timed) : *timed;
        }
    }
    if (!wake) return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*wake - Clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

bool RadioSimulator::Impl::OnceDone(Clock::time_point now) {
    if (!options.once) return false;
    std::lock_guard lock(mutex);
    // The first dialogue is over, however it went, once the program that talked lets go of the
    // port.
    if (opens.Watching() && opens.Holders() == 0 && !received.empty()) {
        dialogue.PortReleased();
        return true;
    }
    if (!dialogue.Report().dialogueEnded || !dueAnswers.empty()) return false;
    if (dialogue.EndedCleanly()) {
        // Let the Updater take the last answer before the terminal goes away: it has once it
        // closes the port. (The count of unread bytes cannot tell: the terminal hands a write
        // over to the reading side a moment later, so it may still read 0 just after one.)
        const bool updaterDone =
            opens.Watching() ? opens.Holders() == 0 : terminal.PendingForUpdater() == 0;
        return updaterDone || now - dialogue.LastByteAt() > kDrainBound;
    }
    return now - dialogue.LastByteAt() > kQuietBeforeStop;
}

// One turn: read what came, then the opens, then the line settings, so that every event is
// bounded by readings taken before and after it, and hand them to the loader in that order.
void RadioSimulator::Impl::Serve() {
    lastEmptyRead = Clock::now();
    Sample last = SampleLine();
    while (!stopRequested) {
        pollfd fds[3] = {{terminal.MasterHandle(), POLLIN, 0},
                         {wakeRead, POLLIN, 0},
                         {opens.Handle(), POLLIN, 0}};
        poll(fds, opens.Watching() ? 3 : 2, PollTimeout());
        if (stopRequested) break;
        const auto chunks = ReadAll();
        const auto opened = opens.TakeOpens();
        const Sample now = SampleLine();
        bool hangUp;
        {
            std::lock_guard lock(mutex);
            std::optional<LineChange> change;
            if (!(now.line == last.line)) {
                change = LineChange{last.before, now.after, last.line, now.line};
            }
            for (const auto& chunk : chunks) {
                if (change && dialogue.UnderstoodOnlyAfter(last.line, now.line)) {
                    dialogue.LineChanged(*change);
                    change.reset();
                }
                wire.Received(chunk.bytes.size(), now.line, chunk.arrival.seenBy);
                received.insert(received.end(), chunk.bytes.begin(), chunk.bytes.end());
                dialogue.Receive(chunk.bytes.data(), chunk.bytes.size(), chunk.arrival, last.line,
                                 now.line, now.after - last.before < kLineKnownWindow);
            }
            for (const auto& open : opened) dialogue.PortOpened(open);
            if (change) dialogue.LineChanged(*change);
            hangUp = dialogue.HangUpRequested();
        }
        last = now;
        if (hangUp) {
            terminal.Close();
            changed.notify_all();
            break;
        }
        QueueAnswers(now.line, Clock::now());
        {
            std::lock_guard lock(mutex);
            dialogue.Tick(now.line, terminal.PendingForUpdater(), Clock::now());
        }
        QueueAnswers(now.line, Clock::now());
        SendDueAnswers();
        changed.notify_all();
        if (OnceDone(Clock::now())) break;
    }
    {
        std::lock_guard lock(stateMutex);
        serving = false;
        stopped.notify_all();
    }
    changed.notify_all();
    if (onStopped) onStopped();
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
    // Without a watch the loader simply knows no opens and looks at the line often throughout.
    impl_->opens.Start(impl_->path);
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
    impl_->opens.Stop();
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

void RadioSimulator::OnStopped(std::function<void()> stopped) {
    impl_->onStopped = std::move(stopped);
}

const std::string& RadioSimulator::PortPath() const { return impl_->path; }

SimReport RadioSimulator::Report() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->dialogue.Report();
}

bool RadioSimulator::WaitForReport(const std::function<bool(const SimReport&)>& done,
                                   std::chrono::milliseconds timeout) const {
    std::unique_lock lock(impl_->mutex);
    return impl_->changed.wait_for(lock, timeout, [&] { return done(impl_->dialogue.Report()); });
}

std::vector<uint8_t> RadioSimulator::Memory() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->dialogue.Memory();
}

std::vector<bool> RadioSimulator::Written() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->dialogue.Written();
}

std::vector<uint8_t> RadioSimulator::Received() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->received;
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
