#pragma once
// Starts updater-cli without a shell, where RunCli (CliRun.h) does not reach: the output on a
// terminal (a pseudo-terminal), the program run as an ordinary user, a time limit. POSIX only.

#include <string>
#include <vector>

#include "tests/cli/CliRun.h"

namespace updater::test {

// A signal sent to the program once a text has appeared in its output or error output.
struct SignalCue {
    std::string text;
    int signal = 0;
};

// Text typed on the input terminal once a text has appeared on that terminal.
struct TypingCue {
    std::string text;
    std::string typed;
};

struct CliRunOptions {
    bool outputOnTerminal = false;
    bool inputOnTerminal = false;  // else the input is the null device
    // The input terminal is also the program's controlling terminal (/dev/tty), in a session
    // of its own; what the program writes there is in CliRun::terminal.
    bool controllingTerminal = false;
    std::vector<TypingCue> typing{};   // in order, each once, after the one before it
    std::vector<int> closedStreams{};  // standard streams (0, 1, 2) the program starts without
    bool asOrdinaryUser = false;
    long fileSizeLimit = 0;         // bytes a file of the program may grow to; 0: no limit
    std::vector<SignalCue> cues{};  // sent in order, each once, after the one before it
    int timeLimitSeconds = 120;     // then the program is stopped and the result has status -1
};

// The status is -1 when the program did not exit normally (or ran past the limit); out is what
// it printed on its output, the terminal's where it had one.
CliRun SpawnCli(const std::vector<std::string>& arguments, const CliRunOptions& options = {});

}  // namespace updater::test
