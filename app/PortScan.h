#pragma once
// Finding the ports the window offers: each candidate device is probed through the link (see
// link/PortProbe.h) and kept when it opens as an RS-232 port.

#include <string>
#include <vector>

#include "link/LinkPort.h"
#include "link/PortProbe.h"

namespace updater {

// The usable ones among the candidates, in the order given, with their descriptions. The link
// is left closed (the update opens its own port) and named after the last candidate tried.
std::vector<PortInfo> ScanPorts(SerialPort& link, const std::vector<std::string>& candidates,
                                PortCheck check = PortCheck::Rs232);

// The RS-232 ports among this machine's serial devices.
std::vector<PortInfo> ScanSystemPorts(SerialPort& link);

}  // namespace updater
