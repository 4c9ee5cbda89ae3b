#include "link/PortProbe.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/sysmacros.h>
#endif

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
        case OpenError::NotSerialPort:
            return PortAccess::NotSerialPort;
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
        case PortAccess::NotSerialPort:
            return "not a serial port";
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
        case PortAccess::NotSerialPort:
            return "not-serial";
        case PortAccess::Other:
            break;
    }
    return "error";
}

std::string NotSerialKind(const std::string& device) {
#ifdef _WIN32
    (void)device;
    return {};
#else
    struct stat info {};
    if (stat(device.c_str(), &info) != 0) return {};
    if (S_ISREG(info.st_mode)) return "a regular file";
    if (S_ISDIR(info.st_mode)) return "a folder";
    if (S_ISFIFO(info.st_mode)) return "a FIFO";
    if (S_ISSOCK(info.st_mode)) return "a socket";
    if (S_ISCHR(info.st_mode)) {
        // Major 1 holds /dev/null, /dev/zero and their kind; 5:2 is the pseudo-terminal
        // multiplexer, whose every open makes a new master.
        if (major(info.st_rdev) == 1) return "a null device";
        if (major(info.st_rdev) == 5 && minor(info.st_rdev) == 2) return "a pseudo-terminal master";
        return "a device that is not a terminal";
    }
    return {};
#endif
}

std::string OpenFailureText(const SerialPort& port) {
    const PortAccess access = AccessFor(port.LastOpenError());
    if (access == PortAccess::NotSerialPort) {
        const std::string kind = NotSerialKind(port.PortName());
        return kind.empty() ? "not a serial port" : "not a serial port (" + kind + ")";
    }
    return AccessReason(access, port.HeldBy());
}

}  // namespace updater
