#include "app/PortScan.h"

#include "link/PortList.h"
#include "link/Timing.h"

namespace updater {

std::vector<std::string> ScanPorts(LinkPort& link, const std::vector<std::string>& candidates,
                                   PortCheck check) {
    std::vector<std::string> accepted;
    for (const std::string& name : candidates) {
        if (name.empty()) continue;
        // A port that will not open is simply not listed.
        static_cast<void>(link.SetPortName(name));
        WaitMs(50);
        static_cast<void>(link.SetOpen(1));
        if (link.IsOpen() && (check == PortCheck::OpensOnly || link.IsRs232())) {
            accepted.push_back(name);
        }
    }
    // Only probed: holding a device open would lock it away from every other program.
    static_cast<void>(link.SetOpen(0));
    return accepted;
}

std::vector<std::string> ScanSystemPorts(LinkPort& link) {
    return ScanPorts(link, CandidatePortNames());
}

}  // namespace updater
