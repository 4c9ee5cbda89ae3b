// updater-cli list-ports: the serial ports an update can use, one per line, in the form that
// --port takes.
#include <iostream>
#include <string>

#include "cli/Commands.h"
#include "link/LinkPort.h"
#include "link/PortList.h"

namespace updater::cli {

namespace {

#ifdef _WIN32
// As the window's list does: only the COM ports that open and are plain RS-232 ports.
bool IsUsablePort(const std::string& name) {
    LinkPort port;
    port.SetPortName(name);
    port.SetOpen(1);
    const bool usable = port.IsOpen() && port.IsRs232();
    port.SetOpen(0);
    return usable;
}
#else
// The Linux list holds only serial devices already; opening them would need the dialout group.
bool IsUsablePort(const std::string&) { return true; }
#endif

}  // namespace

Handler AddListPortsCommand(CLI::App& app) {
    app.add_subcommand("list-ports", "List the serial ports the radio can be connected to");
    return [] {
        int listed = 0;
        for (const std::string& name : CandidatePortNames()) {
            if (!IsUsablePort(name)) continue;
            std::cout << name << '\n';
            ++listed;
        }
        if (listed == 0) std::cerr << "No serial port found.\n";
        return 0;
    };
}

}  // namespace updater::cli
