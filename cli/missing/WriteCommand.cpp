// Placeholder until the verb is written; removed once every verb exists.
#include "cli/Commands.h"
namespace updater::cli {
Handler AddWriteCommand(CLI::App& app) {
    app.add_subcommand("write", "(not available yet)");
    return [] { return 2; };
}
}  // namespace updater::cli
