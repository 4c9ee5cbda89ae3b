#pragma once
// The answer to the version question, typed on the terminal.

#include <optional>
#include <string>

#include "cli/SignalGuard.h"

namespace updater::cli {

// Reads one line from the standard input, waiting on the terminal and on the guard's stop
// together: a stop ends the wait at once. None when stopped or at the end of the input.
std::optional<std::string> ReadAnswerLine(const SignalGuard& signals);

}  // namespace updater::cli
