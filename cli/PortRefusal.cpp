#include "cli/PortRefusal.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <fstream>
#include <optional>
#include <sstream>
#endif

namespace updater::cli {

#ifndef _WIN32
namespace {

// The device of the program's controlling terminal, from the kernel's own record of the
// process (opening /dev/tty would only tell /dev/tty's number); none when it has none.
std::optional<dev_t> ControllingTerminal() {
    std::ifstream stat("/proc/self/stat");
    std::string line;
    if (!std::getline(stat, line)) return std::nullopt;
    // The command name in parentheses may hold blanks: the fields count from its end.
    const size_t end = line.rfind(')');
    if (end == std::string::npos) return std::nullopt;
    std::istringstream fields(line.substr(end + 1));
    std::string state;
    long parent = 0, group = 0, session = 0;
    unsigned long terminal = 0;
    if (!(fields >> state >> parent >> group >> session >> terminal) || terminal == 0) {
        return std::nullopt;
    }
    const unsigned major = (terminal >> 8) & 0xFFFu;
    const unsigned minor = (terminal & 0xFFu) | ((terminal >> 12) & 0xFFF00u);
    return makedev(major, minor);
}

}  // namespace
#endif

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
    const std::optional<dev_t> own = ControllingTerminal();
    return own && *own == named.st_rdev ? kOwnTerminal : std::string();
#endif
}

}  // namespace updater::cli
