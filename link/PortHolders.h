#pragma once
// Which other programs hold a serial device open: a terminal program left on the port, or a
// modem manager probing a fresh adapter, would read the radio's answers too.

#include <sys/types.h>

#include <string>
#include <vector>

namespace updater {

struct PortHolder {
    pid_t pid = 0;
    std::string program;  // the process's command name
};

// The processes other than this one with `device` open, as far as this user may see them
// (another user's processes stay hidden without privileges). Empty on systems without /proc.
std::vector<PortHolder> OtherHoldersOf(const std::string& device);

// The same for several devices in one look at the processes: element i for devices[i].
std::vector<std::vector<PortHolder>> OtherHoldersOf(const std::vector<std::string>& devices);

// "minicom (pid 4242)", several joined with ", ".
std::string DescribeHolders(const std::vector<PortHolder>& holders);

}  // namespace updater
