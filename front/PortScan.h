#pragma once
// Finding the ports the window offers: each candidate device is probed through the link (see
// link/PortProbe.h) and kept when it opens as an RS-232 port. The list keeps the order of the
// candidates, except that the system console comes last, and the first port found is the one
// selected.

#include <string>
#include <vector>

#include "link/PortProbe.h"
#include "link/SerialPort.h"

namespace updater {

// The usable ones among the candidates, in the order given, with their descriptions. The link
// is left closed (the update opens its own port) and named after the last candidate tried.
std::vector<PortInfo> ScanPorts(SerialPort& link, const std::vector<std::string>& candidates,
                                PortCheck check = PortCheck::Rs232);

// The RS-232 ports among this machine's candidates (COM1 to COM20 on Windows).
std::vector<PortInfo> ScanSystemPorts(SerialPort& link);

}  // namespace updater
