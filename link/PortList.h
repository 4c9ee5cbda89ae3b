#pragma once
// The serial ports offered to the user: COM1 to COM20 on Windows, the serial devices present
// on Linux.

#include <algorithm>
#include <string>
#include <vector>

namespace updater {

inline constexpr unsigned kMaxListedPorts = 20;

// The device name of COM port n: "COM1".."COM9", "\\.\COM10" and up (the plain form is only
// understood for the first nine).
std::string ComPortName(unsigned n);

// "ttyS2" before "ttyS10": runs of digits compare by value, the rest character by character.
bool NaturalLess(const std::string& a, const std::string& b);

// The serial devices of a Linux system: ttyUSB*, ttyACM* and the ttyS* that are real UARTs
// (sysfs reports a port type other than 0 for them), as paths under devDir, in natural order,
// at most kMaxListedPorts. The directories can be replaced for tests.
std::vector<std::string> ListSerialDevices(const std::string& devDir = "/dev",
                                           const std::string& sysClassTty = "/sys/class/tty");

// Whether the kernel writes its messages to `device` ("/dev/ttyS0"): its short name is among the
// active consoles that sysfs lists ("tty0 ttyS0"). A technician's radio on that port would get
// them too.
bool IsSystemConsole(const std::string& device, const std::string& sysClassTty = "/sys/class/tty");

// Ports in the order a list offers them: the system console after the others (keeping their
// order), so that it is never the one taken first.
template <typename Port, typename IsConsole>
void PutConsolesLast(std::vector<Port>& ports, IsConsole isConsole) {
    std::stable_partition(ports.begin(), ports.end(),
                          [&](const Port& port) { return !isConsole(port); });
}

// The names worth trying on this platform: COM1 to COM20 on Windows, ListSerialDevices() on
// Linux.
std::vector<std::string> CandidatePortNames();

// Whether the system's name table has a device behind `device` ("COM3"), asked without opening
// it. On Windows a COM number without one costs the start-up scan no pause; its open, which
// fails at once, still decides (a port that the table misses, as under Wine, is still found).
// Always true on Linux, whose candidates are the devices present.
bool SystemHasPort(const std::string& device);

// The serial devices this system has, found without opening any: on Windows those of COM1 to
// COM20 that SystemHasPort, ListSerialDevices() on Linux.
std::vector<std::string> PresentPortNames();

}  // namespace updater
