// The update's calls into the window need the window's wake-up: when it cannot be made, the
// window says so at once instead of leaving the update waiting for good.
#include <gtest/gtest.h>

#include <QObject>
#include <cerrno>
#include <memory>
#include <system_error>

#include "app/GuiThreadCalls.h"

namespace updater {
namespace {

// What eventfd() gives when the process has no descriptor left.
int NoDescriptorLeft() {
    errno = EMFILE;
    return -1;
}

TEST(GuiThreadCalls, WithoutAWakeUpFailsLoudly) {
    QObject owner;
    try {
        GuiThreadCalls calls(&owner, &NoDescriptorLeft);
        ADD_FAILURE() << "made without a wake-up";
    } catch (const std::system_error& error) {
        EXPECT_EQ(error.code().value(), EMFILE) << error.what();
    }
    // With its wake-up it is made, and runs a call on the window's own thread at once.
    GuiThreadCalls calls(&owner);
    bool ran = false;
    calls.Run([&ran] { ran = true; });
    EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace updater
