// Written against /proc by hand: no packaged library lists the openers of a device.
#include "link/PortHolders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <fstream>

namespace updater {

std::vector<PortHolder> OtherHoldersOf(const std::string& device) {
    return OtherHoldersOf(std::vector<std::string>{device}).front();
}

std::vector<std::vector<PortHolder>> OtherHoldersOf(const std::vector<std::string>& devices) {
    std::vector<std::vector<PortHolder>> holders(devices.size());
    // The character devices asked about, by device number; a device that is not one has none.
    std::vector<dev_t> numbers(devices.size(), 0);
    bool any = false;
    for (size_t i = 0; i < devices.size(); ++i) {
        struct stat target {};
        if (stat(devices[i].c_str(), &target) == 0 && S_ISCHR(target.st_mode)) {
            numbers[i] = target.st_rdev;
            any = true;
        }
    }
    if (!any) return holders;
    namespace fs = std::filesystem;
    std::error_code ec;
    const std::string self = std::to_string(getpid());
    for (const auto& process : fs::directory_iterator("/proc", ec)) {
        const std::string pid = process.path().filename().string();
        if (pid.empty() || !std::isdigit(static_cast<unsigned char>(pid[0])) || pid == self) {
            continue;
        }
        std::vector<bool> counted(devices.size(), false);
        std::error_code fdError;
        for (const auto& fd : fs::directory_iterator(process.path() / "fd", fdError)) {
            struct stat opened {};
            if (stat(fd.path().c_str(), &opened) != 0 || !S_ISCHR(opened.st_mode)) continue;
            for (size_t i = 0; i < devices.size(); ++i) {
                if (counted[i] || numbers[i] == 0 || opened.st_rdev != numbers[i]) continue;
                counted[i] = true;
                PortHolder holder;
                holder.pid = static_cast<pid_t>(std::stol(pid));
                std::ifstream(process.path() / "comm") >> holder.program;
                holders[i].push_back(holder);
            }
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
