// updater-cli list-ports: the serial ports an update can use, one per line in the form that
// --port takes, each with what the system knows about it and, where it cannot be opened, why.
// With --watch it then follows the plug: a line per port added or removed as it happens, for
// bench scripts, until it is stopped.
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/Commands.h"
#include "cli/JsonReports.h"
#include "cli/ReportOutput.h"
#include "cli/ShownText.h"
#include "link/LinkPort.h"
#include "link/PortList.h"
#include "link/PortProbe.h"
#include "link/PortWatch.h"
#include "link/SystemPorts.h"

namespace updater::cli {

namespace {

struct ListPortsOptions {
    std::vector<std::string> extraPorts;
    bool json = false;
    bool watch = false;
};

// Looks again at least this often, should the system's reports not reach this program.
constexpr int kWatchLookMs = 1000;

// The system's candidates as the window probes them, then the devices named on the command
// line, which only need to open (a simulated radio's pseudo-terminal is no RS-232 port).
std::vector<PortInfo> ListPorts(const ListPortsOptions& options) {
    LinkPort probe;
    std::vector<PortInfo> ports;
    // Windows offers COM1 to COM20 whether or not they exist: leave out the absent ones.
    for (PortInfo& port : ProbeSystemPorts(probe)) {
        if (port.access != PortAccess::NotFound) ports.push_back(std::move(port));
    }
    for (PortInfo& port : ProbePorts(probe, options.extraPorts, PortCheck::OpensOnly)) {
        ports.push_back(std::move(port));
    }
    return ports;
}

void PrintLine(const PortInfo& port) {
    std::string line = Shown(port.device);
    const std::string description = DescriptionText(port.description);
    line += "  " + (description.empty() ? std::string("(no description)") : Shown(description));
    if (!port.Usable()) {
        line +=
            port.access == PortAccess::NotRs232 ? " - cannot be used: " : " - cannot be opened: ";
        line += Shown(AccessReason(port));
    }
    std::cout << line << '\n';
}

void PrintChange(const PortChange& change, bool json) {
    if (json) {
        const nlohmann::json line{{"event", change.added ? "added" : "removed"},
                                  {"port", PortsJson({change.port})[0]}};
        std::cout << line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    } else {
        const std::string description = DescriptionText(change.port.description);
        std::cout << (change.added ? "added " : "removed ") << Shown(change.port.device)
                  << (description.empty() ? std::string() : "  " + Shown(description)) << '\n';
    }
    std::cout.flush();  // a script reads each line as it comes
}

// The ports as the system lists them, none opened (an adapter that comes is not disturbed),
// and every change from then on.
[[noreturn]] void WatchPorts(bool json) {
    PortWatch watch;
    std::vector<PortInfo> seen = ListSystemPorts();
    for (;;) {
        static_cast<void>(watch.Wait(kWatchLookMs));
        std::vector<PortInfo> now = ListSystemPorts();
        for (const PortChange& change : PortChanges(seen, now)) PrintChange(change, json);
        seen = std::move(now);
    }
}

}  // namespace

Handler AddListPortsCommand(CLI::App& app) {
    auto options = std::make_shared<ListPortsOptions>();
    CLI::App* command = app.add_subcommand(
        "list-ports", "List the serial ports the radio can be connected to, with descriptions");
    command->add_option("--port", options->extraPorts,
                        "also check this device (for instance a simulated radio's "
                        "pseudo-terminal); may be given more than once");
    command->add_flag("--json", options->json, "print the list as JSON");
    command->add_flag("--watch", options->watch,
                      "after the list, print a line for each port added or removed as it "
                      "happens (with --json one JSON object per line), until stopped");
    return [options] {
        const std::vector<PortInfo> ports = ListPorts(*options);
        if (ports.empty()) std::cerr << "No serial port found.\n";
        if (!options->watch) {
            if (options->json) return PrintJsonAndFinish(PortsJson(ports), 0);
            for (const PortInfo& port : ports) PrintLine(port);
            return FinishOutput(0);
        }
        // Watching, every JSON text is one line, the list first.
        if (options->json) {
            std::cout << PortsJson(ports).dump(-1, ' ', false,
                                               nlohmann::json::error_handler_t::replace)
                      << '\n';
        } else {
            for (const PortInfo& port : ports) PrintLine(port);
        }
        std::cout.flush();
        WatchPorts(options->json);
    };
}

}  // namespace updater::cli
