#include "cli/TraceFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace updater::cli {

namespace {

constexpr const char* kNotATrace =
    "it exists and is not a trace of updater-cli; it is left as it is";

std::string KindProblem(std::filesystem::file_type type) {
    using std::filesystem::file_type;
    const char* kind = "not a regular file";
    switch (type) {
        case file_type::directory:
            kind = "a directory";
            break;
        case file_type::fifo:
            kind = "a pipe (FIFO)";
            break;
        case file_type::character:
            kind = "a character device (a terminal, a port or a device like /dev/zero)";
            break;
        case file_type::block:
            kind = "a block device";
            break;
        case file_type::socket:
            kind = "a socket";
            break;
        default:
            break;
    }
    return std::string("it is ") + kind + ", not a regular file; a trace goes only into a file";
}

#ifndef _WIN32
// Takes the file's write lock for as long as the descriptor is open; where another process
// holds it, says which one.
bool LockForTrace(int fd, std::string& problem) {
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (fcntl(fd, F_SETLK, &lock) == 0) return true;
    if (errno != EACCES && errno != EAGAIN) {
        problem = std::string("it cannot be locked: ") + std::strerror(errno);
        return false;
    }
    struct flock holder {};
    holder.l_type = F_WRLCK;
    holder.l_whence = SEEK_SET;
    std::string who = "another program";
    if (fcntl(fd, F_GETLK, &holder) == 0 && holder.l_type != F_UNLCK && holder.l_pid > 0) {
        std::string name;
        std::ifstream("/proc/" + std::to_string(holder.l_pid) + "/comm") >> name;
        who = (name.empty() ? std::string("process") : name) + " (pid " +
              std::to_string(holder.l_pid) + ")";
    }
    problem = "it is being written by " + who + "; a trace takes one session";
    return false;
}
#endif

bool StartsWithHeader(const char* text, size_t length) {
    const size_t headerLength = std::strlen(kTraceHeader);
    return length == headerLength && std::memcmp(text, kTraceHeader, headerLength) == 0;
}

}  // namespace

#ifdef _WIN32

std::FILE* OpenTraceFile(const std::string& path, std::string& problem) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::file_status status = fs::status(fs::u8path(path), error);
    const bool exists = status.type() != fs::file_type::not_found && !error;
    if (exists && status.type() != fs::file_type::regular) {
        problem = KindProblem(status.type());
        return nullptr;
    }
    if (exists) {
        std::FILE* existing = std::fopen(path.c_str(), "rb");
        if (existing == nullptr) {
            problem = std::strerror(errno);
            return nullptr;
        }
        char start[64];
        const size_t got = std::fread(start, 1, std::strlen(kTraceHeader), existing);
        std::fclose(existing);
        if (got > 0 && !StartsWithHeader(start, got)) {
            problem = kNotATrace;
            return nullptr;
        }
    }
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) problem = std::strerror(errno);
    return file;
}

#else

std::FILE* OpenTraceFile(const std::string& path, std::string& problem) {
    std::error_code error;
    const auto type = std::filesystem::status(path, error).type();
    // A device is not even opened: opening a port already changes its lines.
    if (!error && type != std::filesystem::file_type::regular &&
        type != std::filesystem::file_type::not_found) {
        problem = KindProblem(type);
        return nullptr;
    }
    // Without blocking all the same, should the name change kind meanwhile: a FIFO with no
    // reader would hold the open, and a terminal or port must not be waited on.
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
        problem = std::strerror(errno);
        return nullptr;
    }
    auto refuse = [&](const std::string& why) -> std::FILE* {
        problem = why;
        close(fd);
        return nullptr;
    };
    struct stat info {};
    if (fstat(fd, &info) != 0) return refuse(std::strerror(errno));
    if (!S_ISREG(info.st_mode)) return refuse(KindProblem(std::filesystem::file_type::unknown));
    // Before anything is emptied: a second program on the same trace would cut the first's.
    if (std::string locked; !LockForTrace(fd, locked)) return refuse(locked);
    if (info.st_size > 0) {
        char start[64];
        const ssize_t got = pread(fd, start, std::strlen(kTraceHeader), 0);
        if (got < 0) return refuse(std::strerror(errno));
        if (!StartsWithHeader(start, static_cast<size_t>(got))) return refuse(kNotATrace);
    }
    if (ftruncate(fd, 0) != 0) return refuse(std::strerror(errno));
    // Writes to a regular file do not block: the descriptor may keep its flag.
    std::FILE* file = fdopen(fd, "w");
    if (file == nullptr) return refuse(std::strerror(errno));
    return file;
}

#endif

}  // namespace updater::cli
