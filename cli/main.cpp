// updater-cli: the update without a window, for service benches and scripts.

#include <CLI/CLI.hpp>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "cli/BlankValues.h"
#include "cli/Commands.h"
#include "cli/StandardStreams.h"
#include "cli/Utf8Arguments.h"
#include "res/EmbeddedImage.h"

int main(int argc, char** argv) {
    updater::cli::OpenClosedStandardStreams();
    CLI::App app{"Writes a firmware image into a VM-5160/VM-6160 radio over a serial port."};
    app.set_version_flag("--version", [] { return updater::VersionReport("updater-cli"); });
    app.require_subcommand(1);

    std::vector<std::pair<CLI::App*, updater::cli::Handler>> verbs;
    auto add = [&](updater::cli::Handler handler) {
        verbs.emplace_back(app.get_subcommands([](CLI::App*) { return true; }).back(),
                           std::move(handler));
    };
    add(updater::cli::AddInfoCommand(app));
    add(updater::cli::AddListPortsCommand(app));
    add(updater::cli::AddWriteCommand(app));

    const updater::cli::Utf8Arguments arguments(argc, argv);
    try {
        app.parse(arguments.Count(), arguments.Values());
    } catch (const CLI::ParseError& e) {
        // --help and --version end with 0; every mistake on the command line is a usage error.
        return app.exit(e) == 0 ? 0 : updater::cli::kExitUsage;
    }
    for (auto& [verb, handler] : verbs) {
        if (!verb->parsed()) continue;
        if (const std::string problem = updater::cli::BlankValueProblem(*verb); !problem.empty()) {
            std::cerr << "updater-cli " << verb->get_name() << ": " << problem << '\n';
            return updater::cli::kExitUsage;
        }
        return handler();
    }
    return updater::cli::kExitUsage;
}
