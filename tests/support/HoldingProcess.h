#pragma once
// A second process that holds a serial device the way a terminal program does (an exclusive
// lock), under a process name of its own, until the object goes away. POSIX only.

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace updater::test {

class HoldingProcess {
  public:
    HoldingProcess(const std::string& device, const char* name) {
        int ready[2], release[2];
        if (pipe(ready) != 0) return;
        if (pipe(release) != 0) {
            close(ready[0]);
            close(ready[1]);
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            close(release[1]);
            prctl(PR_SET_NAME, name);
            const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
            const char held = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0 ? 1 : 0;
            [[maybe_unused]] auto written = write(ready[1], &held, 1);
            char byte;
            // Returns when the test closes its end (or ends).
            [[maybe_unused]] auto got = read(release[0], &byte, 1);
            _exit(0);
        }
        close(ready[1]);
        close(release[0]);
        release_ = release[1];
        char held = 0;
        held_ = pid_ > 0 && read(ready[0], &held, 1) == 1 && held == 1;
        close(ready[0]);
    }
    ~HoldingProcess() {
        if (release_ >= 0) close(release_);
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
    }
    HoldingProcess(const HoldingProcess&) = delete;
    HoldingProcess& operator=(const HoldingProcess&) = delete;

    bool Holding() const { return held_; }
    pid_t Pid() const { return pid_; }

  private:
    pid_t pid_ = -1;
    int release_ = -1;
    bool held_ = false;
};

// The user the tests become where they must not be root (mode bits do not stop root).
inline constexpr uid_t kOrdinaryUser = 65534;

// In a child process: runs on as kOrdinaryUser when root, else as it is. False on failure.
inline bool BecomeOrdinaryUser() {
    if (geteuid() != 0) return true;
    return setgroups(0, nullptr) == 0 && setgid(kOrdinaryUser) == 0 && setuid(kOrdinaryUser) == 0;
}

}  // namespace updater::test
