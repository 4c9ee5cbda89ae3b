// updater-cli list-ports: the serial ports an update can use, one per line in the form that
// --port takes, each with what the system knows about it and, where it cannot be opened, why.
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

namespace updater::cli {

namespace {

struct ListPortsOptions {
    std::vector<std::string> extraPorts;
    bool json = false;
};

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

}  // namespace

Handler AddListPortsCommand(CLI::App& app) {
    auto options = std::make_shared<ListPortsOptions>();
    CLI::App* command = app.add_subcommand(
        "list-ports", "List the serial ports the radio can be connected to, with descriptions");
    command->add_option("--port", options->extraPorts,
                        "also check this device (for instance a simulated radio's "
                        "pseudo-terminal); may be given more than once");
    command->add_flag("--json", options->json, "print the list as JSON");
    return [options] {
        const std::vector<PortInfo> ports = ListPorts(*options);
        if (ports.empty()) std::cerr << "No serial port found.\n";
        if (options->json) return PrintJsonAndFinish(PortsJson(ports), 0);
        for (const PortInfo& port : ports) PrintLine(port);
        return FinishOutput(0);
    };
}

}  // namespace updater::cli
