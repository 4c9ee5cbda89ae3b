#include "front/PortScan.h"

#include "link/PortList.h"

namespace updater {

std::vector<PortInfo> ScanPorts(SerialPort& link, const std::vector<std::string>& candidates,
                                PortCheck check) {
    // A port that will not open is simply not listed (updater-cli list-ports tells why). The
    // first port is the one selected: never the system console while there is another.
    std::vector<PortInfo> ports = UsablePorts(ProbePorts(link, candidates, check));
    PutConsolesLast(ports, [](const PortInfo& port) { return port.description.systemConsole; });
    return ports;
}

std::vector<PortInfo> ScanSystemPorts(SerialPort& link) {
    return ScanPorts(link, CandidatePortNames());
}

}  // namespace updater
