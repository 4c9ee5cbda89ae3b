#include "tests/cli/CliRun.h"

#include <cstdlib>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#ifndef UPDATER_CLI_PATH
#error "UPDATER_CLI_PATH must name the updater-cli program"
#endif

namespace updater::test {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

CliRun RunCli(const TempDir& dir, const std::string& arguments, const std::string& prefix) {
    const auto out = dir.Path() / "out.txt";
    const auto err = dir.Path() / "err.txt";
    const std::string command = prefix + Quoted(UPDATER_CLI_PATH) + " " + arguments + " > " +
                                Quoted(out.string()) + " 2> " + Quoted(err.string());
#ifdef _WIN32
    // cmd.exe drops the first and the last quote of a command that starts with one.
    const std::string shellCommand = "\"" + command + "\"";
#else
    const std::string& shellCommand = command;
#endif
    CliRun run;
    const int status = std::system(shellCommand.c_str());
#ifdef _WIN32
    run.status = status;
#else
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    const auto o = ReadAll(out), e = ReadAll(err);
    run.out.assign(o.begin(), o.end());
    run.err.assign(e.begin(), e.end());
#ifdef _WIN32
    // The program's text output ends its lines with CR LF there.
    for (std::string* text : {&run.out, &run.err}) std::erase(*text, '\r');
#endif
    return run;
}

}  // namespace updater::test
