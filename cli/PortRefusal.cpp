#include "cli/PortRefusal.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace updater::cli {

std::string PortRefusal(const std::string& port) {
#ifdef _WIN32
    (void)port;  // a console is no COM port: opening one as a port fails by itself
    return {};
#else
    struct stat named {};
    // A name that does not resolve is left to the open, which says why.
    if (stat(port.c_str(), &named) != 0 || !S_ISCHR(named.st_mode)) return {};
    constexpr const char* kOwnTerminal =
        "it is the terminal this program runs in, not the radio's cable";
    // /dev/tty stands for whichever terminal opens it: always the program's own.
    if (named.st_rdev == makedev(5, 0)) return kOwnTerminal;
    const int own = open("/dev/tty", O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (own < 0) return {};  // no controlling terminal
    struct stat terminal {};
    const bool same = fstat(own, &terminal) == 0 && terminal.st_rdev == named.st_rdev;
    close(own);
    return same ? kOwnTerminal : std::string();
#endif
}

}  // namespace updater::cli
