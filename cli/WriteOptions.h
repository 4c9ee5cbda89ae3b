#pragma once
// The options of updater-cli write, and the checks that they can be used before any port is
// opened.

#include <string>
#include <vector>

namespace updater::cli {

struct WriteOptions {
    std::vector<std::string> ports;
    std::string file;
    int speed = 38400;
    int stopBits = 2;
    bool unencrypted = false;
    bool yes = false;
    bool json = false;
    std::string log;
};

// An empty text when the options can be used, else what is wrong with them.
std::string UsageProblem(const WriteOptions& options);

// Where the trace of a port goes: for a bench into the --log directory, one file a radio; for
// one radio into the --log file itself.
std::string TracePathFor(const std::string& log, const std::string& port, bool bench);

}  // namespace updater::cli
