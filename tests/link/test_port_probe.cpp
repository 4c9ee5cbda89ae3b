// The probe of the ports over real pseudo-terminals: usable, not found, held by another
// program (named), refused for permission, and the descriptions of this machine's devices.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "link/LinkPort.h"
#include "link/PortList.h"
#include "link/PortProbe.h"
#include "tests/link/PtyPeer.h"
#include "tests/support/HoldingProcess.h"

namespace updater {
namespace {

// Probes the device from a child process that runs as an ordinary user (when the test runs as
// root, which any mode bits would let through) and returns the access found.
PortAccess ProbeAsOrdinaryUser(const std::string& device) {
    int result[2];
    if (pipe(result) != 0) return PortAccess::Usable;
    const pid_t pid = fork();
    if (pid == 0) {
        close(result[0]);
        if (!test::BecomeOrdinaryUser()) _exit(1);
        LinkPort probe;
        const auto ports = ProbePorts(probe, {device}, PortCheck::OpensOnly);
        const char access = ports.size() == 1 ? static_cast<char>(ports[0].access) : -1;
        [[maybe_unused]] auto written = write(result[1], &access, 1);
        _exit(0);
    }
    close(result[1]);
    char access = -1;
    const bool got = read(result[0], &access, 1) == 1;
    close(result[0]);
    waitpid(pid, nullptr, 0);
    return got ? static_cast<PortAccess>(access) : PortAccess::Other;
}

TEST(PortProbe, KeepsEveryCandidateInOrderWithItsAccess) {
    test::PtyPeer peer;
    ASSERT_TRUE(peer.Ready());
    LinkPort probe;
    const auto ports =
        ProbePorts(probe, {"/dev/no-such-serial-device", peer.SlavePath()}, PortCheck::OpensOnly);
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].access, PortAccess::NotFound);
    EXPECT_EQ(ports[1].device, peer.SlavePath());
    EXPECT_TRUE(ports[1].Usable());
    EXPECT_EQ(ports[1].description.product, "pseudo-terminal");
    EXPECT_EQ(probe.IsOpen(), 0);  // only probed
    EXPECT_EQ(UsablePorts(ports).size(), 1u);
}

TEST(PortProbe, APseudoTerminalIsNoRs232Port) {
    test::PtyPeer peer;
    ASSERT_TRUE(peer.Ready());
    LinkPort probe;
    const auto ports = ProbePorts(probe, {peer.SlavePath()}, PortCheck::Rs232);
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].access, PortAccess::NotRs232);
}

TEST(PortProbe, NamesTheProgramThatHoldsThePort) {
    test::PtyPeer peer;
    ASSERT_TRUE(peer.Ready());
    test::HoldingProcess holder(peer.SlavePath(), "radio-holder");
    ASSERT_TRUE(holder.Holding());
    LinkPort probe;
    const auto ports = ProbePorts(probe, {peer.SlavePath()}, PortCheck::OpensOnly);
    ASSERT_EQ(ports.size(), 1u);
    EXPECT_EQ(ports[0].access, PortAccess::Busy);
    const std::string expected = "radio-holder (pid " + std::to_string(holder.Pid()) + ")";
    EXPECT_NE(ports[0].heldBy.find(expected), std::string::npos) << ports[0].heldBy;
    EXPECT_NE(AccessReason(ports[0]).find("in use by " + expected), std::string::npos);
}

TEST(PortProbe, AnUnreadableDeviceIsRefusedForPermission) {
    test::PtyPeer peer;
    ASSERT_TRUE(peer.Ready());
    ASSERT_EQ(chmod(peer.SlavePath().c_str(), 0), 0);
    EXPECT_EQ(ProbeAsOrdinaryUser(peer.SlavePath()), PortAccess::PermissionDenied);
}

TEST(PortDescriptions, EverySerialDeviceOfThisMachineIsDescribed) {
    const std::vector<std::string> devices = ListSerialDevices();
    if (devices.empty()) GTEST_SKIP() << "this machine has no serial device";
    for (const std::string& device : devices) {
        const PortDescription d = DescribePort(device);
        EXPECT_FALSE(d.product.empty()) << device;
        EXPECT_FALSE(DescriptionText(d).empty()) << device;
    }
}

}  // namespace
}  // namespace updater
