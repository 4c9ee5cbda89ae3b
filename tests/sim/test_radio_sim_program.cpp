#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "tests/sim/ScriptedSteps.h"

namespace updater::sim::test {
namespace {

// radio-sim --once: path on the first line, one short dialogue, then its own exit with the
// summary and the dump.
TEST(RadioSimProgram, ServesOneDialogueAndExitsWithTheChecksHeld) {
    const std::string dumpPath = ::testing::TempDir() + "radio_sim_dump.txt";
    std::remove(dumpPath.c_str());
    const std::string command = std::string(RADIO_SIM_PATH) +
                                " --once --no-wire-time --speed 4800 --dump " + dumpPath +
                                " 2>/dev/null";
    FILE* sim = popen(command.c_str(), "r");
    ASSERT_NE(sim, nullptr);
    char first[256] = {};
    ASSERT_NE(std::fgets(first, sizeof first, sim), nullptr);
    std::string path(first);
    if (!path.empty() && path.back() == '\n') path.pop_back();
    EXPECT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;

    {
        UpdaterLine line(path);
        ASSERT_TRUE(Connect(line, 4800));
        ASSERT_EQ(Identify(line, 0x3C).size(), 48u);
        EXPECT_EQ(Exchange(line, {0x45}), kAck);
    }
    const int status = pclose(sim);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(std::ifstream(dumpPath).good()) << "the dump is written even when empty";
    std::remove(dumpPath.c_str());
}

}  // namespace
}  // namespace updater::sim::test
