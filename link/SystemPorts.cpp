#include "link/SystemPorts.h"

#include <algorithm>

#include "link/PortList.h"
#ifndef _WIN32
#include "link/PortHolders.h"
#endif

namespace updater {

namespace {

bool Contains(const std::vector<PortInfo>& ports, const std::string& device) {
    return std::any_of(ports.begin(), ports.end(),
                       [&](const PortInfo& port) { return port.device == device; });
}

}  // namespace

std::vector<PortInfo> ListPorts(const std::vector<std::string>& devices) {
    std::vector<PortInfo> ports;
#ifndef _WIN32
    // One look at the processes for all the devices.
    const std::vector<std::vector<PortHolder>> holders = OtherHoldersOf(devices);
#endif
    for (size_t i = 0; i < devices.size(); ++i) {
        PortInfo info;
        info.device = devices[i];
        info.description = DescribePort(devices[i]);
#ifndef _WIN32
        if (!holders[i].empty()) {
            info.access = PortAccess::Busy;
            info.heldBy = DescribeHolders(holders[i]);
        }
#endif
        ports.push_back(std::move(info));
    }
    PutConsolesLast(ports, [](const PortInfo& port) { return port.description.systemConsole; });
    return ports;
}

std::vector<PortInfo> ListSystemPorts() { return ListPorts(PresentPortNames()); }

std::vector<PortChange> PortChanges(const std::vector<PortInfo>& before,
                                    const std::vector<PortInfo>& after) {
    std::vector<PortChange> changes;
    for (const PortInfo& port : before) {
        if (!Contains(after, port.device)) changes.push_back({false, port});
    }
    for (const PortInfo& port : after) {
        if (!Contains(before, port.device)) changes.push_back({true, port});
    }
    return changes;
}

}  // namespace updater
