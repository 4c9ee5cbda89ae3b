#pragma once
// The verbs of updater-cli. Each adds its subcommand to the application and returns the
// handler that runs it, giving the program's exit status.

#include <CLI/CLI.hpp>
#include <functional>

#include "cli/ExitStatus.h"

namespace updater::cli {

using Handler = std::function<int()>;

Handler AddInfoCommand(CLI::App& app);
Handler AddListPortsCommand(CLI::App& app);
Handler AddWriteCommand(CLI::App& app);

}  // namespace updater::cli
