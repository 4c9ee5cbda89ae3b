// Finding the other programs that hold a serial device open.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>

#include "link/PortHolders.h"
#include "tests/link/PtyPeer.h"

extern char** environ;

namespace updater {
namespace {

// A program that holds `path` open on its standard input until it is killed.
class Holder {
  public:
    explicit Holder(const std::string& path) {
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, path.c_str(), O_RDONLY | O_NOCTTY, 0);
        char program[] = "sleep";
        char seconds[] = "60";
        char* argv[] = {program, seconds, nullptr};
        if (posix_spawnp(&pid_, "sleep", &actions, nullptr, argv, environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Holder() {
        if (pid_ <= 0) return;
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    pid_t Pid() const { return pid_; }

  private:
    pid_t pid_ = -1;
};

bool Holds(const std::vector<PortHolder>& holders, pid_t pid) {
    return std::any_of(holders.begin(), holders.end(),
                       [&](const PortHolder& h) { return h.pid == pid && h.program == "sleep"; });
}

TEST(PortHolders, NamesAnotherProgramThatHoldsTheDeviceButNeverThisOne) {
    test::PtyPeer peer;  // this process holds the device itself
    ASSERT_TRUE(peer.Ready());
    EXPECT_TRUE(OtherHoldersOf(peer.SlavePath()).empty());

    Holder other(peer.SlavePath());
    ASSERT_GT(other.Pid(), 0);
    // The child opens the device right after it starts: look until it has.
    std::vector<PortHolder> holders;
    for (int attempt = 0; attempt < 500 && !Holds(holders, other.Pid()); ++attempt) {
        holders = OtherHoldersOf(peer.SlavePath());
        if (!Holds(holders, other.Pid())) usleep(10000);
    }
    ASSERT_TRUE(Holds(holders, other.Pid()));
    EXPECT_EQ(DescribeHolders({holders.front()}),
              "sleep (pid " + std::to_string(other.Pid()) + ")");
    EXPECT_TRUE(OtherHoldersOf("/no/such/device").empty());
}

}  // namespace
}  // namespace updater
