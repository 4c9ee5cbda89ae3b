#pragma once
// The ports as the system lists them, none of them opened: for every look after the start-up
// scan (the window's refreshes, `updater-cli list-ports --watch`). A look neither waits nor
// touches a port's lines, so it can run on a window's thread whenever the list is opened or a
// device comes or goes, without disturbing equipment that other programs drive.

#include <string>
#include <vector>

#include "link/PortProbe.h"

namespace updater {

// The serial devices the system has (Linux: ListSerialDevices; Windows: the COM1 to COM20 it
// knows a device for), each with its description, the system console last. One that another
// program holds open is marked Busy with its holder where the system tells it without an open
// (Linux: /proc); the rest are Usable as far as the system can say.
std::vector<PortInfo> ListSystemPorts();

// The same look over given device names, for tests and for the listing itself.
std::vector<PortInfo> ListPorts(const std::vector<std::string>& devices);

struct PortChange {
    bool added = false;  // false: removed
    PortInfo port;       // as the newer look saw it (added) or the older one (removed)
};

// What changed between two looks, by device name: the removed ports, then the added ones, each
// in their look's order.
std::vector<PortChange> PortChanges(const std::vector<PortInfo>& before,
                                    const std::vector<PortInfo>& after);

}  // namespace updater
