#pragma once
// Finding the serial ports at start: each candidate device is opened and kept in the list
// when it opens as an RS-232 port.

#include <string>
#include <vector>

#include "link/LinkPort.h"

namespace updater {

enum class PortCheck {
    Rs232,      // opens, and is an RS-232 port
    OpensOnly,  // opens (pseudo-terminals of a simulated radio)
};

// Tries each candidate through link and returns those accepted, in the order given. The link
// is left closed (the update opens its own port) and named after the last candidate tried.
std::vector<std::string> ScanPorts(LinkPort& link, const std::vector<std::string>& candidates,
                                   PortCheck check = PortCheck::Rs232);

// The RS-232 ports among this machine's serial devices.
std::vector<std::string> ScanSystemPorts(LinkPort& link);

}  // namespace updater
