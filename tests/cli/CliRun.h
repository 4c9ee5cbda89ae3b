#pragma once
// Runs updater-cli with arguments and collects its exit status and what it printed.

#include <string>

#include "tests/image/ImageTestSupport.h"

namespace updater::test {

struct CliRun {
    int status;  // the program's exit status
    std::string out, err;
    std::string terminal;    // what appeared on the input terminal (SpawnCli), echo included
    long maxResidentKb = 0;  // the program's peak memory, where the run measured it
};

// arguments follow the program's name as they are (quote paths yourself). prefix goes before
// the program, for instance a command that runs it as another user.
CliRun RunCli(const TempDir& dir, const std::string& arguments, const std::string& prefix = "");

std::string Quoted(const std::string& text);

}  // namespace updater::test
