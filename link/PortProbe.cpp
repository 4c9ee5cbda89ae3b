#include "link/PortProbe.h"

#include "link/PortList.h"
#include "link/Timing.h"

namespace updater {

namespace {

// A port's driver may still be settling from the previous candidate's close.
constexpr uint32_t kProbePauseMs = 50;

}  // namespace

PortAccess AccessFor(OpenError error) {
    switch (error) {
        case OpenError::None:
            return PortAccess::Usable;
        case OpenError::NotFound:
            return PortAccess::NotFound;
        case OpenError::PermissionDenied:
            return PortAccess::PermissionDenied;
        case OpenError::Busy:
            return PortAccess::Busy;
        case OpenError::Other:
            break;
    }
    return PortAccess::Other;
}

std::vector<PortInfo> ProbePorts(SerialPort& port, const std::vector<std::string>& candidates,
                                 PortCheck check) {
    std::vector<PortInfo> ports;
    for (const std::string& device : candidates) {
        if (device.empty()) continue;
        PortInfo info;
        info.device = device;
        info.description = DescribePort(device);
        // The open's own result is not needed: IsOpen and the open error tell the outcome.
        static_cast<void>(port.SetPortName(device));
        if (SystemHasPort(device)) WaitMs(kProbePauseMs);
        static_cast<void>(port.SetOpen(1));
        if (port.IsOpen()) {
            const bool rs232 = check == PortCheck::OpensOnly || port.IsRs232() == 1;
            info.access = rs232 ? PortAccess::Usable : PortAccess::NotRs232;
        } else {
            info.access = AccessFor(port.LastOpenError());
            if (info.access == PortAccess::Usable) info.access = PortAccess::Other;
            if (info.access == PortAccess::Busy) info.heldBy = port.HeldBy();
        }
        ports.push_back(std::move(info));
        // Only probed: holding a device open would lock it away from every other program.
        static_cast<void>(port.SetOpen(0));
    }
    return ports;
}

std::vector<PortInfo> ProbeSystemPorts(SerialPort& port) {
    return ProbePorts(port, CandidatePortNames());
}

std::string PortInfo::Label() const {
    const std::string label = PortLabel(device, description);
    return access == PortAccess::Busy ? label + " \u2014 " + AccessReason(*this) : label;
}

std::vector<PortInfo> UsablePorts(const std::vector<PortInfo>& ports) {
    std::vector<PortInfo> usable;
    for (const PortInfo& port : ports) {
        if (port.Usable()) usable.push_back(port);
    }
    return usable;
}

std::string AccessReason(PortAccess access, const std::string& heldBy) {
    switch (access) {
        case PortAccess::Usable:
            return {};
        case PortAccess::NotRs232:
            return "not an RS-232 port";
        case PortAccess::NotFound:
            return "not found (unplugged? updater-cli list-ports shows the ports)";
        case PortAccess::PermissionDenied:
#ifdef _WIN32
            return "no permission to open the port";
#else
            return "no permission: add your user to the 'dialout' group "
                   "(sudo usermod -aG dialout $USER) and log in again";
#endif
        case PortAccess::Busy:
            return heldBy.empty() ? "in use by another program" : "in use by " + heldBy;
        case PortAccess::Other:
            break;
    }
    return "the system refused to open it";
}

const char* AccessKeyword(PortAccess access) {
    switch (access) {
        case PortAccess::Usable:
            return "usable";
        case PortAccess::NotRs232:
            return "not-rs232";
        case PortAccess::NotFound:
            return "not-found";
        case PortAccess::PermissionDenied:
            return "permission-denied";
        case PortAccess::Busy:
            return "busy";
        case PortAccess::Other:
            break;
    }
    return "error";
}

}  // namespace updater
