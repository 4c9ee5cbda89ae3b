// line-readback PORT SETTINGS...: opens PORT as the Updater does and applies each settings text
// ("19200,E,7,1") in turn. Prints, one line each, the text, whether the port took it, and the
// line as the driver reports it afterwards, read on a handle of its own:
//   19200,E,7,1 applied=1 line=19200,E,7,1
// Run through real serial drivers, whose read-back a pseudo-terminal cannot give.

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "link/SerialDevice.h"

namespace {

long SpeedOf(speed_t code) {
    switch (code) {
        case B1200:
            return 1200;
        case B2400:
            return 2400;
        case B4800:
            return 4800;
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B57600:
            return 57600;
        case B115200:
            return 115200;
        default:
            return -1;
    }
}

char ParityOf(tcflag_t flags) {
    if ((flags & PARENB) == 0) return 'N';
    if ((flags & CMSPAR) != 0) return (flags & PARODD) != 0 ? 'M' : 'S';
    return (flags & PARODD) != 0 ? 'O' : 'E';
}

int DataBitsOf(tcflag_t flags) {
    switch (flags & CSIZE) {
        case CS5:
            return 5;
        case CS6:
            return 6;
        case CS7:
            return 7;
        default:
            return 8;
    }
}

std::string LineOf(const std::string& port) {
    const int fd = ::open(port.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return "unreadable";
    termios now{};
    const bool read = tcgetattr(fd, &now) == 0;
    ::close(fd);
    if (!read) return "unreadable";
    return std::to_string(SpeedOf(cfgetospeed(&now))) + ',' + ParityOf(now.c_cflag) + ',' +
           std::to_string(DataBitsOf(now.c_cflag)) + ',' +
           ((now.c_cflag & CSTOPB) != 0 ? '2' : '1');
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: line-readback PORT SETTINGS...\n");
        return 2;
    }
    const std::string port = argv[1];
    auto device = updater::MakeSerialDevice();
    if (!device->Open(port)) {
        std::fprintf(stderr, "line-readback: %s cannot be opened\n", port.c_str());
        return 4;
    }
    for (int i = 2; i < argc; ++i) {
        const int applied = device->ApplySettings(argv[i]) ? 1 : 0;
        std::printf("%s applied=%d line=%s\n", argv[i], applied, LineOf(port).c_str());
    }
    return device->Close() ? 0 : 8;
}
