#pragma once
// Starts updater-cli without a shell, where RunCli (CliRun.h) does not reach: the output on a
// terminal (a pseudo-terminal), the program run as an ordinary user, a time limit. POSIX only.

#include <string>
#include <vector>

#include "tests/cli/CliRun.h"

namespace updater::test {

struct CliRunOptions {
    bool outputOnTerminal = false;
    bool asOrdinaryUser = false;
    int timeLimitSeconds = 120;  // then the program is stopped and the result has status -1
};

// The status is -1 when the program did not exit normally (or ran past the limit); out is what
// it printed on its output, the terminal's where it had one.
CliRun SpawnCli(const std::vector<std::string>& arguments, const CliRunOptions& options = {});

}  // namespace updater::test
