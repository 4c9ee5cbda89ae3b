#pragma once
// Values that name nothing: `--port ''` or `--file "$UNSET"` in a script.

#include <CLI/CLI.hpp>
#include <string>

namespace updater::cli {

// An empty text when every --port, --file and --log that the parsed verb was given names
// something, else the usage error to show. A blank value is never taken as "not given": the
// program would then fall back to a default the script did not mean.
std::string BlankValueProblem(const CLI::App& verb);

}  // namespace updater::cli
