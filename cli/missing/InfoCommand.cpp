// Placeholder until the verb is written; removed once every verb exists.
#include "cli/Commands.h"
namespace updater::cli {
Handler AddInfoCommand(CLI::App& app) {
    app.add_subcommand("info", "(not available yet)");
    return [] { return 2; };
}
}  // namespace updater::cli
