#pragma once
// Ports that an update must never be given, told apart before the port is opened and any byte
// is sent: the terminal the program itself runs in (/dev/tty or its own device), whose user
// would get the search's bytes on the screen while the program waits for a radio there.

#include <string>

namespace updater::cli {

// Empty when the port may be tried, else why it is refused (without the port's name).
std::string PortRefusal(const std::string& port);

}  // namespace updater::cli
