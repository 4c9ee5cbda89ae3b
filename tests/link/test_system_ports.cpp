// The ports as the system lists them, none opened, and the changes between two looks that
// `updater-cli list-ports --watch` prints.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "link/SystemPorts.h"
#ifndef _WIN32
#include "tests/link/PtyPeer.h"
#endif

namespace updater {
namespace {

std::vector<PortInfo> Look(std::initializer_list<const char*> devices) {
    std::vector<PortInfo> ports;
    for (const char* device : devices) ports.push_back(PortInfo{device, {}, {}, {}});
    return ports;
}

// "+COM4" for an added port, "-COM3" for a removed one.
std::vector<std::string> Changes(const std::vector<PortInfo>& before,
                                 const std::vector<PortInfo>& after) {
    std::vector<std::string> lines;
    for (const PortChange& change : PortChanges(before, after)) {
        lines.push_back((change.added ? "+" : "-") + change.port.device);
    }
    return lines;
}

TEST(PortChanges, NameTheRemovedThenTheAddedPorts) {
    const struct {
        const char* name;
        std::vector<PortInfo> before, after;
        std::vector<std::string> changes;
    } cases[] = {
        {"nothing changed", Look({"COM3", "COM4"}), Look({"COM3", "COM4"}), {}},
        {"one plugged in", Look({"COM3"}), Look({"COM3", "COM4"}), {"+COM4"}},
        {"one pulled out", Look({"COM3", "COM4"}), Look({"COM4"}), {"-COM3"}},
        {"one swapped for another", Look({"COM3"}), Look({"COM5"}), {"-COM3", "+COM5"}},
        {"the first ones", Look({}), Look({"COM3", "COM4"}), {"+COM3", "+COM4"}},
        {"all gone", Look({"COM3", "COM4"}), Look({}), {"-COM3", "-COM4"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Changes(c.before, c.after), c.changes);
    }
}

#ifndef _WIN32
TEST(ListPorts, DescribesEachDeviceInTheOrderGiven) {
    // The system's list decides what is present; the listing describes each one as named.
    test::PtyPeer peer;
    ASSERT_TRUE(peer.Ready());
    const std::vector<PortInfo> ports = ListPorts({"/dev/no-such-serial-device", peer.SlavePath()});
    ASSERT_EQ(ports.size(), 2u);
    EXPECT_EQ(ports[0].Label(), "no-such-serial-device");
    EXPECT_EQ(ports[1].device, peer.SlavePath());
    EXPECT_EQ(ports[1].Label(), ShortPortName(peer.SlavePath()) + " \u2014 pseudo-terminal");
    EXPECT_TRUE(ports[1].Usable());  // held by this program only
}
#endif

}  // namespace
}  // namespace updater
