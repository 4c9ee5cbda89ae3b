#include "tests/cli/CliProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <functional>

#include "tests/support/HoldingProcess.h"

#ifndef UPDATER_CLI_PATH
#error "UPDATER_CLI_PATH must name the updater-cli program"
#endif

namespace updater::test {

namespace {

// The parent's end and the child's end of the output channel.
struct Channel {
    int parent = -1;
    int child = -1;
};

Channel MakePipe() {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return {};
    return {ends[0], ends[1]};
}

Channel MakeTerminal() {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return {};
    const int slave = open(ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    return {master, slave};
}

// Reads both outputs (and the input terminal, where termFd is one) until both outputs have
// ended or the deadline passed; false when it passed. onOutput is called after every piece
// that arrived.
bool Collect(int outFd, int errFd, int termFd, CliRun& run,
             std::chrono::steady_clock::time_point deadline,
             const std::function<void()>& onOutput) {
    pollfd fds[3] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}, {termFd, POLLIN, 0}};
    std::string* sinks[3] = {&run.out, &run.err, &run.terminal};
    int open = 2;
    while (open > 0) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        if (poll(fds, 3, static_cast<int>(left.count())) < 0) continue;
        for (int i = 0; i < 3; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
                onOutput();
            } else {
                // End of a pipe; a terminal whose last writer has gone reports an error.
                fds[i].fd = -1;
                if (i < 2) --open;
            }
        }
    }
    return true;
}

}  // namespace

CliRun SpawnCli(const std::vector<std::string>& arguments, const CliRunOptions& options) {
    CliRun result{-1, {}, {}, {}, 0};
    const Channel out = options.outputOnTerminal ? MakeTerminal() : MakePipe();
    const Channel err = MakePipe();
    // The parent keeps the terminal's far side open and types nothing: a question waits.
    const Channel in = options.inputOnTerminal ? MakeTerminal() : Channel{};
    if (out.parent < 0 || err.parent < 0 || (options.inputOnTerminal && in.parent < 0)) {
        return result;
    }

    std::vector<std::string> words = {UPDATER_CLI_PATH};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);

    const pid_t pid = fork();
    if (pid == 0) {
        const int input = options.inputOnTerminal ? in.child : open("/dev/null", O_RDONLY);
        // A session of its own, whose controlling terminal the input terminal becomes.
        if (options.controllingTerminal && (setsid() < 0 || ioctl(in.child, TIOCSCTTY, 0) != 0)) {
            _exit(126);
        }
        if (input < 0 || dup2(input, STDIN_FILENO) < 0 || dup2(out.child, STDOUT_FILENO) < 0 ||
            dup2(err.child, STDERR_FILENO) < 0) {
            _exit(126);
        }
        for (const int stream : options.closedStreams) close(stream);
        if (options.fileSizeLimit > 0) {
            const rlimit limit{static_cast<rlim_t>(options.fileSizeLimit),
                               static_cast<rlim_t>(options.fileSizeLimit)};
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
        }
        if (options.asOrdinaryUser && !BecomeOrdinaryUser()) _exit(126);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out.child);
    close(err.child);
    if (in.child >= 0) close(in.child);
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(options.timeLimitSeconds);
    size_t nextCue = 0;
    size_t nextTyping = 0;
    const auto seen = [&](const std::string& text) {
        return result.out.find(text) != std::string::npos ||
               result.err.find(text) != std::string::npos ||
               result.terminal.find(text) != std::string::npos;
    };
    const auto sendCues = [&] {
        while (nextCue < options.cues.size() && seen(options.cues[nextCue].text)) {
            kill(pid, options.cues[nextCue++].signal);
        }
        // Typed only once the terminal shows the text: the echo then follows it there.
        while (nextTyping < options.typing.size() &&
               result.terminal.find(options.typing[nextTyping].text) != std::string::npos) {
            const std::string& typed = options.typing[nextTyping++].typed;
            if (write(in.parent, typed.data(), typed.size()) < 0) break;
        }
    };
    const bool ended =
        pid > 0 && Collect(out.parent, err.parent, in.parent, result, deadline, sendCues);
    if (pid > 0 && !ended) kill(pid, SIGKILL);
    int status = 0;
    rusage usage{};
    if (pid > 0 && wait4(pid, &status, 0, &usage) == pid && ended && WIFEXITED(status)) {
        result.status = WEXITSTATUS(status);
        result.maxResidentKb = usage.ru_maxrss;
    }
    close(out.parent);
    close(err.parent);
    if (in.parent >= 0) close(in.parent);
    return result;
}

}  // namespace updater::test
