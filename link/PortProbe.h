#pragma once
// The one probe of the serial ports, for the window's list and for `updater-cli list-ports`:
// each candidate is opened through a port, since only an open tells whether it can be used,
// and comes back with its description and, where it cannot be used, the reason.

#include <functional>
#include <string>
#include <vector>

#include "link/PortDescription.h"
#include "link/SerialPort.h"

namespace updater {

enum class PortCheck {
    Rs232,      // usable when it opens and is an RS-232 port
    OpensOnly,  // usable when it opens (pseudo-terminals of a simulated radio)
};

enum class PortAccess { Usable, NotRs232, NotFound, PermissionDenied, Busy, NotSerialPort, Other };

struct PortInfo {
    std::string device;  // what to open: "/dev/ttyUSB0", "COM3"
    PortDescription description;
    PortAccess access = PortAccess::Usable;
    std::string heldBy;  // when Busy: the program holding the port, where the system tells

    bool Usable() const { return access == PortAccess::Usable; }
    // The list's text: PortLabel, and for a port another program holds, by whom:
    // "ttyUSB0 — FT232R USB UART (A50285BI) — in use by minicom (pid 4711)".
    std::string Label() const;
};

// Tries each candidate through port (named, a 50 ms pause where the system has the device,
// opened, the port type asked) and
// returns every candidate in the order given. The port is left closed (the update opens its
// own) and named after the last candidate tried.
std::vector<PortInfo> ProbePorts(SerialPort& port, const std::vector<std::string>& candidates,
                                 PortCheck check = PortCheck::Rs232);

// ProbePorts over this machine's candidates (CandidatePortNames).
std::vector<PortInfo> ProbeSystemPorts(SerialPort& port);

// Where a front end takes its ports from, probing through the port it is given; tests replace
// it to offer a pseudo-terminal.
using PortEnumerator = std::function<std::vector<PortInfo>(SerialPort& probe)>;

// Only the usable ones, in order.
std::vector<PortInfo> UsablePorts(const std::vector<PortInfo>& ports);

// What a failed open means for the user, "" when the port is usable: "no permission: add your
// user to the 'dialout' group ...", "in use by minicom (pid 4711)", "not found".
std::string AccessReason(PortAccess access, const std::string& heldBy);
inline std::string AccessReason(const PortInfo& port) {
    return AccessReason(port.access, port.heldBy);
}

// Why the port's last Open failed, in words that fit: AccessReason, and for a name that is not
// a serial port what it is instead ("not a serial port (a regular file)"). Empty when it opened.
std::string OpenFailureText(const SerialPort& port);

// What a name that opened but is not a terminal is: "a regular file", "a folder", "a FIFO",
// "a null device", "a pseudo-terminal master"; empty where that cannot be told.
std::string NotSerialKind(const std::string& device);

// The access that a failed Open's error stands for.
PortAccess AccessFor(OpenError error);

// A short fixed word for scripts: "usable", "not-rs232", "not-found", "permission-denied",
// "busy", "not-serial", "error".
const char* AccessKeyword(PortAccess access);

}  // namespace updater
