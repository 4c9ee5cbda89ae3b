// updater-cli list-ports as scripts and technicians read it: one line per port with its
// description and reason, and the --json form.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <nlohmann/json.hpp>
#include <string>

#include "tests/cli/CliProcess.h"
#include "tests/link/PtyPeer.h"

namespace updater {
namespace {

// The line of the output that starts with `device`, or "".
std::string LineFor(const std::string& out, const std::string& device) {
    const size_t start = out.find(device + "  ");
    if (start == std::string::npos) return {};
    return out.substr(start, out.find('\n', start) - start);
}

TEST(ListPortsCommand, ListsANamedTerminalWithItsDescription) {
    test::PtyPeer peer;
    ASSERT_TRUE(peer.Ready());
    const test::CliRun text = test::SpawnCli({"list-ports", "--port", peer.SlavePath()});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_EQ(LineFor(text.out, peer.SlavePath()), peer.SlavePath() + "  pseudo-terminal");

    const test::CliRun json = test::SpawnCli({"list-ports", "--json", "--port", peer.SlavePath()});
    ASSERT_EQ(json.status, 0) << json.err;
    const nlohmann::json ports = nlohmann::json::parse(json.out);
    ASSERT_TRUE(ports.is_array());
    ASSERT_FALSE(ports.empty());
    const nlohmann::json& last = ports.back();
    EXPECT_EQ(last["device"], peer.SlavePath());
    EXPECT_EQ(last["product"], "pseudo-terminal");
    EXPECT_EQ(last["usable"], true);
    EXPECT_EQ(last["access"], "usable");
    EXPECT_TRUE(last["reason"].is_null());
    // Every port of the machine is there too, each with a line of its own in the text form.
    for (const nlohmann::json& port : ports) {
        EXPECT_FALSE(LineFor(text.out, port["device"]).empty()) << port.dump();
    }
}

TEST(ListPortsCommand, AnUnreadableTerminalIsListedWithItsReason) {
    if (test::SpawnCli({"--version"}, {.asOrdinaryUser = true}).status != 0) {
        GTEST_SKIP() << "updater-cli cannot be run as an ordinary user here";
    }
    test::PtyPeer peer;
    ASSERT_TRUE(peer.Ready());
    ASSERT_EQ(chmod(peer.SlavePath().c_str(), 0), 0);
    const test::CliRun run =
        test::SpawnCli({"list-ports", "--port", peer.SlavePath()}, {.asOrdinaryUser = true});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(LineFor(run.out, peer.SlavePath()),
              peer.SlavePath() +
                  "  pseudo-terminal - cannot be opened: no permission: add your user to the "
                  "'dialout' group (sudo usermod -aG dialout $USER) and log in again");
}

}  // namespace
}  // namespace updater
