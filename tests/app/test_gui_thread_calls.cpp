// The update's calls into the window need the window's wake-up: when it cannot be made, the
// window says so at once instead of leaving the update waiting for good.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QObject>
#include <memory>
#include <system_error>

#include "app/GuiThreadCalls.h"

namespace updater {
namespace {

TEST(GuiThreadCalls, WithoutAWakeUpFailsLoudly) {
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    // The lowest free descriptor becomes the limit: the wake-up finds none left.
    const int lowestFree = ::fcntl(0, F_DUPFD, 0);
    ASSERT_GE(lowestFree, 0);
    ::close(lowestFree);
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(lowestFree);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);

    QObject owner;
    std::unique_ptr<GuiThreadCalls> calls;
    bool refused = false;
    try {
        calls = std::make_unique<GuiThreadCalls>(&owner);
    } catch (const std::system_error&) {
        refused = true;
    }
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
    EXPECT_TRUE(refused);
}

}  // namespace
}  // namespace updater
