#include "cli/ReportOutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "cli/ExitStatus.h"

namespace updater::cli {

nlohmann::json ErrorJson(const std::string& text, int exitStatus) {
    return {{"error", text}, {"exit_status", exitStatus}};
}

std::string JsonText(const nlohmann::json& report) {
    return report.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
}

bool WriteWhole(int fd, const std::string& text) {
    size_t sent = 0;
    while (sent < text.size()) {
#ifdef _WIN32
        const auto n = ::_write(fd, text.data() + sent, static_cast<unsigned>(text.size() - sent));
#else
        const auto n = ::write(fd, text.data() + sent, text.size() - sent);
        if (n < 0 && errno == EINTR) continue;
#endif
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        sent += static_cast<size_t>(n);
    }
    return true;
}

int FinishOutput(int status) {
    errno = 0;
    std::cout.flush();
    const bool streamFailed = std::cout.fail();
    const bool fileFailed = std::fflush(stdout) != 0 || std::ferror(stdout) != 0;
    if (!streamFailed && !fileFailed) return status;
    const int error = errno;
    std::fprintf(stderr, "updater-cli: cannot write the standard output: %s\n",
                 error != 0 ? std::strerror(error) : "a write failed");
    return status != 0 ? status : kExitOutput;
}

int PrintJsonAndFinish(const nlohmann::json& report, int status) {
    std::cout << JsonText(report);
    return FinishOutput(status);
}

}  // namespace updater::cli
