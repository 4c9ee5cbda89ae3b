// updater-cli: the update without a window, for service benches and scripts.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <csignal>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "cli/BlankValues.h"
#include "cli/Commands.h"
#include "cli/ReportOutput.h"
#include "cli/ShownText.h"
#include "cli/StandardStreams.h"
#include "cli/Utf8Arguments.h"
#include "res/EmbeddedImage.h"

namespace {

// A script that asked for --json gets JSON even when the command line is wrong.
bool JsonWanted(const updater::cli::Utf8Arguments& arguments) {
    const char* const* values = arguments.Values();
    return std::any_of(values + 1, values + arguments.Count(),
                       [](const char* value) { return std::string(value) == "--json"; });
}

// The mistake may quote what was typed: shown escaped, as every text from outside.
int UsageError(bool json, const std::string& text) {
    std::cerr << updater::cli::Shown(text) << "\nRun with --help for more information.\n";
    if (!json) return updater::cli::kExitUsage;
    return updater::cli::PrintJsonAndFinish(updater::cli::ErrorJson(text, updater::cli::kExitUsage),
                                            updater::cli::kExitUsage);
}

}  // namespace

int main(int argc, char** argv) {
    updater::cli::OpenClosedStandardStreams();
#ifndef _WIN32
    // A closed output or a file size limit is an error to report, never a silent end: not
    // even before the first byte of a trace or a report is written.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
#endif
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
    const bool json = JsonWanted(arguments);
    try {
        app.parse(arguments.Count(), arguments.Values());
    } catch (const CLI::ParseError& e) {
        // --help and --version end with 0; every mistake on the command line is a usage error.
        if (e.get_exit_code() == 0) return updater::cli::FinishOutput(app.exit(e));
        return UsageError(json, std::string("updater-cli: ") + e.what());
    }
    for (auto& [verb, handler] : verbs) {
        if (!verb->parsed()) continue;
        if (const std::string problem = updater::cli::BlankValueProblem(*verb); !problem.empty()) {
            return UsageError(json, "updater-cli " + verb->get_name() + ": " + problem);
        }
        return handler();
    }
    return updater::cli::kExitUsage;
}
