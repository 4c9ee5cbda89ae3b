// Written against /proc by hand: no packaged library lists the openers of a device.
#include "link/PortHolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>

namespace updater {

std::vector<PortHolder> OtherHoldersOf(const std::string& device) {
    std::vector<PortHolder> holders;
    struct stat target {};
    if (stat(device.c_str(), &target) != 0 || !S_ISCHR(target.st_mode)) return holders;
    namespace fs = std::filesystem;
    std::error_code ec;
    const std::string self = std::to_string(getpid());
    for (const auto& process : fs::directory_iterator("/proc", ec)) {
        const std::string pid = process.path().filename().string();
        if (pid.empty() || !std::isdigit(static_cast<unsigned char>(pid[0])) || pid == self) {
            continue;
        }
        std::error_code fdError;
        for (const auto& fd : fs::directory_iterator(process.path() / "fd", fdError)) {
            struct stat opened {};
            if (stat(fd.path().c_str(), &opened) != 0) continue;
            if (!S_ISCHR(opened.st_mode) || opened.st_rdev != target.st_rdev) continue;
            PortHolder holder;
            holder.pid = static_cast<pid_t>(std::stol(pid));
            std::ifstream(process.path() / "comm") >> holder.program;
            holders.push_back(holder);
            break;
        }
    }
    return holders;
}

std::string DescribeHolders(const std::vector<PortHolder>& holders) {
    std::string text;
    for (const auto& holder : holders) {
        if (!text.empty()) text += ", ";
        text += (holder.program.empty() ? std::string("a program") : holder.program) + " (pid " +
                std::to_string(holder.pid) + ")";
    }
    return text;
}

}  // namespace updater
