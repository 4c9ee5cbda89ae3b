#include "front/PortScan.h"

#include "link/PortList.h"

namespace updater {

std::vector<PortInfo> ScanPorts(SerialPort& link, const std::vector<std::string>& candidates,
                                PortCheck check) {
    // A port that will not open is simply not listed (updater-cli list-ports tells why).
    return UsablePorts(ProbePorts(link, candidates, check));
}

std::vector<PortInfo> ScanSystemPorts(SerialPort& link) {
    return ScanPorts(link, CandidatePortNames());
}

}  // namespace updater
