#pragma once
// The verbs of updater-cli. Each adds its subcommand to the application and returns the
// handler that runs it, giving the program's exit status.

#include <CLI/CLI.hpp>
#include <functional>

namespace updater::cli {

using Handler = std::function<int()>;

// The exit status of every mistake on the command line, whichever verb it concerns.
inline constexpr int kExitUsage = 2;
// The standard output could not be written (a full disk, a closed pipe): what the command did
// is not known to its reader.
inline constexpr int kExitOutput = 10;

Handler AddInfoCommand(CLI::App& app);
Handler AddListPortsCommand(CLI::App& app);
Handler AddWriteCommand(CLI::App& app);

}  // namespace updater::cli
